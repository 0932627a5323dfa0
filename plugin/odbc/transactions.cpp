#include "transactions.h"

#include "../frame/trace.h"
#include "connection_record.h"
#include "failure_report.h"
#include "failure_shield.h"
#include "last_error.h"
#include "odbc_api.h"

namespace sqelto {
namespace {

void EndTransaction(ConnectionRecord* record, SQLSMALLINT completion) {
  if (!IsConnected(record)) {
    SetLastError(record, kNotConnectedCode, kNotConnectedText);
    return;
  }
  ClearLastError(record);
  if (!odbc::Succeeded(SQLEndTran(SQL_HANDLE_DBC, record->hdbc, completion))) ReportConnectionFailure(record, "SQLEndTran");
}

}  // namespace

void TAVRO_CALL ODBCCommit(TavroDatabase db) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return;
  ShieldedCall(record, [&] {
    SQELTO_TRACE(record, "ENTER ODBCCommit(", record, ")");
    EndTransaction(record, SQL_COMMIT);
  });
}

void TAVRO_CALL ODBCRollback(TavroDatabase db) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return;
  ShieldedCall(record, [&] {
    SQELTO_TRACE(record, "ENTER ODBCRollback(", record, ")");
    EndTransaction(record, SQL_ROLLBACK);
  });
}

}  // namespace sqelto
