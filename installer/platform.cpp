#include "platform.h"

#include <algorithm>
#include <vector>

namespace kestrin {

std::uint64_t Platform::CopyBytes(PlatformFile& from, PlatformFile& to, std::uint64_t length) {
    constexpr std::size_t kBuffer = std::size_t{1} << 20;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(length, kBuffer)));
    std::uint64_t copied = 0;
    while (copied < length) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(length - copied, buffer.size()));
        const auto got = from.Read(buffer.data(), want);
        if (!got || *got == 0) break;
        const auto put = to.Write(buffer.data(), *got);
        if (!put) break;
        copied += *put;
        if (*put != *got) break;
    }
    return copied;
}

}  // namespace kestrin
