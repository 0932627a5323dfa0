// UTF-16 <-> UTF-8 for text crossing the wide ODBC calls. utf16ToUtf8 is on
// the per-value fetch path, so it works on caller buffers and never allocates.
#pragma once

#include <cstddef>
#include <string>

namespace odbc_bench {

// Converts `units` UTF-16 code units into at most `capacity` bytes of UTF-8 and
// returns the number of bytes written (no terminator). A character that would
// not fit whole ends the conversion; an unpaired surrogate becomes U+FFFD.
std::size_t utf16ToUtf8(const char16_t* in, std::size_t units, char* out, std::size_t capacity);

// Throws std::invalid_argument on malformed UTF-8.
std::u16string utf8ToUtf16(const std::string& utf8);

}  // namespace odbc_bench
