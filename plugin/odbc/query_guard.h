// The process-wide list of connections with a statement executing. A second
// statement on such a connection (from another host thread, while the first
// runs detached) is refused with 48879 instead of reaching the driver.
#pragma once

#include "connection_record.h"

namespace sqelto {

// False (and the last error set to 48879) when the record already runs one.
bool GuardEnter(ConnectionRecord* record);
void GuardLeave(ConnectionRecord* record);
// True while a statement runs on the record (from another thread, detached).
bool GuardBusy(ConnectionRecord* record);

// Enters on construction, leaves on destruction when it entered.
class QueryGuard {
public:
  explicit QueryGuard(ConnectionRecord* record) : record_(record), entered_(GuardEnter(record)) {}
  ~QueryGuard() {
    if (entered_) GuardLeave(record_);
  }
  QueryGuard(const QueryGuard&) = delete;
  QueryGuard& operator=(const QueryGuard&) = delete;
  bool entered() const { return entered_; }

private:
  ConnectionRecord* record_;
  bool entered_;
};

}  // namespace sqelto
