#include "run_ending.h"

#include <array>

#include "../odbc/ascii_case.h"

namespace sqelto {

bool ResultsMayVary(std::string_view sql) {
  std::size_t at = 0;
  while (at < sql.size() && (sql[at] == ' ' || sql[at] == '\t' || sql[at] == '\r' || sql[at] == '\n' || sql[at] == '('))
    ++at;
  if (at < sql.size() && sql[at] == '{') return true;  // an ODBC call escape, "{call p(?)}"
  std::size_t end = at;
  while (end < sql.size() && ((sql[end] >= 'A' && sql[end] <= 'Z') || (sql[end] >= 'a' && sql[end] <= 'z'))) ++end;
  const std::string_view word = sql.substr(at, end - at);
  static constexpr std::array<std::string_view, 6> kVarying = {"call", "exec", "execute", "do", "begin", "declare"};
  for (std::string_view varying : kVarying)
    if (EqualIgnoringAsciiCase(word, varying)) return true;
  return false;
}

bool LeftNothingOpen(SQLHSTMT statement) {
  SQLSMALLINT columns = 0;
  if (!odbc::Succeeded(SQLNumResultCols(statement, &columns)) || columns != 0) return false;
  return SQLMoreResults(statement) == SQL_NO_DATA;
}

bool RefusedForOpenResult(SQLHSTMT statement) {
  SQLWCHAR state[6] = {};
  SQLWCHAR message[8] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLGetDiagRecW(SQL_HANDLE_STMT, statement, 1, state, &native, message, 8, &length);
  if (!odbc::Succeeded(rc)) return false;
  static constexpr char kInvalidCursorState[] = "24000";
  for (int i = 0; i < 5; ++i)
    if (state[i] != static_cast<SQLWCHAR>(kInvalidCursorState[i])) return false;
  return true;
}

}  // namespace sqelto
