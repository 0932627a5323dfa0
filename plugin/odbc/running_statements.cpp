#include "running_statements.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace sqelto {
namespace {

struct Running {
  std::mutex mutex;
  std::vector<std::pair<ConnectionRecord*, SQLHSTMT>> statements;
};

Running& AllRunning() {
  static Running running;
  return running;
}

}  // namespace

std::atomic<bool> running_detail::cancelAllowed{false};

void AllowStatementCancel() { running_detail::cancelAllowed.store(true, std::memory_order_relaxed); }

RunningStatement::RunningStatement(ConnectionRecord* record, SQLHSTMT statement)
    : record_(record), statement_(statement) {
  Running& running = AllRunning();
  std::lock_guard lock(running.mutex);
  running.statements.emplace_back(record, statement);
}

RunningStatement::~RunningStatement() {
  Running& running = AllRunning();
  std::lock_guard lock(running.mutex);
  auto& list = running.statements;
  // Only this registration: a fetch on one of the record's cursors may be
  // registered while another thread's statement runs on the same record.
  const auto mine = std::find(list.begin(), list.end(), std::make_pair(record_, statement_));
  if (mine != list.end()) list.erase(mine);
}

SQLRETURN FetchRegistered(ConnectionRecord* record, SQLHSTMT statement) {
  RunningStatement running(record, statement);
  return SQLFetch(statement);
}

SQLRETURN FetchScrollRegistered(ConnectionRecord* record, SQLHSTMT statement, SQLSMALLINT orientation) {
  RunningStatement running(record, statement);
  return SQLFetchScroll(statement, orientation, 0);
}

bool CancelRunningStatement(ConnectionRecord* record) {
  Running& running = AllRunning();
  std::lock_guard lock(running.mutex);
  for (const auto& [owner, statement] : running.statements) {
    if (owner != record) continue;
    SQLCancel(statement);
    return true;
  }
  return false;
}

}  // namespace sqelto
