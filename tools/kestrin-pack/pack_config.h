// The readable configuration from which kestrin-pack builds an installer.
#pragma once

#include "descriptor.h"
#include "payload.h"

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrin::pack {

// A problem with the publisher's input; the text names file and line when
// there is one ("setup.conf:12: ...").
class PackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The five binary pieces after the descriptor, in payload order.
inline constexpr std::size_t kBinaryPieceCount = kPieceCount - 1;
extern const std::array<std::string_view, kBinaryPieceCount> kPieceKeys;  // "ImageFile", ...

struct PackConfig {
    std::array<std::string, kDescriptorFieldCount> fields;
    std::array<std::optional<std::filesystem::path>, kBinaryPieceCount> pieceFiles;
    // What the installer would ignore, as "FILE:LINE: warning: ..." lines.
    std::vector<std::string> warnings;
};

// Reads and checks a config file, each line and then the whole (see
// config_checks.h). Throws PackError with file and line.
// `now` gives the default timestamp (YYYYMMDD_HHMM).
PackConfig ReadPackConfig(const std::filesystem::path& configFile, const std::string& now);
// The descriptor text (fields joined by "$$$").
std::string DescriptorText(const PackConfig& config);
// The local time as YYYYMMDD_HHMM.
std::string CurrentTimestamp();

}  // namespace kestrin::pack
