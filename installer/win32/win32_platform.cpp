// Files, folders, the clipboard, dialogs and machine facts of the Windows
// platform layer (process starts are in win32_processes.cpp).
#include "win32_platform.h"

#include "html_notes_dialog.h"
#include "notes_dialog.h"
#include "wide_text.h"
#include "win32_clipboard.h"
#include "win32_file.h"
#include "windows_paths.h"

#include <lmcons.h>

namespace kestrin::win32 {

namespace {

// GetFullPathNameW of a path of any length.
std::wstring FullPathOf(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return path;
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.resize(n);
  }
}

// The path as the file API gets it: long paths in the "\\?\" form, which
// lifts MAX_PATH but takes the path literally, so it is made full first.
std::wstring ApiPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  return Widen(PathForFileApi(path, Narrow(FullPathOf(wide))));
}

DWORD RawAttributes(const std::string& path) { return GetFileAttributesW(ApiPath(path).c_str()); }

// GetLongPathNameW of a path that exists; empty when it does not.
std::wstring LongNameOf(const std::wstring& path) {
  const std::wstring api = Widen(PathForFileApi(Narrow(path), Narrow(path)));
  std::wstring result(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetLongPathNameW(api.c_str(), result.data(), static_cast<DWORD>(result.size()));
    if (n == 0) return {};
    if (n < result.size()) {
      result.resize(n);
      break;
    }
    result.resize(n);
  }
  if (result.compare(0, 4, L"\\\\?\\") == 0 && api.compare(0, 4, L"\\\\?\\") == 0) {
    result = result.compare(4, 4, L"UNC\\") == 0 ? L"\\\\" + result.substr(8) : result.substr(4);
  }
  return result;
}

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // long paths: grow until it fits
  }
}

}  // namespace

Win32Platform::Win32Platform() {
  const std::wstring exe = ExecutablePath();
  const size_t slash = exe.find_last_of(L"\\/");
  fAppTitle = slash == std::wstring::npos ? exe : exe.substr(slash + 1);
  const size_t dot = fAppTitle.find_last_of(L'.');
  if (dot != std::wstring::npos) fAppTitle.resize(dot);
}

HWND Win32Platform::DialogOwner() const {
  return fMainWindow != nullptr && IsWindowVisible(fMainWindow) ? fMainWindow : nullptr;
}

std::unique_ptr<PlatformFile> Win32Platform::Open(const std::string& path, FileOpen mode, FileShare share) {
  return OpenWin32File(ApiPath(path), mode, share);
}

std::optional<std::uint32_t> Win32Platform::Attributes(const std::string& path) {
  const DWORD a = RawAttributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return static_cast<std::uint32_t>(a);
}

bool Win32Platform::SetAttributes(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesW(ApiPath(path).c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != 0;
}

std::optional<std::string> Win32Platform::FullPathName(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const std::wstring full = FullPathOf(Widen(path));
  // Short names can only be expanded where something exists: the longest
  // existing part gets its long names, the rest stays as written.
  std::wstring head = full;
  std::wstring tail;  // the parts that do not exist, each after a "\\"
  for (;;) {
    const std::wstring expanded = LongNameOf(head);
    if (!expanded.empty()) {
      const bool joined = !expanded.empty() && expanded.back() == L'\\' && !tail.empty();
      return Narrow((joined ? expanded.substr(0, expanded.size() - 1) : expanded) + tail);
    }
    const size_t slash = head.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= head.size() || slash < 2) break;
    tail = head.substr(slash) + tail;
    head.resize(slash == 2 && head[1] == L':' ? 3 : slash);
  }
  return Narrow(full);
}

