// The operating-system primitives the installer core stands on.
//
// Everything the installer decides (which files, which command lines, which
// messages, how long to pause) lives in the portable core; an implementation
// of this interface only carries out one primitive at a time and reports what
// happened. Paths are Windows paths ("c:\Program Files\Maker", "\\" as
// separator, names compared case-insensitively) of any length: the Windows
// layer hands long ones to the system in the "\\?\" form (windows_paths.h).
// All text is UTF-8; the Windows implementation converts to UTF-16 at the API
// boundary and back.
//
// Member names avoid the Win32 macro names (MessageBox, DeleteFile, ...) so
// that including <windows.h> first cannot rename them.
//
// Nothing here may throw: failures come back as results, as documented on each
// primitive. The core never calls two primitives at once (one UI thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrin {

// What other openers may do while we hold a file open
// (FILE_SHARE_* of CreateFileW).
enum class FileShare {
    ReadOnly,  // others may read but not write or delete: FILE_SHARE_READ
    All,       // no restriction: FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
};

enum class FileOpen {
    ReadExisting,  // GENERIC_READ, OPEN_EXISTING; fails when the file is absent
    CreateAlways,  // GENERIC_WRITE, CREATE_ALWAYS: creates or truncates to 0 bytes
};

// An open file. Closing happens in the destructor (CloseHandle); the core
// releases every handle before the utility that opened it returns.
class PlatformFile {
public:
    virtual ~PlatformFile() = default;
    // Reads up to `size` bytes at the current position into `buffer`.
    // Gives the count read (0 at the end of the file) or nullopt on an I/O error.
    virtual std::optional<std::size_t> Read(void* buffer, std::size_t size) = 0;
    // Writes `size` bytes at the current position. Gives the count actually
    // written (may be less than `size` when the disk is full) or nullopt on an
    // I/O error.
    virtual std::optional<std::size_t> Write(const void* buffer, std::size_t size) = 0;
    // Moves the position to `offset` bytes from the start. False on error.
    virtual bool Seek(std::uint64_t offset) = 0;
    // The current file length in bytes, or nullopt on error.
    virtual std::optional<std::uint64_t> Size() = 0;
    // Sets the file length (SetFilePointerEx + SetEndOfFile); the position is
    // left unspecified, so callers Seek afterwards. False on error.
    virtual bool Resize(std::uint64_t size) = 0;
    // Hands buffered data to the disk (FlushFileBuffers). False on error.
    virtual bool Flush() = 0;
};

// What Platform::CopyBytes achieved.
struct CopyResult {
    std::uint64_t copied = 0;
    bool sourceFailed = false;  // reading `from` failed, or it ended before `length` bytes
};

// FILE_ATTRIBUTE_* bits the installer looks at.
inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeArchive = 0x20;
// Junctions and symbolic links (and other reparse points) carry this bit; a
// link to a folder carries the directory bit as well.
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;

// One entry of a folder listing (FindFirstFileW/FindNextFileW).
struct FolderEntry {
    std::string name;  // the entry's own name, without the folder
    bool isDirectory = false;  // FILE_ATTRIBUTE_DIRECTORY
    std::uint32_t attributes = 0;  // the raw FILE_ATTRIBUTE_* bits
    // A junction or symbolic link: the entry is the link, not what it points to.
    bool IsLink() const { return (attributes & kAttributeReparsePoint) != 0; }
};

// The raw facts of GetVersionExW (OSVERSIONINFOW).
struct OsVersionFacts {
    std::uint32_t platformId = 0;  // dwPlatformId: 1 = 9x family, 2 = NT family
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::string servicePack;  // szCSDVersion, e.g. " A" on 98 Second Edition
};

// The outcome of a start that the caller wants to report.
struct ProcessStart {
    bool started = false;
    std::string errorText;  // the system's message for the last error when !started
};

// Everything a notes dialog needs; the core has already decided the kind,
// the size and the captions. The platform draws and runs it modally.
struct NotesRequest {
    std::string title;  // the dialog caption
    std::string text;   // the text shown ("|" already turned into CR LF by the core)
    bool html = false;  // true: the HTML dialog writes `text` into a blank browser document
    bool ask = false;   // true: Continue and Quit buttons; false: one closing button
    bool compact = false;  // plain dialog only: memo and dialog 200 pixels lower, buttons moved up
    std::string continueCaption;  // ask mode: caption of the Continue button (default, gives true)
    std::string quitCaption;      // ask mode: caption of the Quit button (gives false)
    std::string closeCaption;     // view mode: caption of the single (default) button
};

class Platform {
public:
    virtual ~Platform() = default;

