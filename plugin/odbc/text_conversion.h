// Text conversions between the host's byte encodings and ODBC's UTF-16.
//
// The same code runs on Windows and POSIX so both builds convert alike:
// invalid input becomes U+FFFD (as the Windows converters do without their
// strict flag) and nothing is ever written past a caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sqelto::odbc {

using Utf16Unit = std::uint16_t;

// UTF-8 bytes to UTF-16 units; the result ends with one NUL unit that is not
// counted by the conversion (result.size() - 1 units of text). At most one
// unit per input byte is produced.
std::vector<Utf16Unit> Utf8ToUtf16(const char* bytes, std::size_t length);

// Windows code page 1252 ("Windows Latin-1") bytes to UTF-16, NUL-terminated
// like Utf8ToUtf16. The five undefined bytes map to the C1 controls, as the
// Windows converter does.
std::vector<Utf16Unit> Cp1252ToUtf16(const char* bytes, std::size_t length);

// The same into `out`, whose storage is reused (for values converted again
// and again).
void Utf8ToUtf16(const char* bytes, std::size_t length, std::vector<Utf16Unit>& out);
void Cp1252ToUtf16(const char* bytes, std::size_t length, std::vector<Utf16Unit>& out);

// UTF-16 units to UTF-8 into out[0 .. capacity). Stops before a character
// that would not fit whole, so a cut text is still valid UTF-8. Returns the
// bytes written; no terminator is added.
std::size_t Utf16ToUtf8(const Utf16Unit* units, std::size_t count, char* out, std::size_t capacity);

// The UTF-8 length of units[0 .. count), for sizing buffers.
std::size_t Utf8LengthOf(const Utf16Unit* units, std::size_t count);

// Number of units before the first NUL, looking at no more than max units.
std::size_t Utf16Length(const Utf16Unit* units, std::size_t max);

}  // namespace sqelto::odbc
