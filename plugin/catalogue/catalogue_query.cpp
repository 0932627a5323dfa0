#include "catalogue_query.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "frame/host_api.h"
#include "odbc/failure_report.h"
#include "odbc/last_error.h"
#include "odbc/select.h"
#include "odbc/statement_handle.h"

namespace sqelto {

std::unique_ptr<ODBCCursor> RunCatalogueCall(ConnectionRecord* record, const char* callName,
                                             const CatalogueCall& call) {
  StatementHandle statement;  // freed on every way out until the cursor takes it
  if (!odbc::Succeeded(statement.Allocate(record->hdbc))) {
    ReportConnectionFailure(record, "SQLAllocHandle");
    return nullptr;
  }
  if (!odbc::Succeeded(call(statement.get()))) {
    ReportStatementFailure(record, statement.get(), callName);
    return nullptr;
  }
  auto cursor = std::make_unique<ODBCCursor>(record, statement.get(), std::string());
  statement.release();  // the cursor's now; until it was made, ours to free
  return cursor;
}

std::string DriverCellText(ODBCCursor& cursor, int32_t driverColumn) {
  int32_t length = 0;
  bool owned = false;
  char* bytes = cursor.ColumnValueAsString(driverColumn, &length, &owned);
  if (bytes == nullptr) return {};
  // Rendered values are NUL-terminated; raw ones (binary) end at their length.
  const std::size_t limit = length > 0 ? static_cast<std::size_t>(length) : 0;
  std::string text(
      bytes, owned ? std::strlen(bytes) : static_cast<std::size_t>(std::find(bytes, bytes + limit, '\0') - bytes));
  if (owned) delete[] bytes;
  return text;
}

std::unique_ptr<InMemoryCursor> CopyCatalogueRows(ODBCCursor& source, std::span<const CatalogueColumn> columns) {
  std::vector<std::string> names;
  names.reserve(columns.size());
  for (const CatalogueColumn& column : columns) names.emplace_back(column.name);
  auto copy = std::make_unique<InMemoryCursor>(std::move(names));
  std::vector<int32_t> read;
  for (const CatalogueColumn& column : columns) read.push_back(column.driverColumn);
  source.ReadOnlyColumns(read);
  while (source.NextRecord()) {
    CatalogueRow row;
    row.reserve(columns.size());
    for (const CatalogueColumn& column : columns)
      row.push_back(CatalogueCell{DriverCellText(source, column.driverColumn), TAVRO_COLUMN_HOST_STRING});
    copy->AppendRow(std::move(row));
  }
  return copy;
}

std::unique_ptr<InMemoryCursor> RunCatalogueQuery(ConnectionRecord* record, const char* callName,
                                                  const CatalogueCall& call, std::span<const CatalogueColumn> columns) {
  std::unique_ptr<ODBCCursor> source = RunCatalogueCall(record, callName, call);
  if (!source) return nullptr;
  return CopyCatalogueRows(*source, columns);
}

std::span<const CatalogueColumn> SchemaColumns(const ConnectionRecord* record,
                                               std::span<const CatalogueColumn> extended, std::size_t plainCount) {
  return record->extendedSchema != 0 ? extended : extended.first(plainCount);
}

TavroObject HandCatalogueToHost(ConnectionRecord* record, std::unique_ptr<InMemoryCursor> cursor, HostCursorKind kind) {
  if (!cursor) return nullptr;
  TavroObject result = HandCursorToHost(cursor.release(), kind);
  if (result == nullptr) SetLastError(record, kOwnFailureCode, kHostRefusedCursorText);
  return result;
}

ConnectionRecord* RecordOfDatabase(TavroObject database) {
  return static_cast<ConnectionRecord*>(host::GetDBFromDatabase(database));
}

bool RequireConnection(ConnectionRecord* record) {
  if (IsConnected(record)) return true;
  SetLastError(record, kNotConnectedCode, kNotConnectedText);
  return false;
}

bool BeginQuestion(ConnectionRecord* record, std::initializer_list<const CatalogueArgument*> required,
                   std::initializer_list<const CatalogueArgument*> optional) {
  if (!RequireConnection(record)) return false;
  for (const CatalogueArgument* argument : required)
    if (argument->absent()) return false;
  ClearLastError(record);
  for (const auto& arguments : {required, optional}) {
    for (const CatalogueArgument* argument : arguments) {
      if (argument->problem() != nullptr) {
        SetLastError(record, kOwnFailureCode, argument->problem());
        return false;
      }
    }
  }
  return true;
}

}  // namespace sqelto
