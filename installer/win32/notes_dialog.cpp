#include "notes_dialog.h"

#include "pixel_dialog.h"
#include "wide_text.h"

namespace kestrin::win32 {

namespace {

constexpr int kMemoId = 100;
// Continue closes with IDOK and Quit with IDCANCEL, so Enter and Escape and
// the close box map onto them without extra code.
constexpr int kContinueId = IDOK;
constexpr int kQuitId = IDCANCEL;

// A short text gets a dialog 200 pixels lower with the buttons moved up.
constexpr int kCompactBy = 200;

INT_PTR CALLBACK NotesProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      const auto& r = *reinterpret_cast<const NotesRequest*>(lParam);
      const int shrink = r.compact ? kCompactBy : 0;
      SetWindowTextW(dlg, Widen(r.title).c_str());
      SetClientSizeCentred(dlg, 495, 406 - shrink);
      // Controls in tab order: the buttons first, as the dialog was designed.
      HWND cont = AddControl(dlg, L"BUTTON", Widen(r.continueCaption), WS_TABSTOP | BS_DEFPUSHBUTTON, 331,
                             373 - shrink, 75, 25, kContinueId, TahomaFont(13));
      HWND quit = AddControl(dlg, L"BUTTON", Widen(r.ask ? r.quitCaption : r.closeCaption),
                             WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 412, 373 - shrink, 75, 25, kQuitId,
                             TahomaFont(13));
      HWND memo = AddControl(dlg, L"EDIT", L"",
                             WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                 ES_AUTOVSCROLL,
                             8, 8, 479, 359 - shrink, kMemoId, TahomaFont(11));
      // The memo takes the text after creation: a window title would stop at 32K.
      SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);
      SetWindowTextW(memo, Widen(r.text).c_str());
      SetNotesDefaultButton(dlg, r.ask, cont, quit);
      return FALSE;  // focus set by hand
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kContinueId || LOWORD(wParam) == kQuitId) {
        // In view mode the hidden Continue button must not answer to Enter.
        const bool ask = IsWindowVisible(GetDlgItem(dlg, kContinueId)) != 0;
        EndDialog(dlg, LOWORD(wParam) == kContinueId && ask ? IDOK : IDCANCEL);
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      // A read-only edit is drawn as static; keep the memo white like a page.
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kMemoId) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    default: break;
  }
  return FALSE;
}

}  // namespace

bool RunNotesDialog(HWND owner, const NotesRequest& request) {
  // Visible from the start: the dialog manager would otherwise show it only once
  // its queue is idle, which a busy embedded browser may never let happen.
  const DWORD style = WS_VISIBLE | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER;
  return RunPixelDialog(owner, style, NotesProc, reinterpret_cast<LPARAM>(&request)) == IDOK;
}

}  // namespace kestrin::win32
