#include "utf_conversion.hpp"

#include <stdexcept>

namespace odbc_bench {

std::size_t utf16ToUtf8(const char16_t* in, std::size_t units, char* out, std::size_t capacity) {
  std::size_t written = 0;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t code = in[i];
    if (code < 0x80) {
      if (written == capacity) break;
      out[written++] = char(code);
      continue;
    }
    if (code >= 0xD800 && code <= 0xDFFF) {
      const bool pairs = code <= 0xDBFF && i + 1 < units && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF;
      if (pairs) {
        code = 0x10000 + ((code - 0xD800) << 10) + (in[i + 1] - 0xDC00);
        ++i;
      } else {
        code = 0xFFFD;
      }
    }
    const std::size_t length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    if (capacity - written < length) break;
    char* p = out + written;
    switch (length) {
      case 2:
        p[0] = char(0xC0 | (code >> 6));
        p[1] = char(0x80 | (code & 0x3F));
        break;
      case 3:
        p[0] = char(0xE0 | (code >> 12));
        p[1] = char(0x80 | ((code >> 6) & 0x3F));
        p[2] = char(0x80 | (code & 0x3F));
        break;
      default:
        p[0] = char(0xF0 | (code >> 18));
        p[1] = char(0x80 | ((code >> 12) & 0x3F));
        p[2] = char(0x80 | ((code >> 6) & 0x3F));
        p[3] = char(0x80 | (code & 0x3F));
        break;
    }
    written += length;
  }
  return written;
}

std::u16string utf8ToUtf16(const std::string& utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += char16_t(lead);
      ++i;
      continue;
    }
    std::size_t extra;
    char32_t code;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07;
    } else {
      throw std::invalid_argument("malformed UTF-8: stray byte at offset " + std::to_string(i));
    }
    if (extra > n - i - 1) throw std::invalid_argument("malformed UTF-8: cut character at offset " + std::to_string(i));
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80)
        throw std::invalid_argument("malformed UTF-8: bad continuation at offset " + std::to_string(i + k));
      code = (code << 6) | (next & 0x3F);
    }
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      throw std::invalid_argument("malformed UTF-8: no such character at offset " + std::to_string(i));
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += char16_t(0xD800 + (code >> 10));
      out += char16_t(0xDC00 + (code & 0x3FF));
    } else {
      out += char16_t(code);
    }
  }
  return out;
}

}  // namespace odbc_bench
