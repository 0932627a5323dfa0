#include "platform.h"

#include <algorithm>
#include <vector>

namespace kestrin {

CopyResult Platform::CopyBytes(PlatformFile& from, PlatformFile& to, std::uint64_t length) {
    constexpr std::size_t kBuffer = std::size_t{1} << 20;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(length, kBuffer)));
    CopyResult result;
    while (result.copied < length) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(length - result.copied, buffer.size()));
        const auto got = from.Read(buffer.data(), want);
        if (!got || *got == 0) {
            result.sourceFailed = true;
            break;
        }
        const auto put = to.Write(buffer.data(), *got);
        if (!put) break;
        result.copied += *put;
        if (*put != *got) break;
    }
    return result;
}

}  // namespace kestrin
