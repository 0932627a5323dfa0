#include "text_conversion.h"

#include <cstring>

#include "../frame/hot_path.h"

namespace sqelto::odbc {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at bytes[i]; advances i past what was consumed.
char32_t DecodeUtf8(const unsigned char* bytes, std::size_t length, std::size_t& i) {
  const unsigned char lead = bytes[i++];
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t code = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, code = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, code = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, code = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= length || (bytes[i] & 0xC0) != 0x80) return kReplacement;  // the stray byte is read again
    code = (code << 6) | (bytes[i++] & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
  return code;
}

// Reads one code point from UTF-16; lone surrogates become U+FFFD.
char32_t DecodeUtf16(const Utf16Unit* units, std::size_t count, std::size_t& i) {
  const char32_t unit = units[i++];
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    if (i < count && units[i] >= 0xDC00 && units[i] <= 0xDFFF) {
      return 0x10000 + ((unit - 0xD800) << 10) + (units[i++] - 0xDC00);
    }
    return kReplacement;
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) return kReplacement;
  return unit;
}

std::size_t Utf8Width(char32_t code) {
  return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

// Code page 1252 bytes 0x80-0x9F; the rest equals Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::vector<Utf16Unit> Utf8ToUtf16(const char* bytes, std::size_t length) {
  std::vector<Utf16Unit> out;
  Utf8ToUtf16(bytes, length, out);
  return out;
}

void Utf8ToUtf16(const char* bytes, std::size_t length, std::vector<Utf16Unit>& out) {
  // Every sequence (or stray byte) of n >= 1 bytes gives at most n units, so
  // length + 1 units hold the text and its terminator; written in place, with
  // runs of ASCII copied straight, as most text is.
  out.resize(length + 1);
  Utf16Unit* o = out.data();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < length;) {
    // Eight ASCII bytes at a time while eight remain (no byte has its high bit).
    while (i + 8 <= length) {
      std::uint64_t eight;
      std::memcpy(&eight, in + i, sizeof eight);
      if ((eight & 0x8080808080808080ull) != 0) break;
      for (int k = 0; k < 8; ++k) o[k] = in[i + k];
      o += 8;
      i += 8;
    }
    while (i < length && in[i] < 0x80) *o++ = in[i++];
    if (i >= length) break;
    char32_t code = DecodeUtf8(in, length, i);
    if (code >= 0x10000) {
      code -= 0x10000;
      *o++ = static_cast<Utf16Unit>(0xD800 + (code >> 10));
      *o++ = static_cast<Utf16Unit>(0xDC00 + (code & 0x3FF));
    } else {
      *o++ = static_cast<Utf16Unit>(code);
    }
  }
  *o++ = 0;
  out.resize(static_cast<std::size_t>(o - out.data()));
}

std::vector<Utf16Unit> Cp1252ToUtf16(const char* bytes, std::size_t length) {
  std::vector<Utf16Unit> out;
  Cp1252ToUtf16(bytes, length, out);
  return out;
}

void Cp1252ToUtf16(const char* bytes, std::size_t length, std::vector<Utf16Unit>& out) {
  out.clear();
  out.reserve(length + 1);
  for (std::size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    out.push_back(byte >= 0x80 && byte <= 0x9F ? kCp1252High[byte - 0x80] : byte);
  }
  out.push_back(0);
}

SQELTO_HOT std::size_t Utf16ToUtf8(const Utf16Unit* units, std::size_t count, char* out, std::size_t capacity) {
  auto* o = reinterpret_cast<unsigned char*>(out);
  std::size_t written = 0;
  std::size_t i = 0;
  while (i < count) {
    // Most text is ASCII: copy runs of it four units at a time while four
    // fit (a unit is ASCII when its high nine bits are 0).
    while (i + 4 <= count && written + 4 <= capacity) {
      std::uint64_t four;
      std::memcpy(&four, units + i, sizeof four);
      if ((four & 0xFF80FF80FF80FF80ull) != 0) break;
      for (int k = 0; k < 4; ++k) o[written + k] = static_cast<unsigned char>(units[i + k]);
      i += 4;
      written += 4;
    }
    // The rest of a run, and runs shorter than four.
    while (i < count && units[i] < 0x80 && written < capacity) o[written++] = static_cast<unsigned char>(units[i++]);
    if (i >= count || written >= capacity) break;
    const Utf16Unit unit = units[i];
    if (unit < 0x80) {
      continue;
    } else if (unit < 0x800) {
      if (written + 2 > capacity) break;
      o[written] = static_cast<unsigned char>(0xC0 | (unit >> 6));
      o[written + 1] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
      written += 2;
      ++i;
    } else if (unit < 0xD800 || unit > 0xDFFF) {
      if (written + 3 > capacity) break;
      o[written] = static_cast<unsigned char>(0xE0 | (unit >> 12));
      o[written + 1] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
      o[written + 2] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
      written += 3;
      ++i;
    } else {
      // A surrogate: a pair makes one character beyond the BMP, a lone one U+FFFD.
      std::size_t next = i;
      const char32_t code = DecodeUtf16(units, count, next);
      const std::size_t width = Utf8Width(code);
      if (written + width > capacity) break;
      if (width == 3) {
        o[written] = static_cast<unsigned char>(0xE0 | (code >> 12));
        o[written + 1] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        o[written + 2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
      } else {
        o[written] = static_cast<unsigned char>(0xF0 | (code >> 18));
        o[written + 1] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
        o[written + 2] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        o[written + 3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
      }
      written += width;
      i = next;
    }
  }
  return written;
}

std::size_t Utf8LengthOf(const Utf16Unit* units, std::size_t count) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < count;) total += Utf8Width(DecodeUtf16(units, count, i));
  return total;
}

std::size_t Utf16Length(const Utf16Unit* units, std::size_t max) {
  std::size_t n = 0;
  while (n < max && units[n] != 0) ++n;
  return n;
}

}  // namespace sqelto::odbc
