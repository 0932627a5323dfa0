#include "prepared_statement_class.h"

#include <cstring>

#include "../frame/host_api.h"
#include "../frame/registration_records.h"
#include "../odbc/cursor_bridge.h"
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

void TAVRO_CALL PreparedBindValue(TavroObject self, int32_t position, TavroObject value) {
  if (ODBCStatement* statement = StatementOfInstance(self)) statement->BindValue(position, value);
}

void TAVRO_CALL PreparedBindValues(TavroObject self, TavroArray values) {
  if (ODBCStatement* statement = StatementOfInstance(self)) statement->BindValues(values, false);
}

void TAVRO_CALL PreparedBindValueWithType(TavroObject self, int32_t position, TavroObject value, int32_t type) {
  if (ODBCStatement* statement = StatementOfInstance(self)) statement->BindValueWithType(position, value, type);
}

void TAVRO_CALL PreparedBindType(TavroObject self, int32_t position, int32_t type) {
  if (ODBCStatement* statement = StatementOfInstance(self)) statement->BindType(position, type);
}

void TAVRO_CALL PreparedBindTypes(TavroObject self, TavroArray types) {
  if (ODBCStatement* statement = StatementOfInstance(self)) statement->BindTypes(types);
}

TavroObject TAVRO_CALL PreparedSQLSelect(TavroObject self, TavroArray parameters) {
  ODBCStatement* statement = StatementOfInstance(self);
  if (statement == nullptr) return nullptr;
  return CursorToHost(*statement, statement->Select(parameters), HostCursorKind::RecordSet);
}

TavroObject TAVRO_CALL PreparedSelectSQL(TavroObject self, TavroArray parameters) {
  ODBCStatement* statement = StatementOfInstance(self);
  if (statement == nullptr) {
    RaiseDatabaseException(kOwnFailureCode, kNotPreparedText);
    return nullptr;
  }
  TavroObject rows = CursorToHost(*statement, statement->Select(parameters), HostCursorKind::RowSet);
  if (rows == nullptr) RaiseLastError(statement->Connection());
  return rows;
}

void TAVRO_CALL PreparedSQLExecute(TavroObject self, TavroArray parameters) {
  if (ODBCStatement* statement = StatementOfInstance(self)) statement->Execute(parameters);
}

void TAVRO_CALL PreparedExecuteSQL(TavroObject self, TavroArray parameters) {
  ODBCStatement* statement = StatementOfInstance(self);
  if (statement == nullptr) {
    RaiseDatabaseException(kOwnFailureCode, kNotPreparedText);
    return;
  }
  statement->Execute(parameters);
  RaiseLastError(statement->Connection());
}

void TAVRO_CALL ODBCPreparedStatementDestructor(TavroObject self) {
  ODBCStatement* statement = StatementOfInstance(self);
  SetStatementOfInstance(self, nullptr);
  delete statement;
}

}  // namespace sqelto
