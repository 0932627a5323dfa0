// The ODBC call-level interface, included the same way everywhere: Windows
// needs its own header first, and every wide buffer we hand ODBC is 2-byte
// UTF-16 whatever SQLWCHAR is spelled as on the platform.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include "text_conversion.h"

static_assert(sizeof(SQLWCHAR) == sizeof(sqelto::odbc::Utf16Unit), "ODBC wide characters must be UTF-16 units");

namespace sqelto::odbc {

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

inline SQLWCHAR* AsSqlWide(Utf16Unit* units) { return reinterpret_cast<SQLWCHAR*>(units); }
inline const Utf16Unit* AsUnits(const SQLWCHAR* units) { return reinterpret_cast<const Utf16Unit*>(units); }

}  // namespace sqelto::odbc
