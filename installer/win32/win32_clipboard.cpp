#include "win32_clipboard.h"

#include <windows.h>

#include <cstring>
#include <mutex>

namespace kestrin::win32 {

namespace {

// The hidden window that owns what the installer puts on the clipboard. It is
// made once, on a thread of its own; the handle is only ever read or written
// under the lock, since that thread may finish making it after a caller has
// stopped waiting.
struct OwnerWindow {
  std::mutex lock;
  HWND window = nullptr;
  bool started = false;
  HANDLE ready = nullptr;  // lives as long as the process: the thread may signal it late
};

OwnerWindow& Owner() {
  static OwnerWindow owner;
  return owner;
}

DWORD WINAPI OwnerThread(LPVOID) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KestrinClipboardOwner";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
  OwnerWindow& owner = Owner();
  {
    std::lock_guard<std::mutex> guard(owner.lock);
    owner.window = window;
  }
  SetEvent(owner.ready);
  if (window == nullptr) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

// The owner window, made on first use; nullptr when it could not be made.
HWND OwnerWindowHandle() {
  OwnerWindow& owner = Owner();
  {
    std::lock_guard<std::mutex> guard(owner.lock);
    if (owner.window != nullptr) return owner.window;
    if (!owner.started) {
      owner.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      HANDLE thread = owner.ready ? CreateThread(nullptr, 0, OwnerThread, nullptr, 0, nullptr) : nullptr;
      if (thread == nullptr) return nullptr;
      CloseHandle(thread);
      owner.started = true;
    }
  }
  WaitForSingleObject(owner.ready, 5000);
  std::lock_guard<std::mutex> guard(owner.lock);
  return owner.window;
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
  // Without an owner window EmptyClipboard leaves the clipboard ownerless and
  // SetClipboardData fails: report that rather than leave old text behind.
  HWND owner = OwnerWindowHandle();
  if (owner == nullptr) return false;
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (mem == nullptr) return false;
  void* locked = GlobalLock(mem);
  if (locked == nullptr) {
    GlobalFree(mem);
    return false;
  }
  std::memcpy(locked, text.c_str(), bytes);
  GlobalUnlock(mem);
  if (!OpenWithRetry(owner)) {
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