    // ---- files and folders ----------------------------------------------
    // Opens a file with the given access and sharing; nullptr when it cannot
    // be opened or created (absent, locked by another opener, no rights).
    virtual std::unique_ptr<PlatformFile> Open(const std::string& path, FileOpen mode,
                                               FileShare share) = 0;
    // True when `path` names an existing file (not a folder).
    virtual bool FileExists(const std::string& path) = 0;
    // True when `path` names an existing folder.
    virtual bool FolderExists(const std::string& path) = 0;
    // The FILE_ATTRIBUTE_* bits of a path (GetFileAttributesW): a link's own
    // bits, not its target's. nullopt when nothing is there.
    virtual std::optional<std::uint32_t> Attributes(const std::string& path) = 0;
    // Replaces a path's attribute bits (SetFileAttributesW). False on failure.
    virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
    // The normalised full path (GetFullPathNameW), with the short (8.3) names
    // of the parts that exist replaced by their long names (GetLongPathNameW).
    // nullopt when the path cannot be resolved.
    virtual std::optional<std::string> FullPathName(const std::string& path) = 0;
    // Lists the entries of a folder, hidden and system ones included, without
    // "." and "..", in the order the file system gives them. nullopt when the
    // folder cannot be listed.
    virtual std::optional<std::vector<FolderEntry>> ListFolder(const std::string& path) = 0;
    // Creates one folder whose parent exists (CreateDirectoryW). False on failure,
    // including when it already exists.
    virtual bool CreateFolder(const std::string& path) = 0;
    // Removes an empty folder, or a link to a folder itself (RemoveDirectoryW).
    // False on failure.
    virtual bool RemoveFolder(const std::string& path) = 0;
    // Deletes a file (DeleteFileW). False on failure: a running program, a
    // read-only file, a file another opener holds without delete sharing.
    virtual bool RemoveFile(const std::string& path) = 0;
    // Renames a file or folder within its volume (MoveFileW, no replacing).
    virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
    // Copies `length` bytes from the current position of `from` to the current
    // position of `to`, advancing both. The count copied is less than `length`
    // on an I/O error, a full disk or the end of `from`; `sourceFailed` says
    // whether `from` was to blame (a read error, or its end came first). The
    // default moves the bytes through a 1 MiB buffer with Read and Write; an
    // implementation may override it with a faster system copy.
    virtual CopyResult CopyBytes(PlatformFile& from, PlatformFile& to, std::uint64_t length);

    // ---- processes --------------------------------------------------------
    // Starts a complete command line without a window and without waiting
    // (WinExec(line, SW_HIDE) semantics, but the whole line as UTF-16, any length
    // Windows accepts). The core composes "%COMSPEC% /C ..." itself. True when
    // the process was started.
    virtual bool StartHidden(const std::string& commandLine) = 0;
    // CreateProcessW(NULL, line) with inherited handles, CREATE_NO_WINDOW, the
    // installer's environment and current folder; waits until it ends, in 10 ms
    // steps while pumping this thread's window messages; closes the handles.
    // The exit code is not examined.
    virtual ProcessStart RunAndWait(const std::string& commandLine) = 0;
    // CreateProcessW(NULL, line) without handle inheritance, normal priority,
    // `workingFolder` as current folder; closes the handles at once, no wait.
    // True when CreateProcessW succeeded.
    virtual bool StartProcess(const std::string& commandLine, const std::string& workingFolder) = 0;
    // ShellExecuteExW verb "open", the active window as owner, no folder,
    // SW_HIDE, SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT; when the shell gives
    // a process, waits in 50 ms steps pumping messages, then closes it.
    virtual ProcessStart ShellOpenAndWait(const std::string& file, const std::string& parameters) = 0;
    // ShellExecuteW with the main window as owner, default verb, `target` as file,
    // no parameters or folder, SW_SHOW; the result is not examined.
    virtual void ShellOpen(const std::string& target) = 0;

    // ---- clipboard ----------------------------------------------------------
    // Replaces the clipboard content with `text` (CF_UNICODETEXT). False on failure.
    virtual bool SetClipboardText(const std::string& text) = 0;
    // The clipboard's text (CF_UNICODETEXT), "" when it holds no text;
    // nullopt when the clipboard cannot be opened.
    virtual std::optional<std::string> GetClipboardText() = 0;

    // ---- dialogs ------------------------------------------------------------
    // A modal message box with `text` and one OK button (the application title
    // as caption). Returns when the user closed it.
    virtual void ShowMessage(const std::string& text) = 0;
    // A modal Yes/No confirmation with a question icon. True only for Yes;
    // closing the box counts as No.
    virtual bool ConfirmYesNo(const std::string& text) = 0;
    // Shows a notes dialog modally (see NotesRequest). True exactly when it
    // was closed with the Continue button (ask mode); view mode gives false.
    virtual bool ShowNotesDialog(const NotesRequest& request) = 0;
    // Shows the (non-modal) progress window with `caption`, bar at 0.
    virtual void ShowProgress(const std::string& caption) = 0;
    // Moves the progress bar to `percent` (0..100) and repaints it at once.
    virtual void SetProgress(int percent) = 0;
    // Hides the progress window.
    virtual void HideProgress() = 0;

    // ---- time ---------------------------------------------------------------
    // A plain pause of the UI thread (Sleep): no window messages are processed.
    virtual void Pause(std::uint32_t milliseconds) = 0;

    // ---- machine facts ------------------------------------------------------
    // GetVersionExW; nullopt when it fails.
    virtual std::optional<OsVersionFacts> GetOsVersion() = 0;
    // VerifyVersionInfoW: major >= 6, minor >= 3, service-pack major >= 0, the
    // three conditions combined with VerSetConditionMask(VER_GREATER_EQUAL).
    virtual bool IsAtLeastWindows63() = 0;
    // Total physical memory in bytes (GlobalMemoryStatusEx looked up in
    // kernel32 at run time, else GlobalMemoryStatus); nullopt when unknown.
    virtual std::optional<std::uint64_t> TotalPhysicalMemory() = 0;
    // GetUserNameW: the logged-on user's name; "" on failure.
    virtual std::string UserName() = 0;
    // GetWindowsDirectoryW, e.g. "C:\Windows" (no trailing "\").
    virtual std::string WindowsFolder() = 0;
    // GetSystemDirectoryW, e.g. "C:\Windows\system32" (no trailing "\"): the
    // only place the installer starts system programs from.
    virtual std::string SystemFolder() = 0;
    // The full path of the running installer executable (GetModuleFileNameW).
    virtual std::string OwnExecutablePath() = 0;
    // An environment variable (GetEnvironmentVariableW); nullopt when unset.
    virtual std::optional<std::string> EnvironmentVariable(const std::string& name) = 0;
};

}  // namespace kestrin
