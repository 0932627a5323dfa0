#include "utf8_check.h"

namespace sqelto_shell {

std::optional<std::size_t> FirstInvalidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra = 0;
    // The lowest and highest second byte each lead allows (this excludes
    // overlong forms, surrogates and code points above U+10FFFF).
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return i;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
      // A sequence cut short or broken is reported at its first byte.
      if (i + k >= size) return i;
      const unsigned char next = bytes[i + k];
      if (k == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80) return i;
    }
    i += extra + 1;
  }
  return std::nullopt;
}

}  // namespace sqelto_shell
