#include "path_prefix.h"

#include "file_utils.h"
#include "text_utils.h"

namespace kestrin {

namespace {
constexpr std::string_view kUserAccount = "UserAccount\\";
constexpr std::string_view kInstallFolder = "InstallFolder\\";
constexpr std::string_view kFixedPath = "FixedPath\\";
constexpr std::string_view kSetupFolder = "SetupFolder\\";

bool ReplacePrefix(std::string& path, std::string_view prefix, const std::string& replacement) {
    if (!StartsWith(path, prefix)) return false;
    path = replacement + path.substr(prefix.size());
    return true;
}

// "C:\Windows" -> "C:\"
std::string DriveRoot(const std::string& folder) {
    const std::size_t slash = folder.find('\\');
    return slash == std::string::npos ? folder + "\\" : folder.substr(0, slash + 1);
}
}  // namespace

bool ExpandUserAccount(Platform& platform, std::string& path) {
    if (!StartsWith(path, kUserAccount)) return false;
    return ReplacePrefix(path, kUserAccount,
                         DriveRoot(platform.WindowsFolder()) + "Users\\" + platform.UserName() + "\\");
}

bool ResolvePathPrefix(Platform& platform, std::string& path, const std::string& installFolder) {
    bool applied = ExpandUserAccount(platform, path);
    applied |= ReplacePrefix(path, kInstallFolder, installFolder + "\\");
    applied |= ReplacePrefix(path, kFixedPath, "");
    if (StartsWith(path, kSetupFolder))
        applied |= ReplacePrefix(path, kSetupFolder, ParentFolder(platform.OwnExecutablePath()) + "\\");
    return applied;
}

}  // namespace kestrin
