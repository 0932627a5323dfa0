#include "query_guard.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "last_error.h"

namespace sqelto {
namespace {

// The host only changes the list from attached threads, which its runtime
// lock serialises; the mutex keeps the list sound for hosts that do not.
std::mutex& GuardMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<ConnectionRecord*>& GuardList() {
  static std::vector<ConnectionRecord*> list;
  return list;
}

}  // namespace

bool GuardEnter(ConnectionRecord* record) {
  {
    std::lock_guard lock(GuardMutex());
    auto& list = GuardList();
    if (std::find(list.begin(), list.end(), record) == list.end()) {
      list.push_back(record);
      return true;
    }
  }
  SetLastError(record, kQueryInProgressCode, kQueryInProgressText);
  return false;
}

void GuardLeave(ConnectionRecord* record) {
  std::lock_guard lock(GuardMutex());
  auto& list = GuardList();
  list.erase(std::remove(list.begin(), list.end(), record), list.end());
}

bool GuardBusy(ConnectionRecord* record) {
  std::lock_guard lock(GuardMutex());
  const auto& list = GuardList();
  return std::find(list.begin(), list.end(), record) != list.end();
}

}  // namespace sqelto
