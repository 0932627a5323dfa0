#include "scripted_platform.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrin::testing {

namespace fs = std::filesystem;

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> Components(const std::string& text) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (c == '\\' || c == '/') {
            if (!current.empty()) parts.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

// The exe of a command line: the quoted first token, or the text up to a blank.
std::string ProgramOf(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine.front() == '"') {
        const std::size_t end = commandLine.find('"', 1);
        return commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    return commandLine.substr(0, commandLine.find(' '));
}

constexpr std::uint32_t kAttributeReadOnly = 0x1;
constexpr std::uint32_t kAttributeHidden = 0x2;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;
}  // namespace

// ---- ScriptedFile ---------------------------------------------------------------

class ScriptedFile final : public PlatformFile {
public:
    ScriptedFile(ScriptedPlatform& platform, int fd, int handle) : fPlatform(platform), fFd(fd), fHandle(handle) {}
    ~ScriptedFile() override {
        ::close(fFd);
        fPlatform.fHandles.erase(fHandle);
    }
    ScriptedFile(const ScriptedFile&) = delete;
    ScriptedFile& operator=(const ScriptedFile&) = delete;

    std::optional<std::size_t> Read(void* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t got = ::read(fFd, buffer, size);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno != EINTR) return std::nullopt;
        }
    }
    std::optional<std::size_t> Write(const void* buffer, std::size_t size) override {
        if (fPlatform.fakeDiskFullAfter) {
            const std::uint64_t room = *fPlatform.fakeDiskFullAfter > fPlatform.fBytesWritten
                                           ? *fPlatform.fakeDiskFullAfter - fPlatform.fBytesWritten
                                           : 0;
            size = static_cast<std::size_t>(std::min<std::uint64_t>(size, room));
        }
        std::size_t done = 0;
        const auto* bytes = static_cast<const char*>(buffer);
        while (done < size) {
            const ssize_t put = ::write(fFd, bytes + done, size - done);
            if (put < 0) {
                if (errno == EINTR) continue;
                return done > 0 ? std::optional<std::size_t>(done) : std::nullopt;
            }
            done += static_cast<std::size_t>(put);
        }
        fPlatform.fBytesWritten += done;
        return done;
    }
    bool Seek(std::uint64_t offset) override {
        return ::lseek(fFd, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(-1);
    }
    std::optional<std::uint64_t> Size() override {
        struct stat info {};
        if (::fstat(fFd, &info) != 0) return std::nullopt;
        return static_cast<std::uint64_t>(info.st_size);
    }
    bool Resize(std::uint64_t size) override { return ::ftruncate(fFd, static_cast<off_t>(size)) == 0; }
    bool Flush() override { return !fPlatform.syncOnFlush || ::fdatasync(fFd) == 0; }
    int Descriptor() const { return fFd; }

private:
    ScriptedPlatform& fPlatform;
    int fFd;
    int fHandle;
};

// ---- paths -------------------------------------------------------------------------

ScriptedPlatform::ScriptedPlatform(fs::path root) : fRoot(std::move(root)) {
    fs::create_directories(fRoot / "c");
}

fs::path ScriptedPlatform::HostPath(const std::string& windowsPath) const {
    fs::path host = fRoot;
    std::string rest = windowsPath;
    if (rest.size() >= 2 && (rest[0] == '\\' || rest[0] == '/') && (rest[1] == '\\' || rest[1] == '/')) {
        host /= "unc";
        rest = rest.substr(2);
    } else if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
        host /= std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0]))));
        rest = rest.substr(2);
    } else {
        host /= "relative";
    }
    for (const std::string& part : Components(rest)) {
        if (part == ".") continue;
        if (part == "..") {
            if (host != fRoot) host = host.parent_path();
            continue;
        }
        // Windows names are case-insensitive: reuse an existing entry's spelling.
        std::string chosen = part;
        std::error_code error;
        if (fs::is_directory(host, error)) {
            const std::string wanted = Lower(part);
            for (const auto& entry : fs::directory_iterator(host, error)) {
                const std::string name = entry.path().filename().string();
                if (Lower(name) == wanted) {
                    chosen = name;
                    break;
                }
            }
        }
        host /= chosen;
    }
    return host;
}

std::string ScriptedPlatform::Key(const std::string& windowsPath) const { return Lower(HostPath(windowsPath).string()); }

void ScriptedPlatform::WriteFile(const std::string& windowsPath, const std::string& content) {
    const fs::path host = HostPath(windowsPath);
    fs::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << content;
}

