#include "prepare.h"

#include <memory>
#include <string>

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "../odbc/cursor_bridge.h"
#include "../odbc/execute.h"
#include "../odbc/failure_shield.h"
#include "../odbc/host_text.h"
#include "../odbc/last_error.h"
#include "../odbc/select.h"
#include "odbc_statement.h"
#include "prepared_statement_class.h"

namespace sqelto {
namespace {

std::unique_ptr<ODBCStatement> NewStatement(ConnectionRecord* record, TavroString sql) {
  const HostBytes text(sql, TAVRO_ENCODING_UTF8);
  return std::make_unique<ODBCStatement>(record, std::string(text.view()));
}

bool HasElements(TavroArray array) { return array != nullptr && host::UBound(array) >= 0; }

// Words 9 and 26 refuse a record without a connection with code -1.
bool ConnectedForParameters(ConnectionRecord* record) {
  if (IsConnected(record)) {
    ClearLastError(record);
    return true;
  }
  SetLastError(record, kOwnFailureCode, kNotConnectedText);
  return false;
}

}  // namespace

TavroObject CreatePreparedStatement(ConnectionRecord* record, TavroString sql) {
  return NewPreparedStatementObject(NewStatement(record, sql).release());
}

TavroObject TAVRO_CALL ODBCPrepare(TavroObject database, TavroString sql) {
  auto* record = static_cast<ConnectionRecord*>(host::GetDBFromDatabase(database));
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCPrepare(", record, ", ", TraceText(sql), ")");
    if (!IsConnected(record)) {
      SetLastError(record, kNotConnectedCode, kNotConnectedText);
      return nullptr;
    }
    return CreatePreparedStatement(record, sql);
  });
}

TavroObject TAVRO_CALL ODBCPrepareStatement(TavroDatabase db, TavroString sql) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    if (!IsConnected(record)) return nullptr;
    return CreatePreparedStatement(record, sql);
  });
}

TavroObject TAVRO_CALL ODBCSelectWithParameters(TavroDatabase db, TavroString sql, TavroArray parameters) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return nullptr;
  const RecordReference running(record);
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    if (!ConnectedForParameters(record)) return nullptr;
    if (!HasElements(parameters)) return SelectAsRowSet(record, sql);
    std::unique_ptr<ODBCStatement> statement = NewStatement(record, sql);
    statement->BindValues(parameters, true);
    if (record->lastErrorCode != 0) return nullptr;
    QxCursor* cursor = statement->Select(nullptr);
    if (cursor == nullptr) return nullptr;
    TavroObject rows = HandCursorToHost(cursor, HostCursorKind::RowSet);
    if (rows == nullptr) SetLastError(record, kOwnFailureCode, kHostRefusedCursorText);
    return rows;
  });
}

void TAVRO_CALL ODBCExecuteWithParameters(TavroDatabase db, TavroString sql, TavroArray parameters) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return;
  const RecordReference running(record);
  ShieldedCall(record, [&] {
    if (!ConnectedForParameters(record)) return;
    if (!HasElements(parameters)) {
      ODBCExecute(record, sql);  // as the plain execute, its trace line included
      return;
    }
    std::unique_ptr<ODBCStatement> statement = NewStatement(record, sql);
    statement->BindValues(parameters, true);
    if (record->lastErrorCode == 0) statement->Execute(nullptr);
  });
}

}  // namespace sqelto
