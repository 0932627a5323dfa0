// The static records handed to the host at start. The host keeps pointers to
// them for the life of the process, so they live in static storage and are
// never moved; the plug-in's own code reaches them through these accessors
// (for example to pass the engine record to "VANTConstructDBDatabase" or the
// cursor record to "VANTdbCursorFromDBCursor").
#ifndef SQELTO_FRAME_REGISTRATION_RECORDS_H
#define SQELTO_FRAME_REGISTRATION_RECORDS_H

#include <tavro/plugin_sdk.h>

namespace sqelto {

TavroCursorRecord &CursorRecord();
TavroEngineRecord &EngineRecord();
TavroClassRecord &ODBCDatabaseClass();
TavroClassRecord &ODBCPreparedStatementClass();
TavroModuleRecord &ODBCConstantModule();

// Title of the design-time connection dialog and kind of the data-source
// opener, as registered.
inline constexpr const char *kConnectionDialogTitle = "Select ODBC Database...";
inline constexpr const char *kDataSourceKind = "ODBC";

}  // namespace sqelto

#endif  // SQELTO_FRAME_REGISTRATION_RECORDS_H
