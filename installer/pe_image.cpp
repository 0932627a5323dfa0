#include "pe_image.h"

#include <algorithm>
#include <array>

namespace kestrin {

namespace {
constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kNewHeaderOffsetAt = 0x3C;
constexpr std::uint64_t kSignatureAndFileHeader = 4 + 20;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kSecurityDirectory = 4;
constexpr std::size_t kMaxOptionalHeader = 240;  // PE32+ with all 16 directories

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

std::optional<PeImageFacts> ReadPeImageFacts(std::uint64_t fileSize, const ReadAt& readAt) {
    PeImageFacts facts;
    if (fileSize < kDosHeaderSize) return facts;
    std::array<unsigned char, kDosHeaderSize> dos{};
    if (!readAt(0, dos.data(), dos.size())) return std::nullopt;
    if (dos[0] != 'M' || dos[1] != 'Z') return facts;
    const std::uint64_t peAt = Le32(dos.data() + kNewHeaderOffsetAt);
    if (peAt > fileSize || fileSize - peAt < kSignatureAndFileHeader + 2) return facts;

    std::array<unsigned char, kSignatureAndFileHeader> header{};
    if (!readAt(peAt, header.data(), header.size())) return std::nullopt;
    if (header[0] != 'P' || header[1] != 'E' || header[2] != 0 || header[3] != 0) return facts;
    const std::size_t optionalSize = Le16(header.data() + 4 + 16);
    const std::uint64_t optionalAt = peAt + kSignatureAndFileHeader;
    const std::size_t readable =
        static_cast<std::size_t>(std::min<std::uint64_t>({optionalSize, kMaxOptionalHeader, fileSize - optionalAt}));
    if (readable < 2) return facts;
    std::array<unsigned char, kMaxOptionalHeader> optional{};
    if (!readAt(optionalAt, optional.data(), readable)) return std::nullopt;

    const std::uint16_t magic = Le16(optional.data());
    std::size_t countAt = 0;
    if (magic == kPe32Magic) countAt = 92;
    else if (magic == kPe32PlusMagic) countAt = 108;
    else return facts;
    facts.isPe = true;
    const std::size_t directoriesAt = countAt + 4;
    const std::size_t entryAt = directoriesAt + 8 * kSecurityDirectory;
    if (readable < entryAt + 8 || Le32(optional.data() + countAt) <= kSecurityDirectory) return facts;
    const std::uint32_t offset = Le32(optional.data() + entryAt);
    const std::uint32_t size = Le32(optional.data() + entryAt + 4);
    if (offset != 0 || size != 0) facts.certificates = CertificateTable{offset, size};
    return facts;
}

}  // namespace kestrin
