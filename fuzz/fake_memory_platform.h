// FakeMemoryPlatform: a Platform whose files live in memory, for the fuzzers.
// Real files would make every run touch the disk; here one fuzz input is the
// whole machine. Processes, dialogs and the clipboard do nothing and answer
// "no"; time is not slept.
#pragma once

#include "platform.h"
#include "windows_paths.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace kestrin::fuzzing {

class FakeMemoryPlatform final : public Platform {
public:
    std::map<std::string, std::string> files;  // lower-case path -> content
    std::set<std::string> folders{"c:", "c:\\windows"};
    std::string ownPath = "C:\\Setup\\Setup.exe";

    static std::string Key(std::string path) {
        std::transform(path.begin(), path.end(), path.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        while (path.size() > 1 && path.back() == '\\') path.pop_back();
        return path;
    }

    class MemoryFile final : public PlatformFile {
    public:
        explicit MemoryFile(std::string& content) : fContent(content) {}
        std::optional<std::size_t> Read(void* buffer, std::size_t size) override {
            const std::size_t n = fPosition >= fContent.size() ? 0 : std::min(size, fContent.size() - fPosition);
            if (n > 0) std::memcpy(buffer, fContent.data() + fPosition, n);
            fPosition += n;
            return n;
        }
        std::optional<std::size_t> Write(const void* buffer, std::size_t size) override {
            // Written pieces are not kept: only their size matters to a fuzzer.
            (void)buffer;
            fPosition += size;
            return size;
        }
        bool Seek(std::uint64_t offset) override {
            fPosition = static_cast<std::size_t>(offset);
            return true;
        }
        std::optional<std::uint64_t> Size() override { return fContent.size(); }
        bool Resize(std::uint64_t) override { return true; }
        bool Flush() override { return true; }

    private:
        std::string& fContent;
        std::size_t fPosition = 0;
    };

    std::unique_ptr<PlatformFile> Open(const std::string& path, FileOpen mode, FileShare) override {
        const std::string key = Key(path);
        if (mode == FileOpen::CreateAlways) {
            files[key].clear();
            return std::make_unique<MemoryFile>(files[key]);
        }
        const auto it = files.find(key);
        if (it == files.end()) return nullptr;
        return std::make_unique<MemoryFile>(it->second);
    }
    bool FileExists(const std::string& path) override { return files.count(Key(path)) > 0; }
    std::optional<std::uint32_t> Attributes(const std::string& path) override {
        if (FileExists(path)) return kAttributeArchive;
        if (FolderExists(path)) return kAttributeDirectory;
        return std::nullopt;
    }
    bool SetAttributes(const std::string& path, std::uint32_t) override { return Attributes(path).has_value(); }
    std::optional<std::string> FullPathName(const std::string& path) override {
        return NormaliseFullPath(path, "C:\\Setup");
    }
    bool FolderExists(const std::string& path) override { return folders.count(Key(path)) > 0; }
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) override {
        if (!FolderExists(path)) return std::nullopt;
        std::vector<FolderEntry> entries;
        const std::string prefix = Key(path) + "\\";
        for (const auto& [name, content] : files)
            if (name.rfind(prefix, 0) == 0 && name.find('\\', prefix.size()) == std::string::npos)
                entries.push_back({name.substr(prefix.size()), false, 0x20});
        for (const std::string& folder : folders)
            if (folder.rfind(prefix, 0) == 0 && folder.find('\\', prefix.size()) == std::string::npos)
                entries.push_back({folder.substr(prefix.size()), true, 0x10});
        return entries;
    }
    bool CreateFolder(const std::string& path) override { return folders.insert(Key(path)).second; }
    bool RemoveFolder(const std::string& path) override { return folders.erase(Key(path)) > 0; }
    bool RemoveFile(const std::string& path) override { return files.erase(Key(path)) > 0; }
    bool RenameFile(const std::string& from, const std::string& to) override {
        const auto it = files.find(Key(from));
        if (it == files.end() || files.count(Key(to))) return false;
        files[Key(to)] = it->second;
        files.erase(Key(from));
        return true;
    }
    bool StartHidden(const std::string&) override { return true; }
    ProcessStart RunAndWait(const std::string&) override { return {true, {}}; }
    bool StartProcess(const std::string&, const std::string&) override { return true; }
    ProcessStart ShellOpenAndWait(const std::string&, const std::string&) override { return {true, {}}; }
    void ShellOpen(const std::string&) override {}
    bool SetClipboardText(const std::string&) override { return true; }
    std::optional<std::string> GetClipboardText() override { return std::string(); }
    void ShowMessage(const std::string&) override {}
    bool ConfirmYesNo(const std::string&) override { return false; }
    bool ShowNotesDialog(const NotesRequest&) override { return false; }
    void ShowProgress(const std::string&) override {}
    void SetProgress(int) override {}
    void HideProgress() override {}
    void Pause(std::uint32_t) override {}
    std::optional<OsVersionFacts> GetOsVersion() override { return OsVersionFacts{2, 6, 1, ""}; }
    bool IsAtLeastWindows63() override { return false; }
    std::optional<std::uint64_t> TotalPhysicalMemory() override { return 8'000'000'000ULL; }
    std::string UserName() override { return "fuzz"; }
    std::string WindowsFolder() override { return "C:\\Windows"; }
    std::string SystemFolder() override { return "C:\\Windows\\system32"; }
    std::string OwnExecutablePath() override { return ownPath; }
    std::optional<std::string> EnvironmentVariable(const std::string&) override { return std::nullopt; }
};

}  // namespace kestrin::fuzzing
