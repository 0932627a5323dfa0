#include "win32_clipboard.h"

#include <windows.h>

#include <cstring>

namespace kestrin::win32 {

namespace {

HWND gOwner = nullptr;

DWORD WINAPI OwnerThread(LPVOID ready) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KestrinClipboardOwner";
  RegisterClassW(&wc);
  gOwner = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           wc.hInstance, nullptr);
  SetEvent(static_cast<HANDLE>(ready));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

HWND Owner() {
  if (gOwner == nullptr) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, OwnerThread, ready, 0, nullptr);
    if (thread != nullptr) {
      WaitForSingleObject(ready, 5000);
      CloseHandle(thread);
    }
    CloseHandle(ready);
  }
  return gOwner;
}

// Another program may hold the clipboard for a moment; try for about a second.
bool OpenWithRetry(HWND owner) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

bool PutClipboardText(const std::wstring& text) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (mem == nullptr) return false;
  std::memcpy(GlobalLock(mem), text.c_str(), bytes);
  GlobalUnlock(mem);
  if (!OpenWithRetry(Owner())) {
    GlobalFree(mem);
    return false;
  }
  EmptyClipboard();
  const bool ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
  if (!ok) GlobalFree(mem);  // ownership passes to the system only on success
  CloseClipboard();
  return ok;
}

std::optional<std::wstring> TakeClipboardText() {
  if (!OpenWithRetry(nullptr)) return std::nullopt;
  std::wstring text;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
      // Bounded by the block's size: a foreign program may leave it unterminated.
      const size_t max = GlobalSize(h) / sizeof(wchar_t);
      text.assign(p, wcsnlen(p, max));
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace kestrin::win32
