#include "installer_file.h"

#include "descriptor.h"
#include "text_utils.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <ostream>
#include <system_error>
#include <vector>

namespace kestrin::pack {

namespace {
constexpr std::size_t kStreamBlock = std::size_t{1} << 20;
constexpr std::uint64_t kInt32Max = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
constexpr std::uint64_t kSearchWindow = 100'000;
const std::array<std::string_view, kPieceCount> kPieceNames = {"Descriptor", "Image", "Package",
                                                               "PreInstall", "PostInstall", "PreUninstall"};

std::uint64_t FileSize(const std::filesystem::path& file, const std::string& what) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error) throw PackError(what + " " + file.string() + ": " + error.message());
    return size;
}

// Copies a whole file into `out` a block at a time; pieces can be hundreds of MB.
void StreamFile(const std::filesystem::path& file, std::ofstream& out, std::uint64_t expected) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw PackError("cannot read " + file.string());
    std::vector<char> block(kStreamBlock);
    std::uint64_t copied = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) break;
        out.write(block.data(), static_cast<std::streamsize>(got));
        if (!out) throw PackError("cannot write the installer (disk full?)");
        copied += got;
    }
    if (in.bad() || copied != expected) throw PackError(file.string() + " changed or could not be read while packing");
}
}  // namespace

void BuildInstaller(const std::filesystem::path& stub, const PackConfig& config, const std::filesystem::path& out) {
    const std::uint64_t stubSize = FileSize(stub, "stub");
    if (stubSize > kInt32Max) throw PackError("the stub is larger than 2 GiB");
    const std::string descriptorHex = EncodeDescriptor(DescriptorText(config));

    PayloadTrailer trailer;
    trailer.payloadOffset = static_cast<std::int32_t>(stubSize);
    if (descriptorHex.size() > kInt32Max) throw PackError("the descriptor is too long");
    trailer.lengths[kDescriptorPiece] = static_cast<std::int32_t>(descriptorHex.size());
    std::array<std::uint64_t, kBinaryPieceCount> pieceSizes{};
    for (std::size_t i = 0; i < kBinaryPieceCount; ++i) {
        if (!config.pieceFiles[i]) continue;
        pieceSizes[i] = FileSize(*config.pieceFiles[i], std::string(kPieceKeys[i]));
        if (pieceSizes[i] > kInt32Max)
            throw PackError(std::string(kPieceKeys[i]) + " " + config.pieceFiles[i]->string() +
                            " is larger than the format's 2 GiB limit");
        trailer.lengths[i + 1] = static_cast<std::int32_t>(pieceSizes[i]);
    }

    std::filesystem::path temporary = out;
    temporary += ".partial";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) throw PackError("cannot create " + temporary.string());
        try {
            StreamFile(stub, file, stubSize);
            file.write(descriptorHex.data(), static_cast<std::streamsize>(descriptorHex.size()));
            for (std::size_t i = 0; i < kBinaryPieceCount; ++i)
                if (config.pieceFiles[i]) StreamFile(*config.pieceFiles[i], file, pieceSizes[i]);
            const auto bytes = trailer.Serialise();
            file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            file.flush();
            if (!file) throw PackError("cannot write " + temporary.string() + " (disk full?)");
        } catch (...) {
            file.close();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, out, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw PackError("cannot create " + out.string());
    }
}

InstallerSummary ReadInstallerSummary(const std::filesystem::path& installer) {
    InstallerSummary summary;
    summary.fileSize = FileSize(installer, "installer");
    std::ifstream in(installer, std::ios::binary);
    if (!in) throw PackError("cannot read " + installer.string());
    if (summary.fileSize < kTrailerSize) throw PackError(installer.string() + ": too short to be an installer");

    const std::uint64_t window = std::min(summary.fileSize, kSearchWindow);
    std::vector<unsigned char> tail(static_cast<std::size_t>(window));
    in.seekg(static_cast<std::streamoff>(summary.fileSize - window));
    in.read(reinterpret_cast<char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    if (!in) throw PackError("cannot read " + installer.string());
    std::size_t markerAt;
    if (std::memcmp(tail.data() + tail.size() - 4, kTrailerMarker.data(), 4) == 0) {
        markerAt = tail.size() - 4;
    } else {
        const auto hit = std::search(tail.begin(), tail.end(), kTrailerMarker.begin(), kTrailerMarker.end());
        if (hit == tail.end() || hit - tail.begin() < 28)
            throw PackError(installer.string() + ": no installer trailer (\"KSTR\") found");
        markerAt = static_cast<std::size_t>(hit - tail.begin());
    }
    summary.trailerOffset = summary.fileSize - window + markerAt - 28;
    summary.trailer = PayloadTrailer::Parse(tail.data() + markerAt - 28);

    const std::int32_t offset = summary.trailer.payloadOffset;
    const std::int32_t hexLength = summary.trailer.lengths[kDescriptorPiece];
    if (offset < 0 || hexLength < 0 ||
        static_cast<std::uint64_t>(offset) + static_cast<std::uint64_t>(hexLength) > summary.trailerOffset)
        throw PackError(installer.string() + ": the trailer points outside the file");
    std::string hex(static_cast<std::size_t>(hexLength), '\0');
    in.clear();
    in.seekg(offset);
    in.read(hex.data(), hexLength);
    if (!in) throw PackError("cannot read the descriptor of " + installer.string());
    const auto decoded = DecodeDescriptor(hex);
    if (!decoded) throw PackError(installer.string() + ": the descriptor is not hexadecimal text");
    summary.descriptorText = Utf16ToUtf8(*decoded);
    const auto fields = SplitFields(summary.descriptorText, kFieldSeparator);
    summary.fieldCount = fields.size();
    for (std::size_t i = 0; i < kDescriptorFieldCount && i < fields.size(); ++i) summary.fields[i] = fields[i];
    return summary;
}

void PrintSummary(const InstallerSummary& summary, std::ostream& out) {
    out << "file size       " << summary.fileSize << "\n";
    out << "trailer at      " << summary.trailerOffset << " (marker KSTR)\n";
    out << "payload offset  " << summary.trailer.payloadOffset << "\n";
    out << "pieces:\n";
    for (std::size_t k = 0; k < kPieceCount; ++k)
        out << "  " << kPieceNames[k] << std::string(14 - kPieceNames[k].size(), ' ') << summary.trailer.lengths[k]
            << " bytes\n";
    out << "fields (" << summary.fieldCount << " in the descriptor):\n";
    for (std::size_t i = 0; i < kDescriptorFieldCount; ++i)
        out << "  " << (i < 10 ? " " : "") << i << " " << kDescriptorFieldNames[i] << " = " << summary.fields[i]
            << "\n";
}

}  // namespace kestrin::pack
