#include "catalogue_paths.hpp"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include <tavro_host/tavro_host.h>

#include "odbc_session.hpp"
#include "utf_conversion.hpp"

namespace odbc_bench {

void CatalogueTotals::addName(const char* bytes, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    nameHash = (nameHash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ull;
  nameHash = (nameHash ^ 0xFF) * 1099511628211ull;  // a separator, so "ab","c" differs from "a","bc"
}

namespace {

SQLWCHAR* wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

// Bound wide-character columns of a catalogue result, each converted to
// UTF-8 after every fetch, as a program copying the answer would.
class BoundCells {
public:
  BoundCells(SQLHSTMT stmt, std::initializer_list<SQLUSMALLINT> columns) : stmt_(stmt) {
    cells_.resize(columns.size());
    std::size_t i = 0;
    for (SQLUSMALLINT column : columns) cells_[i++].number = column;
    for (Cell& cell : cells_)
      if (!succeeded(SQLBindCol(stmt_, cell.number, SQL_C_WCHAR, cell.units, sizeof cell.units, &cell.indicator)))
        throwDiagnostic("SQLBindCol", SQL_HANDLE_STMT, stmt_);
  }
  bool next() {
    const SQLRETURN rc = SQLFetch(stmt_);
    if (rc == SQL_NO_DATA) return false;
    if (!succeeded(rc)) throwDiagnostic("SQLFetch", SQL_HANDLE_STMT, stmt_);
    for (Cell& cell : cells_) {
      const std::size_t units =
          cell.indicator > 0 ? std::min<std::size_t>(std::size_t(cell.indicator) / 2, kUnits - 1) : 0;
      cell.utf8.resize(units * 3);
      cell.utf8.resize(utf16ToUtf8(cell.units, units, cell.utf8.data(), cell.utf8.size()));
    }
    return true;
  }
  const std::string& text(std::size_t i) const { return cells_[i].utf8; }

private:
  static constexpr std::size_t kUnits = 256;
  struct Cell {
    SQLUSMALLINT number = 0;
    char16_t units[kUnits] = {};
    SQLLEN indicator = 0;
    std::string utf8;
  };
  SQLHSTMT stmt_;
  std::vector<Cell> cells_;
};

class RawPath final : public CataloguePath {
public:
  explicit RawPath(const std::string& connectionString) : connection_(connectionString) {}

  CatalogueTotals fieldSchema(const std::string& table) override {
    CatalogueTotals totals;
    std::u16string name = utf8ToUtf16(table);
    std::vector<std::string> keys;
    {
      Statement stmt(connection_.get());
      if (!succeeded(SQLPrimaryKeysW(stmt.get(), nullptr, 0, nullptr, 0, wide(name), SQLSMALLINT(name.size()))))
        stmt.fail("SQLPrimaryKeysW");
      BoundCells cells(stmt.get(), {4});  // COLUMN_NAME
      while (cells.next()) keys.push_back(cells.text(0));
    }
    Statement stmt(connection_.get());
    if (!succeeded(SQLColumnsW(stmt.get(), nullptr, 0, nullptr, 0, wide(name), SQLSMALLINT(name.size()), nullptr, 0)))
      stmt.fail("SQLColumnsW");
    BoundCells cells(stmt.get(), {4, 5, 11, 7});  // COLUMN_NAME, DATA_TYPE, NULLABLE, COLUMN_SIZE
    while (cells.next()) {
      ++totals.rows;
      totals.addName(cells.text(0).data(), cells.text(0).size());
    }
    return totals;
  }

  CatalogueTotals tableSchema() override {
    CatalogueTotals totals;
    std::u16string types = u"'TABLE'";
    Statement stmt(connection_.get());
    if (!succeeded(SQLTablesW(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, wide(types), SQLSMALLINT(types.size()))))
      stmt.fail("SQLTablesW");
    BoundCells cells(stmt.get(), {3});  // TABLE_NAME
    while (cells.next()) {
      ++totals.rows;
      totals.addName(cells.text(0).data(), cells.text(0).size());
    }
    return totals;
  }

private:
  Connection connection_;
};

class PluginPath final : public CataloguePath {
public:
  explicit PluginPath(const std::string& connectionString) {
    tavro::useUtf8Locale();
    host_.load(SQELTO_PLUGIN_PATH);
    object_ = host_.createInstance("ODBCDatabase");
    host_.setProperty(object_, "DataSource", tavro::Value(connectionString));
    db_.emplace(host_, object_);
    if (!host_.call<bool>(object_, "Connect"))
      throw std::runtime_error("plug-in connect failed: " + db_->lastErrorString());
    cString_ = reinterpret_cast<TavroStringGetCStringFn>(tavro::Host::resolver()("StringGetCString"));
    if (cString_ == nullptr) throw std::runtime_error("the host serves no StringGetCString");
  }

  CatalogueTotals fieldSchema(const std::string& table) override { return walk(db_->fieldSchema(table)); }
  CatalogueTotals tableSchema() override { return walk(db_->tableSchema()); }

private:
  // Every value of every row read as the host reads it, the first column's
  // text (the name) folded into the totals.
  CatalogueTotals walk(tavro::RecordSet rows) {
    if (rows.isNull()) throw std::runtime_error("the plug-in answered nothing: " + db_->lastErrorString());
    CatalogueTotals totals;
    const TavroCursorRecord* words = rows.cursorRecord();
    TavroCursorHandle* handle = rows.handle();
    tavro::Host::CallScope scope(host_);
    const int32_t columns = words->columnCount(handle);
    while (words->nextRecord(handle)) {
      ++totals.rows;
      for (int32_t column = 0; column < columns; ++column) {
        void* value = nullptr;
        uint8_t type = 0;
        int32_t length = 0;
        words->columnValue(handle, column, &value, &type, &length);
        if (type != TAVRO_COLUMN_HOST_STRING) continue;  // the booleans of the field schema
        const TavroString text = *static_cast<const TavroString*>(value);
        const char* utf8 = text != nullptr ? cString_(text) : "";
        if (column == 0) totals.addName(utf8, std::strlen(utf8));
      }
    }
    scope.finish();
    return totals;
  }

  tavro::Host host_;
  tavro::Object object_;
  std::optional<tavro::Database> db_;
  TavroStringGetCStringFn cString_ = nullptr;
};

}  // namespace

std::unique_ptr<CataloguePath> rawCataloguePath(const std::string& connectionString) {
  return std::make_unique<RawPath>(connectionString);
}

std::unique_ptr<CataloguePath> pluginCataloguePath(const std::string& connectionString) {
  return std::make_unique<PluginPath>(connectionString);
}

}  // namespace odbc_bench
