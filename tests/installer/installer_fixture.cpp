#include "installer_fixture.h"

#include "descriptor.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <unistd.h>

namespace kestrin::testing {

namespace {
std::filesystem::path FreshRoot() {
    static std::atomic<int> counter{0};
    const auto path = std::filesystem::temp_directory_path() /
                      ("kestrin-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}
}  // namespace

InstallerTest::InstallerTest() : root(FreshRoot()), platform(root / "fs") {
    std::filesystem::create_directories(root / "pack");
}

InstallerTest::~InstallerTest() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

void InstallerTest::PackInstaller(const std::map<std::string, std::string>& fields,
                                  const std::map<std::string, std::string>& pieces) {
    const auto pack = root / "pack";
    { std::ofstream(pack / "stub.exe", std::ios::binary) << PeImage(3000); }
    pack::PackConfig config;
    config.fields[kExternalMSIField] = "None";
    config.fields[kAlreadyInstalledField] = "0";
    for (const auto& [name, value] : fields) {
        bool known = false;
        for (std::size_t i = 0; i < kDescriptorFieldCount; ++i) {
            if (kDescriptorFieldNames[i] == name) {
                config.fields[i] = value;
                known = true;
            }
        }
        if (!known) ADD_FAILURE() << "unknown field " << name;
    }
    for (const auto& [key, content] : pieces) {
        bool known = false;
        for (std::size_t i = 0; i < pack::kBinaryPieceCount; ++i) {
            if (pack::kPieceKeys[i] == key) {
                const auto file = pack / key;
                std::ofstream(file, std::ios::binary) << content;
                config.pieceFiles[i] = file;
                known = true;
            }
        }
        if (!known) ADD_FAILURE() << "unknown piece " << key;
    }
    const auto out = platform.HostPath(platform.ownExecutablePath);
    std::filesystem::create_directories(out.parent_path());
    pack::BuildInstaller(pack / "stub.exe", config, out);
}

TMainDlg& InstallerTest::StartInstaller(const std::map<std::string, std::string>& fields,
                                        const std::map<std::string, std::string>& pieces) {
    PackInstaller(fields, pieces);
    dialog = std::make_unique<TMainDlg>(platform);
    dialog->FormCreate();
    return *dialog;
}

bool InstallerTest::HasCommandContaining(const std::string& needle) const {
    for (const std::string& line : Commands())
        if (line.find(needle) != std::string::npos) return true;
    return false;
}

}  // namespace kestrin::testing
