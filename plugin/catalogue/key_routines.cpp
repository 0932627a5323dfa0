#include "key_routines.h"

#include "catalogue_query.h"
#include "frame/trace.h"

namespace sqelto {
namespace {

constexpr CatalogueColumn kPrimaryKeyColumns[] = {
    {"KeyName", 5}, {"TableName", 2}, {"ColumnName", 3}, {"KeySeq", 4}, {"TableCatalog", 0}, {"TableSchema", 1},
};

constexpr CatalogueColumn kColumnColumns[] = {{"TableName", 2}, {"ColumnName", 3}, {"DataType", 4}};

}  // namespace

std::unique_ptr<InMemoryCursor> odbc_primary_keys(ConnectionRecord* record, SQLWCHAR* table, SQLSMALLINT length) {
  SQELTO_TRACE(record, "ENTER odbc_primary_keys(", record, ", ", static_cast<const void*>(table), ", ", length, ")");
  if (!RequireConnection(record) || table == nullptr) return nullptr;
  auto call = [&](SQLHSTMT statement) { return SQLPrimaryKeysW(statement, nullptr, 0, nullptr, 0, table, length); };
  return RunCatalogueQuery(record, "SQLPrimaryKeys", call, kPrimaryKeyColumns);
}

std::unique_ptr<InMemoryCursor> odbc_columns(ConnectionRecord* record, SQLWCHAR* table, SQLSMALLINT length) {
  SQELTO_TRACE(record, "ENTER odbc_columns(", record, ", ", static_cast<const void*>(table), ", ", length, ")");
  if (!RequireConnection(record) || table == nullptr) return nullptr;
  auto call = [&](SQLHSTMT statement) {
    return SQLColumnsW(statement, nullptr, 0, nullptr, 0, table, length, nullptr, 0);
  };
  return RunCatalogueQuery(record, "SQLColumns", call, kColumnColumns);
}

}  // namespace sqelto
