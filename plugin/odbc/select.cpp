#include "select.h"

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "failure_shield.h"
#include "failure_report.h"
#include "last_error.h"
#include "odbc_api.h"
#include "odbc_cursor.h"
#include "query_guard.h"
#include "statement_handle.h"
#include "statement_text.h"

namespace sqelto {
namespace {

// Asks for a cursor that can move backwards. Some drivers (psqlODBC) refuse
// the scrollable attribute but scroll with a static cursor; without this
// fallback their cursors would silently stay forward-only.
void MakeScrollable(SQLHSTMT statement) {
  if (odbc::Succeeded(SQLSetStmtAttr(statement, SQL_ATTR_CURSOR_SCROLLABLE,
                                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_SCROLLABLE)), 0)))
    return;
  SQLSetStmtAttr(statement, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_CURSOR_STATIC)),
                 0);
}

}  // namespace

ODBCSelectThread::ODBCSelectThread(ConnectionRecord* record, TavroString sql, HostCursorKind kind)
    : record_(record), text_(sql, TAVRO_ENCODING_UTF8), kind_(kind) {
  SQELTO_TRACE(record_, "ENTER ODBCSelectThread(", record_, ", ", text_.data(), ")");
}

ODBCSelectThread::~ODBCSelectThread() { SQELTO_TRACE(record_, "ENTER ~ODBCSelectThread"); }

void ODBCSelectThread::Run() {
  QueryGuard guard(record_);
  if (!guard.entered()) return;
  SQELTO_TRACE(record_, "ENTER ODBCSelectThread::Run");
  ClearLastError(record_);
  if (const auto nul = FirstNul(text_.view())) {
    SetLastError(record_, kOwnFailureCode, NulRefusalText("statement", *nul).c_str());
    return;
  }

  StatementHandle statement;
  if (!odbc::Succeeded(statement.Allocate(record_->hdbc))) {
    ReportConnectionFailure(record_, "SQLAllocHandle");
    return;
  }
  if (record_->scrollableCursor) MakeScrollable(statement.get());
  ApplyQueryTimeout(record_, statement.get());

  std::vector<odbc::Utf16Unit> wide = StatementToUtf16(text_.data(), text_.size(), TAVRO_ENCODING_UTF8);
  const SQLRETURN rc = ExecuteDetached(record_, statement.get(), wide);
  if (!Executed(rc)) {
    ReportStatementFailure(record_, statement.get(), "SQLExecDirect");
    return;
  }
  record_->rowsAffected = RowsAffectedBy(statement.get(), rc);

  auto* cursor = new ODBCCursor(record_, statement.get(), std::string(text_.view()));
  statement.release();  // the cursor's now; until it was made, ours to free
  record_->currentCursor = cursor;
  result_ = HandCursorToHost(cursor, kind_);
  if (result_ == nullptr) {
    // The cursor was deleted with its handle (which cleared currentCursor).
    SetLastError(record_, kOwnFailureCode, kHostRefusedCursorText);
  }
}

TavroObject TAVRO_CALL ODBCPerformSelect(TavroDatabase db, TavroString sql) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return nullptr;
  const RecordReference running(record);
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCPerformSelect(", record, ", ", TraceText(sql), ")");
    if (!IsConnected(record)) {
      SetLastError(record, kNotConnectedCode, kNotConnectedText);
      return nullptr;
    }
    ODBCSelectThread run(record, sql, HostCursorKind::RecordSet);
    run.Run();
    return run.result();
  });
}

TavroObject SelectAsRowSet(ConnectionRecord* record, TavroString sql) {
  ODBCSelectThread run(record, sql, HostCursorKind::RowSet);
  run.Run();
  return run.result();
}

}  // namespace sqelto
