// THtmlNotesDlg: notes whose text is HTML, written into an embedded browser.
#pragma once

#include "platform.h"

#include <windows.h>

namespace kestrin::win32 {

enum class HtmlNotesResult {
  Continue,    // closed with the Continue button
  Quit,        // closed with Quit, the close box or Escape
  NoDocument,  // no browser document could be had; nothing useful was shown
};

HtmlNotesResult RunHtmlNotesDialog(HWND owner, const NotesRequest& request);

}  // namespace kestrin::win32
