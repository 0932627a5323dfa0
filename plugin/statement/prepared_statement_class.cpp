#include "prepared_statement_class.h"

#include <cstring>

#include "../frame/host_api.h"
#include "../frame/registration_records.h"
#include "../odbc/cursor_bridge.h"
#include "../odbc/failure_shield.h"
#include "../odbc/last_error.h"
#include "../odbc/select.h"
#include "bind_types.h"
#include "database_exception.h"
#include "odbc_statement.h"

namespace sqelto {
namespace {

unsigned char* InstanceData(TavroObject instance) {
  // The host stored the offset of the instance data in the class record
  // when it registered the class.
  return reinterpret_cast<unsigned char*>(instance) + ODBCPreparedStatementClass().dataOffset;
}

void SetStatementOfInstance(TavroObject instance, ODBCStatement* statement) {
  std::memcpy(InstanceData(instance), &statement, sizeof statement);
}

// Hands a select's cursor to the host; when the host will not take it, the
// cursor is gone and the last error says so.
TavroObject CursorToHost(ODBCStatement& statement, QxCursor* cursor, HostCursorKind kind) {
  if (cursor == nullptr) return nullptr;
  TavroObject result = HandCursorToHost(cursor, kind);
  if (result == nullptr) SetLastError(statement.Connection(), kOwnFailureCode, kHostRefusedCursorText);
  return result;
}

}  // namespace

TavroObject NewPreparedStatementObject(ODBCStatement* statement) {
  TavroObject instance = host::NewInstanceOfClass(&ODBCPreparedStatementClass());
  if (instance == nullptr) {
    delete statement;
    return nullptr;
  }
  SetStatementOfInstance(instance, statement);
  return instance;
}

ODBCStatement* StatementOfInstance(TavroObject instance) {
  if (instance == nullptr) return nullptr;
  ODBCStatement* statement = nullptr;
  std::memcpy(&statement, InstanceData(instance), sizeof statement);
  return statement;
}

namespace {

// Runs one method for the host: nothing escapes it; whatever is thrown
// becomes the last error of the statement's connection.
template <class R, class F>
R ForStatement(TavroObject self, R fallback, F&& method) noexcept {
  ODBCStatement* statement = StatementOfInstance(self);
  return ShieldedCall(statement != nullptr ? statement->Connection() : nullptr, fallback,
                      [&] { return method(statement); });
}

template <class F>
void ForStatement(TavroObject self, F&& method) noexcept {
  ForStatement(self, 0, [&](ODBCStatement* statement) {
    if (statement != nullptr) method(*statement);
    return 0;
  });
}

}  // namespace

void TAVRO_CALL PreparedBindValue(TavroObject self, int32_t position, TavroObject value) {
  ForStatement(self, [&](ODBCStatement& statement) { statement.BindValue(position, value); });
}

void TAVRO_CALL PreparedBindValues(TavroObject self, TavroArray values) {
  ForStatement(self, [&](ODBCStatement& statement) { statement.BindValues(values, false); });
}

void TAVRO_CALL PreparedBindValueWithType(TavroObject self, int32_t position, TavroObject value, int32_t type) {
  ForStatement(self, [&](ODBCStatement& statement) { statement.BindValueWithType(position, value, type); });
}

void TAVRO_CALL PreparedBindType(TavroObject self, int32_t position, int32_t type) {
  ForStatement(self, [&](ODBCStatement& statement) { statement.BindType(position, type); });
}

void TAVRO_CALL PreparedBindTypes(TavroObject self, TavroArray types) {
  ForStatement(self, [&](ODBCStatement& statement) { statement.BindTypes(types); });
}

TavroObject TAVRO_CALL PreparedSQLSelect(TavroObject self, TavroArray parameters) {
  return ForStatement(self, TavroObject{nullptr}, [&](ODBCStatement* statement) -> TavroObject {
    if (statement == nullptr) return nullptr;
    return CursorToHost(*statement, statement->Select(parameters), HostCursorKind::RecordSet);
  });
}

TavroObject TAVRO_CALL PreparedSelectSQL(TavroObject self, TavroArray parameters) {
  return ForStatement(self, TavroObject{nullptr}, [&](ODBCStatement* statement) -> TavroObject {
    if (statement == nullptr) {
      RaiseDatabaseException(kOwnFailureCode, kNotPreparedText);
      return nullptr;
    }
    TavroObject rows = CursorToHost(*statement, statement->Select(parameters), HostCursorKind::RowSet);
    if (rows == nullptr) RaiseLastError(statement->Connection());
    return rows;
  });
}

void TAVRO_CALL PreparedSQLExecute(TavroObject self, TavroArray parameters) {
  ForStatement(self, [&](ODBCStatement& statement) { statement.Execute(parameters); });
}

void TAVRO_CALL PreparedExecuteSQL(TavroObject self, TavroArray parameters) {
  ForStatement(self, 0, [&](ODBCStatement* statement) {
    if (statement == nullptr) {
      RaiseDatabaseException(kOwnFailureCode, kNotPreparedText);
      return 0;
    }
    statement->Execute(parameters);
    RaiseLastError(statement->Connection());
    return 0;
  });
}

void TAVRO_CALL ODBCPreparedStatementDestructor(TavroObject self) {
  ODBCStatement* statement = StatementOfInstance(self);
  SetStatementOfInstance(self, nullptr);
  delete statement;  // destructors do not throw
}

}  // namespace sqelto
