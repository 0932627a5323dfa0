// Allocation and release of handles: the real driver's handles are handed to
// the driver manager unchanged and remembered here, statements with their
// connection, so that settings and counts can be found from any handle.
#include "forwarding.hpp"

using namespace sqelto_test_driver;

namespace {

SQLSMALLINT parentType(SQLSMALLINT handleType) {
  return handleType == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
}

void remember(SQLSMALLINT handleType, SQLHANDLE parent, SQLHANDLE handle) {
  if (handleType == SQL_HANDLE_DBC) registry().addConnection(handle);
  if (handleType == SQL_HANDLE_STMT) registry().addStatement(handle, parent);
}

// Forgotten before the real release: once released, the address may be given
// to another thread's new handle at once.
void forgetHandle(SQLSMALLINT handleType, SQLHANDLE handle) {
  if (handleType == SQL_HANDLE_DBC) registry().removeConnection(handle);
  if (handleType == SQL_HANDLE_STMT) registry().removeStatement(handle);
  registry().forget(handle);
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT handleType, SQLHANDLE input, SQLHANDLE* output) {
  return guarded([&]() -> SQLRETURN {
    if (handleType != SQL_HANDLE_ENV && registry().failCall("SQLAllocHandle", parentType(handleType), input))
      return SQL_ERROR;
    SQLRETURN result = SQELTO_REAL(SQLAllocHandle)(handleType, input, output);
    if (succeeded(result) && output != nullptr) remember(handleType, input, *output);
    return result;
  });
}

SQLRETURN SQL_API SQLAllocEnv(SQLHENV* environment) {
  return guarded([&] { return SQELTO_REAL(SQLAllocEnv)(environment); });
}

SQLRETURN SQL_API SQLAllocConnect(SQLHENV environment, SQLHDBC* connection) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLAllocConnect", SQL_HANDLE_ENV, environment)) return SQL_ERROR;
    SQLRETURN result = SQELTO_REAL(SQLAllocConnect)(environment, connection);
    if (succeeded(result) && connection != nullptr) remember(SQL_HANDLE_DBC, environment, *connection);
    return result;
  });
}

SQLRETURN SQL_API SQLAllocStmt(SQLHDBC connection, SQLHSTMT* statement) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLAllocStmt", SQL_HANDLE_DBC, connection)) return SQL_ERROR;
    SQLRETURN result = SQELTO_REAL(SQLAllocStmt)(connection, statement);
    if (succeeded(result) && statement != nullptr) remember(SQL_HANDLE_STMT, connection, *statement);
    return result;
  });
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT handleType, SQLHANDLE handle) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLFreeHandle", handleType, handle)) return SQL_ERROR;
    forgetHandle(handleType, handle);
    return SQELTO_REAL(SQLFreeHandle)(handleType, handle);
  });
}

SQLRETURN SQL_API SQLFreeEnv(SQLHENV environment) {
  return guarded([&] { return SQELTO_REAL(SQLFreeEnv)(environment); });
}

SQLRETURN SQL_API SQLFreeConnect(SQLHDBC connection) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLFreeConnect", SQL_HANDLE_DBC, connection)) return SQL_ERROR;
    forgetHandle(SQL_HANDLE_DBC, connection);
    return SQELTO_REAL(SQLFreeConnect)(connection);
  });
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT statement, SQLUSMALLINT option) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLFreeStmt", SQL_HANDLE_STMT, statement)) return SQL_ERROR;
    if (option == SQL_DROP) forgetHandle(SQL_HANDLE_STMT, statement);
    SQLRETURN result = SQELTO_REAL(SQLFreeStmt)(statement, option);
    if (succeeded(result) && option == SQL_CLOSE) registry().resultEnded(statement);
    if (succeeded(result) && option == SQL_UNBIND) registry().allColumnsUnbound(statement);
    return result;
  });
}

}  // extern "C"
