#include "odbc_test_support.hpp"

namespace odbc_env {

std::string firstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
  SQLCHAR state[6] = {};
  SQLCHAR message[512] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!succeeded(SQLGetDiagRecA(handleType, handle, 1, state, &native, message, sizeof message, &length)))
    return "(no diagnostic record)";
  return std::string(reinterpret_cast<char*>(state)) + " " + std::to_string(native) + ": " +
         reinterpret_cast<char*>(message);
}

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  if (!succeeded(SQLAllocHandle(type, parent, &handle_)))
    throw std::runtime_error("SQLAllocHandle(" + std::to_string(type) + ") failed");
}

Handle::~Handle() {
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
}

SQLHENV sharedEnvironment() {
  static SQLHENV env = [] {
    SQLHENV h = SQL_NULL_HENV;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)) ||
        !succeeded(SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
      throw std::runtime_error("cannot make the ODBC environment");
    return h;
  }();
  return env;
}

Connection::Connection(const std::string& connectionString) : dbc_(SQL_HANDLE_DBC, sharedEnvironment()) {
  std::u16string wideString(connectionString.begin(), connectionString.end());  // ASCII connection strings
  SQLSMALLINT outLength = 0;
  SQLRETURN rc = SQLDriverConnectW(dbc_.get(), nullptr, wide(wideString), SQL_NTS, nullptr, 0, &outLength,
                                   SQL_DRIVER_NOPROMPT);
  if (!succeeded(rc)) throw std::runtime_error("connect to \"" + connectionString + "\" failed: " + dbc_.diagnostic());
  connected_ = true;
}

Connection::~Connection() {
  if (connected_) SQLDisconnect(dbc_.get());
}

std::string Connection::infoString(SQLUSMALLINT infoType) const {
  char buffer[256] = {};
  SQLSMALLINT length = 0;
  if (!succeeded(SQLGetInfoA(dbc_.get(), infoType, buffer, sizeof buffer, &length)))
    throw std::runtime_error("SQLGetInfo failed: " + dbc_.diagnostic());
  return buffer;
}

void Connection::execute(const std::u16string& sql) const {
  Handle stmt(SQL_HANDLE_STMT, dbc_.get());
  std::u16string text = sql;
  SQLRETURN rc = SQLExecDirectW(stmt.get(), wide(text), SQL_NTS);
  if (!succeeded(rc) && rc != SQL_NO_DATA)
    throw std::runtime_error("statement failed: " + stmt.diagnostic());
}

std::string requiredEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0')
    throw std::runtime_error(std::string(name) +
                             " is not set: run this test through CTest (odbc_test_environment)");
  return value;
}

}  // namespace odbc_env
