// The ODBC functions this driver exports: exactly the SQL* entry points of
// Debian's SQLite3 ODBC driver (narrow forms only; it has no W functions), so
// that the driver manager treats both drivers alike, converting wide calls
// for them in the same way. exports_test.sh compares the two libraries.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

namespace sqelto_test_driver {

inline constexpr std::array<std::string_view, 77> kForwardedFunctions = {
    "SQLAllocConnect",
    "SQLAllocEnv",
    "SQLAllocHandle",
    "SQLAllocStmt",
    "SQLBindCol",
    "SQLBindParam",
    "SQLBindParameter",
    "SQLBrowseConnect",
    "SQLBulkOperations",
    "SQLCancel",
    "SQLCloseCursor",
    "SQLColAttribute",
    "SQLColAttributes",
    "SQLColumnPrivileges",
    "SQLColumns",
    "SQLConnect",
    "SQLCopyDesc",
    "SQLDataSources",
    "SQLDescribeCol",
    "SQLDescribeParam",
    "SQLDisconnect",
    "SQLDriverConnect",
    "SQLDrivers",
    "SQLEndTran",
    "SQLError",
    "SQLExecDirect",
    "SQLExecute",
    "SQLExtendedFetch",
    "SQLFetch",
    "SQLFetchScroll",
    "SQLForeignKeys",
    "SQLFreeConnect",
    "SQLFreeEnv",
    "SQLFreeHandle",
    "SQLFreeStmt",
    "SQLGetConnectAttr",
    "SQLGetConnectOption",
    "SQLGetCursorName",
    "SQLGetData",
    "SQLGetDescField",
    "SQLGetDescRec",
    "SQLGetDiagField",
    "SQLGetDiagRec",
    "SQLGetEnvAttr",
    "SQLGetFunctions",
    "SQLGetInfo",
    "SQLGetStmtAttr",
    "SQLGetStmtOption",
    "SQLGetTypeInfo",
    "SQLMoreResults",
    "SQLNativeSql",
    "SQLNumParams",
    "SQLNumResultCols",
    "SQLParamData",
    "SQLParamOptions",
    "SQLPrepare",
    "SQLPrimaryKeys",
    "SQLProcedureColumns",
    "SQLProcedures",
    "SQLPutData",
    "SQLRowCount",
    "SQLSetConnectAttr",
    "SQLSetConnectOption",
    "SQLSetCursorName",
    "SQLSetDescField",
    "SQLSetDescRec",
    "SQLSetEnvAttr",
    "SQLSetParam",
    "SQLSetPos",
    "SQLSetScrollOptions",
    "SQLSetStmtAttr",
    "SQLSetStmtOption",
    "SQLSpecialColumns",
    "SQLStatistics",
    "SQLTablePrivileges",
    "SQLTables",
    "SQLTransact",
};

inline bool isForwardedFunction(std::string_view name) {
  return std::find(kForwardedFunctions.begin(), kForwardedFunctions.end(), name) != kForwardedFunctions.end();
}

}  // namespace sqelto_test_driver
