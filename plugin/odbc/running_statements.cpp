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

std::atomic<bool> gCancelAllowed{false};

}  // namespace

void AllowStatementCancel() { gCancelAllowed.store(true, std::memory_order_relaxed); }
bool StatementCancelAllowed() { return gCancelAllowed.load(std::memory_order_relaxed); }

RunningStatement::RunningStatement(ConnectionRecord* record, SQLHSTMT statement) : record_(record) {
  Running& running = AllRunning();
  std::lock_guard lock(running.mutex);
  running.statements.emplace_back(record, statement);
}

RunningStatement::~RunningStatement() {
  Running& running = AllRunning();
  std::lock_guard lock(running.mutex);
  auto& list = running.statements;
  list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& entry) { return entry.first == record_; }),
             list.end());
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
