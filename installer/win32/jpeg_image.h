// Decodes the background JPEG with the Windows Imaging Component.
#pragma once

#include <windows.h>

#include <string>

namespace kestrin::win32 {

// A 32-bit top-down DIB section with the decoded picture, or nullptr when the
// file is missing or cannot be decoded (the window then shows no image).
HBITMAP LoadJpegBitmap(const std::wstring& path);

}  // namespace kestrin::win32
