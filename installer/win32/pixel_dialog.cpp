#include "pixel_dialog.h"

#include <map>

namespace kestrin::win32 {

namespace {

// DLGTEMPLATE followed by the empty menu, class and title arrays; the
// template must be DWORD-aligned, which the struct's first member guarantees.
struct EmptyTemplate {
  DLGTEMPLATE header;
  WORD menu = 0;
  WORD windowClass = 0;
  WORD title = 0;
};

EmptyTemplate MakeTemplate(DWORD style, DWORD exStyle) {
  EmptyTemplate t{};
  t.header.style = style;
  t.header.dwExtendedStyle = exStyle;
  return t;
}

}  // namespace

INT_PTR RunPixelDialog(HWND owner, DWORD style, DLGPROC proc, LPARAM param) {
  EmptyTemplate t = MakeTemplate(style, 0);
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &t.header, owner, proc, param);
}

HWND CreatePixelDialog(HWND owner, DWORD style, DWORD exStyle, DLGPROC proc, LPARAM param) {
  EmptyTemplate t = MakeTemplate(style, exStyle);
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &t.header, owner, proc, param);
}

HFONT TahomaFont(int pixelHeight) {
  static std::map<int, HFONT> fonts;
  HFONT& font = fonts[pixelHeight];
  if (font == nullptr) {
    // A negative height asks for the character height, as the layout gives it.
    font = CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"Tahoma");
  }
  return font;
}

void SetClientSizeCentred(HWND window, int width, int height) {
  RECT rc{0, 0, width, height};
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  AdjustWindowRectEx(&rc, style, FALSE, exStyle);
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  SetWindowPos(window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND AddControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, int x, int y,
                int width, int height, int id, HFONT font) {
  HWND control = CreateWindowExW(0, className, text.c_str(), WS_CHILD | style, x, y, width, height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (control != nullptr && font != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}


void SetNotesDefaultButton(HWND dialog, bool ask, HWND continueButton, HWND closeButton) {
  if (ask) {
    ShowWindow(continueButton, SW_SHOW);
    SendMessageW(dialog, DM_SETDEFID, GetDlgCtrlID(continueButton), 0);
    SetFocus(continueButton);
  } else {
    SendMessageW(closeButton, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    SendMessageW(dialog, DM_SETDEFID, GetDlgCtrlID(closeButton), 0);
    SetFocus(closeButton);
  }
}

}  // namespace kestrin::win32
