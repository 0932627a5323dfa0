// The primary-key and column catalogue calls as plug-in code uses them: the
// field schema marks key columns with the first, cursor editing finds the
// columns that identify a row with both. Their answers stay in the plug-in.
#pragma once

#include <memory>

#include "in_memory_cursor.h"
#include "odbc/connection_record.h"
#include "odbc/odbc_api.h"

namespace sqelto {

// Columns "KeyName", "TableName", "ColumnName", "KeySeq", "TableCatalog",
// "TableSchema" (SQLPrimaryKeys). Null for a null table text or when the
// driver refuses (its diagnostic is then the last error, which is not
// cleared first).
std::unique_ptr<InMemoryCursor> odbc_primary_keys(ConnectionRecord* record, SQLWCHAR* table, SQLSMALLINT length);

// Columns "TableName", "ColumnName", "DataType" (SQLColumns), likewise.
std::unique_ptr<InMemoryCursor> odbc_columns(ConnectionRecord* record, SQLWCHAR* table, SQLSMALLINT length);

}  // namespace sqelto
