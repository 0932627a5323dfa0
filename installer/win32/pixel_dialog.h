// Dialog windows laid out in pixels. The installer's windows are specified in
// pixels at 96 dots per inch, not in dialog units, so each one is an empty
// in-memory dialog template whose controls are placed by hand in
// WM_INITDIALOG; the dialog manager still gives modality, Tab order, the
// default button, Enter and Escape.
#pragma once

#include <windows.h>

#include <string>

namespace kestrin::win32 {

// Modal: returns the value given to EndDialog, or -1 when it cannot be shown.
INT_PTR RunPixelDialog(HWND owner, DWORD style, DLGPROC proc, LPARAM param);
// Modeless: the caller shows and destroys it.
HWND CreatePixelDialog(HWND owner, DWORD style, DWORD exStyle, DLGPROC proc, LPARAM param);

// Tahoma of the given character height in pixels (cached for the whole run).
HFONT TahomaFont(int pixelHeight);

// Gives the window a client area of width x height and centres it on the screen.
void SetClientSizeCentred(HWND window, int width, int height);

// Creates a child control at pixel coordinates with its font.
HWND AddControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, int x, int y,
                int width, int height, int id, HFONT font);


// The notes dialogs' two buttons: in ask mode Continue shows and is the
// default; in view mode the other button only closes and is the default.
// Focus goes to the default button (the caller returns FALSE from
// WM_INITDIALOG).
void SetNotesDefaultButton(HWND dialog, bool ask, HWND continueButton, HWND closeButton);

}  // namespace kestrin::win32
