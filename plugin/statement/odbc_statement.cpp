#include "odbc_statement.h"

#include <cstdio>
#include <optional>

#include "../frame/host_api.h"
#include "../odbc/last_error.h"
#include "../odbc/failure_report.h"
#include "../odbc/query_guard.h"
#include "../odbc/running_statements.h"
#include "../odbc/statement_handle.h"
#include "../odbc/statement_text.h"
#include "bind_types.h"
#include "prepared_cursor.h"
#include "run_ending.h"
#include "variant_bind_type.h"

namespace sqelto {
namespace {

bool HasElements(TavroArray array) { return array != nullptr && host::UBound(array) >= 0; }

// SQLExecute with the calling thread detached from the host runtime, so
// other host threads run while the driver works; registered as running
// where a tool may cancel it.
SQLRETURN ExecutePreparedDetached(ConnectionRecord* record, SQLHSTMT statement) {
  std::optional<RunningStatement> running;
  if (StatementCancelAllowed()) running.emplace(record, statement);
  void* token = host::DetachCurrentThread();
  const SQLRETURN rc = SQLExecute(statement);
  host::AttachCurrentThread(token);
  return rc;
}

void SetFormattedError(ConnectionRecord* record, const char* format, long long a, long long b = 0) {
  char text[256];
  std::snprintf(text, sizeof text, format, static_cast<int>(a), static_cast<long>(b));
  SetLastError(record, kOwnFailureCode, text);
}

}  // namespace

ODBCStatement::ODBCStatement(ConnectionRecord* connection, std::string sqlText)
    : ConnectionHold(connection), sqlText_(std::move(sqlText)) {}

ODBCStatement::~ODBCStatement() {
  Reset();
  DropHandle();
}

void ODBCStatement::ConnectionClosing() { DropHandle(); }

bool ODBCStatement::PositionAllowed(int32_t position) {
  if (position >= 0 && position < kMaxParameters) return true;
  SetFormattedError(record(), kPositionOutOfRangeFormat, position);
  return false;
}

std::optional<int32_t> ODBCStatement::UpperBound(TavroArray array) {
  const int32_t upper = host::UBound(array);
  if (upper < kMaxParameters) return upper;
  SetFormattedError(record(), kTooManyParametersFormat, static_cast<long long>(upper) + 1);
  return std::nullopt;
}

void ODBCStatement::Reset() {
  for (TavroObject value : values_)
    if (value != nullptr) host::UnlockObject(value);
  values_.clear();
}

void ODBCStatement::BindValues(TavroArray values, bool deriveTypes) { TakeValues(values, deriveTypes); }

bool ODBCStatement::TakeValues(TavroArray values, bool deriveTypes) {
  Reset();
  if (values == nullptr) return true;
  const std::optional<int32_t> bound = UpperBound(values);
  if (!bound) return false;
  const int32_t upper = *bound;
  if (upper < 0) return true;
  values_.reserve(static_cast<std::size_t>(upper) + 1);
  // The element getter hands out references of the statement's own.
  const TavroObjectElementGetter element = host::ObjectArrayGetter(values);
  for (int32_t i = 0; i <= upper; ++i) {
    values_.push_back(element != nullptr ? element(values, i) : nullptr);
    if (!deriveTypes) continue;
    const DerivedBindType derived = DeriveBindType(values_.back());
    if (!derived.error.empty()) SetLastError(record(), kOwnFailureCode, derived.error.c_str());
    BindType(i, derived.type);
  }
  return true;
}

void ODBCStatement::BindValue(int32_t position, TavroObject value) {
  if (!PositionAllowed(position)) return;
  if (value != nullptr) host::LockObject(value);
  const auto at = static_cast<std::size_t>(position);
  if (at < values_.size()) {
    if (values_[at] != nullptr) host::UnlockObject(values_[at]);
    values_[at] = value;
    return;
  }
  values_.resize(at, nullptr);
  values_.push_back(value);
}

void ODBCStatement::BindValueWithType(int32_t position, TavroObject value, int32_t type) {
  if (!PositionAllowed(position)) return;
  BindValue(position, value);
  BindType(position, type);
}

void ODBCStatement::BindType(int32_t position, int32_t type) {
  if (!PositionAllowed(position)) return;
  const auto at = static_cast<std::size_t>(position);
  if (at < bindTypes_.size()) {
    bindTypes_[at] = type;
    return;
  }
  bindTypes_.resize(at, kBindTypeGap);
  bindTypes_.push_back(type);
}

void ODBCStatement::BindTypes(TavroArray types) {
  bindTypes_.clear();
  if (types == nullptr) return;
  const std::optional<int32_t> bound = UpperBound(types);
  if (!bound || *bound < 0) return;
  const int32_t upper = *bound;
  bindTypes_.reserve(static_cast<std::size_t>(upper) + 1);
  for (int32_t i = 0; i <= upper; ++i) {
    int32_t type = kBindTypeGap;
    host::IntegerArrayGet(types, i, &type);
    bindTypes_.push_back(type);
  }
}

QxCursor* ODBCStatement::Select(TavroArray parameters) {
  return Run(HasElements(parameters) ? parameters : nullptr, false);
}

void ODBCStatement::Execute(TavroArray parameters) { Run(HasElements(parameters) ? parameters : nullptr, true); }

SQLHSTMT ODBCStatement::PreparedHandle() {
  if (prepared_ != SQL_NULL_HSTMT) return prepared_;
  // Drivers stop reading at a NUL and would run what comes before it.
  if (const auto nul = FirstNul(sqlText_)) {
    SetLastError(record(), kOwnFailureCode, NulRefusalText("statement", *nul).c_str());
    return SQL_NULL_HSTMT;
  }
  StatementHandle statement;  // freed unless it is kept
  if (!odbc::Succeeded(statement.Allocate(record()->hdbc))) {
    ReportConnectionFailure(record(), "SQLAllocHandle");
    return SQL_NULL_HSTMT;
  }
  // The connection's Timeout bounds every statement, prepared ones too.
  ApplyQueryTimeout(record(), statement.get());
  std::vector<odbc::Utf16Unit> text = odbc::Utf8ToUtf16(sqlText_.data(), sqlText_.size());
  const auto units = static_cast<SQLINTEGER>(text.size() - 1);
  if (!odbc::Succeeded(SQLPrepareW(statement.get(), odbc::AsSqlWide(text.data()), units))) {
    ReportStatementFailure(record(), statement.get(), "SQLPrepare");
    return SQL_NULL_HSTMT;
  }
  prepared_ = statement.release();
  boundOnHandle_ = 0;
  runClosing_ = RunClosing::Unknown;
  ForgetBindings();
  return prepared_;
}

void ODBCStatement::DropHandle() {
  if (prepared_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, prepared_);
  prepared_ = SQL_NULL_HSTMT;
  ForgetBindings();
}

SQLRETURN ODBCStatement::ExecuteHandle(SQLHSTMT statement) {
  const SQLRETURN rc = ExecutePreparedDetached(record(), statement);
  if (Executed(rc) || rc == SQL_NEED_DATA || runClosing_ != RunClosing::NotNeeded || !RefusedForOpenResult(statement))
    return rc;
  SQLFreeStmt(statement, SQL_CLOSE);
  runClosing_ = RunClosing::Needed;
  return ExecutePreparedDetached(record(), statement);
}

void ODBCStatement::EndExecuteOnlyRun(SQLHSTMT statement) {
  if (runClosing_ == RunClosing::Unknown)
    runClosing_ = !ResultsMayVary(sqlText_) && LeftNothingOpen(statement) ? RunClosing::NotNeeded : RunClosing::Needed;
  // Whatever result the statement made is closed before the next run.
  if (runClosing_ == RunClosing::Needed) SQLFreeStmt(statement, SQL_CLOSE);
}

void ODBCStatement::ForgetBindings() {
  for (ParameterBuffer& buffer : buffers_) buffer.binding = {};
}

bool ODBCStatement::BindAll(SQLHSTMT statement) {
  // Every parameter this run binds replaces its earlier binding; ones an
  // earlier run bound beyond them would point at buffers that are gone.
  if (values_.size() < boundOnHandle_) {
    SQLFreeStmt(statement, SQL_RESET_PARAMS);
    ForgetBindings();
  }
  boundOnHandle_ = values_.size();
  buffers_.resize(values_.size());
  for (std::size_t k = 0; k < values_.size(); ++k) {
    if (buffers_[k].binding.inForce && !IsBindType(bindTypes_[k])) {
      // The position is left unbound this run, but an earlier run's binding
      // of it is still in force and would send that run's value. Only
      // resetting every binding removes it; the positions before it are
      // bound again.
      SQLFreeStmt(statement, SQL_RESET_PARAMS);
      ForgetBindings();
      k = static_cast<std::size_t>(-1);
      continue;
    }
    const auto position = static_cast<int32_t>(k);
    const ParameterBindResult bound = BindParameter(statement, position, bindTypes_[k], values_[k], buffers_[k]);
    if (!bound.error.empty()) {
      SetLastError(record(), kOwnFailureCode, bound.error.c_str());
      return false;
    }
    if (!odbc::Succeeded(bound.rc)) {
      ReportStatementFailure(record(), statement, "SQLBindParameter");
      DropHandle();
      return false;
    }
  }
  return true;
}

ODBCCursor* ODBCStatement::Run(TavroArray parameters, bool executeOnly) {
  // A closed connection would otherwise fail without a word (no handle, no
  // diagnostics) and the run would read as done.
  if (!IsConnected(record())) {
    SetLastError(record(), kNotConnectedCode, kNotConnectedText);
    return nullptr;
  }
  ClearLastError(record());
  QueryGuard guard(record());
  if (!guard.entered()) return nullptr;
  // Values refused as too many stop the run: it would run without them.
  if (parameters != nullptr && !TakeValues(parameters, false)) return nullptr;

  const SQLHSTMT statement = PreparedHandle();
  if (statement == SQL_NULL_HSTMT) return nullptr;
  const std::size_t values = values_.size();
  const std::size_t types = bindTypes_.size();
  if (types < values) {
    if (types == 0)
      SetLastError(record(), kOwnFailureCode, kBindTypesMissingText);
    else
      SetFormattedError(record(), kTooFewBindTypesFormat, static_cast<long long>(values),
                        static_cast<long long>(types));
    return nullptr;
  }
  if (!BindAll(statement)) return nullptr;

  const SQLRETURN rc = ExecuteHandle(statement);
  if (rc == SQL_NEED_DATA) {
    SetLastError(record(), kOwnFailureCode, kUnexpectedNeedDataText);
    DropHandle();
    return nullptr;
  }
  if (!Executed(rc)) {
    ReportStatementFailure(record(), statement, "SQLExecute");
    DropHandle();
    return nullptr;
  }
  if (executeOnly) {
    EndExecuteOnlyRun(statement);
    return nullptr;
  }
  record()->rowsAffected = RowsAffectedBy(statement, rc);
  // The cursor takes the handle and the buffers its parameters point at; a
  // cursor that could not be made leaves no handle with bindings behind.
  PreparedCursor* cursor = nullptr;
  try {
    cursor = new PreparedCursor(record(), statement, sqlText_, std::move(buffers_));
  } catch (...) {
    DropHandle();
    throw;
  }
  prepared_ = SQL_NULL_HSTMT;
  buffers_.clear();
  record()->currentCursor = cursor;
  return cursor;
}

}  // namespace sqelto
