#include "execute.h"

#include <cstring>

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "failure_shield.h"
#include "failure_report.h"
#include "last_error.h"
#include "odbc_api.h"
#include "query_guard.h"
#include "statement_handle.h"
#include "statement_text.h"

namespace sqelto {

int32_t odbc_execDirect(ConnectionRecord* record, const char* text, uint32_t encoding) {
  QueryGuard guard(record);
  // Refused: the statement did not run, which callers must not read as success.
  if (!guard.entered()) return SQL_ERROR;
  if (text == nullptr) text = "";
  SQELTO_TRACE(record, "ENTER odbc_execDirect(", record, ", ", text, ", ", encoding, ")");
  ClearLastError(record);

  StatementHandle statement;
  SQLRETURN rc = statement.Allocate(record->hdbc);
  if (!odbc::Succeeded(rc)) {
    ReportConnectionFailure(record, "SQLAllocHandle");
    return rc;
  }
  std::vector<odbc::Utf16Unit> wide = StatementToUtf16(text, std::strlen(text), encoding);
  rc = ExecuteDetached(record, statement.get(), wide);
  if (Executed(rc)) {
    record->rowsAffected = RowsAffectedBy(statement.get(), rc);
  } else {
    ReportStatementFailure(record, statement.get(), "SQLExecDirect");
  }
  return rc;
}

ODBCExecuteThread::ODBCExecuteThread(ConnectionRecord* record, TavroString sql)
    : record_(record), text_(sql, TAVRO_ENCODING_UTF8) {
  SQELTO_TRACE(record_, "ENTER ODBCExecuteThread(", record_, ", ", text_.data(), ")");
}

ODBCExecuteThread::~ODBCExecuteThread() { SQELTO_TRACE(record_, "ENTER ~ODBCExecuteThread"); }

int32_t ODBCExecuteThread::Run() {
  SQELTO_TRACE(record_, "ENTER ODBCExecuteThread::Run");
  ClearLastError(record_);
  // odbc_execDirect takes text up to its first NUL; what follows a NUL
  // would be dropped without a word.
  if (const auto nul = FirstNul(text_.view())) {
    SetLastError(record_, kOwnFailureCode, NulRefusalText("statement", *nul).c_str());
    return 0;
  }
  odbc_execDirect(record_, text_.data(), TAVRO_ENCODING_UTF8);
  return 0;
}

void TAVRO_CALL ODBCExecute(TavroDatabase db, TavroString sql) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return;
  const RecordReference running(record);
  ShieldedCall(record, [&] {
    SQELTO_TRACE(record, "ENTER ODBCExecute(", record, ", ", TraceText(sql), ")");
    if (!IsConnected(record)) {
      SetLastError(record, kNotConnectedCode, kNotConnectedText);
      return;
    }
    ODBCExecuteThread run(record, sql);
    run.Run();
  });
}

}  // namespace sqelto