std::optional<std::string> ScriptedPlatform::ReadFile(const std::string& windowsPath) const {
    std::ifstream in(HostPath(windowsPath), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void ScriptedPlatform::MakeFolder(const std::string& windowsPath) { fs::create_directories(HostPath(windowsPath)); }

// ---- files ---------------------------------------------------------------------------

std::unique_ptr<PlatformFile> ScriptedPlatform::Open(const std::string& path, FileOpen mode, FileShare share) {
    if (failOpen.count(path)) return nullptr;
    const fs::path host = HostPath(path);
    std::error_code error;
    if (fs::is_directory(host, error)) return nullptr;
    const std::string key = Lower(host.string());
    const bool writes = mode == FileOpen::CreateAlways;
    for (const auto& [id, handle] : fHandles) {
        if (handle.key != key) continue;
        // The sharing rules of Windows: neither side may want what the other forbids.
        if ((writes && handle.share == FileShare::ReadOnly) || (handle.writes && share == FileShare::ReadOnly))
            return nullptr;
    }
    if (writes && fRunning.count(key)) return nullptr;
    const int flags = writes ? (O_WRONLY | O_CREAT | O_TRUNC) : O_RDONLY;
    const int fd = ::open(host.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    const int id = fNextHandle++;
    fHandles[id] = OpenHandle{key, writes, share};
    return std::make_unique<ScriptedFile>(*this, fd, id);
}

bool ScriptedPlatform::FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    return fs::is_regular_file(HostPath(path), error);
}

bool ScriptedPlatform::FolderExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    return fs::is_directory(HostPath(path), error);
}

std::optional<std::vector<FolderEntry>> ScriptedPlatform::ListFolder(const std::string& path) {
    std::error_code error;
    fs::directory_iterator it(HostPath(path), error);
    if (error) return std::nullopt;
    std::vector<FolderEntry> entries;
    for (const auto& entry : it) {
        FolderEntry item;
        item.name = entry.path().filename().string();
        item.isDirectory = entry.is_directory(error);
        item.attributes = item.isDirectory ? kAttributeDirectory : kAttributeArchive;
        if (!item.name.empty() && item.name.front() == '.') item.attributes |= kAttributeHidden;
        const auto permissions = entry.status(error).permissions();
        if ((permissions & fs::perms::owner_write) == fs::perms::none) item.attributes |= kAttributeReadOnly;
        entries.push_back(std::move(item));
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

bool ScriptedPlatform::CreateFolder(const std::string& path) {
    return ::mkdir(HostPath(path).c_str(), 0755) == 0;
}

bool ScriptedPlatform::RemoveFolder(const std::string& path) { return ::rmdir(HostPath(path).c_str()) == 0; }

bool ScriptedPlatform::RemoveFile(const std::string& path) {
    const fs::path host = HostPath(path);
    std::error_code error;
    if (!fs::is_regular_file(host, error)) return false;
    if (fRunning.count(Lower(host.string()))) return false;  // a running program's file is locked
    return ::unlink(host.c_str()) == 0;
}

bool ScriptedPlatform::RenameFile(const std::string& from, const std::string& to) {
    const fs::path source = HostPath(from);
    const fs::path target = HostPath(to);
    std::error_code error;
    if (!fs::exists(source, error) || fs::exists(target, error)) return false;
    if (::rename(source.c_str(), target.c_str()) != 0) return false;
    // Windows lets a running program be renamed; the lock moves with it.
    if (fRunning.erase(Lower(source.string()))) fRunning.insert(Lower(target.string()));
    return true;
}

std::uint64_t ScriptedPlatform::CopyBytes(PlatformFile& from, PlatformFile& to, std::uint64_t length) {
    auto* source = dynamic_cast<ScriptedFile*>(&from);
    auto* target = dynamic_cast<ScriptedFile*>(&to);
    if (fakeDiskFullAfter || !source || !target) return Platform::CopyBytes(from, to, length);
    std::uint64_t copied = 0;
    while (copied < length) {
        const ssize_t n = ::copy_file_range(source->Descriptor(), nullptr, target->Descriptor(), nullptr,
                                            static_cast<std::size_t>(length - copied), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && copied == 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP))
            return Platform::CopyBytes(from, to, length);
        if (n <= 0) break;
        copied += static_cast<std::uint64_t>(n);
    }
    fBytesWritten += copied;
    return copied;
}

// ---- processes -------------------------------------------------------------------------

void ScriptedPlatform::OnCommand(std::string needle, CommandHook hook) {
    fHooks.emplace_back(std::move(needle), std::move(hook));
}

void ScriptedPlatform::RunHooks(const std::string& commandLine) {
    // Hooks may add hooks; walk a copy.
    const auto hooks = fHooks;
    for (const auto& [needle, hook] : hooks)
        if (commandLine.find(needle) != std::string::npos) hook(*this, commandLine);
}

bool ScriptedPlatform::StartHidden(const std::string& commandLine) {
    Record(Recorded::Kind::StartHidden, commandLine);
    RunHooks(commandLine);
    return true;
}

ProcessStart ScriptedPlatform::RunAndWait(const std::string& commandLine) {
    Record(Recorded::Kind::RunAndWait, commandLine);
    if (runAndWaitFailure) return {false, *runAndWaitFailure};
    RunHooks(commandLine);
    return {true, {}};
}

bool ScriptedPlatform::StartProcess(const std::string& commandLine, const std::string& workingFolder) {
    Record(Recorded::Kind::StartProcess, commandLine, workingFolder);
    const std::string program = ProgramOf(commandLine);
    if (startedProgramsKeepRunning && FileExists(program)) MarkRunning(program);
    RunHooks(commandLine);
    return true;
}

ProcessStart ScriptedPlatform::ShellOpenAndWait(const std::string& file, const std::string& parameters) {
    Record(Recorded::Kind::ShellOpenAndWait, file, parameters);
    if (shellOpenFailure) return {false, *shellOpenFailure};
    RunHooks(file);
    return {true, {}};
}

void ScriptedPlatform::ShellOpen(const std::string& target) { Record(Recorded::Kind::ShellOpen, target); }

void ScriptedPlatform::MarkRunning(const std::string& windowsPath) { fRunning.insert(Key(windowsPath)); }
void ScriptedPlatform::EndProgram(const std::string& windowsPath) { fRunning.erase(Key(windowsPath)); }

void ScriptedPlatform::HoldOpenForWriting(const std::string& windowsPath) {
    fHandles[fNextHandle++] = OpenHandle{Key(windowsPath), true, FileShare::All};
}

// ---- clipboard and time ------------------------------------------------------------------

bool ScriptedPlatform::SetClipboardText(const std::string& text) {
    Record(Recorded::Kind::SetClipboard, text);
    clipboard = text;
    return true;
}

std::optional<std::string> ScriptedPlatform::GetClipboardText() {
    RunDueActions();
    return clipboard;
}

void ScriptedPlatform::At(std::uint64_t atMs, std::function<void(ScriptedPlatform&)> action) {
    fTimed.emplace(atMs, std::move(action));
}

void ScriptedPlatform::ClipboardAt(std::uint64_t atMs, std::optional<std::string> text) {
    At(atMs, [text](ScriptedPlatform& platform) { platform.clipboard = text; });
}

void ScriptedPlatform::RunDueActions() {
    while (!fTimed.empty() && fTimed.begin()->first <= nowMs) {
        auto action = std::move(fTimed.begin()->second);
        fTimed.erase(fTimed.begin());
        action(*this);
    }
}

void ScriptedPlatform::Pause(std::uint32_t milliseconds) {
    pauses.push_back(milliseconds);
    nowMs += milliseconds;
    RunDueActions();
}

// ---- dialogs ----------------------------------------------------------------------------------

void ScriptedPlatform::ShowMessage(const std::string& text) { Record(Recorded::Kind::Message, text); }

bool ScriptedPlatform::ConfirmYesNo(const std::string& text) {
    Record(Recorded::Kind::Confirm, text);
    if (confirmAnswers.empty()) return defaultConfirm;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

bool ScriptedPlatform::ShowNotesDialog(const NotesRequest& request) {
    Record(Recorded::Kind::Notes, request.title);
    notesRequests.push_back(request);
    if (!request.ask) return false;
    if (notesAnswers.empty()) return defaultNotes;
    const bool answer = notesAnswers.front();
    notesAnswers.pop_front();
    return answer;
}

void ScriptedPlatform::ShowProgress(const std::string& caption) { Record(Recorded::Kind::ShowProgress, caption); }
void ScriptedPlatform::SetProgress(int percent) { Record(Recorded::Kind::SetProgress, std::to_string(percent)); }
void ScriptedPlatform::HideProgress() { Record(Recorded::Kind::HideProgress, {}); }

std::optional<std::string> ScriptedPlatform::EnvironmentVariable(const std::string& name) {
    if (name == "COMSPEC") return comspec;
    return std::nullopt;
}

// ---- records ------------------------------------------------------------------------------------

void ScriptedPlatform::Record(Recorded::Kind kind, std::string text, std::string extra) {
    log.push_back(Recorded{kind, std::move(text), std::move(extra), nowMs});
}

std::vector<std::string> ScriptedPlatform::Texts(Recorded::Kind kind) const {
    std::vector<std::string> texts;
    for (const Recorded& entry : log)
        if (entry.kind == kind) texts.push_back(entry.text);
    return texts;
}

std::vector<std::string> ScriptedPlatform::StartedCommands() const {
    std::vector<std::string> lines;
    for (const Recorded& entry : log)
        if (entry.kind == Recorded::Kind::StartHidden || entry.kind == Recorded::Kind::RunAndWait ||
            entry.kind == Recorded::Kind::StartProcess)
            lines.push_back(entry.text);
    return lines;
}

}  // namespace kestrin::testing
