// Raising the host's DatabaseException, the one way the plug-in reports a
// failure by exception (from ODBCPreparedStatement's SelectSQL and
// ExecuteSQL).
#pragma once

#include <cstdint>

#include "../odbc/connection_record.h"

namespace sqelto {

// Raises a DatabaseException with "Message" = text and "ErrorNumber" = code.
// The host throws it at the host program once the plug-in function returns.
void RaiseDatabaseException(int32_t code, const char* text);

// Raises the connection's last error; does nothing when its code is 0.
void RaiseLastError(ConnectionRecord* record);

}  // namespace sqelto
