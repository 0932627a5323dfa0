#include "interrupt_watcher.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "odbc/running_statements.h"

namespace sqelto_shell {
namespace {

sigset_t InterruptSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  return set;
}

void Say(const char* text) {
  // Plain write: the message must not wait for a stream another thread holds.
  const ssize_t ignored = write(STDERR_FILENO, text, std::char_traits<char>::length(text));
  (void)ignored;
}

}  // namespace

void InterruptWatcher::BlockInterruptsInThisProcess() {
  const sigset_t set = InterruptSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

InterruptWatcher::InterruptWatcher(sqelto::ConnectionRecord* record)
    : record_(record), thread_([this] { Watch(); }) {
  sqelto::AllowStatementCancel();  // prepared runs too can be cancelled from now on
}

InterruptWatcher::~InterruptWatcher() {
  stopping_ = true;
  pthread_kill(thread_.native_handle(), SIGINT);
  thread_.join();
}

void InterruptWatcher::Watch() {
  const sigset_t set = InterruptSet();
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0) continue;
    if (stopping_) return;
    if (record_ != nullptr && sqelto::CancelRunningStatement(record_)) {
      Say("sqelto-shell: cancelling the running statement\n");
      continue;
    }
    Say("\n");
    std::_Exit(130);  // what an uncaught Ctrl-C does
  }
}

}  // namespace sqelto_shell
