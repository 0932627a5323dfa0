#include "payload.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace kestrin {

// ---- Blob ----------------------------------------------------------------

Blob Blob::FromBytes(std::string_view bytes) {
    Blob blob;
    if (!bytes.empty()) std::memcpy(blob.AppendChunk(bytes.size()), bytes.data(), bytes.size());
    return blob;
}

Blob Blob::FromFileSlice(FileSlice slice) {
    Blob blob;
    if (slice.length > 0 && slice.file) blob.fSlice = std::move(slice);
    return blob;
}

std::string Blob::Read() const {
    if (!fSlice) return ToString();
    if (!fSlice->file->Seek(fSlice->offset)) return {};
    std::string bytes(static_cast<std::size_t>(fSlice->length), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto got = fSlice->file->Read(bytes.data() + done, bytes.size() - done);
        if (!got || *got == 0) return {};
        done += *got;
    }
    return bytes;
}

unsigned char* Blob::AppendChunk(std::size_t size) {
    Chunk chunk;
    chunk.data.reset(new unsigned char[size == 0 ? 1 : size]);
    chunk.size = size;
    fSize += size;
    fChunks.push_back(std::move(chunk));
    return fChunks.back().data.get();
}

void Blob::ShrinkLastChunk(std::size_t newSize) {
    if (fChunks.empty() || newSize > fChunks.back().size) return;
    fSize -= fChunks.back().size - newSize;
    fChunks.back().size = newSize;
}

void Blob::ReleaseChunk(std::size_t index) {
    if (index >= fChunks.size()) return;
    fSize -= fChunks[index].size;
    fChunks[index].data.reset();
    fChunks[index].size = 0;
}

void Blob::Clear() {
    fSlice.reset();
    fChunks.clear();
    fChunks.shrink_to_fit();
    fSize = 0;
}

std::string Blob::ToString() const {
    std::string text;
    text.reserve(static_cast<std::size_t>(fSize));
    for (const Chunk& chunk : fChunks)
        if (chunk.data) text.append(reinterpret_cast<const char*>(chunk.data.get()), chunk.size);
    return text;
}

// ---- PayloadTrailer ------------------------------------------------------

namespace {
std::int32_t ReadLe32(const unsigned char* p) {
    const std::uint32_t value = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                (static_cast<std::uint32_t>(p[2]) << 16) |
                                (static_cast<std::uint32_t>(p[3]) << 24);
    return static_cast<std::int32_t>(value);
}
void WriteLe32(unsigned char* p, std::int32_t signedValue) {
    const auto value = static_cast<std::uint32_t>(signedValue);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}
}  // namespace

PayloadTrailer PayloadTrailer::Parse(const unsigned char* bytes) {
    PayloadTrailer trailer;
    trailer.payloadOffset = ReadLe32(bytes);
    for (std::size_t k = 0; k < kPieceCount; ++k) trailer.lengths[k] = ReadLe32(bytes + 4 + 4 * k);
    return trailer;
}

std::array<unsigned char, kTrailerSize> PayloadTrailer::Serialise() const {
    std::array<unsigned char, kTrailerSize> bytes{};
    WriteLe32(bytes.data(), payloadOffset);
    for (std::size_t k = 0; k < kPieceCount; ++k) WriteLe32(bytes.data() + 4 + 4 * k, lengths[k]);
    std::memcpy(bytes.data() + 28, kTrailerMarker.data(), kTrailerMarker.size());
    return bytes;
}

// ---- LocatePayload ---------------------------------------------------------

namespace {

// Pieces are read in chunks of this size so that no single allocation has to
// hold a whole package and so that writing can release memory as it goes.
constexpr std::size_t kReadChunk = std::size_t{64} << 20;
constexpr std::uint64_t kFirstSearchWindow = 10'000;
constexpr std::uint64_t kSecondSearchWindow = 100'000;
constexpr std::uint32_t kRetryPauseMs = 1000;

bool ReadExact(PlatformFile& file, std::uint64_t offset, unsigned char* buffer, std::size_t size) {
    if (!file.Seek(offset)) return false;
    std::size_t done = 0;
    while (done < size) {
        const auto got = file.Read(buffer + done, size - done);
        if (!got || *got == 0) return false;
        done += *got;
    }
    return true;
}

bool HasMarker(const unsigned char* trailer) {
    return std::memcmp(trailer + 28, kTrailerMarker.data(), kTrailerMarker.size()) == 0;
}

enum class SearchResult { Found, NotFound, IoError };

// Searches the last `window` bytes of the file for the first marker; the
// trailer is the 32 bytes that end with it.
SearchResult SearchWindow(PlatformFile& file, std::uint64_t fileSize, std::uint64_t window,
                          std::uint64_t& trailerPos, unsigned char* trailer) {
    if (fileSize <= window) return SearchResult::NotFound;
    std::vector<unsigned char> tail(static_cast<std::size_t>(window));
    const std::uint64_t start = fileSize - window;
    if (!ReadExact(file, start, tail.data(), tail.size())) return SearchResult::IoError;
    const auto hit = std::search(tail.begin(), tail.end(), kTrailerMarker.begin(), kTrailerMarker.end());
    if (hit == tail.end()) return SearchResult::NotFound;
    const std::uint64_t markerPos = start + static_cast<std::uint64_t>(hit - tail.begin());
    if (markerPos < 28) return SearchResult::NotFound;
    trailerPos = markerPos - 28;
    if (!ReadExact(file, trailerPos, trailer, kTrailerSize)) return SearchResult::IoError;
    return HasMarker(trailer) ? SearchResult::Found : SearchResult::NotFound;
}

}  // namespace

