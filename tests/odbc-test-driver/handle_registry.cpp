#include "handle_registry.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace sqelto_test_driver {

namespace {

// unixODBC reaches some ODBC 3 operations on this driver through their ODBC 2
// entry points (statements are allocated with SQLAllocStmt; when
// SQLGetDiagRec fails it reads diagnostics with SQLError), so TestFail with
// the ODBC 3 name covers the older entry point too.
std::string_view odbc3Name(std::string_view function) {
  static constexpr std::pair<std::string_view, std::string_view> kEquivalents[] = {
      {"SQLAllocConnect", "SQLAllocHandle"},        {"SQLAllocStmt", "SQLAllocHandle"},
      {"SQLFreeConnect", "SQLFreeHandle"},          {"SQLError", "SQLGetDiagRec"},
      {"SQLGetDiagField", "SQLGetDiagRec"},         {"SQLTransact", "SQLEndTran"},
      {"SQLExtendedFetch", "SQLFetchScroll"},       {"SQLColAttributes", "SQLColAttribute"},
      {"SQLBindParam", "SQLBindParameter"},         {"SQLSetParam", "SQLBindParameter"},
      {"SQLGetConnectOption", "SQLGetConnectAttr"}, {"SQLSetConnectOption", "SQLSetConnectAttr"},
      {"SQLGetStmtOption", "SQLGetStmtAttr"},       {"SQLSetStmtOption", "SQLSetStmtAttr"},
  };
  for (const auto& [older, newer] : kEquivalents)
    if (older == function) return newer;
  return function;
}

}  // namespace

HandleRegistry& registry() {
  static HandleRegistry instance;
  return instance;
}

void HandleRegistry::addConnection(SQLHDBC connection) {
  std::lock_guard lock(mutex_);
  connections_[connection] = Connection{};
}

void HandleRegistry::removeConnection(SQLHDBC connection) {
  std::lock_guard lock(mutex_);
  connections_.erase(connection);
  diagnostics_.erase(connection);
  std::erase_if(statements_, [&](const auto& entry) { return entry.second.connection == connection; });
}

void HandleRegistry::configure(SQLHDBC connection, FaultSettings settings) {
  std::lock_guard lock(mutex_);
  connections_[connection] = Connection{std::move(settings), {}, {}};
}

void HandleRegistry::disconnected(SQLHDBC connection) {
  std::lock_guard lock(mutex_);
  if (auto found = connections_.find(connection); found != connections_.end()) found->second = Connection{};
  // The real driver frees a connection's statements when it disconnects.
  std::erase_if(statements_, [&](const auto& entry) { return entry.second.connection == connection; });
}

FaultSettings HandleRegistry::settingsOf(SQLHDBC connection) const {
  std::lock_guard lock(mutex_);
  auto found = connections_.find(connection);
  return found == connections_.end() ? FaultSettings{} : found->second.settings;
}

void HandleRegistry::addStatement(SQLHSTMT statement, SQLHDBC connection) {
  std::lock_guard lock(mutex_);
  Statement state;
  state.connection = connection;
  statements_[statement] = std::move(state);
}

void HandleRegistry::removeStatement(SQLHSTMT statement) {
  std::lock_guard lock(mutex_);
  statements_.erase(statement);
  diagnostics_.erase(statement);
}

HandleRegistry::Connection* HandleRegistry::connectionOf(SQLSMALLINT handleType, SQLHANDLE handle) {
  SQLHDBC connection = SQL_NULL_HDBC;
  if (handleType == SQL_HANDLE_DBC) {
    connection = handle;
  } else if (handleType == SQL_HANDLE_STMT) {
    auto statement = statements_.find(handle);
    if (statement == statements_.end()) return nullptr;
    connection = statement->second.connection;
  }
  auto found = connections_.find(connection);
  return found == connections_.end() ? nullptr : &found->second;
}

const HandleRegistry::Connection* HandleRegistry::connectionOf(SQLHSTMT statement) const {
  auto found = statements_.find(statement);
  if (found == statements_.end()) return nullptr;
  auto connection = connections_.find(found->second.connection);
  return connection == connections_.end() ? nullptr : &connection->second;
}

bool HandleRegistry::callFails(std::string_view function, SQLSMALLINT handleType, SQLHANDLE handle) {
  Connection* connection = connectionOf(handleType, handle);
  if (connection == nullptr) return false;
  // Counts the call under `rules` (by the name it was given there) and
  // returns how many calls came before it, or nothing without a rule.
  auto count = [&](const auto& rules, auto& counts) -> std::optional<std::pair<std::uint32_t, std::uint32_t>> {
    auto rule = rules.find(function);
    if (rule == rules.end()) rule = rules.find(odbc3Name(function));
    if (rule == rules.end()) return std::nullopt;
    auto calls = counts.find(rule->first);
    if (calls == counts.end()) calls = counts.emplace(rule->first, 0).first;
    const std::uint32_t before = calls->second;
    if (calls->second < UINT32_MAX) ++calls->second;
    return std::pair{before, rule->second};
  };
  if (auto once = count(connection->settings.failOnce, connection->callsUnderFailOnce); once && once->first == once->second)
    return true;
  auto after = count(connection->settings.failAfter, connection->calls);
  return after && after->first >= after->second;
}

Diagnostic HandleRegistry::injected(const FaultSettings& settings, std::string what) const {
  return Diagnostic{settings.sqlState, settings.nativeError,
                    std::string(kMessagePrefix) + "Injected failure of " + std::move(what)};
}

