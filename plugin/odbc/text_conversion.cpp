#include "text_conversion.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Copies the leading ASCII units of the eight at units[i] to out[written]:
// all eight when all are ASCII, else those before the first that is not. It
// stores eight bytes either way: the caller leaves enough room that the
// conversion of these eight units overwrites every byte stored beyond them.
// Returns the number of ASCII units copied.
SQELTO_HOT inline std::size_t CopyAsciiOfEight(const Utf16Unit* units, unsigned char* out) {
#if defined(__SSE2__)
  const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  // A unit is ASCII when its high nine bits are 0: two mask bits per unit.
  const __m128i high = _mm_and_si128(eight, _mm_set1_epi16(static_cast<short>(0xFF80)));
  const unsigned ascii = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(eight, eight));
  return ascii == 0xFFFF ? 8 : static_cast<std::size_t>(__builtin_ctz(~ascii)) / 2;
#else
  std::size_t n = 0;
  while (n < 8 && units[n] < 0x80) {
    out[n] = static_cast<unsigned char>(units[n]);
    ++n;
  }
  return n;
#endif
}

SQELTO_HOT std::size_t Utf16ToUtf8(const Utf16Unit* units, std::size_t count, char* out, std::size_t capacity) {
  auto* o = reinterpret_cast<unsigned char*>(out);
  std::size_t written = 0;
  std::size_t i = 0;
  // Eight units give at most 8 x 3 bytes, or 25 when the eighth starts a
  // pair: with that much room they are converted whole, and bytes the
  // eight-byte store left beyond the ASCII ones are overwritten.
  constexpr std::size_t kEightRoom = 8 * 3 + 1;
  while (i < count) {
    // Most text is mostly ASCII: copy it eight units at a time, up to the
    // next unit that is not, while eight remain and there is room.
    if (i + 8 <= count && written + kEightRoom <= capacity) {
      const std::size_t copied = CopyAsciiOfEight(units + i, o + written);
      i += copied;
      written += copied;
      if (copied == 8) continue;
    } else {
      // Near the end of the text or of the room: one unit at a time.
      while (i < count && units[i] < 0x80 && written < capacity) o[written++] = static_cast<unsigned char>(units[i++]);
      if (i >= count || written >= capacity) break;
    }
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
