// Which stored procedures exist and what they take and give: the methods
// Procedures and ProcedureColumns of ODBCDatabase.
#include "catalogue_entry_points.h"

#include "catalogue_query.h"
#include "frame/trace.h"
#include "odbc/failure_shield.h"
#include "odbc/host_text.h"

namespace sqelto {
namespace {

// The SQLProcedures result.
constexpr CatalogueColumn kProcedureColumns[] = {
    {"ProcedureName", 2}, {"ProcedureType", 7}, {"NumInputParams", 3},   {"NumOutputParams", 4},
    {"NumResultSets", 5}, {"Remarks", 6},       {"ProcedureCatalog", 0}, {"ProcedureSchema", 1},
};

// The SQLProcedureColumns result.
constexpr CatalogueColumn kProcedureColumnColumns[] = {
    {"ColumnName", 3},       {"ColumnType", 4},      {"DataType", 5},      {"TypeName", 6},     {"ColumnSize", 7},
    {"ProcedureCatalog", 0}, {"ProcedureSchema", 1}, {"ProcedureName", 2}, {"BufferLength", 8}, {"DecimalDigits", 9},
    {"NumPrecRadix", 10},    {"Nullable", 11},       {"Remarks", 12},
};

}  // namespace

TavroObject TAVRO_CALL ODBCProcedures(TavroObject database) {
  ConnectionRecord* record = RecordOfDatabase(database);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCProcedures(", record, ")");
    if (!BeginQuestion(record, {})) return nullptr;
    SQLWCHAR everyName[] = {u'%', 0};
    auto call = [&](SQLHSTMT statement) { return SQLProceduresW(statement, nullptr, 0, nullptr, 0, everyName, 1); };
    return HandCatalogueToHost(record, RunCatalogueQuery(record, "SQLProcedures", call, kProcedureColumns),
                               HostCursorKind::RecordSet);
  });
}

TavroObject TAVRO_CALL ODBCProcedureColumns(TavroObject database, TavroString procedureName) {
  ConnectionRecord* record = RecordOfDatabase(database);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCProcedureColumns(", record, ", ", TraceText(procedureName), ")");
    // A search pattern, passed as given: every procedure it matches adds its
    // parameters and result columns.
    CatalogueArgument procedure(procedureName);
    if (!BeginQuestion(record, {&procedure})) return nullptr;
    // Every column: a null pattern means the same as "%" to ODBC, and unlike
    // "%" it is understood by psqlODBC, which matches "%" against nothing.
    auto call = [&](SQLHSTMT statement) {
      return SQLProcedureColumnsW(statement, nullptr, 0, nullptr, 0, procedure.text(), procedure.length(), nullptr, 0);
    };
    return HandCatalogueToHost(record, RunCatalogueQuery(record, "SQLProcedureColumns", call, kProcedureColumnColumns),
                               HostCursorKind::RecordSet);
  });
}

}  // namespace sqelto
