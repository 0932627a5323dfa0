// Ctrl-C while a statement runs asks the driver to cancel it on the server
// (SQLCancel, through the plug-in's registry of running statements); the
// statement then fails with the driver's message and the shell goes on as
// after any error. Ctrl-C when nothing runs ends the shell (status 130).
//
// SIGINT is taken away from every thread and waited for by one thread of
// its own, which may call into ODBC (a signal handler may not).
#pragma once

#include <atomic>
#include <thread>

#include "odbc/connection_record.h"

namespace sqelto_shell {

class InterruptWatcher {
public:
  // Call before any other thread starts: threads inherit the blocked signal.
  static void BlockInterruptsInThisProcess();

  // Watches for SIGINT from now on; `record` is the connection whose
  // running statement Ctrl-C cancels (null: Ctrl-C only ends the shell).
  explicit InterruptWatcher(sqelto::ConnectionRecord* record);
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

private:
  void Watch();
  sqelto::ConnectionRecord* record_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace sqelto_shell
