#include "requirements.h"

#include "file_utils.h"

#include <array>
#include <string_view>

namespace kestrin {

namespace {
constexpr int kUnknownGeneration = 255;

int GenerationFromFacts(Platform& platform, const OsVersionFacts& v) {
    int code = kUnknownGeneration;
    if (v.platformId == 1) {
        if (v.major == 4 && v.minor == 0) code = 0;
        else if (v.major == 4 && v.minor == 10) code = (v.servicePack.size() >= 2 && v.servicePack[1] == 'A') ? 2 : 1;
        else if (v.major == 4 && v.minor == 90) code = 3;
    } else if (v.platformId == 2) {
        if (v.major <= 4) code = 4;
        else if (v.major == 5 && v.minor == 0) code = 5;
        else if (v.major == 5 && v.minor == 1) code = 6;
    }
    if (v.major == 6) {
        // Without a supported-OS manifest, 8.1 and 10 report 6.2 as well.
        if (v.minor == 1) code = 8;
        else if (v.minor == 3) code = 10;
        else if (v.minor == 2) code = platform.IsAtLeastWindows63() ? 10 : 9;
        else code = 7;
    }
    return code;
}
}  // namespace

int GetOsGeneration(Platform& platform) {
    const auto facts = platform.GetOsVersion();
    int code = facts ? GenerationFromFacts(platform, *facts) : kUnknownGeneration;
    if (platform.FolderExists(JoinPath(platform.WindowsFolder(), "systemapps"))) code = 11;
    return code;
}

std::optional<std::uint64_t> TotalPhysicalMB(Platform& platform) {
    const auto bytes = platform.TotalPhysicalMemory();
    if (!bytes) return std::nullopt;
    return *bytes / 1'000'000;
}

bool CheckRequirements(Platform& platform, const std::string& minOS, const std::string& minRAM) {
    const int generation = GetOsGeneration(platform);
    bool met = true;
    auto fail = [&](const std::string& message) {
        platform.ShowMessage(message);
        met = false;
    };
    if (minOS == "Windows7" && generation <= 7) fail("Windows 7 OS or later required.");
    if (minOS == "Windows8" && generation < 9) fail("Windows 8 OS or later required.");
    if (minOS == "Windows10" && generation <= 10) fail("Windows 10 OS or later required.");

    struct MemoryMinimum {
        std::string_view value;
        std::uint64_t megabytes;
        std::string_view message;
    };
    static constexpr std::array<MemoryMinimum, 8> kMemory = {{
        {"250MB", 250, "250 MB RAM is required."},
        {"500MB", 500, "500 MB RAM is required."},
        {"1GB", 1000, "1 GB RAM is required."},
        {"2GB", 2000, "2 GB RAM is required."},
        {"4GB", 4000, "4 GB RAM is required."},
        {"8GB", 8000, "8 GB RAM is required."},
        {"16GB", 16000, "16 GB RAM is required."},
        {"32GB", 32000, "32 GB RAM is required."},
    }};
    const auto megabytes = TotalPhysicalMB(platform);
    for (const MemoryMinimum& row : kMemory)
        if (minRAM == row.value && megabytes && *megabytes < row.megabytes) fail(std::string(row.message));
    return met;
}

}  // namespace kestrin
