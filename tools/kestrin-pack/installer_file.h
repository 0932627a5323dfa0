// Writing an installer (stub + payload + trailer) and reading one back.
#pragma once

#include "pack_config.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>

namespace kestrin::pack {

// Streams the stub, the descriptor and the pieces into `out` (through a
// temporary file renamed at the end, so a failure leaves no half installer).
// The stub must be an unsigned Windows executable without a payload. Zero
// bytes between stub and payload make the installer's length a multiple of
// 8, so that signing appends its certificate table right after the trailer.
void BuildInstaller(const std::filesystem::path& stub, const PackConfig& config, const std::filesystem::path& out);
// Refuses a stub that is not a Windows executable, is signed, or already
// carries a payload. Throws PackError.
void CheckStub(const std::filesystem::path& stub);

struct InstallerSummary {
    std::uint64_t fileSize = 0;
    std::uint64_t trailerOffset = 0;
    std::optional<CertificateTable> certificateTable;
    PayloadTrailer trailer;
    std::string descriptorText;  // decoded, UTF-8
    std::array<std::string, kDescriptorFieldCount> fields;
    std::size_t fieldCount = 0;  // fields actually present in the text
};

// Finds the payload exactly as the installer does (LocatePayload) and decodes
// the descriptor; reads nothing else of the pieces. Throws PackError.
InstallerSummary ReadInstallerSummary(const std::filesystem::path& installer);
void PrintSummary(const InstallerSummary& summary, std::ostream& out);

}  // namespace kestrin::pack
