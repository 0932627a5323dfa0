// Pre-install program for the end-to-end tests. It answers the installer's
// clipboard handshake the way its own file name asks, because the installer
// starts it without arguments:
//   ...Abort...exe  puts "KestrinAbort:" on the clipboard at once;
//   ...Wait...exe   puts "KestrinWait", keeps it there for a few seconds, then
//                   "KestrinDone:All set".
// Either way it first records the clipboard text it found (the install folder
// the installer announced) in C:\users\Public\preinstall-seen.txt.
#include <windows.h>

#include <string>

namespace {

std::wstring ReadClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
      text = p;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return text;
}

bool WriteClipboardText(const std::wstring& text) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
      HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes);
      bool ok = false;
      if (h) {
        memcpy(GlobalLock(h), text.c_str(), bytes);
        GlobalUnlock(h);
        ok = SetClipboardData(CF_UNICODETEXT, h) != nullptr;
        if (!ok) GlobalFree(h);
      }
      CloseClipboard();
      return ok;
    }
    Sleep(100);  // another process holds the clipboard for a moment
  }
  return false;
}

void RecordSeen(const std::wstring& seen) {
  HANDLE f = CreateFileW(L"C:\\users\\Public\\preinstall-seen.txt", GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  const int n = WideCharToMultiByte(CP_UTF8, 0, seen.c_str(), static_cast<int>(seen.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, seen.c_str(), static_cast<int>(seen.size()), utf8.data(), n,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(f, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(f);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring name = self;
  RecordSeen(ReadClipboardText());
  if (name.find(L"Abort") != std::wstring::npos) {
    return WriteClipboardText(L"KestrinAbort:") ? 0 : 1;
  }
  if (name.find(L"Wait") != std::wstring::npos) {
    if (!WriteClipboardText(L"KestrinWait")) return 1;
    Sleep(4000);
    return WriteClipboardText(L"KestrinDone:All set") ? 0 : 1;
  }
  return 0;
}
