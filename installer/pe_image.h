// The few facts of a Windows executable's headers the installer and the
// packer need: is it one, and does it carry a certificate table (the
// Authenticode signature that signing appends at the end of the file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace kestrin {

// The security directory of the PE optional header: unlike every other data
// directory it holds a file offset, not a memory address.
struct CertificateTable {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct PeImageFacts {
    bool isPe = false;  // "MZ", a PE signature and a PE32 or PE32+ optional header
    std::optional<CertificateTable> certificates;  // present when the directory is not empty
};

// Reads `size` bytes at `offset` of the file; false on an I/O error.
using ReadAt = std::function<bool(std::uint64_t offset, unsigned char* buffer, std::size_t size)>;

// Reads the headers of a file of `fileSize` bytes. Header fields are never
// trusted: anything outside the file or malformed gives isPe == false. Only
// a failing read gives nullopt.
std::optional<PeImageFacts> ReadPeImageFacts(std::uint64_t fileSize, const ReadAt& readAt);

}  // namespace kestrin
