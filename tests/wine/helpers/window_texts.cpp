// Lists the visible top-level windows of the Wine session with their size and
// the texts of their controls, one window per line:
//   TITLE | CLASS | CLIENT-WIDTHxCLIENT-HEIGHT | child text | child text ...
// The end-to-end tests read message-box texts and dialog contents with it,
// which the X tools cannot see.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  for (char& c : s) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return s;
}

std::wstring TextOf(HWND w) {
  // WM_GETTEXT also reads edit controls of other processes.
  const LRESULT len = SendMessageW(w, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  SendMessageW(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  return text;
}

BOOL CALLBACK OnChild(HWND child, LPARAM out) {
  if (!IsWindowVisible(child)) return TRUE;
  auto* line = reinterpret_cast<std::string*>(out);
  *line += " | " + Utf8(TextOf(child));
  return TRUE;
}

BOOL CALLBACK OnTopLevel(HWND w, LPARAM) {
  if (!IsWindowVisible(w)) return TRUE;
  wchar_t cls[128] = {};
  GetClassNameW(w, cls, 128);
  RECT rc{};
  GetClientRect(w, &rc);
  std::string line = Utf8(TextOf(w)) + " | " + Utf8(cls) + " | " + std::to_string(rc.right) + "x" +
                     std::to_string(rc.bottom);
  EnumChildWindows(w, OnChild, reinterpret_cast<LPARAM>(&line));
  std::printf("%s\n", line.c_str());
  return TRUE;
}

}  // namespace

int wmain() {
  EnumWindows(OnTopLevel, 0);
  return 0;
}
