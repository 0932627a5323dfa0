// The statement behind every ODBCPreparedStatement: its SQL text, the bound
// host values and bind types, and the runs that bind them as ODBC
// parameters and execute.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "../odbc/connection_hold.h"
#include "../odbc/connection_record.h"
#include "../odbc/odbc_api.h"
#include "parameter_binding.h"
#include "sql_statement.h"

namespace sqelto {

class ODBCCursor;

class ODBCStatement final : public SQLStatement, private ConnectionHold {
public:
  // Holds one reference to the connection for its whole life (the record
  // may move out of its host object meanwhile). The text is the statement
  // as UTF-8.
  ODBCStatement(ConnectionRecord* connection, std::string sqlText);
  ~ODBCStatement() override;

  void BindValues(TavroArray values, bool deriveTypes) override;
  void BindValue(int32_t position, TavroObject value) override;
  void BindTypes(TavroArray types) override;
  void BindType(int32_t position, int32_t type) override;
  QxCursor* Select(TavroArray parameters) override;
  void Execute(TavroArray parameters) override;

  // One run: binds `parameters` first when given, binds every value as its
  // bind type says, executes, and for a select returns the cursor over the
  // result (null for execute-only runs and failures, which leave the last
  // error).
  ODBCCursor* Run(TavroArray parameters, bool executeOnly);
  ConnectionRecord* Connection() const { return record(); }
  void BindValueWithType(int32_t position, TavroObject value, int32_t type);

  std::size_t ValueCount() const { return values_.size(); }
  const std::vector<int32_t>& BindTypeList() const { return bindTypes_; }

private:
  // The connection is closing: the prepared handle goes with it.
  void ConnectionClosing() override;
  // False, with the last error set, for a position no parameter can have.
  bool PositionAllowed(int32_t position);
  // The array's upper bound; none (last error set) for more elements than
  // a statement has parameters.
  std::optional<int32_t> UpperBound(TavroArray array);
  // BindValues; false (last error set) when the array holds more values
  // than a statement has parameters, and then no value is bound.
  bool TakeValues(TavroArray values, bool deriveTypes);
  // Releases every value; the bind types stay.
  void Reset();
  // The statement handle prepared with the text: the one kept from an
  // earlier run, or a new one. Null (last error set) when it cannot be made.
  SQLHSTMT PreparedHandle();
  void DropHandle();
  bool BindAll(SQLHSTMT statement);
  // After the handle or its bindings were replaced: no binding of buffers_
  // is in force any more.
  void ForgetBindings();
  // Executes detached; a refusal because an earlier run's result is still
  // open (a statement whose runs are not closed gave one after all) closes
  // the statement and executes once more.
  SQLRETURN ExecuteHandle(SQLHSTMT statement);
  // Leaves the statement ready for its next run after an execute-only run.
  void EndExecuteOnlyRun(SQLHSTMT statement);

  std::string sqlText_;
  std::vector<TavroObject> values_;  // owned references; null where nothing is bound
  std::vector<int32_t> bindTypes_;
  // Buffers of the current run; a select's cursor takes them along.
  std::vector<ParameterBuffer> buffers_;
  // Kept prepared between runs; a select's cursor takes it along.
  SQLHSTMT prepared_ = SQL_NULL_HSTMT;
  std::size_t boundOnHandle_ = 0;  // parameters bound on it so far
  // Whether an execute-only run on the handle must be closed, learnt from
  // its first one (run_ending.h).
  enum class RunClosing : uint8_t { Unknown, Needed, NotNeeded } runClosing_ = RunClosing::Unknown;
};

}  // namespace sqelto