bool HandleRegistry::failCall(std::string_view function, SQLSMALLINT handleType, SQLHANDLE handle) {
  std::lock_guard lock(mutex_);
  diagnostics_.erase(handle);
  if (!callFails(function, handleType, handle)) return false;
  diagnostics_[handle] = injected(connectionOf(handleType, handle)->settings, std::string(function));
  return true;
}

bool HandleRegistry::diagnosticReadFails(std::string_view function, SQLSMALLINT handleType, SQLHANDLE handle) {
  std::lock_guard lock(mutex_);
  return callFails(function, handleType, handle);
}

void HandleRegistry::record(SQLHANDLE handle, Diagnostic diagnostic) {
  std::lock_guard lock(mutex_);
  diagnostics_[handle] = std::move(diagnostic);
}

std::optional<Diagnostic> HandleRegistry::recorded(SQLHANDLE handle) const {
  std::lock_guard lock(mutex_);
  auto found = diagnostics_.find(handle);
  if (found == diagnostics_.end()) return std::nullopt;
  return found->second;
}

void HandleRegistry::forget(SQLHANDLE handle) {
  std::lock_guard lock(mutex_);
  diagnostics_.erase(handle);
}

bool HandleRegistry::mayStartResult(SQLHSTMT statement) {
  std::lock_guard lock(mutex_);
  auto found = statements_.find(statement);
  if (found == statements_.end()) return true;
  Statement& state = found->second;
  state.holdsResult = false;
  state.fetches = 0;
  state.getDataCalls.clear();
  const Connection* connection = connectionOf(statement);
  if (connection == nullptr || !connection->settings.maxActivities || *connection->settings.maxActivities == 0)
    return true;
  auto busy = std::count_if(statements_.begin(), statements_.end(), [&](const auto& entry) {
    return entry.first != statement && entry.second.connection == state.connection && entry.second.holdsResult;
  });
  if (busy < *connection->settings.maxActivities) return true;
  diagnostics_[statement] =
      Diagnostic{"HY000", 0, std::string(kMessagePrefix) + "Connection is busy with results for another statement"};
  return false;
}

bool HandleRegistry::limitsActivities(SQLHSTMT statement) const {
  std::lock_guard lock(mutex_);
  const Connection* connection = connectionOf(statement);
  return connection != nullptr && connection->settings.maxActivities.value_or(0) > 0;
}

void HandleRegistry::resultStarted(SQLHSTMT statement, bool holdsResult) {
  std::lock_guard lock(mutex_);
  if (auto found = statements_.find(statement); found != statements_.end()) found->second.holdsResult = holdsResult;
}

void HandleRegistry::resultEnded(SQLHSTMT statement) {
  std::lock_guard lock(mutex_);
  if (auto found = statements_.find(statement); found != statements_.end()) {
    found->second.holdsResult = false;
    found->second.fetches = 0;
    found->second.getDataCalls.clear();
  }
}

bool HandleRegistry::mayFetch(SQLHSTMT statement, std::string_view function) {
  std::lock_guard lock(mutex_);
  auto found = statements_.find(statement);
  const Connection* connection = connectionOf(statement);
  if (found == statements_.end() || connection == nullptr || !connection->settings.fetchFailAfter) return true;
  std::uint32_t limit = *connection->settings.fetchFailAfter;
  if (found->second.fetches < limit) return true;
  diagnostics_[statement] =
      injected(connection->settings, std::string(function) + " after " + std::to_string(limit) + " rows");
  return false;
}

void HandleRegistry::fetched(SQLHSTMT statement, SQLRETURN result) {
  std::lock_guard lock(mutex_);
  auto found = statements_.find(statement);
  if (found == statements_.end()) return;
  found->second.getDataCalls.clear();
  if (result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO) {
    ++found->second.fetches;
  } else if (result == SQL_NO_DATA) {
    found->second.holdsResult = false;
  }
}

bool HandleRegistry::mayGetData(SQLHSTMT statement, SQLUSMALLINT column) {
  std::lock_guard lock(mutex_);
  auto found = statements_.find(statement);
  const Connection* connection = connectionOf(statement);
  if (found == statements_.end() || connection == nullptr) return true;
  Statement& state = found->second;
  const FaultSettings& settings = connection->settings;
  if (settings.noGetDataAnyColumn && !state.boundColumns.empty() && column <= *state.boundColumns.rbegin()) {
    // What a driver without SQL_GD_ANY_COLUMN answers.
    diagnostics_[statement] = Diagnostic{
        "07009", 0,
        std::string(kMessagePrefix) + "Invalid descriptor index: SQLGetData on column " + std::to_string(column) +
            ", not after the last bound column " + std::to_string(*state.boundColumns.rbegin())};
    return false;
  }
  std::uint32_t& calls = state.getDataCalls[column];
  if (settings.getDataFailAfter && calls >= *settings.getDataFailAfter) {
    diagnostics_[statement] = injected(settings, "SQLGetData on column " + std::to_string(column) + " after " +
                                                     std::to_string(*settings.getDataFailAfter) + " calls");
    return false;
  }
  ++calls;
  return true;
}

void HandleRegistry::columnBound(SQLHSTMT statement, SQLUSMALLINT column, bool bound) {
  std::lock_guard lock(mutex_);
  auto found = statements_.find(statement);
  if (found == statements_.end()) return;
  if (bound) {
    found->second.boundColumns.insert(column);
  } else {
    found->second.boundColumns.erase(column);
  }
}

void HandleRegistry::allColumnsUnbound(SQLHSTMT statement) {
  std::lock_guard lock(mutex_);
  if (auto found = statements_.find(statement); found != statements_.end()) found->second.boundColumns.clear();
}

}  // namespace sqelto_test_driver
