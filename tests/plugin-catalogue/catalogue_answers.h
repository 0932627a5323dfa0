// Reading catalogue answers two ways: through the plug-in (a RecordSet or
// RowSet the host walks) and straight from the driver with the same ODBC
// catalogue call, so a test can hold one against the other.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <tavro_host/tavro_host.h>

namespace catalogue_test {

// Everything the host can see of a catalogue answer.
struct Answer {
  std::vector<std::string> columns;
  // Each cell as the host reads it: text values as text, booleans as
  // "true" / "false".
  std::vector<std::vector<std::string>> rows;
  // ColumnType of each cell, read while on its row.
  std::vector<std::vector<int32_t>> codes;
  int32_t recordCount = 0;
  bool rowSet = false;
};

// Walks the result set to its end. The result set must not be nil.
Answer ReadAnswer(tavro::RecordSet rows);

// The rows a driver gives for one catalogue call on a connection of its
// own: every column, NULL as nullopt, text read as UTF-16 and made UTF-8.
using DriverRows = std::vector<std::vector<std::optional<std::string>>>;
struct DriverAnswer {
  std::vector<SQLSMALLINT> types;  // the SQL type each result column is described with
  DriverRows rows;
};
DriverAnswer CallDriver(const std::string& connectionString, const std::function<SQLRETURN(SQLHSTMT)>& call);

// UTF-8 text as the UTF-16 units ODBC's wide calls take (no terminator).
std::u16string Utf16(const std::string& utf8);

// Expects one answer row per driver row, in the same order, each output
// column i holding the driver's column map[i] (NULL as the empty text;
// numbers compared by value, since the plug-in renders them itself).
void ExpectRowsOf(const Answer& answer, const DriverRows& driver, const std::vector<int>& map);

// The rows whose column `column` ends with `suffix`: a shared server's
// tables of this test process only.
DriverRows OnlyRowsEndingWith(const DriverRows& rows, std::size_t column, const std::string& suffix);
Answer OnlyRowsEndingWith(const Answer& answer, std::size_t column, const std::string& suffix);

// The cells of one output column, top to bottom.
std::vector<std::string> ColumnOf(const Answer& answer, const std::string& column);

}  // namespace catalogue_test
