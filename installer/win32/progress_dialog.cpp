#include "progress_dialog.h"

#include "pixel_dialog.h"

#include <commctrl.h>

#include <algorithm>

namespace kestrin::win32 {

namespace {

constexpr int kBarId = 100;

INT_PTR CALLBACK ProgressProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SetClientSizeCentred(dlg, 167, 32);
    HWND bar = AddControl(dlg, PROGRESS_CLASSW, L"", WS_VISIBLE, 8, 8, 150, 17, kBarId, nullptr);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    return TRUE;
  }
  return FALSE;
}

// Lets the window and its bar paint now, without running the rest of the
// application's messages (the installer is in the middle of its sequence).
void PaintNow(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
}

}  // namespace

TProgressDlg::~TProgressDlg() {
  if (fWindow != nullptr) DestroyWindow(fWindow);
}

void TProgressDlg::Show(HWND owner, const std::wstring& caption) {
  if (fWindow == nullptr) {
    // A caption but no system menu: the window cannot be closed by the user.
    fWindow = CreatePixelDialog(owner, WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, ProgressProc, 0);
    if (fWindow == nullptr) return;
    fBar = GetDlgItem(fWindow, kBarId);
  }
  SetWindowTextW(fWindow, caption.c_str());
  SendMessageW(fBar, PBM_SETPOS, 0, 0);
  ShowWindow(fWindow, SW_SHOW);
  PaintNow(fWindow);
}

void TProgressDlg::SetPosition(int percent) {
  if (fWindow == nullptr) return;
  SendMessageW(fBar, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
  PaintNow(fWindow);
}

void TProgressDlg::Hide() {
  if (fWindow != nullptr) ShowWindow(fWindow, SW_HIDE);
}

}  // namespace kestrin::win32