LocatedPayload LocatePayload(Platform& platform, const std::string& path) {
    int step = 100;
    auto failed = [&]() {
        platform.ShowMessage("Installer: " + path + "\r\nFailed Step " + std::to_string(step));
        return LocatedPayload{};
    };

    step = 101;
    // Kept open for the pieces; without write or delete sharing the file
    // cannot be altered, renamed away or replaced while they are still read.
    std::shared_ptr<PlatformFile> file = platform.Open(path, FileOpen::ReadExisting, FileShare::ReadOnly);
    if (!file) return failed();
    step = 102;
    const auto size = file->Size();
    if (!size) return failed();
    if (*size < kTrailerSize) return {};  // too short to carry a trailer at all

    const auto pe = ReadPeImageFacts(*size, [&file](std::uint64_t offset, unsigned char* buffer, std::size_t count) {
        return ReadExact(*file, offset, buffer, count);
    });
    if (!pe) return failed();

    unsigned char trailer[kTrailerSize];
    std::uint64_t trailerPos = *size - kTrailerSize;
    bool found = false;
    if (pe->certificates) {
        // Signing appends the certificate table after the trailer, and a
        // signature vouches for nothing inside its table: a marker there
        // could point anywhere. Only the trailer that ends where the table
        // begins counts.
        const CertificateTable& table = *pe->certificates;
        if (table.offset < kTrailerSize || table.offset > *size || table.size > *size - table.offset) return {};
        trailerPos = table.offset - kTrailerSize;
        if (!ReadExact(*file, trailerPos, trailer, kTrailerSize)) return failed();
        step = 103;
        found = HasMarker(trailer);
    } else {
        if (!ReadExact(*file, trailerPos, trailer, kTrailerSize)) return failed();
        step = 103;
        found = HasMarker(trailer);
        if (!found) {
            // Data appended after the trailer; look a little further back.
            const auto first = SearchWindow(*file, *size, kFirstSearchWindow, trailerPos, trailer);
            if (first == SearchResult::IoError) return failed();
            found = first == SearchResult::Found;
        }
        if (!found) {
            // The same handle is searched again: closing and reopening would
            // let another file take the path in between.
            platform.Pause(kRetryPauseMs);
            const auto second = SearchWindow(*file, *size, kSecondSearchWindow, trailerPos, trailer);
            if (second == SearchResult::IoError) return failed();
            found = second == SearchResult::Found;
        }
    }
    step = 104;
    if (!found) return {};

    const PayloadTrailer parsed = PayloadTrailer::Parse(trailer);
    // The pieces lie between the payload offset and the trailer; anything
    // else is a damaged or foreign trailer and the installer runs without it.
    if (parsed.payloadOffset < 0 || static_cast<std::uint64_t>(parsed.payloadOffset) > trailerPos) return {};

    step = kPayloadReadStep;
    LocatedPayload result;
    result.lengths = parsed.lengths;
    result.payloadOffset = parsed.payloadOffset;
    result.trailerOffset = trailerPos;
    result.fileSize = *size;
    result.certificateTable = pe->certificates;
    std::uint64_t position = static_cast<std::uint64_t>(parsed.payloadOffset);
    if (!file->Seek(position)) return failed();
    for (std::size_t k = 0; k < kPieceCount; ++k) {
        const std::uint64_t wanted = parsed.lengths[k] > 0 ? static_cast<std::uint64_t>(parsed.lengths[k]) : 0;
        std::uint64_t remaining = std::min(wanted, trailerPos - position);
        if (k != kDescriptorPiece) {
            // Binary pieces stay in the file until they are written out.
            result.pieces[k] = Blob::FromFileSlice({file, position, remaining});
            position += remaining;
            if (remaining > 0 && !file->Seek(position)) return failed();
            continue;
        }
        position += remaining;
        while (remaining > 0) {
            const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kReadChunk));
            unsigned char* target = result.pieces[k].AppendChunk(chunk);
            std::size_t done = 0;
            while (done < chunk) {
                const auto got = file->Read(target + done, chunk - done);
                if (!got || *got == 0) return failed();
                done += *got;
            }
            remaining -= chunk;
        }
    }
    step = 106;
    step = 107;
    result.found = true;
    return result;
}

}  // namespace kestrin
