// The file command list: "key=value" entries separated by "|" that arrange
// files around the package installation.
#pragma once

#include "platform.h"

#include <optional>
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

// A post-install value with its guard taken apart, as the installer reads it:
// "[folder]rest" runs only when the folder exists, "{path}" (after such a
// condition or alone) only when nothing is at the path, and then acts on it.
// Paths are as written ("UserAccount\" is expanded when the entry runs).
struct GuardedValue {
    std::string value;
    std::optional<std::string> condition;  // the "[...]" folder
    std::optional<std::string> absent;     // the "{...}" path; it decides alone
    bool conditionClosed = true;           // "[" was followed by "]"
};
GuardedValue ParseGuards(const std::string& value);

// "PreInstallDelete" and "PreInstallCopy", just before the package runs.
void RunPreInstallCommands(Platform& platform, const std::string& list);
// Every other entry, after the package has created the install folder.
void RunPostCopyCommands(Platform& platform, const std::string& list, const std::string& installFolder,
                         const std::string& workPath);
// Writes CreateShortcut.bat into the work folder and runs it, waiting.
void CreateDesktopShortcut(Platform& platform, const std::string& installFolder, const std::string& value,
                           const std::string& workPath);
// The batch text CreateDesktopShortcut writes, with every "%" of a value
// doubled; empty when a value holds a quote or a line break (no shortcut).
std::string ShortcutBatchText(Platform& platform, const std::string& installFolder, const std::string& value);

}  // namespace kestrin
