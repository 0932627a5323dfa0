// ScriptedPlatform: the installer's Platform for tests and benchmarks on a
// development machine.
//
// Files are real: Windows paths ("c:\Program Files\Maker") are mapped into a
// temporary root (ROOT/c/Program Files/Maker). The file primitives are as
// strict as the Windows layer over a real NTFS volume: names compare without
// regard to case and are listed in NTFS order (by their upper-case form),
// short 8.3 names resolve, links (host symbolic links) are reported as
// reparse points as Windows reports junctions, paths of MAX_PATH or more fail
// unless in the "\\?\" form (which the Windows layer uses for long paths,
// see windowsLayerLongForm), names Windows forbids are refused, read-only
// files and files held open without delete sharing cannot be deleted, and
// reads can be made to fail. Everything else is scripted and recorded: the clock
// is virtual (pauses are added up, not slept), dialogs take queued answers,
// processes are not run but their command lines are recorded and may trigger
// test hooks, and the clipboard can be scripted over virtual time.
#pragma once

#include "platform.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kestrin::testing {

// One thing the installer did through the platform, in order.
struct Recorded {
    enum class Kind {
        Message,         // ShowMessage: text
        Confirm,         // ConfirmYesNo: text
        Notes,           // ShowNotesDialog: title (the request is in notesRequests)
        StartHidden,     // command line
        RunAndWait,      // command line
        StartProcess,    // command line (working folder in `extra`)
        ShellOpenAndWait,// file (parameters in `extra`)
        ShellOpen,       // target
        SetClipboard,    // text
        ShowProgress,    // caption
        SetProgress,     // percent as text
        HideProgress,
    };
    Kind kind;
    std::string text;
    std::string extra;
    std::uint64_t atMs = 0;  // virtual time
};

class ScriptedPlatform : public Platform {
public:
    // `root` must be an existing, empty folder; drive "c:" is ROOT/c.
    explicit ScriptedPlatform(std::filesystem::path root);

    // Where a Windows path lives on this machine (no Windows checks applied).
    std::filesystem::path HostPath(const std::string& windowsPath) const;
    // Test conveniences on Windows paths.
    void WriteFile(const std::string& windowsPath, const std::string& content);
    std::optional<std::string> ReadFile(const std::string& windowsPath) const;
    void MakeFolder(const std::string& windowsPath);
    // A link at `linkPath` to `targetPath`, as a junction or symbolic link is.
    void MakeLink(const std::string& linkPath, const std::string& targetPath);
    void SetReadOnly(const std::string& windowsPath, bool readOnly);

    // ---- scripted machine facts ------------------------------------------------
    std::string ownExecutablePath = "C:\\Setup\\Setup.exe";
    std::string windowsFolder = "C:\\Windows";
    std::string userName = "alice";
    std::optional<std::string> comspec = "C:\\Windows\\system32\\cmd.exe";
    std::optional<OsVersionFacts> osVersion = OsVersionFacts{2, 6, 1, ""};
    bool atLeastWindows63 = false;
    std::optional<std::uint64_t> physicalMemory = 8'000'000'000ULL;
    std::string systemFolder = "C:\\Windows\\system32";
    // The process's current folder, for relative paths.
    std::string currentFolder = "C:\\Setup";
    // The Windows layer hands paths of kMaxFolderPath characters or more to
    // the system in the "\\?\" form. False models a layer that does not.
    bool windowsLayerLongForm = true;

    // ---- scripted answers ----------------------------------------------------
    std::deque<bool> confirmAnswers;   // ConfirmYesNo, in order; then defaultConfirm
    bool defaultConfirm = true;
    std::deque<bool> notesAnswers;     // ShowNotesDialog, in order; then defaultNotes
    bool defaultNotes = true;
    // RunAndWait and ShellOpenAndWait fail to start with this text when set.
    std::optional<std::string> runAndWaitFailure;
    std::optional<std::string> shellOpenFailure;
    // Programs started with StartProcess keep running (their file cannot be
    // deleted, only renamed) until EndProgram.
    bool startedProgramsKeepRunning = true;
    // Flush() syncs to disk (fdatasync) when true.
    bool syncOnFlush = false;

    // ---- fault injection -------------------------------------------------------
    // FakeDiskFull: after this many bytes written in total, writes store nothing.
    std::optional<std::uint64_t> fakeDiskFullAfter;
    // Opening this path (Windows form) fails, as an unreadable file would.
    std::set<std::string> failOpen;
    // ReadFaultAt: reads of this file that take in the byte at `offset` fail
    // with an I/O error, as a bad sector does.
    void ReadFaultAt(const std::string& windowsPath, std::uint64_t offset);
    // SetClipboardText fails (another program keeps the clipboard open).
    bool failSetClipboard = false;
    // Removing this path (Windows form) fails, as for an entry, a link
    // included, whose access list denies the installer the right to delete it.
    std::set<std::string> failRemove;

