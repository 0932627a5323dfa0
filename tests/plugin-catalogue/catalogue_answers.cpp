#include "catalogue_answers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "odbc_test_support.hpp"

namespace catalogue_test {
namespace {

std::string CellText(const tavro::Value& value) {
  switch (value.kind()) {
    case tavro::Value::Kind::Boolean: return value.asBoolean() ? "true" : "false";
    case tavro::Value::Kind::Text: return value.asText();
    default:
      ADD_FAILURE() << "a catalogue value of kind " << tavro::kindName(value.kind()) << " (column type "
                    << value.columnType << ")";
      return value.toString();
  }
}

// Whole text as a number, when it is one.
std::optional<double> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

bool SameCell(const std::string& plugin, const std::string& driver) {
  if (plugin == driver) return true;
  const std::optional<double> a = Number(plugin), b = Number(driver);
  return a && b && *a == *b;
}

std::string FromUtf16(const std::u16string& units) {
  const std::string bytes(reinterpret_cast<const char*>(units.data()), units.size() * 2);
  std::string utf8;
  if (!tavro::convertText(bytes, tavro::Encoding::Utf16, tavro::Encoding::Utf8, utf8))
    throw std::runtime_error("the driver's text is no valid UTF-16");
  return utf8;
}

}  // namespace

Answer ReadAnswer(tavro::RecordSet rows) {
  Answer answer;
  if (rows.isNull()) throw std::runtime_error("no result set");
  answer.rowSet = rows.isRowSet();
  answer.recordCount = rows.recordCount();
  const int32_t count = rows.columnCount();
  for (int32_t i = 0; i < count; ++i) answer.columns.push_back(rows.columnName(i));
  while (rows.next()) {
    std::vector<std::string> texts;
    std::vector<int32_t> codes;
    for (int32_t i = 0; i < count; ++i) {
      codes.push_back(rows.columnType(i));
      texts.push_back(CellText(rows.value(i)));
    }
    answer.rows.push_back(std::move(texts));
    answer.codes.push_back(std::move(codes));
  }
  return answer;
}

std::u16string Utf16(const std::string& utf8) {
  std::string bytes;
  if (!tavro::convertText(utf8, tavro::Encoding::Utf8, tavro::Encoding::Utf16, bytes))
    throw std::runtime_error("no valid UTF-8: " + utf8);
  return std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
}

DriverAnswer CallDriver(const std::string& connectionString, const std::function<SQLRETURN(SQLHSTMT)>& call) {
  // psqlODBC reports the wide SQL types on a connection that has used a
  // wide call, as the plug-in's has (it reads the DBMS name with one).
  odbc_env::Connection connection(connectionString);
  odbc_env::Handle statement(SQL_HANDLE_STMT, connection.get());
  const SQLRETURN rc = call(statement.get());
  if (!odbc_env::succeeded(rc)) throw std::runtime_error("catalogue call refused: " + statement.diagnostic());
  SQLSMALLINT columns = 0;
  SQLNumResultCols(statement.get(), &columns);
  DriverAnswer answer;
  for (SQLUSMALLINT column = 1; column <= columns; ++column) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    if (!odbc_env::succeeded(
            SQLDescribeColW(statement.get(), column, name, 256, &nameLength, &type, &size, &digits, &nullable)))
      throw std::runtime_error("SQLDescribeColW: " + statement.diagnostic());
    answer.types.push_back(type);
  }
  DriverRows& rows = answer.rows;
  while (odbc_env::succeeded(SQLFetch(statement.get()))) {
    std::vector<std::optional<std::string>> row;
    for (SQLUSMALLINT column = 1; column <= columns; ++column) {
      std::u16string text;
      bool null = false;
      for (;;) {
        char16_t piece[1024] = {};
        SQLLEN indicator = 0;
        const SQLRETURN got = SQLGetData(statement.get(), column, SQL_C_WCHAR, piece, sizeof piece, &indicator);
        if (got == SQL_NO_DATA) break;
        if (!odbc_env::succeeded(got)) throw std::runtime_error("SQLGetData: " + statement.diagnostic());
        if (indicator == SQL_NULL_DATA) {
          null = true;
          break;
        }
        text += piece;
        if (got == SQL_SUCCESS) break;
      }
      row.push_back(null ? std::nullopt : std::optional<std::string>(FromUtf16(text)));
    }
    rows.push_back(std::move(row));
  }
  return answer;
}

void ExpectRowsOf(const Answer& answer, const DriverRows& driver, const std::vector<int>& map) {
  ASSERT_EQ(answer.columns.size(), map.size());
  ASSERT_EQ(answer.rows.size(), driver.size()) << "one row per driver row";
  for (std::size_t r = 0; r < driver.size(); ++r) {
    for (std::size_t i = 0; i < map.size(); ++i) {
      const auto column = static_cast<std::size_t>(map[i]);
      const std::string expected =
          column < driver[r].size() && driver[r][column].has_value() ? *driver[r][column] : std::string();
      EXPECT_TRUE(SameCell(answer.rows[r][i], expected))
          << "row " << r << " column \"" << answer.columns[i] << "\": plug-in \"" << answer.rows[r][i]
          << "\", driver \"" << expected << "\"";
    }
  }
}

DriverRows OnlyRowsEndingWith(const DriverRows& rows, std::size_t column, const std::string& suffix) {
  DriverRows kept;
  for (const auto& row : rows) {
    const std::string text = column < row.size() && row[column] ? *row[column] : std::string();
    if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
      kept.push_back(row);
  }
  return kept;
}

Answer OnlyRowsEndingWith(const Answer& answer, std::size_t column, const std::string& suffix) {
  Answer kept = answer;
  kept.rows.clear();
  kept.codes.clear();
  for (std::size_t r = 0; r < answer.rows.size(); ++r) {
    const std::string& text = answer.rows[r][column];
    if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
      kept.rows.push_back(answer.rows[r]);
      kept.codes.push_back(answer.codes[r]);
    }
  }
  return kept;
}

std::vector<std::string> ColumnOf(const Answer& answer, const std::string& column) {
  const auto at = std::find(answer.columns.begin(), answer.columns.end(), column);
  if (at == answer.columns.end()) throw std::runtime_error("no column " + column);
  const auto index = static_cast<std::size_t>(at - answer.columns.begin());
  std::vector<std::string> cells;
  for (const auto& row : answer.rows) cells.push_back(row[index]);
  return cells;
}

}  // namespace catalogue_test
