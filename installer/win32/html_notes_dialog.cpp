#include "html_notes_dialog.h"

#include "browser_host.h"
#include "pixel_dialog.h"
#include "wide_text.h"

namespace kestrin::win32 {

namespace {

constexpr int kContinueId = IDOK;
constexpr int kQuitId = IDCANCEL;
constexpr UINT_PTR kTimer1 = 1;
constexpr INT_PTR kNoDocument = 100;  // apart from IDOK and IDCANCEL

struct THtmlNotesDlg {
  const NotesRequest* request = nullptr;
  std::wstring fMsg;
  BrowserHost WebBrowser1;
};

THtmlNotesDlg* StateOf(HWND dlg) { return reinterpret_cast<THtmlNotesDlg*>(GetWindowLongPtrW(dlg, DWLP_USER)); }

// FormCreate: the browser fills the dialog but for a margin and the button row.
RECT BrowserRect(HWND dlg) {
  RECT outer{};
  GetWindowRect(dlg, &outer);
  return RECT{16, 8, 16 + (outer.right - outer.left) - 43, 8 + (outer.bottom - outer.top) - 84};
}

INT_PTR CALLBACK HtmlNotesProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* self = reinterpret_cast<THtmlNotesDlg*>(lParam);
      SetWindowLongPtrW(dlg, DWLP_USER, lParam);
      const NotesRequest& r = *self->request;
      SetWindowTextW(dlg, Widen(r.title).c_str());
      SetClientSizeCentred(dlg, 741, 576);
      HWND cont = AddControl(dlg, L"BUTTON", Widen(r.continueCaption), WS_TABSTOP | BS_DEFPUSHBUTTON, 558, 543,
                             75, 25, kContinueId, TahomaFont(13));
      HWND quit = AddControl(dlg, L"BUTTON", Widen(r.ask ? r.quitCaption : r.closeCaption),
                             WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 646, 543, 75, 25, kQuitId, TahomaFont(13));
      if (!self->WebBrowser1.Create(dlg, BrowserRect(dlg))) {
        EndDialog(dlg, kNoDocument);
        return TRUE;
      }
      SetNotesDefaultButton(dlg, r.ask, cont, quit);
      // The document is written on the first tick, once the dialog shows.
      SetTimer(dlg, kTimer1, 100, nullptr);
      return FALSE;
    }
    case WM_TIMER:
      if (wParam == kTimer1) {
        KillTimer(dlg, kTimer1);
        THtmlNotesDlg* self = StateOf(dlg);
        if (!LoadDocFromString(self->WebBrowser1.Browser(), self->fMsg)) EndDialog(dlg, kNoDocument);
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kContinueId || LOWORD(wParam) == kQuitId) {
        const bool ask = IsWindowVisible(GetDlgItem(dlg, kContinueId)) != 0;
        EndDialog(dlg, LOWORD(wParam) == kContinueId && ask ? IDOK : IDCANCEL);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      if (THtmlNotesDlg* self = StateOf(dlg)) self->WebBrowser1.Destroy();  // stop the browser
      break;
    default: break;
  }
  return FALSE;
}

}  // namespace

HtmlNotesResult RunHtmlNotesDialog(HWND owner, const NotesRequest& request) {
  THtmlNotesDlg self;
  self.request = &request;
  self.fMsg = Widen(request.text);
  // Visible from the start: the dialog manager would otherwise show it only once
  // its queue is idle, which a busy embedded browser may never let happen.
  const DWORD style = WS_VISIBLE | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER;
  const INT_PTR result = RunPixelDialog(owner, style, HtmlNotesProc, reinterpret_cast<LPARAM>(&self));
  if (result == IDOK) return HtmlNotesResult::Continue;
  if (result == IDCANCEL) return HtmlNotesResult::Quit;
  return HtmlNotesResult::NoDocument;  // also when the dialog could not be made at all
}

}  // namespace kestrin::win32
