#include "connection_hold.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace sqelto {
namespace {

// Every live hold, and the records moved out of host instances. Holds come
// and go with cursors, not with rows, so one list and one lock are enough;
// the lock keeps the lists sound when host threads make and drop cursors.
struct Holds {
  std::mutex mutex;
  std::vector<ConnectionHold*> holds;
  std::vector<ConnectionRecord*> moved;
};

Holds& AllHolds() {
  static Holds holds;
  return holds;
}

}  // namespace

ConnectionHold::ConnectionHold(ConnectionRecord* record) : record_(record) {
  {
    Holds& all = AllHolds();
    std::lock_guard lock(all.mutex);
    all.holds.push_back(this);
  }
  AddReference(record_);
}

ConnectionHold::~ConnectionHold() {
  {
    Holds& all = AllHolds();
    std::lock_guard lock(all.mutex);
    all.holds.erase(std::remove(all.holds.begin(), all.holds.end(), this), all.holds.end());
  }
  Release(record_);
}

ConnectionRecord* OutliveHostInstance(ConnectionRecord* instanceRecord) {
  Holds& all = AllHolds();
  std::lock_guard lock(all.mutex);
  const bool held = std::any_of(all.holds.begin(), all.holds.end(),
                                [&](const ConnectionHold* hold) { return hold->record_ == instanceRecord; });
  if (!held) return instanceRecord;

  auto* moved = static_cast<ConnectionRecord*>(std::malloc(sizeof(ConnectionRecord)));
  if (moved == nullptr) return instanceRecord;  // nothing better to do than what the holds already have
  std::memcpy(moved, instanceRecord, sizeof(ConnectionRecord));
  // The host releases the strings stored in the instance's properties.
  moved->dataSource = nullptr;
  moved->attributeString = nullptr;
  moved->dbms = nullptr;
  moved->databaseName = nullptr;
  // What the record owns (connection handle, last error text, trace stream)
  // now belongs to the moved record alone.
  instanceRecord->hdbc = nullptr;
  instanceRecord->lastErrorText = nullptr;
  instanceRecord->lastErrorCode = 0;
  instanceRecord->traceStream = nullptr;
  instanceRecord->traceOn = 0;
  instanceRecord->currentCursor = nullptr;
  instanceRecord->refCount = 0;
  for (ConnectionHold* hold : all.holds)
    if (hold->record_ == instanceRecord) hold->record_ = moved;
  all.moved.push_back(moved);
  return moved;
}

void NotifyConnectionClosing(ConnectionRecord* record) {
  // Copied first: a hold may not be called while the lock is held (it frees
  // its statement, which can take a while).
  std::vector<ConnectionHold*> affected;
  {
    Holds& all = AllHolds();
    std::lock_guard lock(all.mutex);
    for (ConnectionHold* hold : all.holds)
      if (hold->record() == record) affected.push_back(hold);
  }
  for (ConnectionHold* hold : affected) hold->ConnectionClosing();
}

void FreeAtLastRelease(ConnectionRecord* record) {
  Holds& all = AllHolds();
  std::lock_guard lock(all.mutex);
  all.moved.push_back(record);
}

void FreeIfMoved(ConnectionRecord* record) {
  {
    Holds& all = AllHolds();
    std::lock_guard lock(all.mutex);
    auto it = std::find(all.moved.begin(), all.moved.end(), record);
    if (it == all.moved.end()) return;
    all.moved.erase(it);
  }
  std::free(record);
}

}  // namespace sqelto
