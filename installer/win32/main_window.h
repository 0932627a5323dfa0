// The installer's main window: draws what TMainDlg says and forwards the
// button and link clicks to its handlers.
#pragma once

#include "main_dlg.h"

#include <windows.h>

#include <string>

namespace kestrin::win32 {

class MainWindow {
public:
  explicit MainWindow(TMainDlg& dlg) : fDlg(dlg) {}
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the (still hidden) window laid out from the current view.
  HWND Create();
  HWND Handle() const { return fWindow; }

private:
  static INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
  void Layout();
  void Refresh();
  void Paint();
  void OnButton(int id);
  bool OverUrl(POINT clientPoint) const;

  TMainDlg& fDlg;
  MainWindowView fView;
  HWND fWindow = nullptr;
  HBITMAP fImage = nullptr;
  std::string fImagePath;
  bool fBusy = false;  // a handler is running (it may process messages while it waits)
};

}  // namespace kestrin::win32
