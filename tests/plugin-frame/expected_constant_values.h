// The ODBCConstant names with the values the ODBC headers give them, for
// comparing what the plug-in registered against the headers themselves.
#ifndef SQELTO_TESTS_EXPECTED_CONSTANT_VALUES_H
#define SQELTO_TESTS_EXPECTED_CONSTANT_VALUES_H

#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

// ODBC 3 withdrew these two; the headers still carry their definitions, but
// only inside comments ("no longer supported"), with these values.
#ifndef SQL_FD_FETCH_RESUME
#define SQL_FD_FETCH_RESUME 0x00000040L
#endif
#ifndef SQL_TXN_VERSIONING
#define SQL_TXN_VERSIONING 0x00000010L
#endif

inline std::vector<std::pair<std::string, long long>> ExpectedOdbcConstants() {
  return {
#define X(name) {#name, static_cast<long long>(name)},
#include "expected_odbc_constants.inc"
#undef X
  };
}

#endif
