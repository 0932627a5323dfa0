// Who may do what with a table or its columns: the methods TablePrivileges
// and ColumnPrivileges of ODBCDatabase. Each driver row is one row.
#include "catalogue_entry_points.h"

#include "catalogue_query.h"
#include "frame/trace.h"
#include "odbc/failure_shield.h"
#include "odbc/host_text.h"

namespace sqelto {
namespace {

// The SQLTablePrivileges result.
constexpr CatalogueColumn kTablePrivilegeColumns[] = {
    {"TableName", 2},   {"Grantor", 3},      {"Grantee", 4},     {"Privilege", 5},
    {"IsGrantable", 6}, {"TableCatalog", 0}, {"TableSchema", 1},
};

// The SQLColumnPrivileges result.
constexpr CatalogueColumn kColumnPrivilegeColumns[] = {
    {"ColumnName", 3},  {"Grantor", 4},   {"Grantee", 5},      {"Privilege", 6},
    {"IsGrantable", 7}, {"TableName", 2}, {"TableCatalog", 0}, {"TableSchema", 1},
};

}  // namespace

TavroObject TAVRO_CALL ODBCTablePrivileges(TavroObject database, TavroString tableName) {
  ConnectionRecord* record = RecordOfDatabase(database);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCTablePrivileges(", record, ", ", TraceText(tableName), ")");
    CatalogueArgument table(tableName);
    if (!BeginQuestion(record, {&table})) return nullptr;
    auto call = [&](SQLHSTMT statement) {
      return SQLTablePrivilegesW(statement, nullptr, 0, nullptr, 0, table.text(), table.length());
    };
    return HandCatalogueToHost(record, RunCatalogueQuery(record, "SQLTablePrivileges", call, kTablePrivilegeColumns),
                               HostCursorKind::RecordSet);
  });
}

TavroObject TAVRO_CALL ODBCColumnPrivileges(TavroObject database, TavroString tableName, TavroString columnName) {
  ConnectionRecord* record = RecordOfDatabase(database);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCColumnPrivileges(", record, ", ", TraceText(tableName), ", ", TraceText(columnName),
                 ")");
    CatalogueArgument table(tableName);
    // An absent column name is a null pattern, which matches every column.
    CatalogueArgument column(columnName);
    if (!BeginQuestion(record, {&table}, {&column})) return nullptr;
    auto call = [&](SQLHSTMT statement) {
      return SQLColumnPrivilegesW(statement, nullptr, 0, nullptr, 0, table.text(), table.length(), column.text(),
                                  column.length());
    };
    return HandCatalogueToHost(record, RunCatalogueQuery(record, "SQLColumnPrivileges", call, kColumnPrivilegeColumns),
                               HostCursorKind::RecordSet);
  });
}

}  // namespace sqelto
