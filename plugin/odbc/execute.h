// Running a statement that returns no result set (engine word 6).
#pragma once

#include <cstdint>

#include "connection_record.h"
#include "host_text.h"

namespace sqelto {

// Runs NUL-terminated statement bytes once on a fresh statement handle;
// returns the SQLExecDirectW result, SQL_ERROR when the query guard refused
// (the last error then says why).
int32_t odbc_execDirect(ConnectionRecord* record, const char* text, uint32_t encoding);

// One execute call, packaged as the run object the trace log names.
class ODBCExecuteThread {
public:
  ODBCExecuteThread(ConnectionRecord* record, TavroString sql);
  ~ODBCExecuteThread();
  ODBCExecuteThread(const ODBCExecuteThread&) = delete;
  ODBCExecuteThread& operator=(const ODBCExecuteThread&) = delete;
  int32_t Run();

private:
  ConnectionRecord* record_;
  HostBytes text_;
};

void TAVRO_CALL ODBCExecute(TavroDatabase db, TavroString sql);

}  // namespace sqelto
