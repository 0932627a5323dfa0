#include "parameter_values.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace sqelto_shell {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

template <class T>
bool ParseNumber(const std::string& text, T& out) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end && !text.empty();
}

// A plain decimal number: an optional sign, digits with an optional
// fraction, an optional exponent. Not blanks, hexadecimal, "inf" or "nan".
bool IsPlainNumber(const std::string& text) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i - from;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

enum class Number { Not, Finite, OutOfRange };

// from_chars reads the same way in every locale (strtod would take the
// decimal point of LC_NUMERIC) and reports overflow instead of answering inf.
Number ParseDouble(const std::string& text, double& out) {
  if (!IsPlainNumber(text)) return Number::Not;
  const char* first = text.data() + (text.front() == '+' ? 1 : 0);  // from_chars takes no '+'
  const auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), out);
  if (ec == std::errc::result_out_of_range) return Number::OutOfRange;
  return ec == std::errc() && ptr == text.data() + text.size() ? Number::Finite : Number::Not;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// yyyy-mm-dd, hh:mm:ss, or both separated by a blank or 'T'.
bool ParseDateTime(const std::string& text, bool date, bool time, tavro::DateTime& out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char separator = ' ';
  int used = 0;
  bool ok = false;
  if (date && time)
    ok = std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &separator, &h, &mi, &s, &used) == 7 &&
         (separator == ' ' || separator == 'T');
  else if (date)
    ok = std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) == 3;
  else
    ok = std::sscanf(text.c_str(), "%2d:%2d:%2d%n", &h, &mi, &s, &used) == 3;
  if (!ok || static_cast<std::size_t>(used) != text.size()) return false;
  if (date && (y < 1 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo))) return false;
  if (time && (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)) return false;
  out = {y, mo, d, h, mi, s, 0};
  return true;
}

bool ParseHex(const std::string& text, tavro::Bytes& out) {
  if (text.size() % 2 != 0) return false;
  out.clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (ec != std::errc() || ptr != text.data() + i + 2) return false;
    out.push_back(static_cast<uint8_t>(value));
  }
  return true;
}

[[noreturn]] void Refuse(const std::string& text, const std::string& why) {
  throw ParameterError("parameter \"" + text + "\": " + why);
}

}  // namespace

const char* ParameterTypeNames() {
  return "tinyint, smallint, int, bigint, float, double, text, longtext, date, time, timestamp, binary (hex), null";
}

ParameterValue ParseParameter(const std::string& text) {
  if (Lower(text) == "null") return {tavro::Value(), "ODBC_TYPE_NULL"};
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) {
    int64_t whole = 0;
    double number = 0;
    if (ParseNumber(text.front() == '+' ? text.substr(1) : text, whole)) {
      if (whole >= INT32_MIN && whole <= INT32_MAX) return {tavro::Value(static_cast<int32_t>(whole)), "ODBC_TYPE_INTEGER"};
      return {tavro::Value(whole), "ODBC_TYPE_BIGINT"};
    }
    switch (ParseDouble(text, number)) {
      case Number::Finite: return {tavro::Value(number), "ODBC_TYPE_DOUBLE"};
      case Number::OutOfRange: Refuse(text, "a number out of range");
      case Number::Not: break;
    }
    return {tavro::Value(text), "ODBC_TYPE_STRING"};
  }
  const std::string type = Lower(text.substr(0, colon));
  const std::string value = text.substr(colon + 1);
  auto integer = [&](int64_t lowest, int64_t highest, const char* constant) -> ParameterValue {
    int64_t n = 0;
    if (!ParseNumber(value, n) || n < lowest || n > highest) Refuse(text, "not a whole number in range");
    if (lowest >= INT32_MIN && highest <= INT32_MAX) return {tavro::Value(static_cast<int32_t>(n)), constant};
    return {tavro::Value(n), constant};
  };
  if (type == "tinyint") return integer(-128, 127, "ODBC_TYPE_TINYINT");
  if (type == "smallint") return integer(-32768, 32767, "ODBC_TYPE_SMALLINT");
  if (type == "int" || type == "integer") return integer(INT32_MIN, INT32_MAX, "ODBC_TYPE_INTEGER");
  if (type == "bigint") return integer(INT64_MIN, INT64_MAX, "ODBC_TYPE_BIGINT");
  if (type == "float" || type == "double") {
    double d = 0;
    const Number parsed = ParseDouble(value, d);
    if (parsed == Number::Not) Refuse(text, "not a number");
    if (parsed == Number::OutOfRange || (type == "float" && std::fabs(d) > std::numeric_limits<float>::max()))
      Refuse(text, "a number out of range");
    return type == "float" ? ParameterValue{tavro::Value(static_cast<float>(d)), "ODBC_TYPE_FLOAT"}
                           : ParameterValue{tavro::Value(d), "ODBC_TYPE_DOUBLE"};
  }
  if (type == "text" || type == "string") return {tavro::Value(value), "ODBC_TYPE_STRING"};
  if (type == "longtext") return {tavro::Value(value), "ODBC_TYPE_LONGSTRING"};
  if (type == "date" || type == "time" || type == "timestamp") {
    tavro::DateTime dt;
    if (!ParseDateTime(value, type != "time", type != "date", dt))
      Refuse(text, type == "date" ? "not yyyy-mm-dd" : type == "time" ? "not hh:mm:ss" : "not yyyy-mm-dd hh:mm:ss");
    const char* constant = type == "date" ? "ODBC_TYPE_DATE" : type == "time" ? "ODBC_TYPE_TIME" : "ODBC_TYPE_TIMESTAMP";
    return {tavro::Value::timestamp(dt), constant};
  }
  if (type == "binary") {
    tavro::Bytes bytes;
    if (!ParseHex(value, bytes)) Refuse(text, "not pairs of hexadecimal digits");
    return {tavro::Value(bytes), "ODBC_TYPE_BINARY"};
  }
  Refuse(text, "unknown type \"" + type + "\" (known: " + ParameterTypeNames() + ")");
}

std::vector<std::string> SplitParameterWords(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size()) break;
    std::string word;
    bool quoted = false;
    while (i < line.size() && (quoted || !std::isspace(static_cast<unsigned char>(line[i])))) {
      if (line[i] == '\'') {
        if (quoted && i + 1 < line.size() && line[i + 1] == '\'') {
          word += '\'';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      word += line[i++];
    }
    if (quoted) throw ParameterError("a quote is not closed: " + line);
    words.push_back(word);
  }
  return words;
}

}  // namespace sqelto_shell
