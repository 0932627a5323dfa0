#include "key_condition.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include <tavro/plugin_sdk.h>

namespace sqelto {
namespace {

template <typename T>
T Read(const unsigned char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// Dates and times reach the host with each 16-bit field high byte first.
unsigned Field(const unsigned char* bytes, int index) {
  return static_cast<unsigned>((bytes[2 * index] << 8) | bytes[2 * index + 1]);
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string Date(const unsigned char* bytes) {
  return Format("%04u-%02u-%02u", Field(bytes, 0), Field(bytes, 1), Field(bytes, 2));
}
std::string Time(const unsigned char* bytes, int first) {
  return Format("%02u:%02u:%02u", Field(bytes, first), Field(bytes, first + 1), Field(bytes, first + 2));
}

// Nanoseconds as the shortest decimal fraction, ".5" for half a second; none for 0.
std::string Fraction(uint32_t nanoseconds) {
  if (nanoseconds == 0 || nanoseconds >= 1000000000u) return {};
  std::string digits = Format("%09u", nanoseconds);
  digits.erase(digits.find_last_not_of('0') + 1);
  return "." + digits;
}

std::optional<std::string> Literal(const KeyValue& value, LiteralEscapes escapes) {
  const auto needs = [&](int32_t bytes) { return value.bytes != nullptr && value.length >= bytes; };
  switch (value.type) {
    case TAVRO_COLUMN_TINYINT:
    case TAVRO_COLUMN_SMALLINT:
      if (!needs(2)) return std::nullopt;
      return std::to_string(Read<int16_t>(value.bytes));
    case TAVRO_COLUMN_INTEGER:
      if (!needs(4)) return std::nullopt;
      return std::to_string(Read<int32_t>(value.bytes));
    case TAVRO_COLUMN_INT64:
      if (!needs(8)) return std::nullopt;
      return std::to_string(Read<int64_t>(value.bytes));
    case TAVRO_COLUMN_FLOAT:
    case TAVRO_COLUMN_DOUBLE: {
      if (!needs(value.type == TAVRO_COLUMN_FLOAT ? 4 : 8)) return std::nullopt;
      const double number =
          value.type == TAVRO_COLUMN_FLOAT ? static_cast<double>(Read<float>(value.bytes)) : Read<double>(value.bytes);
      if (!std::isfinite(number)) return std::nullopt;
      return Format("%.17g", number);  // 17 significant digits read back as the same double
    }
    case TAVRO_COLUMN_BOOLEAN:
      if (!needs(1)) return std::nullopt;
      return std::to_string(static_cast<unsigned>(value.bytes[0]));
    case TAVRO_COLUMN_DATE:
      if (!needs(6)) return std::nullopt;
      return QuotedLiteral(Date(value.bytes), escapes);
    case TAVRO_COLUMN_TIME:
      if (!needs(6)) return std::nullopt;
      return QuotedLiteral(Time(value.bytes, 0), escapes);
    case TAVRO_COLUMN_TIMESTAMP:
      if (!needs(16)) return std::nullopt;
      return QuotedLiteral(Date(value.bytes) + " " + Time(value.bytes, 3) + Fraction(Read<uint32_t>(value.bytes + 12)),
                           escapes);
    case TAVRO_COLUMN_HOST_STRING:
      if (value.text.find('\0') != std::string_view::npos) return std::nullopt;
      return QuotedLiteral(value.text, escapes);
    default: return std::nullopt;
  }
}

}  // namespace

std::string QuotedLiteral(std::string_view text, LiteralEscapes escapes) {
  std::string literal = "'";
  for (char c : text) {
    if (c == '\'' || (c == '\\' && escapes == LiteralEscapes::QuotesAndBackslashes)) literal += c;
    literal += c;
  }
  return literal + "'";
}

std::optional<std::string> KeyCondition(std::string_view column, const KeyValue& value, LiteralEscapes escapes) {
  if (value.type == TAVRO_COLUMN_NULL) return std::string(column) + " IS NULL";
  std::optional<std::string> literal = Literal(value, escapes);
  if (!literal) return std::nullopt;
  return std::string(column) + " = " + *literal;
}

}  // namespace sqelto
