// Ctrl-C on Windows: the console calls the handler on a thread of its own,
// which may call into ODBC (SQLCancel) as the POSIX watcher thread does.
#include "interrupt_watcher.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "odbc/running_statements.h"

namespace sqelto_shell {
namespace {

std::atomic<sqelto::ConnectionRecord*> g_record{nullptr};

void Say(const char* text) {
  // Straight to the handle: the message must not wait for a stream another thread holds.
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  sqelto::ConnectionRecord* record = g_record.load();
  if (record != nullptr && sqelto::CancelRunningStatement(record)) {
    Say("sqelto-shell: cancelling the running statement\n");
    return TRUE;
  }
  Say("\n");
  std::_Exit(130);  // as on POSIX systems, what an uncaught Ctrl-C does
}

}  // namespace

void InterruptWatcher::BlockInterruptsInThisProcess() {}  // the console calls the handler; nothing to block

InterruptWatcher::InterruptWatcher(sqelto::ConnectionRecord* record) : record_(record) {
  g_record = record_;
  sqelto::AllowStatementCancel();  // prepared runs too can be cancelled from now on
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptWatcher::~InterruptWatcher() {
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  g_record = nullptr;
}

}  // namespace sqelto_shell
