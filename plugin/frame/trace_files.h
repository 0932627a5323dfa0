// The two files behind the trace log: the switch file, whose first line names
// the log, and the log itself.
//
// On POSIX the switch file lives in /tmp, where every local user can create
// files, and the log receives connection strings with their passwords. So
// there the switch file counts only when no other user could have written
// it (a regular file, not a symbolic link, owned by this process's effective
// user or by root, not writable by group or others), and the log is opened
// without following a symbolic link, created readable by its owner only,
// and refused when it is another user's file.
#ifndef SQELTO_FRAME_TRACE_FILES_H
#define SQELTO_FRAME_TRACE_FILES_H

#include <ostream>
#include <string>

namespace sqelto {

// The switch file's first line without its line end (a CR before it may
// remain); empty when there is no switch file, it does not count, or its
// first line is empty. On Windows the line is returned as UTF-8, read from
// whichever text encoding the file was saved in.
std::string ReadTraceSwitchLine();

// A stream appending to the log at `path` (UTF-8 on Windows), owned by the
// caller; null when the log cannot be opened (or, on POSIX, is refused).
std::ostream *OpenTraceLog(const std::string &path);

}  // namespace sqelto

#endif  // SQELTO_FRAME_TRACE_FILES_H
