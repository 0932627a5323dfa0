// The fault-injection keywords of a connection string and what they ask for.
// The driver takes them out of the string before the rest reaches SQLite.
#pragma once

#include <sql.h>

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sqelto_test_driver {

struct FaultSettings {
  // TestMaxActivities=N: SQL_MAX_CONCURRENT_ACTIVITIES answers N, and a
  // statement may not start a result while N others on the connection hold one.
  std::optional<SQLUSMALLINT> maxActivities;
  // TestNoGetDataAnyColumn=1: SQL_GETDATA_EXTENSIONS without SQL_GD_ANY_COLUMN,
  // and SQLGetData refuses a column at or before the last bound one (07009).
  bool noGetDataAnyColumn = false;
  // TestNeedLongDataLen=Y|N: the SQL_NEED_LONG_DATA_LEN answer.
  std::optional<char> needLongDataLen;
  // TestFail=Name[:N],...: every call of the function after the first N
  // (default 0) on this connection's handles fails.
  std::map<std::string, std::uint32_t, std::less<>> failAfter;
  // TestFailOnce=Name[:N],...: only the call of the function after the
  // first N (default 0) fails; the calls after it succeed again.
  std::map<std::string, std::uint32_t, std::less<>> failOnce;
  // TestFetchFailAfter=N: a statement's fetches after N successful ones fail
  // until it starts a new result.
  std::optional<std::uint32_t> fetchFailAfter;
  // TestGetDataFailAfter=N: on one row, SQLGetData calls on a column after
  // the first N fail.
  std::optional<std::uint32_t> getDataFailAfter;
  // TestSqlState / TestNativeError: the diagnostic of an injected failure.
  std::string sqlState = "HY000";
  SQLINTEGER nativeError = 4711;
};

struct ParsedConnectionString {
  FaultSettings settings;
  // The string without the Test keywords, attributes kept as written, each
  // ended by ';'.
  std::string forwarded;
};

class InvalidKeyword : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws InvalidKeyword naming the attribute for an unknown Test keyword, a
// value out of range, a function this driver does not have, or a malformed
// attribute.
ParsedConnectionString parseConnectionString(std::string_view text);

}  // namespace sqelto_test_driver
