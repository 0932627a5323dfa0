#include "connect_calls.h"

#include <cstring>
#include <string>
#include <vector>

namespace sqelto::odbc {

#ifdef _WIN32

SQLRETURN DriverConnect(SQLHDBC hdbc, std::string_view utf8, char* completed, std::size_t completedSize) {
  std::vector<Utf16Unit> text = Utf8ToUtf16(utf8.data(), utf8.size());
  std::vector<Utf16Unit> out(completedSize, 0);
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc = SQLDriverConnectW(hdbc, GetActiveWindow(), AsSqlWide(text.data()), SQL_NTS,
                                         AsSqlWide(out.data()), static_cast<SQLSMALLINT>(out.size()), &outLength,
                                         SQL_DRIVER_COMPLETE_REQUIRED);
  const std::size_t bytes = Utf16ToUtf8(out.data(), Utf16Length(out.data(), out.size()), completed, completedSize - 1);
  completed[bytes] = '\0';
  return rc;
}

void SetTextAttribute(SQLHDBC hdbc, SQLINTEGER attribute, std::string_view utf8) {
  std::vector<Utf16Unit> value = Utf8ToUtf16(utf8.data(), utf8.size());
  SQLSetConnectAttrW(hdbc, attribute, AsSqlWide(value.data()),
                     static_cast<SQLINTEGER>((value.size() - 1) * sizeof(SQLWCHAR)));
}

#else

SQLRETURN DriverConnect(SQLHDBC hdbc, std::string_view utf8, char* completed, std::size_t completedSize) {
  std::string text(utf8);
  SQLSMALLINT outLength = 0;
  std::memset(completed, 0, completedSize);
  // No window: unixODBC has no prompt of its own.
  const SQLRETURN rc = SQLDriverConnectA(hdbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                         reinterpret_cast<SQLCHAR*>(completed), static_cast<SQLSMALLINT>(completedSize),
                                         &outLength, SQL_DRIVER_COMPLETE_REQUIRED);
  completed[completedSize - 1] = '\0';
  return rc;
}

void SetTextAttribute(SQLHDBC hdbc, SQLINTEGER attribute, std::string_view utf8) {
  std::string value(utf8);
  SQLSetConnectAttrA(hdbc, attribute, value.data(), static_cast<SQLINTEGER>(value.size()));
}

#endif

}  // namespace sqelto::odbc
