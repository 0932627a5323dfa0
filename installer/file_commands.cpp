#include "file_commands.h"

#include "descriptor.h"
#include "file_utils.h"
#include "path_prefix.h"
#include "payload.h"
#include "process_utils.h"
#include "text_utils.h"
#include "windows_paths.h"

namespace kestrin {

namespace {
const std::string kPreInstallParseError = "Pre Install Error\r\n\r\nContact Publisher";
const std::string kPostInstallParseError = "Post Install Error\r\n\r\nContact Publisher";
const std::string kInstallError = "Install Error\r\n\r\n";

bool PathExists(Platform& platform, const std::string& path) {
    return platform.FileExists(path) || platform.FolderExists(path);
}

// True when the destination names the source file itself, however it is
// spelled (case, "/", ".", "..", doubled "\\", short names), or when either
// path cannot be resolved to tell.
bool CopiesOntoItself(Platform& platform, const std::string& source, const std::string& destination) {
    const auto from = platform.FullPathName(source);
    const auto to = platform.FullPathName(destination);
    return !from || !to || IsSamePath(*from, *to);
}

bool IsActionKey(const std::string& key) {
    return key == "DeleteFile" || key == "DeleteFolder" || key == "CreateFolder" || key == "Shortcut" ||
           key == "EveryoneAccess";
}
}  // namespace

std::vector<FileCommand> ParseFileCommands(const std::string& list) {
    std::vector<FileCommand> commands;
    for (const std::string& entry : SplitFields(list, "|"))
        commands.push_back({NthField(entry, "=", 1), NthField(entry, "=", 2)});
    return commands;
}

GuardedValue ParseGuards(const std::string& value) {
    GuardedValue guarded;
    guarded.value = value;
    if (StartsWith(guarded.value, "[")) {
        const std::string rest = guarded.value.substr(1);
        guarded.condition = NthField(rest, "]", 1);
        guarded.conditionClosed = rest.find(']') != std::string::npos;
        guarded.value = NthField(rest, "]", 2);
    }
    if (StartsWith(guarded.value, "{")) {
        guarded.absent = NthField(guarded.value.substr(1), "}", 1);
        guarded.value = *guarded.absent;
    }
    return guarded;
}

void RunPreInstallCommands(Platform& platform, const std::string& list) {
    for (const FileCommand& command : ParseFileCommands(list)) {
        if (!command.wellFormed()) {
            platform.ShowMessage(kPreInstallParseError);
            continue;
        }
        if (command.key == "PreInstallDelete") {
            if (platform.FolderExists(command.value)) DeleteFolderFiles(platform, command.value);
            if (platform.FileExists(command.value)) platform.RemoveFile(command.value);
        } else if (command.key == "PreInstallCopy") {
            const std::string source = NthField(command.value, ";", 1);
            const std::string destination = NthField(command.value, ";", 2);
            if (destination.empty() || PathExists(platform, destination)) continue;
            if (platform.FolderExists(source)) CopyFolderTree(platform, source, destination);
            else if (platform.FileExists(source)) CopyFileBlocks(platform, source, destination);
        }
    }
}

void RunPostCopyCommands(Platform& platform, const std::string& list, const std::string& installFolder,
                         const std::string& workPath) {
    for (const FileCommand& command : ParseFileCommands(list)) {
        if (!command.wellFormed()) {
            platform.ShowMessage(kPostInstallParseError);
            continue;
        }
        const bool action = IsActionKey(command.key);
        const std::string source = action ? std::string() : JoinPath(installFolder, command.key);
        const GuardedValue guarded = ParseGuards(command.value);
        std::string value = guarded.value;
        bool run = true;
        if (guarded.condition) {
            // [condition folder]rest: only when the condition folder exists.
            std::string condition = *guarded.condition;
            ExpandUserAccount(platform, condition);
            run = platform.FolderExists(condition);
        }
        if (guarded.absent) {
            // {path}: only when the path is not there yet; this decides alone.
            ExpandUserAccount(platform, value);
            run = !PathExists(platform, value);
        }
        if (command.key == "PreInstallDelete" || command.key == "PreInstallCopy" || !run) continue;
        ExpandUserAccount(platform, value);

        if (command.key == "Shortcut") {
            CreateDesktopShortcut(platform, installFolder, value, workPath);
        } else if (command.key == "DeleteFile") {
            if (platform.FileExists(value)) platform.RemoveFile(value);
        } else if (command.key == "DeleteFolder") {
            if (platform.FolderExists(value)) DeleteFolderFiles(platform, value);
        } else if (command.key == "CreateFolder") {
            if (!platform.FolderExists(value)) CreateFolderTree(platform, value);
        } else if (command.key == "EveryoneAccess") {
            GrantAccess(platform, value, "\"Everyone\":(OI)(CI)F");
        } else {
            const std::string name = FileNamePart(source);
            if (!PathExists(platform, source)) {
                platform.ShowMessage(kInstallError + "Missing File: " + name);
                continue;
            }
            const bool folder = platform.FolderExists(source);
            if (!folder && CopiesOntoItself(platform, source, value)) {
                // Deleting the destination first would delete the source.
                platform.ShowMessage(kInstallError + "File Copy Failed: " + name);
                continue;
            }
            const std::string parent = ParentFolder(value);
            if (!parent.empty() && !platform.FolderExists(parent)) CreateFolderTree(platform, parent);
            if (platform.FileExists(value)) platform.RemoveFile(value);
            if (folder) {
                if (!CopyFolderTree(platform, source, value)) platform.ShowMessage(kInstallError + "Folder Copy Failed: " + name);
            } else if (!CopyFileBlocks(platform, source, value)) {
                platform.ShowMessage(kInstallError + "File Copy Failed: " + name);
            }
        }
    }
}

std::string ShortcutBatchText(Platform& platform, const std::string& installFolder, const std::string& value) {
    const std::string name = NthField(value, ";", 1);
    const std::string target = NthField(value, ";", 2);
    const std::string icon = NthField(value, ";", 3);
    if (BreaksCommandText(name) || BreaksCommandText(target) || BreaksCommandText(icon) ||
        (!icon.empty() && BreaksCommandText(installFolder)))
        return {};
    // Batch lines are read with %NAME% expanded and a lone "%" dropped; "%%"
    // is the batch file's own way to write one "%".
    auto literal = [](const std::string& text) { return ReplaceAll(text, "%", "%%"); };
    std::string text;
    auto line = [&text](const std::string& content) { text += content + "\r\n"; };
    line("@echo off");
    // A machine may turn delayed expansion on for every interpreter; "!"
    // would then be expanded like "%" and has no batch escape inside quotes.
    const std::string folderInBatch = icon.empty() ? std::string() : installFolder;
    if ((name + target + icon + folderInBatch).find('!') != std::string::npos) line("setlocal DisableDelayedExpansion");
    line("echo Set oWS = WScript.CreateObject(\"WScript.Shell\") > CreateShortcut.vbs");
    line("echo sLinkFile = \"c:\\Users\\Public\\Desktop\\" + literal(name) + ".lnk\" >> CreateShortcut.vbs");
    line("echo Set oLink = oWS.CreateShortcut(sLinkFile) >> CreateShortcut.vbs");
    line("echo oLink.TargetPath = \"" + literal(target) + "\" >> CreateShortcut.vbs");
    if (!icon.empty())
        line("echo oLink.IconLocation = \"" + literal(installFolder + "\\" + icon) + "\" >> CreateShortcut.vbs");
    line("echo oLink.Save >> CreateShortcut.vbs");
    line(SystemProgram(platform, "cscript.exe") + " CreateShortcut.vbs");
    line("del CreateShortcut.vbs");
    return text;
}

void CreateDesktopShortcut(Platform& platform, const std::string& installFolder, const std::string& value,
                           const std::string& workPath) {
    const std::string text = ShortcutBatchText(platform, installFolder, value);
    if (text.empty()) return;  // a value no shortcut can have
    const std::string batchPath = JoinPath(workPath, "CreateShortcut.bat");
    Blob batch = Blob::FromBytes(text);
    // A batch that is not on disk whole is never run.
    if (WriteBlobToFile(platform, batch, batchPath) != BlobWrite::Written) return;
    ShellOpenAndWait(platform, batchPath, "");
}

}  // namespace kestrin
