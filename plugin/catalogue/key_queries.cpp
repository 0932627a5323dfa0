// How the rows of a table are identified and linked: the index schema
// (engine word 12) and the methods PrimaryKeys, ForeignKeys and
// SpecialColumns of ODBCDatabase.
#include "catalogue_entry_points.h"

#include "catalogue_query.h"
#include "frame/trace.h"
#include "odbc/failure_shield.h"
#include "odbc/host_text.h"
#include "key_routines.h"

namespace sqelto {
namespace {

// The SQLStatistics result.
constexpr CatalogueColumn kIndexColumns[] = {
    {"IndexName", 5},       {"TableName", 2},  {"NonUnique", 3},        {"IndexQualifier", 4}, {"Type", 6},
    {"OrdinalPosition", 7}, {"ColumnName", 8}, {"TableCatalog", 0},     {"TableSchema", 1},    {"AscOrDesc", 9},
    {"Cardinality", 10},    {"Pages", 11},     {"FilterCondition", 12},
};
constexpr std::size_t kPlainIndexColumns = 1;

// The SQLForeignKeys result.
constexpr CatalogueColumn kForeignKeyColumns[] = {
    {"PrimaryKeyTableName", 2},
    {"PrimaryKeyColumnName", 3},
    {"PrimaryKeyName", 12},
    {"ForeignKeyTableName", 6},
    {"ForeignKeyColumnName", 7},
    {"ForeignKeyName", 11},
    {"KeySeq", 8},
    {"PrimaryKeyTableCatalog", 0},
    {"PrimaryKeyTableSchema", 1},
    {"ForeignKeyTableCatalog", 4},
    {"ForeignKeyTableSchema", 5},
    {"UpdateRule", 9},
    {"DeleteRule", 10},
};

// The SQLSpecialColumns result.
constexpr CatalogueColumn kSpecialColumns[] = {
    {"Scope", 0},      {"ColumnName", 1},   {"DataType", 2},      {"TypeName", 3},
    {"ColumnSize", 4}, {"BufferLength", 5}, {"DecimalDigits", 6}, {"PseudoColumn", 7},
};

// The driver takes the low 16 bits of the integer arguments.
SQLUSMALLINT Low16(int32_t value) { return static_cast<SQLUSMALLINT>(static_cast<uint32_t>(value) & 0xFFFF); }

}  // namespace

TavroObject TAVRO_CALL ODBCGetIndexSchema(TavroDatabase db, TavroString tableName) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCGetIndexSchema(", record, ", ", TraceText(tableName), ")");
    CatalogueArgument table(tableName);
    if (!BeginQuestion(record, {&table})) return nullptr;
    auto call = [&](SQLHSTMT statement) {
      return SQLStatisticsW(statement, nullptr, 0, nullptr, 0, table.text(), table.length(), SQL_INDEX_UNIQUE,
                            SQL_QUICK);
    };
    return HandCatalogueToHost(
        record,
        RunCatalogueQuery(record, "SQLStatistics", call, SchemaColumns(record, kIndexColumns, kPlainIndexColumns)),
        HostCursorKind::RecordSet);
  });
}

TavroObject TAVRO_CALL ODBCPrimaryKeys(TavroObject database, TavroString tableName) {
  ConnectionRecord* record = RecordOfDatabase(database);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCPrimaryKeys(", record, ", ", TraceText(tableName), ")");
    CatalogueArgument table(tableName);
    if (!BeginQuestion(record, {&table})) return nullptr;
    return HandCatalogueToHost(record, odbc_primary_keys(record, table.text(), table.length()),
                               HostCursorKind::RecordSet);
  });
}

TavroObject TAVRO_CALL ODBCForeignKeys(TavroObject database, TavroString primaryTableName,
                                       TavroString foreignTableName) {
  ConnectionRecord* record = RecordOfDatabase(database);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCForeignKeys(", record, ", ", TraceText(primaryTableName), ", ",
                 TraceText(foreignTableName), ")");
    CatalogueArgument primaryTable(primaryTableName);
    CatalogueArgument foreignTable(foreignTableName);
    if (!BeginQuestion(record, {}, {&primaryTable, &foreignTable})) return nullptr;
    // One of the two may be left out (absent or empty: a host program cannot
    // tell them apart) to ask for every key on the other side.
    auto text = [](CatalogueArgument& name) { return name.empty() ? nullptr : name.text(); };
    auto call = [&](SQLHSTMT statement) {
      return SQLForeignKeysW(statement, nullptr, 0, nullptr, 0, text(primaryTable), primaryTable.length(), nullptr, 0,
                             nullptr, 0, text(foreignTable), foreignTable.length());
    };
    return HandCatalogueToHost(record, RunCatalogueQuery(record, "SQLForeignKeys", call, kForeignKeyColumns),
                               HostCursorKind::RecordSet);
  });
}

TavroObject TAVRO_CALL ODBCSpecialColumns(TavroObject database, int32_t identifierType, TavroString tableName,
                                          int32_t scope, int32_t nullable) {
  ConnectionRecord* record = RecordOfDatabase(database);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCSpecialColumns(", record, ", ", TraceText(tableName), ")");
    CatalogueArgument table(tableName);
    if (!BeginQuestion(record, {&table})) return nullptr;
    auto call = [&](SQLHSTMT statement) {
      return SQLSpecialColumnsW(statement, Low16(identifierType), nullptr, 0, nullptr, 0, table.text(), table.length(),
                                Low16(scope), Low16(nullable));
    };
    return HandCatalogueToHost(record, RunCatalogueQuery(record, "SQLSpecialColumns", call, kSpecialColumns),
                               HostCursorKind::RecordSet);
  });
}

}  // namespace sqelto
