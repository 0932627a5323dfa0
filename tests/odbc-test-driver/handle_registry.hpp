// What the driver knows about the handles the real driver gave out: each
// connection's fault settings and call counts, each statement's connection and
// result state, and the diagnostic of a failure this driver injected. The
// driver manager may call from many threads; every member locks.
#pragma once

#include <sql.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "fault_settings.hpp"

namespace sqelto_test_driver {

struct Diagnostic {
  std::string sqlState;
  SQLINTEGER nativeError = 0;
  std::string message;
};

// Every message this driver writes begins with this.
inline constexpr std::string_view kMessagePrefix = "[Sqelto Test Driver]";

class HandleRegistry {
 public:
  void addConnection(SQLHDBC connection);
  void removeConnection(SQLHDBC connection);
  void configure(SQLHDBC connection, FaultSettings settings);
  // After a disconnect: the settings and statements of the old connection go.
  void disconnected(SQLHDBC connection);
  // The settings of a connection (defaults for one this driver did not see).
  FaultSettings settingsOf(SQLHDBC connection) const;

  void addStatement(SQLHSTMT statement, SQLHDBC connection);
  void removeStatement(SQLHSTMT statement);

  // Starts a call of `function` on a handle: clears the diagnostic this driver
  // recorded for it (as every ODBC call clears its handle's diagnostics) and
  // counts the call. True when TestFail makes this call fail; the failure's
  // diagnostic is then recorded on the handle.
  bool failCall(std::string_view function, SQLSMALLINT handleType, SQLHANDLE handle);
  // For the functions that read diagnostics: counts and answers as failCall,
  // but keeps the recorded diagnostic and records none.
  bool diagnosticReadFails(std::string_view function, SQLSMALLINT handleType, SQLHANDLE handle);
  void record(SQLHANDLE handle, Diagnostic diagnostic);
  std::optional<Diagnostic> recorded(SQLHANDLE handle) const;
  void forget(SQLHANDLE handle);

  // Before a statement starts a result (execute, catalogue function, next
  // result): false, with a "busy" diagnostic, when TestMaxActivities other
  // statements of its connection hold results. Resets the fetch and
  // SQLGetData counts.
  bool mayStartResult(SQLHSTMT statement);
  bool limitsActivities(SQLHSTMT statement) const;
  void resultStarted(SQLHSTMT statement, bool holdsResult);
  void resultEnded(SQLHSTMT statement);

  // False, with the injected diagnostic, once TestFetchFailAfter is reached.
  bool mayFetch(SQLHSTMT statement, std::string_view function);
  void fetched(SQLHSTMT statement, SQLRETURN result);
  // False, with a diagnostic, for a column TestNoGetDataAnyColumn forbids or a
  // call past TestGetDataFailAfter.
  bool mayGetData(SQLHSTMT statement, SQLUSMALLINT column);
  void columnBound(SQLHSTMT statement, SQLUSMALLINT column, bool bound);
  void allColumnsUnbound(SQLHSTMT statement);

 private:
  struct Connection {
    FaultSettings settings;
    std::map<std::string, std::uint32_t, std::less<>> calls;
    std::map<std::string, std::uint32_t, std::less<>> callsUnderFailOnce;
  };
  struct Statement {
    SQLHDBC connection = SQL_NULL_HDBC;
    bool holdsResult = false;
    std::uint32_t fetches = 0;
    std::map<SQLUSMALLINT, std::uint32_t> getDataCalls;  // on the current row
    std::set<SQLUSMALLINT> boundColumns;
  };

  // The connection a handle belongs to, or null. The caller holds mutex_.
  Connection* connectionOf(SQLSMALLINT handleType, SQLHANDLE handle);
  const Connection* connectionOf(SQLHSTMT statement) const;
  bool callFails(std::string_view function, SQLSMALLINT handleType, SQLHANDLE handle);
  Diagnostic injected(const FaultSettings& settings, std::string what) const;

  mutable std::mutex mutex_;
  std::unordered_map<SQLHDBC, Connection> connections_;
  std::unordered_map<SQLHSTMT, Statement> statements_;
  std::unordered_map<SQLHANDLE, Diagnostic> diagnostics_;
};

HandleRegistry& registry();

}  // namespace sqelto_test_driver
