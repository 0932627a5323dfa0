// Marks the functions that run for every row and value a host reads. The
// compiler places them together, away from the rest of the plug-in, so that a
// fetch loop keeps fewer instruction cache lines busy beside the driver's and
// the database's own code, which take most of that cache for every row.
#ifndef SQELTO_FRAME_HOT_PATH_H
#define SQELTO_FRAME_HOT_PATH_H

#if defined(__GNUC__)
#define SQELTO_HOT [[gnu::hot]]
#else
#define SQELTO_HOT
#endif

#endif  // SQELTO_FRAME_HOT_PATH_H
