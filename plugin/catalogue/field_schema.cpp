// Engine word 4: the fields of a table, with key and not-null marks and the
// host column type of each.
#include "catalogue_entry_points.h"

#include <string>
#include <string_view>
#include <vector>

#include "catalogue_query.h"
#include "frame/trace.h"
#include "odbc/failure_shield.h"
#include "odbc/host_text.h"
#include "key_routines.h"
#include "odbc/ascii_case.h"
#include "odbc/last_error.h"
#include "sql_type_mapping.h"

namespace sqelto {
namespace {

constexpr int32_t kNoDriverColumn = -1;
// The SQLColumns result: COLUMN_NAME 3, DATA_TYPE 4, COLUMN_SIZE 6, NULLABLE 10.
constexpr CatalogueColumn kFieldColumns[] = {
    {"ColumnName", 3},    {"FieldType", 4},    {"IsPrimary", kNoDriverColumn},
    {"NotNull", 10},      {"Length", 6},       {"DataType", 4},
    {"TypeName", 5},      {"TableCatalog", 0}, {"TableSchema", 1},
    {"TableName", 2},     {"ColumnSize", 6},   {"BufferLength", 7},
    {"DecimalDigits", 8}, {"NumPrecRadix", 9}, {"Nullable", 10},
    {"Remarks", 11},
};
constexpr std::size_t kPlainFieldColumns = 5;
enum FieldColumn { kColumnName, kFieldType, kIsPrimary, kNotNull, kFirstDriverText };

// The table's key column names. A key query that fails only leaves every
// field unmarked: its error is cleared.
std::vector<std::string> PrimaryKeyNames(ConnectionRecord* record, CatalogueArgument& table) {
  std::vector<std::string> names;
  std::unique_ptr<InMemoryCursor> keys = odbc_primary_keys(record, table.text(), table.length());
  ClearLastError(record);
  if (!keys) return names;
  constexpr int32_t kKeyColumnName = 2;
  while (keys->NextRecord()) {
    if (const CatalogueCell* cell = keys->CurrentCell(kKeyColumnName)) names.push_back(cell->text);
  }
  return names;
}

CatalogueCell BooleanCell(bool value) { return {value ? "true" : "false", TAVRO_COLUMN_BOOLEAN}; }

}  // namespace

TavroObject TAVRO_CALL ODBCGetFieldSchema(TavroDatabase db, TavroString tableName) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCGetFieldSchema(", record, ", ", TraceText(tableName), ")");
    CatalogueArgument table(tableName);
    if (!BeginQuestion(record, {&table})) return nullptr;

    const std::vector<std::string> keyNames = PrimaryKeyNames(record, table);
    std::unique_ptr<ODBCCursor> source = RunCatalogueCall(record, "SQLColumns", [&](SQLHSTMT statement) {
      return SQLColumnsW(statement, nullptr, 0, nullptr, 0, table.text(), table.length(), nullptr, 0);
    });
    if (!source) return nullptr;

    const std::span<const CatalogueColumn> columns = SchemaColumns(record, kFieldColumns, kPlainFieldColumns);
    std::vector<std::string> names;
    for (const CatalogueColumn& column : columns) names.emplace_back(column.name);
    auto fields = std::make_unique<InMemoryCursor>(std::move(names));
    std::vector<int32_t> read;
    for (const CatalogueColumn& column : columns) read.push_back(column.driverColumn);
    source->ReadOnlyColumns(read);
    while (source->NextRecord()) {
      CatalogueRow row(columns.size());
      const int32_t nameColumn = columns[kColumnName].driverColumn;
      row[kColumnName] = {DriverCellText(*source, nameColumn), source->ColumnType(nameColumn)};
      const int32_t dataType = DecimalTextValue(DriverCellText(*source, columns[kFieldType].driverColumn));
      row[kFieldType] = {std::to_string(HostTypeOfSqlType(dataType)), TAVRO_COLUMN_SMALLINT};
      bool primary = false;
      for (const std::string& key : keyNames) primary = primary || EqualIgnoringAsciiCase(key, row[kColumnName].text);
      row[kIsPrimary] = BooleanCell(primary);
      row[kNotNull] = BooleanCell(DriverCellText(*source, columns[kNotNull].driverColumn) == "0");
      for (std::size_t i = kFirstDriverText; i < columns.size(); ++i) {
        const int32_t driverColumn = columns[i].driverColumn;
        row[i] = {DriverCellText(*source, driverColumn), source->ColumnType(driverColumn)};
      }
      fields->AppendRow(std::move(row));
    }
    source.reset();  // the statement ends before the host sees the answer
    return HandCatalogueToHost(record, std::move(fields), HostCursorKind::RecordSet);
  });
}

}  // namespace sqelto
