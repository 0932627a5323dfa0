// Input to the shell must be UTF-8: the plug-in hands statement text to the
// driver as UTF-8, and a byte that is not would be replaced on the way,
// changing what runs. Such input is refused with the offset of the byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace sqelto_shell {

// The offset of the first byte of the first sequence that is not valid
// UTF-8 (overlong forms, surrogates, code points above U+10FFFF and
// sequences cut short are invalid), or nothing when all of it is valid.
std::optional<std::size_t> FirstInvalidUtf8(std::string_view text);

}  // namespace sqelto_shell
