#include "scripted_platform.h"

#include "text_utils.h"
#include "windows_paths.h"

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

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The exe of a command line: the quoted first token, or the text up to a blank.
std::string ProgramOf(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine.front() == '"') {
        const std::size_t end = commandLine.find('"', 1);
        return commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    return commandLine.substr(0, commandLine.find(' '));
}

// NTFS keeps a folder's names in the order of their upper-case UTF-16 form.
bool NtfsOrder(const std::string& a, const std::string& b) {
    const std::u16string ua = Utf8ToUtf16(Upper(a));
    const std::u16string ub = Utf8ToUtf16(Upper(b));
    return ua < ub;
}

// The parts of a short (8.3) name NTFS generates for a long name: up to six
// characters of the name and up to three of its last extension, upper case,
// without the characters 8.3 names cannot hold.
std::string ShortNameBase(const std::string& name, std::string& extension) {
    auto clean = [](const std::string& text, std::size_t most) {
        std::string out;
        for (char c : text) {
            if (out.size() == most) break;
            if (c == ' ' || c == '.') continue;
            out.push_back(std::string_view("+,;=[]").find(c) != std::string_view::npos ? '_' : c);
        }
        return Upper(out);
    };
    const std::size_t dot = name.rfind('.');
    extension = dot == std::string::npos || dot == 0 ? std::string() : clean(name.substr(dot + 1), 3);
    return clean(dot == std::string::npos || dot == 0 ? name : name.substr(0, dot), 6);
}

bool IsShortNameForm(const std::string& name) {
    const std::size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    return !base.empty() && base.size() <= 8 && extension.size() <= 3 && extension.find('.') == std::string::npos &&
           name.find(' ') == std::string::npos;
}

// The entry of `folder` that `component` names: the same name without regard
// to case, else the long name whose generated short name it is.
std::optional<std::string> MatchEntry(const fs::path& folder, const std::string& component) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
    const std::string wanted = Lower(component);
    for (const std::string& name : names)
        if (Lower(name) == wanted) return name;
    if (component.find('~') == std::string::npos) return std::nullopt;
    std::sort(names.begin(), names.end(), NtfsOrder);
    std::map<std::string, int> used;
    for (const std::string& name : names) {
        if (IsShortNameForm(name)) continue;
        std::string extension;
        const std::string base = ShortNameBase(name, extension);
        const int number = ++used[base + "." + extension];
        const std::string shortName = base + "~" + std::to_string(number) + (extension.empty() ? "" : "." + extension);
        if (shortName == Upper(component)) return name;
    }
    return std::nullopt;
}
}  // namespace

// ---- ScriptedFile ---------------------------------------------------------------

class ScriptedFile final : public PlatformFile {
public:
    ScriptedFile(ScriptedPlatform& platform, int fd, int handle, std::string key)
        : fPlatform(platform), fFd(fd), fHandle(handle), fKey(std::move(key)) {}
    ~ScriptedFile() override {
        ::close(fFd);
        fPlatform.fHandles.erase(fHandle);
    }
    ScriptedFile(const ScriptedFile&) = delete;
    ScriptedFile& operator=(const ScriptedFile&) = delete;

