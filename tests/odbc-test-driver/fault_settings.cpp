#include "fault_settings.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>

#include "forwarded_functions.hpp"

namespace sqelto_test_driver {
namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

template <typename Number>
Number parseNumber(std::string_view key, std::string_view value, Number low, Number high) {
  long long parsed = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
  if (error != std::errc() || end != value.data() + value.size() || value.empty() || parsed < low || parsed > high)
    throw InvalidKeyword(std::string(key) + "=" + std::string(value) + ": expected a whole number from " +
                         std::to_string(low) + " to " + std::to_string(high));
  return static_cast<Number>(parsed);
}

std::uint32_t parseCount(std::string_view key, std::string_view value) {
  return parseNumber<std::uint32_t>(key, value, 0, std::numeric_limits<std::uint32_t>::max());
}

// "SQLExecute,SQLFetch:3": functions and how many calls succeed first.
void parseFailList(std::string_view key, std::string_view value,
                   std::map<std::string, std::uint32_t, std::less<>>& succeedFirstByName) {
  while (!value.empty()) {
    size_t comma = value.find(',');
    std::string_view item = trim(value.substr(0, comma));
    value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
    size_t colon = item.find(':');
    std::string_view name = trim(item.substr(0, colon));
    if (!isForwardedFunction(name))
      throw InvalidKeyword(std::string(key) + ": the driver has no function \"" + std::string(name) + "\"");
    std::uint32_t succeedFirst = colon == std::string_view::npos ? 0 : parseCount(key, trim(item.substr(colon + 1)));
    succeedFirstByName.insert_or_assign(std::string(name), succeedFirst);
  }
}

void applyKeyword(std::string_view key, std::string_view value, FaultSettings& settings) {
  if (equalsIgnoringCase(key, "TestMaxActivities")) {
    settings.maxActivities = parseNumber<SQLUSMALLINT>(key, value, 0, std::numeric_limits<SQLUSMALLINT>::max());
  } else if (equalsIgnoringCase(key, "TestNoGetDataAnyColumn")) {
    settings.noGetDataAnyColumn = parseNumber<int>(key, value, 0, 1) == 1;
  } else if (equalsIgnoringCase(key, "TestNeedLongDataLen")) {
    if (value != "Y" && value != "N") throw InvalidKeyword(std::string(key) + ": expected Y or N");
    settings.needLongDataLen = value.front();
  } else if (equalsIgnoringCase(key, "TestFail")) {
    parseFailList(key, value, settings.failAfter);
  } else if (equalsIgnoringCase(key, "TestFailOnce")) {
    parseFailList(key, value, settings.failOnce);
  } else if (equalsIgnoringCase(key, "TestFetchFailAfter")) {
    settings.fetchFailAfter = parseCount(key, value);
  } else if (equalsIgnoringCase(key, "TestGetDataFailAfter")) {
    settings.getDataFailAfter = parseCount(key, value);
  } else if (equalsIgnoringCase(key, "TestSqlState")) {
    if (value.size() != 5 || !std::all_of(value.begin(), value.end(), [](char c) {
          return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c));
        }))
      throw InvalidKeyword(std::string(key) + ": expected five capital letters or digits");
    settings.sqlState = value;
  } else if (equalsIgnoringCase(key, "TestNativeError")) {
    settings.nativeError = parseNumber<SQLINTEGER>(key, value, std::numeric_limits<SQLINTEGER>::min(),
                                                   std::numeric_limits<SQLINTEGER>::max());
  } else {
    throw InvalidKeyword("unknown keyword " + std::string(key));
  }
}

// SQLite3 has no keyword starting with "Test"; any such keyword is ours, so a
// misspelt one is refused instead of silently injecting nothing.
bool isTestKeyword(std::string_view key) { return key.size() >= 4 && equalsIgnoringCase(key.substr(0, 4), "Test"); }

}  // namespace

ParsedConnectionString parseConnectionString(std::string_view text) {
  ParsedConnectionString result;
  size_t position = 0;
  while (position < text.size()) {
    size_t start = position;
    size_t equals = text.find('=', position);
    size_t semicolon = text.find(';', position);
    if (equals == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < equals)) {
      // An attribute without '=' (or an empty one between two ';'): not ours,
      // passed on for the real driver to judge.
      size_t end = semicolon == std::string_view::npos ? text.size() : semicolon;
      if (!trim(text.substr(start, end - start)).empty())
        result.forwarded.append(text.substr(start, end - start)).push_back(';');
      position = end + 1;
      continue;
    }
    std::string_view key = trim(text.substr(start, equals - start));
    size_t valueStart = equals + 1;
    while (valueStart < text.size() && text[valueStart] == ' ') ++valueStart;
    size_t valueEnd;
    std::string_view value;
    if (valueStart < text.size() && text[valueStart] == '{') {
      // A braced value may hold ';'; "}}" stands for one '}'.
      size_t close = valueStart + 1;
      while (true) {
        close = text.find('}', close);
        if (close == std::string_view::npos) throw InvalidKeyword(std::string(key) + ": '{' without '}'");
        if (close + 1 < text.size() && text[close + 1] == '}') {
          close += 2;
          continue;
        }
        break;
      }
      value = text.substr(valueStart + 1, close - valueStart - 1);
      valueEnd = text.find(';', close);
    } else {
      valueEnd = text.find(';', valueStart);
      value = trim(text.substr(valueStart, (valueEnd == std::string_view::npos ? text.size() : valueEnd) - valueStart));
    }
    if (valueEnd == std::string_view::npos) valueEnd = text.size();
    if (isTestKeyword(key)) {
      applyKeyword(key, value, result.settings);
    } else {
      result.forwarded.append(text.substr(start, valueEnd - start)).push_back(';');
    }
    position = valueEnd + 1;
  }
  return result;
}

}  // namespace sqelto_test_driver
