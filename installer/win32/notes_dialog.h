// TNotesDlg: the plain-text notes dialog (start-up notes, agreement, Info
// text, release notes).
#pragma once

#include "platform.h"

#include <windows.h>

namespace kestrin::win32 {

// Shows the dialog modally; true exactly when it closed with Continue.
bool RunNotesDialog(HWND owner, const NotesRequest& request);

}  // namespace kestrin::win32
