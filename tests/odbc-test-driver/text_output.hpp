// Text answers written into an application's buffer the ODBC way.
#pragma once

#include <sql.h>

#include <string_view>

namespace sqelto_test_driver {

// Copies text into a buffer of `size` bytes, ending it with NUL when there is
// room, and stores the full length (without NUL) in *length when given.
// Returns SQL_SUCCESS, SQL_SUCCESS_WITH_INFO when the text was cut, or
// SQL_ERROR for a negative size.
SQLRETURN copyText(std::string_view text, SQLPOINTER buffer, SQLSMALLINT size, SQLSMALLINT* length);

}  // namespace sqelto_test_driver
