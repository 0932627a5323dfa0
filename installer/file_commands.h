// The file command list: "key=value" entries separated by "|" that arrange
// files around the package installation.
#pragma once

#include "platform.h"

#include <string>
#include <vector>

namespace kestrin {

// One parsed entry: key and value (text between the first and second "=").
struct FileCommand {
    std::string key;
    std::string value;
    bool wellFormed() const { return !key.empty() && !value.empty(); }
};

std::vector<FileCommand> ParseFileCommands(const std::string& list);

// "PreInstallDelete" and "PreInstallCopy", just before the package runs.
void RunPreInstallCommands(Platform& platform, const std::string& list);
// Every other entry, after the package has created the install folder.
void RunPostCopyCommands(Platform& platform, const std::string& list, const std::string& installFolder,
                         const std::string& workPath);
// Writes CreateShortcut.bat into the work folder and runs it, waiting.
void CreateDesktopShortcut(Platform& platform, const std::string& installFolder, const std::string& value,
                           const std::string& workPath);
// The batch text CreateDesktopShortcut writes.
std::string ShortcutBatchText(Platform& platform, const std::string& installFolder, const std::string& value);

}  // namespace kestrin
