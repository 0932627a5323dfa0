#include "installer_file.h"

#include "descriptor.h"
#include "file_reader_platform.h"
#include "pe_image.h"
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
// Authenticode aligns the certificate table to 8 bytes and pads the file to get there.
constexpr std::uint64_t kSignatureAlignment = 8;
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

void CheckStub(const std::filesystem::path& stub) {
    const std::uint64_t size = FileSize(stub, "stub");
    FileReaderPlatform reader;
    auto file = reader.Open(stub.string(), FileOpen::ReadExisting, FileShare::All);
    if (!file) throw PackError("cannot read the stub " + stub.string());
    const auto pe = ReadPeImageFacts(size, [&file](std::uint64_t offset, unsigned char* buffer, std::size_t count) {
        if (!file->Seek(offset)) return false;
        const auto got = file->Read(buffer, count);
        return got && *got == count;
    });
    if (!pe) throw PackError("cannot read the stub " + stub.string());
    if (!pe->isPe) throw PackError("the stub " + stub.string() + " is not a Windows executable");
    if (pe->certificates)
        throw PackError("the stub " + stub.string() +
                        " is signed: pack an unsigned stub and sign the finished installer");
    file.reset();
    if (LocatePayload(reader, stub.string()).found)
        throw PackError("the stub " + stub.string() + " already carries a payload: pack the bare KestrinStub.exe");
}

void BuildInstaller(const std::filesystem::path& stub, const PackConfig& config, const std::filesystem::path& out) {
    CheckStub(stub);
    const std::uint64_t stubSize = FileSize(stub, "stub");
    if (stubSize > kInt32Max) throw PackError("the stub is larger than 2 GiB");
    const std::string descriptorHex = EncodeDescriptor(DescriptorText(config));

    PayloadTrailer trailer;
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
    std::uint64_t payloadSize = descriptorHex.size() + kTrailerSize;
    for (const std::uint64_t pieceSize : pieceSizes) payloadSize += pieceSize;
    const std::uint64_t padding = (kSignatureAlignment - (stubSize + payloadSize) % kSignatureAlignment) % kSignatureAlignment;
    if (stubSize + padding > kInt32Max) throw PackError("the stub is larger than 2 GiB");
    trailer.payloadOffset = static_cast<std::int32_t>(stubSize + padding);

    std::filesystem::path temporary = out;
    temporary += ".partial";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) throw PackError("cannot create " + temporary.string());
        try {
            StreamFile(stub, file, stubSize);
            file.write(std::string(static_cast<std::size_t>(padding), '\0').data(), static_cast<std::streamsize>(padding));
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
    FileSize(installer, "installer");
    FileReaderPlatform reader;
    LocatedPayload payload = LocatePayload(reader, installer.string());
    for (const std::string& message : reader.messages) throw PackError(ReplaceAll(message, "\r\n", ": "));
    if (!payload.found) {
        throw PackError(installer.string() + ": no payload found where the installer looks for it");
    }
    InstallerSummary summary;
    summary.fileSize = payload.fileSize;
    summary.trailerOffset = payload.trailerOffset;
    summary.certificateTable = payload.certificateTable;
    summary.trailer.payloadOffset = payload.payloadOffset;
    summary.trailer.lengths = payload.lengths;
    const auto decoded = DecodeDescriptor(payload.pieces[kDescriptorPiece].ToString());
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
    if (summary.certificateTable)
        out << "signature       certificate table at " << summary.certificateTable->offset << ", "
            << summary.certificateTable->size << " bytes\n";
    else
        out << "signature       none\n";
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