    std::optional<std::size_t> Read(void* buffer, std::size_t size) override {
        if (const auto fault = fPlatform.fReadFaults.find(fKey); fault != fPlatform.fReadFaults.end()) {
            const off_t position = ::lseek(fFd, 0, SEEK_CUR);
            const auto length = Size();
            if (position < 0 || !length) return std::nullopt;
            const std::uint64_t from = static_cast<std::uint64_t>(position);
            const std::uint64_t until = std::min<std::uint64_t>(from + size, std::max(*length, from));
            if (from <= fault->second && fault->second < until) return std::nullopt;
        }
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
    bool HasReadFault() const { return fPlatform.fReadFaults.count(fKey) > 0; }

private:
    ScriptedPlatform& fPlatform;
    int fFd;
    int fHandle;
    std::string fKey;
};

// ---- paths -------------------------------------------------------------------------

ScriptedPlatform::ScriptedPlatform(fs::path root) : fRoot(std::move(root)) {
    fs::create_directories(fRoot / "c");
}

fs::path ScriptedPlatform::MapToHost(const std::string& fullPath, std::string* longPath) const {
    std::string rest = IsLongForm(fullPath) ? fullPath.substr(kLongFormPrefix.size()) : fullPath;
    fs::path host = fRoot;
    std::string spelled;
    if (rest.compare(0, 4, "UNC\\") == 0 || (rest.size() >= 2 && rest[0] == '\\' && rest[1] == '\\')) {
        host /= "unc";
        rest = rest.substr(rest[0] == '\\' ? 2 : 4);
        spelled = "\\\\";
    } else if (rest.size() >= 2 && rest[1] == ':') {
        host /= std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0]))));
        spelled = rest.substr(0, 2);
        rest = rest.substr(2);
    } else {
        host /= "relative";
    }
    bool first = spelled == "\\\\";
    for (const std::string& part : PathSegments(rest)) {
        // Windows names are case-insensitive: reuse an existing entry's spelling.
        const std::string chosen = MatchEntry(host, part).value_or(part);
        host /= chosen;
        spelled += (first ? "" : "\\") + chosen;
        first = false;
    }
    if (longPath) *longPath = spelled.empty() ? fullPath : spelled;
    return host;
}

fs::path ScriptedPlatform::HostPath(const std::string& windowsPath) const {
    return MapToHost(NormaliseFullPath(windowsPath, currentFolder));
}

std::optional<fs::path> ScriptedPlatform::ApiHostPath(const std::string& path, std::size_t limit) const {
    if (path.empty()) return std::nullopt;
    // What the Windows layer hands over: the long form for long paths.
    const std::string api =
        windowsLayerLongForm ? PathForFileApi(path, NormaliseFullPath(path, currentFolder)) : path;
    std::string full;
    if (IsLongForm(api)) {
        // Taken literally: no "." or ".." resolution, no doubled separators.
        full = api;
        std::string rest = api.substr(kLongFormPrefix.size());
        if (rest.compare(0, 4, "UNC\\") == 0) rest = rest.substr(4);
        else if (rest.size() < 2 || rest[1] != ':') return std::nullopt;
        else rest = rest.substr(2);
        if (rest.find("\\\\") != std::string::npos) return std::nullopt;
    } else {
        if (api.size() >= limit) return std::nullopt;  // ERROR_FILENAME_EXCED_RANGE
        full = NormaliseFullPath(api, currentFolder);
    }
    // Every name below the root must be one Windows accepts.
    std::string rest = IsLongForm(full) ? full.substr(kLongFormPrefix.size()) : full;
    std::vector<std::string> parts = PathSegments(rest);
    const bool unc = rest.compare(0, 4, "UNC\\") == 0 || rest.compare(0, 2, "\\\\") == 0;
    const std::size_t rootParts = unc ? (rest.compare(0, 4, "UNC\\") == 0 ? 3 : 2) : 1;
    for (std::size_t i = rootParts; i < parts.size(); ++i)
        if (WindowsNameProblem(parts[i])) return std::nullopt;
    return MapToHost(full);
}

std::string ScriptedPlatform::Key(const std::string& windowsPath) const { return Lower(HostPath(windowsPath).string()); }

bool ScriptedPlatform::RemoveDenied(const std::string& windowsPath) const {
    return std::any_of(failRemove.begin(), failRemove.end(),
                       [&](const std::string& denied) { return Key(denied) == Key(windowsPath); });
}

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

void ScriptedPlatform::MakeLink(const std::string& linkPath, const std::string& targetPath) {
    const fs::path link = HostPath(linkPath);
    fs::create_directories(link.parent_path());
    fs::create_symlink(HostPath(targetPath), link);
}

