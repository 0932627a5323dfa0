// Clipboard text for the installer's handshake with its auxiliary programs.
#pragma once

#include <optional>
#include <string>

namespace kestrin::win32 {

// Replaces the clipboard with `text` as CF_UNICODETEXT. The clipboard is owned
// by a hidden window on a thread of its own that always processes messages, so
// another program emptying the clipboard never waits on the installer's user-
// interface thread while that one sleeps between polls.
bool PutClipboardText(const std::wstring& text);

// The clipboard's text ("" when it holds none); nullopt when it cannot be opened.
std::optional<std::wstring> TakeClipboardText();

}  // namespace kestrin::win32
