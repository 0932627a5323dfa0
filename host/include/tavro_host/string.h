// Host strings as the host's C++ callers hold them: an RAII reference.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <tavro/plugin_sdk.h>

namespace tavro {

// Text encodings a host string can carry.
enum class Encoding : uint32_t {
  Unknown = 0,
  Utf8 = TAVRO_ENCODING_UTF8,
  Utf16 = TAVRO_ENCODING_UTF16,        // little-endian code units
  WinLatin1 = TAVRO_ENCODING_WINLATIN1 // Windows code page 1252
};

// One counted reference to a host string (or null, which the host treats as
// the empty string).
class String {
 public:
  String() noexcept = default;
  // Takes over a reference the caller owns (for example a plug-in result).
  static String adopt(TavroString raw) noexcept;
  // Adds a reference of its own.
  static String retain(TavroString raw) noexcept;
  // New strings: bytes copied as given, marked with the encoding.
  static String fromBytes(std::string_view bytes, Encoding encoding = Encoding::Utf8);
  static String fromUtf8(std::string_view text) { return fromBytes(text, Encoding::Utf8); }

  String(const String& other) noexcept;
  String(String&& other) noexcept;
  String& operator=(String other) noexcept;
  ~String();

  TavroString get() const noexcept { return raw_; }
  TavroString release() noexcept;  // hands the reference to the caller
  explicit operator bool() const noexcept { return raw_ != nullptr; }

  Encoding encoding() const noexcept;
  std::string bytes() const;  // as stored, in its own encoding
  // Converted to UTF-8; throws HostError when the bytes are not valid text
  // in their encoding.
  std::string utf8() const;
  int32_t referenceCount() const noexcept;

 private:
  explicit String(TavroString raw) noexcept : raw_(raw) {}
  TavroString raw_ = nullptr;
};

// A host string's bytes as the host itself reads them: directly, without a
// reference or an entry-point call (what a host program does with a value).
// Empty for null.
std::string_view bytesOf(TavroString raw) noexcept;

// Converts text between host encodings (copying it within one, checked).
// Returns false (out untouched) when the input is not valid in `from`;
// characters missing from code page 1252 become '?'.
bool convertText(std::string_view in, Encoding from, Encoding to, std::string& out);
// Whether the bytes are valid text in the encoding (always for code page
// 1252, and for Unknown, which declares no text).
bool isValidText(std::string_view bytes, Encoding encoding);

}  // namespace tavro
