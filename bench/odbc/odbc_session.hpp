// Owned ODBC handles for the benchmark: one ODBC 3 environment per process,
// a connection made from a connection string, statements that free themselves.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <stdexcept>
#include <string>

namespace odbc_bench {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC uses 2-byte SQLWCHAR");

inline bool succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

class OdbcError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// "what: STATE native message" from the handle's first diagnostic record.
[[noreturn]] void throwDiagnostic(const std::string& what, SQLSMALLINT handleType, SQLHANDLE handle);

class Statement {
public:
  explicit Statement(SQLHDBC dbc);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  SQLHSTMT get() const { return stmt_; }
  // SQLExecDirectW; SQL_NO_DATA (a statement touching no rows) counts as success.
  void execute(const std::string& sql);
  [[noreturn]] void fail(const std::string& what) const { throwDiagnostic(what, SQL_HANDLE_STMT, stmt_); }

private:
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

class Connection {
public:
  explicit Connection(const std::string& connectionString);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  SQLHDBC get() const { return dbc_; }
  void execute(const std::string& sql);
  // The first column of the first row as a 64-bit integer.
  long long queryInteger(const std::string& sql);
  std::string dbmsName() const;

private:
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

}  // namespace odbc_bench
