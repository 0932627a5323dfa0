// The ODBC headers, with what they need first on Windows.
#ifndef SQELTO_FRAME_ODBC_HEADERS_H
#define SQELTO_FRAME_ODBC_HEADERS_H

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#endif  // SQELTO_FRAME_ODBC_HEADERS_H
