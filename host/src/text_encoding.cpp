// Conversion between the host's text encodings (UTF-8, UTF-16LE, code page
// 1252), written out here because the host must not depend on the process
// locale for it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tavro_host/string.h"

namespace tavro {
namespace {

// Code page 1252 bytes 0x80-0x9F; 0 marks the five unassigned bytes.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Decodes into `sink`, one code point at a time; false at the first byte
// that is not UTF-8.
template <class Sink>
bool decodeUtf8(std::string_view in, Sink&& sink) {
  size_t i = 0;
  while (i < in.size()) {
    const auto b = static_cast<unsigned char>(in[i]);
    char32_t cp;
    size_t extra;
    if (b < 0x80) { cp = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
    else return false;
    if (i + extra >= in.size()) return false;  // truncated sequence
    for (size_t k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(in[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not text.
    if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
      return false;
    sink(cp);
    i += extra + 1;
  }
  return true;
}

template <class Sink>
bool decodeUtf16(std::string_view in, Sink&& sink) {
  if (in.size() % 2) return false;
  for (size_t i = 0; i < in.size(); i += 2) {
    char32_t u = static_cast<unsigned char>(in[i]) | (static_cast<unsigned char>(in[i + 1]) << 8);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 3 >= in.size()) return false;
      char32_t lo = static_cast<unsigned char>(in[i + 2]) | (static_cast<unsigned char>(in[i + 3]) << 8);
      if (lo < 0xDC00 || lo > 0xDFFF) return false;
      u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
      i += 2;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return false;
    }
    sink(u);
  }
  return true;
}

void decodeCp1252(std::string_view in, std::vector<char32_t>& out) {
  for (char c : in) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80 && b <= 0x9F)
      out.push_back(kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : char32_t{b});
    else
      out.push_back(b);
  }
}

void encodeUtf8(const std::vector<char32_t>& in, std::string& out) {
  for (char32_t cp : in) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
}

void encodeUtf16(const std::vector<char32_t>& in, std::string& out) {
  auto unit = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (char32_t cp : in) {
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
}

void encodeCp1252(const std::vector<char32_t>& in, std::string& out) {
  for (char32_t cp : in) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (size_t k = 0; k < kCp1252High.size(); ++k)
      if (kCp1252High[k] == cp) mapped = static_cast<char>(0x80 + k);
    out += mapped;
  }
}

}  // namespace

bool isValidText(std::string_view bytes, Encoding encoding) {
  const auto ignore = [](char32_t) {};
  switch (encoding) {
    case Encoding::Utf8: return decodeUtf8(bytes, ignore);
    case Encoding::Utf16: return decodeUtf16(bytes, ignore);
    case Encoding::WinLatin1:
    case Encoding::Unknown: return true;  // every byte is a character, or the bytes are no text
  }
  return false;
}

bool convertText(std::string_view in, Encoding from, Encoding to, std::string& out) {
  // Text copied in its own encoding is still checked: bytes that say they
  // are UTF-8 or UTF-16 and are not must not pass as text.
  if (from == to || to == Encoding::Unknown) {
    if (to != Encoding::Unknown && !isValidText(in, from)) return false;
    out.assign(in);
    return true;
  }
  std::vector<char32_t> cps;
  const auto keep = [&cps](char32_t cp) { cps.push_back(cp); };
  switch (from) {
    case Encoding::Utf8:
    case Encoding::Unknown:  // bytes without a declared encoding are read as UTF-8
      if (!decodeUtf8(in, keep)) return false;
      break;
    case Encoding::Utf16:
      if (!decodeUtf16(in, keep)) return false;
      break;
    case Encoding::WinLatin1:
      decodeCp1252(in, cps);
      break;
    default:
      return false;
  }
  std::string result;
  switch (to) {
    case Encoding::Utf8: encodeUtf8(cps, result); break;
    case Encoding::Utf16: encodeUtf16(cps, result); break;
    case Encoding::WinLatin1: encodeCp1252(cps, result); break;
    default: return false;
  }
  out = std::move(result);
  return true;
}

}  // namespace tavro
