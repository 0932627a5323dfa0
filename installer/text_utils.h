// Small text helpers shared by the installer procedures.
#pragma once

#include <string>
#include <string_view>

namespace kestrin {

inline constexpr std::string_view kCrLf = "\r\n";

bool StartsWith(std::string_view text, std::string_view prefix);
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);
// "|" stands for a line break in the descriptor's long texts.
std::string LineMarksToCrLf(const std::string& text);
// UTF-16 code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// The text in double quotes, as one argument of a command line.
std::string Quoted(std::string_view text);
// ASCII-only case-insensitive comparison (file extensions).
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace kestrin