void ScriptedPlatform::SetReadOnly(const std::string& windowsPath, bool readOnly) {
    fs::permissions(HostPath(windowsPath), fs::perms::owner_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

void ScriptedPlatform::ReadFaultAt(const std::string& windowsPath, std::uint64_t offset) {
    fReadFaults[Key(windowsPath)] = offset;
}

// ---- files ---------------------------------------------------------------------------

namespace {
// The attribute bits Windows reports for what lies at `host` (a link's own).
std::optional<std::uint32_t> HostAttributes(const fs::path& host) {
    std::error_code error;
    const fs::file_status own = fs::symlink_status(host, error);
    if (error || !fs::exists(own)) return std::nullopt;
    const bool directory = fs::is_directory(host, error);
    std::uint32_t attributes = directory ? kAttributeDirectory : kAttributeArchive;
    if (fs::is_symlink(own)) return attributes | kAttributeReparsePoint;
    const std::string name = host.filename().string();
    if (!name.empty() && name.front() == '.') attributes |= kAttributeHidden;
    if ((own.permissions() & fs::perms::owner_write) == fs::perms::none) attributes |= kAttributeReadOnly;
    return attributes;
}
}  // namespace

bool ScriptedPlatform::DeleteSharingDenied(const std::string& key) const {
    for (const auto& [id, handle] : fHandles)
        if (handle.key == key && handle.share != FileShare::All) return true;
    return false;
}

std::unique_ptr<PlatformFile> ScriptedPlatform::Open(const std::string& path, FileOpen mode, FileShare share) {
    for (const std::string& failing : failOpen)
        if (Key(failing) == Key(path)) return nullptr;
    const auto host = ApiHostPath(path, kMaxPath);
    if (!host) return nullptr;
    const auto attributes = HostAttributes(*host);
    if (attributes && (*attributes & kAttributeDirectory)) return nullptr;
    const bool writes = mode == FileOpen::CreateAlways;
    if (writes && attributes && (*attributes & kAttributeReadOnly)) return nullptr;  // ERROR_ACCESS_DENIED
    const std::string key = Lower(host->string());
    for (const auto& [id, handle] : fHandles) {
        if (handle.key != key) continue;
        // The sharing rules of Windows: neither side may want what the other forbids.
        if ((writes && handle.share == FileShare::ReadOnly) || (handle.writes && share == FileShare::ReadOnly))
            return nullptr;
    }
    if (writes && fRunning.count(key)) return nullptr;
    const int flags = writes ? (O_WRONLY | O_CREAT | O_TRUNC) : O_RDONLY;
    const int fd = ::open(host->c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    const int id = fNextHandle++;
    fHandles[id] = OpenHandle{key, writes, share};
    return std::make_unique<ScriptedFile>(*this, fd, id, key);
}

std::optional<std::uint32_t> ScriptedPlatform::Attributes(const std::string& path) {
    const auto host = ApiHostPath(path, kMaxPath);
    if (!host) return std::nullopt;
    return HostAttributes(*host);
}

bool ScriptedPlatform::SetAttributes(const std::string& path, std::uint32_t attributes) {
    const auto host = ApiHostPath(path, kMaxPath);
    if (!host || !HostAttributes(*host)) return false;
    std::error_code error;
    fs::permissions(*host, fs::perms::owner_write,
                    (attributes & kAttributeReadOnly) ? fs::perm_options::remove : fs::perm_options::add, error);
    return !error;
}

std::optional<std::string> ScriptedPlatform::FullPathName(const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::string longPath;
    MapToHost(NormaliseFullPath(path, currentFolder), &longPath);
    return longPath;
}

bool ScriptedPlatform::FileExists(const std::string& path) {
    const auto attributes = Attributes(path);
    return attributes && (*attributes & kAttributeDirectory) == 0;
}

bool ScriptedPlatform::FolderExists(const std::string& path) {
    const auto attributes = Attributes(path);
    return attributes && (*attributes & kAttributeDirectory) != 0;
}

std::optional<std::vector<FolderEntry>> ScriptedPlatform::ListFolder(const std::string& path) {
    // FindFirstFileW gets the folder with "\*" appended.
    const auto host = ApiHostPath(path, kMaxPath - 2);
    if (!host) return std::nullopt;
    std::error_code error;
    fs::directory_iterator it(*host, error);
    if (error) return std::nullopt;
    std::vector<FolderEntry> entries;
    for (const auto& entry : it) {
        FolderEntry item;
        item.name = entry.path().filename().string();
        item.attributes = HostAttributes(entry.path()).value_or(kAttributeArchive);
        item.isDirectory = (item.attributes & kAttributeDirectory) != 0;
        entries.push_back(std::move(item));
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return NtfsOrder(a.name, b.name); });
    return entries;
}

bool ScriptedPlatform::CreateFolder(const std::string& path) {
    // A drive or a share is never made by CreateDirectoryW, present or not.
    std::string full = NormaliseFullPath(path, currentFolder);
    while (!full.empty() && full.back() == '\\') full.pop_back();
    if (full.size() <= RootLength(full)) return false;
    const auto host = ApiHostPath(path, kMaxFolderPath);
    return host && ::mkdir(host->c_str(), 0755) == 0;
}

bool ScriptedPlatform::RemoveFolder(const std::string& path) {
    if (RemoveDenied(path)) return false;  // ERROR_ACCESS_DENIED
    const auto host = ApiHostPath(path, kMaxPath);
    if (!host) return false;
    const auto attributes = HostAttributes(*host);
    if (!attributes || !(*attributes & kAttributeDirectory)) return false;
    // RemoveDirectoryW on a junction removes the junction, never its target.
    if (*attributes & kAttributeReparsePoint) return ::unlink(host->c_str()) == 0;
    return ::rmdir(host->c_str()) == 0;
}

bool ScriptedPlatform::RemoveFile(const std::string& path) {
    if (RemoveDenied(path)) return false;  // ERROR_ACCESS_DENIED
    const auto host = ApiHostPath(path, kMaxPath);
    if (!host) return false;
    const auto attributes = HostAttributes(*host);
    if (!attributes || (*attributes & kAttributeDirectory)) return false;
    if (*attributes & kAttributeReadOnly) return false;  // ERROR_ACCESS_DENIED
    const std::string key = Lower(host->string());
    if (fRunning.count(key)) return false;     // a running program's file is locked
    if (DeleteSharingDenied(key)) return false;  // ERROR_SHARING_VIOLATION
    return ::unlink(host->c_str()) == 0;
}

bool ScriptedPlatform::RenameFile(const std::string& from, const std::string& to) {
    const auto source = ApiHostPath(from, kMaxPath);
    const auto target = ApiHostPath(to, kMaxPath);
    if (!source || !target) return false;
    std::error_code error;
    if (!HostAttributes(*source) || fs::exists(fs::symlink_status(*target, error))) return false;
    if (DeleteSharingDenied(Lower(source->string()))) return false;
    if (::rename(source->c_str(), target->c_str()) != 0) return false;
    // Windows lets a running program be renamed; the lock moves with it.
    if (fRunning.erase(Lower(source->string()))) fRunning.insert(Lower(target->string()));
    return true;
}

CopyResult ScriptedPlatform::CopyBytes(PlatformFile& from, PlatformFile& to, std::uint64_t length) {
    auto* source = dynamic_cast<ScriptedFile*>(&from);
    auto* target = dynamic_cast<ScriptedFile*>(&to);
    if (fakeDiskFullAfter || !source || !target || source->HasReadFault()) return Platform::CopyBytes(from, to, length);
    CopyResult result;
    while (result.copied < length) {
        const ssize_t n = ::copy_file_range(source->Descriptor(), nullptr, target->Descriptor(), nullptr,
                                            static_cast<std::size_t>(length - result.copied), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && result.copied == 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP))
            return Platform::CopyBytes(from, to, length);
        // Nothing more to copy before `length`: the source ended early.
        if (n == 0) result.sourceFailed = true;
        if (n <= 0) break;
        result.copied += static_cast<std::uint64_t>(n);
    }
    fBytesWritten += result.copied;
    return result;
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
    HoldOpen(windowsPath, true, FileShare::All);
}

void ScriptedPlatform::HoldOpen(const std::string& windowsPath, bool writes, FileShare share) {
    fHandles[fNextHandle++] = OpenHandle{Key(windowsPath), writes, share};
}

// ---- clipboard and time ------------------------------------------------------------------

bool ScriptedPlatform::SetClipboardText(const std::string& text) {
    if (failSetClipboard) return false;
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
