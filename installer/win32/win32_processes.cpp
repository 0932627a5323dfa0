// The four ways the installer starts other programs, plus the shell open.
#include "wide_text.h"
#include "win32_platform.h"

#include <shellapi.h>

#include <vector>

namespace kestrin::win32 {

namespace {

// The system's own message for an error code, as FormatMessageW gives it.
std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n > 0 && buffer ? std::wstring(buffer, n) : L"System error " + std::to_wstring(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return Narrow(text);
}

// CreateProcessW may write into the command line, so it gets its own copy.
std::vector<wchar_t> MutableLine(const std::string& line) {
  const std::wstring wide = Widen(line);
  std::vector<wchar_t> buffer(wide.begin(), wide.end());
  buffer.push_back(L'\0');
  return buffer;
}

// Processes pending window messages so the installer's windows keep painting
// and answering while it waits for another program.
void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // keep it for the main loop
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void WaitPumping(HANDLE process, DWORD stepMs) {
  while (WaitForSingleObject(process, stepMs) == WAIT_TIMEOUT) PumpMessages();
}

}  // namespace

bool Win32Platform::StartHidden(const std::string& commandLine) {
  // WinExec(line, SW_HIDE) does this, but in 8-bit text and at most 260
  // characters; CreateProcessW keeps non-Latin paths and long lines whole.
  std::vector<wchar_t> line = MutableLine(commandLine);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

ProcessStart Win32Platform::RunAndWait(const std::string& commandLine) {
  std::vector<wchar_t> line = MutableLine(commandLine);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &si, &pi)) {
    return {false, SystemErrorText(GetLastError())};
  }
  CloseHandle(pi.hThread);
  WaitPumping(pi.hProcess, 10);
  CloseHandle(pi.hProcess);
  return {true, {}};
}

bool Win32Platform::StartProcess(const std::string& commandLine, const std::string& workingFolder) {
  std::vector<wchar_t> line = MutableLine(commandLine);
  const std::wstring folder = Widen(workingFolder);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

ProcessStart Win32Platform::ShellOpenAndWait(const std::string& file, const std::string& parameters) {
  const std::wstring wfile = Widen(file);
  const std::wstring wparams = Widen(parameters);
  SHELLEXECUTEINFOW sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT;
  sei.hwnd = GetActiveWindow();
  sei.lpVerb = L"open";
  sei.lpFile = wfile.c_str();
  sei.lpParameters = wparams.empty() ? nullptr : wparams.c_str();
  sei.nShow = SW_HIDE;
  if (!ShellExecuteExW(&sei)) return {false, SystemErrorText(GetLastError())};
  if (sei.hProcess != nullptr) {
    WaitPumping(sei.hProcess, 50);
    CloseHandle(sei.hProcess);
  }
  return {true, {}};
}

void Win32Platform::ShellOpen(const std::string& target) {
  ShellExecuteW(fMainWindow, nullptr, Widen(target).c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace kestrin::win32
