// The driver manager's connect and text-attribute calls, in the text form
// each platform's driver manager takes. The text given is UTF-8.
//
// Windows takes UTF-16 (its 8-bit entry points read the ANSI code page, which
// cannot spell every name). unixODBC takes the UTF-8 bytes: its wide connect,
// for a driver without wide entry points (Debian's SQLite3 driver), keeps
// only the low byte of each character, because the connection's converter
// does not exist before the connection.
#pragma once

#include <cstddef>
#include <string_view>

#include "odbc_api.h"

namespace sqelto::odbc {

// SQLDriverConnect with SQL_DRIVER_COMPLETE_REQUIRED, prompting (where the
// driver manager can) on the process's active window. The completed string is
// stored in completed[0 .. completedSize) as NUL-terminated UTF-8, cut on a
// character boundary.
SQLRETURN DriverConnect(SQLHDBC hdbc, std::string_view utf8, char* completed, std::size_t completedSize);

// SQLSetConnectAttr with a text value; its result is not needed.
void SetTextAttribute(SQLHDBC hdbc, SQLINTEGER attribute, std::string_view utf8);

}  // namespace sqelto::odbc
