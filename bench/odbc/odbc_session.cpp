#include "odbc_session.hpp"

#include "utf_conversion.hpp"

namespace odbc_bench {
namespace {

SQLHENV environment() {
  static SQLHENV env = [] {
    SQLHENV h = SQL_NULL_HENV;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)) ||
        !succeeded(SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
      throw OdbcError("cannot make the ODBC environment");
    return h;
  }();
  return env;
}

SQLWCHAR* wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

}  // namespace

void throwDiagnostic(const std::string& what, SQLSMALLINT handleType, SQLHANDLE handle) {
  SQLCHAR state[6] = {};
  SQLCHAR message[1024] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  std::string text = what;
  if (succeeded(SQLGetDiagRec(handleType, handle, 1, state, &native, message, sizeof message, &length)))
    text += ": " + std::string(reinterpret_cast<char*>(state)) + " " + std::to_string(native) + " " +
            reinterpret_cast<char*>(message);
  throw OdbcError(text);
}

Statement::Statement(SQLHDBC dbc) {
  if (!succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt_)))
    throwDiagnostic("cannot allocate a statement", SQL_HANDLE_DBC, dbc);
}

Statement::~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }

void Statement::execute(const std::string& sql) {
  std::u16string text = utf8ToUtf16(sql);
  const SQLRETURN rc = SQLExecDirectW(stmt_, wide(text), SQLINTEGER(text.size()));
  if (!succeeded(rc) && rc != SQL_NO_DATA) fail("statement failed (" + sql.substr(0, 60) + "...)");
}

Connection::Connection(const std::string& connectionString) {
  if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, environment(), &dbc_)))
    throw OdbcError("cannot allocate an ODBC connection");
  std::u16string text = utf8ToUtf16(connectionString);
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc =
      SQLDriverConnectW(dbc_, nullptr, wide(text), SQLSMALLINT(text.size()), nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
  if (!succeeded(rc)) {
    try {
      throwDiagnostic("cannot connect with \"" + connectionString + "\"", SQL_HANDLE_DBC, dbc_);
    } catch (...) {
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
      throw;
    }
  }
  connected_ = true;
}

Connection::~Connection() {
  if (connected_) SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
}

void Connection::execute(const std::string& sql) {
  Statement stmt(dbc_);
  stmt.execute(sql);
}

long long Connection::queryInteger(const std::string& sql) {
  Statement stmt(dbc_);
  stmt.execute(sql);
  SQLBIGINT value = 0;
  SQLLEN indicator = 0;
  if (!succeeded(SQLFetch(stmt.get()))) stmt.fail("no row from " + sql);
  if (!succeeded(SQLGetData(stmt.get(), 1, SQL_C_SBIGINT, &value, 0, &indicator))) stmt.fail("cannot read " + sql);
  return indicator == SQL_NULL_DATA ? 0 : value;
}

std::string Connection::dbmsName() const {
  char buffer[128] = {};
  SQLSMALLINT length = 0;
  if (!succeeded(SQLGetInfo(dbc_, SQL_DBMS_NAME, buffer, sizeof buffer, &length)))
    throwDiagnostic("SQLGetInfo(SQL_DBMS_NAME)", SQL_HANDLE_DBC, dbc_);
  return buffer;
}

}  // namespace odbc_bench
