// The payload carried after the executable image, and how the installer
// finds it in its own file.
#pragma once

#include "pe_image.h"
#include "platform.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

// A payload piece: either bytes in memory, held as a list of chunks so that
// writing it out can release each chunk as soon as it is on disk, or a range
// of an open file that is streamed out when written, so a large package is
// never held in memory at all. The range is read through the handle the
// payload was found with, never by path again: the file at the installer's
// path may have been replaced since.
class Blob {
public:
    struct FileSlice {
        std::shared_ptr<PlatformFile> file;  // shared by the pieces of one payload
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };

    struct Chunk {
        std::unique_ptr<unsigned char[]> data;
        std::size_t size = 0;
    };

    Blob() = default;
    Blob(Blob&&) noexcept = default;
    Blob& operator=(Blob&&) noexcept = default;

    static Blob FromBytes(std::string_view bytes);
    static Blob FromFileSlice(FileSlice slice);

    std::uint64_t Size() const { return fSlice ? fSlice->length : fSize; }
    bool Empty() const { return Size() == 0; }
    // The file range this piece stands for, when it is one.
    const std::optional<FileSlice>& Slice() const { return fSlice; }
    // All the bytes, whichever form the piece has ("" when a slice cannot be read).
    std::string Read() const;
    // Appends `size` uninitialised bytes and gives their address, for readers
    // that fill the chunk in place.
    unsigned char* AppendChunk(std::size_t size);
    // Drops the last `size` bytes of the last chunk (a short read).
    void ShrinkLastChunk(std::size_t newSize);
    std::vector<Chunk>& Chunks() { return fChunks; }
    const std::vector<Chunk>& Chunks() const { return fChunks; }
    // Releases the chunk at `index` and accounts for it.
    void ReleaseChunk(std::size_t index);
    void Clear();
    // A copy of the bytes as text (for the descriptor, which is small).
    std::string ToString() const;

private:
    std::vector<Chunk> fChunks;
    std::uint64_t fSize = 0;
    std::optional<FileSlice> fSlice;
};

inline constexpr std::size_t kTrailerSize = 32;
inline constexpr std::string_view kTrailerMarker = "KSTR";
inline constexpr std::size_t kPieceCount = 6;
// The step LocatePayload reports when reading the pieces fails; reading a
// piece later, when it is written out, fails at the same step.
inline constexpr int kPayloadReadStep = 105;

enum PieceIndex : std::size_t {
    kDescriptorPiece = 0,
    kImagePiece = 1,
    kPackagePiece = 2,
    kPreInstallPiece = 3,
    kPostInstallPiece = 4,
    kPreUninstallPiece = 5,
};

// The 32-byte trailer: payload offset, six piece lengths, marker.
struct PayloadTrailer {
    std::int32_t payloadOffset = 0;
    std::array<std::int32_t, kPieceCount> lengths{};

    static PayloadTrailer Parse(const unsigned char* bytes);  // 32 bytes, marker not checked
    std::array<unsigned char, kTrailerSize> Serialise() const;
};

struct LocatedPayload {
    bool found = false;
    std::array<Blob, kPieceCount> pieces;
    // The trailer's length words as stored (possibly negative or larger than
    // the file); the pieces above are what the file actually holds.
    std::array<std::int32_t, kPieceCount> lengths{};
    std::int32_t payloadOffset = 0;
    std::uint64_t trailerOffset = 0;
    std::uint64_t fileSize = 0;
    std::optional<CertificateTable> certificateTable;  // a signed installer's
};

// Finds the trailer of the installer file at `path`. The descriptor is read
// into memory; the five binary pieces come back as slices of the file, read
// through the handle opened here. That handle lets others read the file but
// not write, rename or delete it (FILE_SHARE_READ), so the file the pieces
// come from stays at its path for as long as a piece is left to write.
// A signed file (one with a certificate table) has its trailer exactly where
// the table begins, whatever the table's size: the only place the signature
// vouches for. Other files are searched at their end, then in their last
// 10,000 and (after a one-second pause) 100,000 bytes.
// A file without a marker gives found == false silently; an I/O error shows
// "Installer: PATH" CR LF "Failed Step N". Lengths and offsets from the trailer
// are never trusted: negative lengths count as 0, pieces stop at the trailer,
// an offset outside the file means "not found".
LocatedPayload LocatePayload(Platform& platform, const std::string& path);

}  // namespace kestrin
