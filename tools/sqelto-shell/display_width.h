// How many columns of a terminal UTF-8 text takes: East Asian wide
// characters and most emoji two, combining marks and other zero-width
// characters none, everything else one. The same table on every platform,
// so that tables line up alike on Linux and Windows consoles (which have no
// wcwidth).
#pragma once

#include <cstddef>
#include <string>

namespace sqelto_shell {

std::size_t DisplayWidth(const std::string& utf8);

}  // namespace sqelto_shell
