// One key column's condition in the WHERE clause that finds the current row
// again for an update or delete, written from the value the cursor read.
// It must match that row and nothing else: text is quoted so that no value
// can change the statement's meaning, NULL is "IS NULL", floating-point
// numbers carry enough digits to read back the same, dates and times are
// written the way databases store them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sqelto {

// A value in the cursor's value format (type code, bytes, length); text
// values (type 18) come as their UTF-8 bytes in `text`.
struct KeyValue {
  uint8_t type = 0;
  const unsigned char* bytes = nullptr;
  int32_t length = 0;
  std::string_view text;
};

// How string literals are read by the DBMS: besides doubled quotes, MySQL
// and MariaDB take a backslash as an escape character.
enum class LiteralEscapes { QuotesOnly, QuotesAndBackslashes };

// "K = value", "K IS NULL", or no value when this value cannot be written
// as a literal that matches exactly it (binary data, a NUL inside text, a
// number that is not finite).
std::optional<std::string> KeyCondition(std::string_view column, const KeyValue& value, LiteralEscapes escapes);

// Text as an SQL string literal in single quotes.
std::string QuotedLiteral(std::string_view text, LiteralEscapes escapes);

}  // namespace sqelto
