// The installer's Platform as far as the packer needs it: reading an
// installer file on this machine, so that `inspect` and the stub checks find
// the payload with the installer's own LocatePayload. Paths are this
// machine's. Nothing is written, started or shown: messages are collected,
// pauses are not slept.
#pragma once

#include "platform.h"

#include <string>
#include <vector>

namespace kestrin::pack {

class FileReaderPlatform final : public Platform {
public:
    std::vector<std::string> messages;  // what the installer would have shown

    std::unique_ptr<PlatformFile> Open(const std::string& path, FileOpen mode, FileShare share) override;
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    std::optional<std::uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string&, std::uint32_t) override { return false; }
    std::optional<std::string> FullPathName(const std::string& path) override { return path; }
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string&) override { return std::nullopt; }
    bool CreateFolder(const std::string&) override { return false; }
    bool RemoveFolder(const std::string&) override { return false; }
    bool RemoveFile(const std::string&) override { return false; }
    bool RenameFile(const std::string&, const std::string&) override { return false; }
    bool StartHidden(const std::string&) override { return false; }
    ProcessStart RunAndWait(const std::string&) override { return {}; }
    bool StartProcess(const std::string&, const std::string&) override { return false; }
    ProcessStart ShellOpenAndWait(const std::string&, const std::string&) override { return {}; }
    void ShellOpen(const std::string&) override {}
    bool SetClipboardText(const std::string&) override { return false; }
    std::optional<std::string> GetClipboardText() override { return std::nullopt; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool ConfirmYesNo(const std::string&) override { return false; }
    bool ShowNotesDialog(const NotesRequest&) override { return false; }
    void ShowProgress(const std::string&) override {}
    void SetProgress(int) override {}
    void HideProgress() override {}
    void Pause(std::uint32_t) override {}
    std::optional<OsVersionFacts> GetOsVersion() override { return std::nullopt; }
    bool IsAtLeastWindows63() override { return false; }
    std::optional<std::uint64_t> TotalPhysicalMemory() override { return std::nullopt; }
    std::string UserName() override { return {}; }
    std::string WindowsFolder() override { return {}; }
    std::string SystemFolder() override { return {}; }
    std::string OwnExecutablePath() override { return {}; }
    std::optional<std::string> EnvironmentVariable(const std::string&) override { return std::nullopt; }
};

}  // namespace kestrin::pack
