// TProgressDlg: the small window with a bar that stands for the package
// installation while msiexec runs on its own.
#pragma once

#include <windows.h>

#include <string>

namespace kestrin::win32 {

class TProgressDlg {
public:
  TProgressDlg() = default;
  ~TProgressDlg();
  TProgressDlg(const TProgressDlg&) = delete;
  TProgressDlg& operator=(const TProgressDlg&) = delete;

  // Shows the window (not modal) with the bar at 0.
  void Show(HWND owner, const std::wstring& caption);
  // Moves the bar (0..100) and repaints at once: the caller sleeps between
  // steps without processing messages.
  void SetPosition(int percent);
  void Hide();

private:
  HWND fWindow = nullptr;
  HWND fBar = nullptr;
};

}  // namespace kestrin::win32