bool Win32Platform::FileExists(const std::string& path) {
  const DWORD a = RawAttributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::FolderExists(const std::string& path) {
  const DWORD a = RawAttributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::vector<FolderEntry>> Win32Platform::ListFolder(const std::string& path) {
  std::wstring pattern = ApiPath(path);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // An existing but empty folder still lists "." and ".."; this is a failure.
    return std::nullopt;
  }
  std::vector<FolderEntry> entries;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry e;
    e.name = Narrow(name);
    e.attributes = found.dwFileAttributes;
    e.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entries.push_back(std::move(e));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

bool Win32Platform::CreateFolder(const std::string& path) {
  return CreateDirectoryW(ApiPath(path).c_str(), nullptr) != 0;
}

bool Win32Platform::RemoveFolder(const std::string& path) {
  return RemoveDirectoryW(ApiPath(path).c_str()) != 0;
}

bool Win32Platform::RemoveFile(const std::string& path) {
  return DeleteFileW(ApiPath(path).c_str()) != 0;
}

bool Win32Platform::RenameFile(const std::string& from, const std::string& to) {
  return MoveFileW(ApiPath(from).c_str(), ApiPath(to).c_str()) != 0;
}

bool Win32Platform::SetClipboardText(const std::string& text) { return PutClipboardText(Widen(text)); }

std::optional<std::string> Win32Platform::GetClipboardText() {
  auto text = TakeClipboardText();
  if (!text) return std::nullopt;
  return Narrow(*text);
}

void Win32Platform::ShowMessage(const std::string& text) {
  MessageBoxW(DialogOwner(), Widen(text).c_str(), fAppTitle.c_str(), MB_OK);
}

bool Win32Platform::ConfirmYesNo(const std::string& text) {
  return MessageBoxW(DialogOwner(), Widen(text).c_str(), fAppTitle.c_str(),
                     MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool Win32Platform::ShowNotesDialog(const NotesRequest& request) {
  if (request.html) {
    switch (RunHtmlNotesDialog(DialogOwner(), request)) {
      case HtmlNotesResult::Continue: return true;
      case HtmlNotesResult::Quit: return false;
      case HtmlNotesResult::NoDocument: break;
    }
    // No browser document could be had (no browser engine on this system):
    // the text is shown as it is in the plain dialog rather than not at all.
    NotesRequest plain = request;
    plain.html = false;
    plain.compact = Widen(request.text).size() < 500;
    return RunNotesDialog(DialogOwner(), plain);
  }
  return RunNotesDialog(DialogOwner(), request);
}

void Win32Platform::ShowProgress(const std::string& caption) { fProgress.Show(DialogOwner(), Widen(caption)); }

void Win32Platform::SetProgress(int percent) { fProgress.SetPosition(percent); }

void Win32Platform::HideProgress() { fProgress.Hide(); }

void Win32Platform::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::optional<OsVersionFacts> Win32Platform::GetOsVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  // The manifest declares no supported-OS list, so this reports 6.2 on 8.1
  // and 10; the core tells them apart with IsAtLeastWindows63 and "systemapps".
  if (!GetVersionExW(&info)) return std::nullopt;
#pragma GCC diagnostic pop
  OsVersionFacts facts;
  facts.platformId = info.dwPlatformId;
  facts.major = info.dwMajorVersion;
  facts.minor = info.dwMinorVersion;
  facts.servicePack = Narrow(std::wstring(info.szCSDVersion, wcsnlen(info.szCSDVersion, 128)));
  return facts;
}

bool Win32Platform::IsAtLeastWindows63() {
  OSVERSIONINFOEXW want{};
  want.dwOSVersionInfoSize = sizeof want;
  want.dwMajorVersion = 6;
  want.dwMinorVersion = 3;
  want.wServicePackMajor = 0;
  ULONGLONG mask = 0;
  mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&want, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != 0;
}

std::optional<std::uint64_t> Win32Platform::TotalPhysicalMemory() {
  // Looked up at run time: very old systems lack GlobalMemoryStatusEx.
  using StatusEx = BOOL(WINAPI*)(LPMEMORYSTATUSEX);
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
    auto fn = reinterpret_cast<StatusEx>(reinterpret_cast<void*>(GetProcAddress(kernel, "GlobalMemoryStatusEx")));
    if (fn != nullptr) {
      MEMORYSTATUSEX status{};
      status.dwLength = sizeof status;
      if (fn(&status)) return status.ullTotalPhys;
      return std::nullopt;
    }
  }
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  return static_cast<std::uint64_t>(status.dwTotalPhys);
}

std::string Win32Platform::UserName() {
  wchar_t name[UNLEN + 1] = {};
  DWORD size = UNLEN + 1;
  if (!GetUserNameW(name, &size)) return {};
  return Narrow(name);
}

namespace {
// A folder the system names (GetWindowsDirectoryW, GetSystemDirectoryW),
// without a trailing "\\" unless it is a drive root.
std::string SystemNamedFolder(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT n = query(folder, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return {};
  std::wstring result(folder, n);
  if (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return Narrow(result);
}
}  // namespace

std::string Win32Platform::WindowsFolder() { return SystemNamedFolder(GetWindowsDirectoryW); }

std::string Win32Platform::SystemFolder() { return SystemNamedFolder(GetSystemDirectoryW); }

std::string Win32Platform::OwnExecutablePath() { return Narrow(ExecutablePath()); }

std::optional<std::string> Win32Platform::EnvironmentVariable(const std::string& name) {
  const std::wstring wname = Widen(name);
  const DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(wname.c_str(), value.data(), n);
  if (got == 0 || got >= n) return std::nullopt;
  value.resize(got);
  return Narrow(value);
}

}  // namespace kestrin::win32
