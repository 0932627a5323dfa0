#include "main_window.h"

#include "jpeg_image.h"
#include "pixel_dialog.h"
#include "wide_text.h"

#include <algorithm>

namespace kestrin::win32 {

namespace {

enum ControlId { kQuitBtn = 101, kInstallBtn, kInfoBtn, kUninstallBtn };

// Design geometry of the main window, in pixels.
constexpr int kClientWidth = 397;
constexpr int kClientHeight = 222;
constexpr RECT kImageRect{0, 0, 396, 165};
constexpr RECT kLabel1Rect{8, 80, 8 + 381, 80 + 13};
constexpr RECT kUrlRect{8, 109, 8 + 381, 109 + 13};
constexpr RECT kCopyrightRect{8, 210, 8 + 381, 210 + 13};

void SetButton(HWND dlg, int id, const std::string& caption, bool visible, bool enabled) {
  HWND button = GetDlgItem(dlg, id);
  SetWindowTextW(button, Widen(caption).c_str());
  ShowWindow(button, visible ? SW_SHOWNA : SW_HIDE);
  EnableWindow(button, enabled ? TRUE : FALSE);
}

// A line longer than its box is cut at the box, as a fixed-size label is.
void DrawLabel(HDC dc, const std::string& text, RECT rect, int fontHeight, COLORREF colour, UINT align) {
  const std::wstring wide = Widen(text);
  SelectObject(dc, TahomaFont(fontHeight));
  SetTextColor(dc, colour);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect,
            align | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

MainWindow::~MainWindow() {
  if (fImage != nullptr) DeleteObject(fImage);
}

HWND MainWindow::Create() {
  // A fixed-size window with the system menu only; on the task bar.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  fWindow = CreatePixelDialog(nullptr, style, WS_EX_APPWINDOW, Proc, reinterpret_cast<LPARAM>(this));
  return fWindow;
}

INT_PTR CALLBACK MainWindow::Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dlg, DWLP_USER, lParam);
      self = reinterpret_cast<MainWindow*>(lParam);
      self->fWindow = dlg;
      self->Layout();
      self->Refresh();
      SetFocus(GetDlgItem(dlg, kQuitBtn));  // first in the tab order
      return FALSE;
    case WM_PAINT:
      self->Paint();
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) >= kQuitBtn && LOWORD(wParam) <= kUninstallBtn) {
        self->OnButton(LOWORD(wParam));
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == 0) return TRUE;  // Escape does not quit
      break;
    case WM_LBUTTONUP: {
      const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (!self->fBusy && self->OverUrl(p)) {
        self->fBusy = true;
        self->fDlg.URLLabelClick();
        self->fBusy = false;
        self->Refresh();
      }
      return TRUE;
    }
    case WM_SETCURSOR: {
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(dlg, &p);
      if (LOWORD(lParam) == HTCLIENT && self->OverUrl(p)) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
        SetWindowLongPtrW(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      break;
    }
    case WM_CLOSE:
      if (!self->fBusy) {
        self->fDlg.QuitBtnClick();
        DestroyWindow(dlg);
      }
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    default: break;
  }
  return FALSE;
}

void MainWindow::Layout() {
  SetClientSizeCentred(fWindow, kClientWidth, kClientHeight);
  // Created in tab order: Quit, Install, Info, Uninstall.
  const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
  AddControl(fWindow, L"BUTTON", L"Quit", button, 231, 179, 75, 25, kQuitBtn, TahomaFont(11));
  AddControl(fWindow, L"BUTTON", L"Install", button, 312, 179, 75, 25, kInstallBtn, TahomaFont(11));
  AddControl(fWindow, L"BUTTON", L"Info", button, 8, 179, 75, 25, kInfoBtn, TahomaFont(11));
  AddControl(fWindow, L"BUTTON", L"Uninstall", button, 89, 179, 75, 25, kUninstallBtn, TahomaFont(11));
}

void MainWindow::Refresh() {
  fView = fDlg.View();
  SetWindowTextW(fWindow, Widen(fView.windowCaption).c_str());
  SetButton(fWindow, kQuitBtn, fView.quitCaption, true, true);
  SetButton(fWindow, kInstallBtn, fView.installCaption, true, fView.installEnabled);
  SetButton(fWindow, kInfoBtn, fView.infoCaption, fView.infoVisible, true);
  SetButton(fWindow, kUninstallBtn, fView.uninstallCaption, fView.uninstallVisible, true);
  // A button that was hidden or disabled cannot keep the focus; give it to
  // the first control of the tab order so the keyboard still works.
  HWND focus = GetFocus();
  if (focus == nullptr || GetParent(focus) != fWindow || !IsWindowVisible(focus) || !IsWindowEnabled(focus)) {
    SendMessageW(fWindow, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(fWindow, kQuitBtn)), TRUE);
  }
  if (fView.backgroundImagePath != fImagePath) {
    fImagePath = fView.backgroundImagePath;
    if (fImage != nullptr) DeleteObject(fImage);
    // A missing or broken image leaves the window working without it.
    fImage = LoadJpegBitmap(Widen(fImagePath));
  }
  InvalidateRect(fWindow, nullptr, TRUE);
}

void MainWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(fWindow, &ps);
  if (fImage != nullptr) {
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, fImage);
    BITMAP bm{};
    GetObjectW(fImage, sizeof bm, &bm);
    // Drawn at its own size from the top left, cut at the image area.
    BitBlt(dc, 0, 0, std::min<int>(bm.bmWidth, kImageRect.right), std::min<int>(bm.bmHeight, kImageRect.bottom),
           mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, TahomaFont(11));
  if (fView.messageVisible) {
    DrawLabel(dc, fView.messageText, kLabel1Rect, 11, GetSysColor(COLOR_WINDOWTEXT),
              fView.messageCentered ? DT_CENTER : DT_LEFT);
  }
  if (fView.urlVisible) DrawLabel(dc, fView.urlText, kUrlRect, 11, RGB(0, 0, 255), DT_CENTER);
  DrawLabel(dc, fView.copyrightText, kCopyrightRect, 9, GetSysColor(COLOR_WINDOWTEXT), DT_LEFT);
  SelectObject(dc, oldFont);
  EndPaint(fWindow, &ps);
}

bool MainWindow::OverUrl(POINT p) const { return fView.urlVisible && PtInRect(&kUrlRect, p); }

void MainWindow::OnButton(int id) {
  if (fBusy) return;  // a running action pumps messages; one action at a time
  fBusy = true;
  // The installation disables its button for good as its first step; show
  // that at once, since the handler only returns when everything is done.
  if (id == kInstallBtn) EnableWindow(GetDlgItem(fWindow, kInstallBtn), FALSE);
  switch (id) {
    case kQuitBtn: fDlg.QuitBtnClick(); break;
    case kInstallBtn: fDlg.InstallBtnClick(); break;
    case kInfoBtn: fDlg.InfoBtnClick(); break;
    case kUninstallBtn: fDlg.UninstallBtnClick(); break;
    default: break;
  }
  fBusy = false;
  if (fDlg.ShouldEnd()) {
    DestroyWindow(fWindow);
    return;
  }
  Refresh();
}

}  // namespace kestrin::win32
