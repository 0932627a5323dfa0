// UTF-8 (the core's text) <-> UTF-16 (the Windows API's text).
#pragma once

#include <string>

namespace kestrin::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

}  // namespace kestrin::win32