    // ---- hooks -----------------------------------------------------------------
    using CommandHook = std::function<void(ScriptedPlatform&, const std::string& commandLine)>;
    // Runs `hook` whenever a started command line contains `needle`
    // (all four process starts and ShellOpenAndWait's file).
    void OnCommand(std::string needle, CommandHook hook);
    // Runs `action` once the virtual clock reaches `atMs`.
    void At(std::uint64_t atMs, std::function<void(ScriptedPlatform&)> action);
    // Clipboard change at a virtual time; nullopt makes it unreadable.
    void ClipboardAt(std::uint64_t atMs, std::optional<std::string> text);
    // Another process holds the file open for writing, allowing others all access.
    void HoldOpenForWriting(const std::string& windowsPath);
    // Another process holds the file open with this access and sharing.
    void HoldOpen(const std::string& windowsPath, bool writes, FileShare share);
    void MarkRunning(const std::string& windowsPath);
    void EndProgram(const std::string& windowsPath);

    // ---- what happened -------------------------------------------------------------
    std::vector<Recorded> log;
    std::vector<NotesRequest> notesRequests;
    std::vector<std::uint32_t> pauses;
    std::uint64_t nowMs = 0;
    std::optional<std::string> clipboard = std::string();
    std::vector<std::string> Texts(Recorded::Kind kind) const;
    std::vector<std::string> Messages() const { return Texts(Recorded::Kind::Message); }
    std::vector<std::string> StartedCommands() const;  // StartHidden + RunAndWait + StartProcess, in order

    // ---- Platform ------------------------------------------------------------
    std::unique_ptr<PlatformFile> Open(const std::string& path, FileOpen mode, FileShare share) override;
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    std::optional<std::uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
    std::optional<std::string> FullPathName(const std::string& path) override;
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) override;
    bool CreateFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    // The kernel's own copy (copy_file_range), as a real platform would use
    // its fastest system copy; the plain Read/Write loop under fault injection.
    CopyResult CopyBytes(PlatformFile& from, PlatformFile& to, std::uint64_t length) override;
    bool StartHidden(const std::string& commandLine) override;
    ProcessStart RunAndWait(const std::string& commandLine) override;
    bool StartProcess(const std::string& commandLine, const std::string& workingFolder) override;
    ProcessStart ShellOpenAndWait(const std::string& file, const std::string& parameters) override;
    void ShellOpen(const std::string& target) override;
    bool SetClipboardText(const std::string& text) override;
    std::optional<std::string> GetClipboardText() override;
    void ShowMessage(const std::string& text) override;
    bool ConfirmYesNo(const std::string& text) override;
    bool ShowNotesDialog(const NotesRequest& request) override;
    void ShowProgress(const std::string& caption) override;
    void SetProgress(int percent) override;
    void HideProgress() override;
    void Pause(std::uint32_t milliseconds) override;
    std::optional<OsVersionFacts> GetOsVersion() override { return osVersion; }
    bool IsAtLeastWindows63() override { return atLeastWindows63; }
    std::optional<std::uint64_t> TotalPhysicalMemory() override { return physicalMemory; }
    std::string UserName() override { return userName; }
    std::string WindowsFolder() override { return windowsFolder; }
    std::string SystemFolder() override { return systemFolder; }
    std::string OwnExecutablePath() override { return ownExecutablePath; }
    std::optional<std::string> EnvironmentVariable(const std::string& name) override;

private:
    friend class ScriptedFile;
    struct OpenHandle {
        std::string key;
        bool writes = false;
        FileShare share = FileShare::All;
    };
    void Record(Recorded::Kind kind, std::string text, std::string extra = {});
    void RunHooks(const std::string& commandLine);
    void RunDueActions();
    std::string Key(const std::string& windowsPath) const;  // case-folded host path
    bool RemoveDenied(const std::string& windowsPath) const;
    // The Windows layer and the file system together: the host path of
    // `path` when Windows would accept it in a call limited to `limit`
    // characters, else nullopt.
    std::optional<std::filesystem::path> ApiHostPath(const std::string& path, std::size_t limit) const;
    // A full Windows path (drive or UNC, or long form) to its host path,
    // resolving names case-insensitively and short names to long ones.
    std::filesystem::path MapToHost(const std::string& fullPath, std::string* longPath = nullptr) const;
    bool DeleteSharingDenied(const std::string& key) const;

    std::filesystem::path fRoot;
    std::vector<std::pair<std::string, CommandHook>> fHooks;
    std::multimap<std::uint64_t, std::function<void(ScriptedPlatform&)>> fTimed;
    std::set<std::string> fRunning;  // case-folded host paths
    std::map<int, OpenHandle> fHandles;
    int fNextHandle = 1;
    std::uint64_t fBytesWritten = 0;
    std::map<std::string, std::uint64_t> fReadFaults;  // case-folded host path -> offset
};

}  // namespace kestrin::testing
