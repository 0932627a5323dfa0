// A failed ODBC call becomes the connection's last error. When the driver
// left no diagnostic that can be read, the failure still must not read as
// success (code 0): it is reported as -1 naming the call.
#pragma once

#include "connection_record.h"
#include "odbc_api.h"

namespace sqelto {

// "<call> failed and the driver gave no reason."
void ReportStatementFailure(ConnectionRecord* record, SQLHSTMT statement, const char* call);
void ReportConnectionFailure(ConnectionRecord* record, const char* call);

}  // namespace sqelto
