// Small raw-ODBC helpers for the environment tests: owned handles, the first
// diagnostic as text, and UTF-16 strings in the driver manager's SQLWCHAR form.
// The 8-bit calls are named as such (ASCII answers only): Windows programs
// built with UNICODE would otherwise get the wide ones.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>

namespace odbc_env {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR is a UTF-16 unit");

inline bool succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// "STATE native: message" of the first diagnostic record, or a note that there is none.
std::string firstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle);

class Handle {
public:
  Handle(SQLSMALLINT type, SQLHANDLE parent);
  ~Handle();
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  std::string diagnostic() const { return firstDiagnostic(type_, handle_); }

private:
  SQLSMALLINT type_;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// One ODBC 3 environment per process, as the plug-in keeps it.
SQLHENV sharedEnvironment();

class Connection {
public:
  // Throws std::runtime_error carrying the driver's diagnostic when the connect fails.
  explicit Connection(const std::string& connectionString);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  SQLHDBC get() const { return dbc_.get(); }
  std::string infoString(SQLUSMALLINT infoType) const;
  // Runs a statement through SQLExecDirectW; throws with the diagnostic on failure.
  void execute(const std::u16string& sql) const;

private:
  Handle dbc_;
  bool connected_ = false;
};

inline SQLWCHAR* wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

std::string requiredEnvironment(const char* name);

}  // namespace odbc_env
