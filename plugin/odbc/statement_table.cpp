#include "statement_table.h"

#include "ascii_case.h"

namespace sqelto {
namespace {

constexpr std::size_t kMaxTableName = 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsFrom(std::string_view text) { return EqualIgnoringAsciiCase(text, "from"); }

}  // namespace

std::string TableNameFromStatement(std::string_view sql) {
  // A blank, FROM and a blank need six characters.
  for (std::size_t i = 0; i + 6 <= sql.size(); ++i) {
    if (!IsBlank(sql[i]) || !IsFrom(sql.substr(i + 1, 4)) || !IsBlank(sql[i + 5])) continue;
    std::size_t start = i + 5;
    while (start < sql.size() && IsBlank(sql[start])) ++start;
    std::size_t end = start;
    while (end < sql.size() && !IsBlank(sql[end]) && end - start < kMaxTableName) ++end;
    return std::string(sql.substr(start, end - start));
  }
  return {};
}

}  // namespace sqelto
