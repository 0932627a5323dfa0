// Checks of the Windows platform layer against the real Win32 API, run under
// Wine by the end-to-end tests: the core's file and process utilities on top
// of Win32Platform, in a scratch folder. Prints "ok:"/"FAIL:" lines and exits
// with the number of failures.
#include "file_utils.h"
#include "process_utils.h"
#include "win32_platform.h"
#include "windows_paths.h"

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>

namespace {

int gFailures = 0;

void Check(bool condition, const char* what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what);
  if (!condition) ++gFailures;
}

std::string ReadAll(kestrin::Platform& p, const std::string& path) {
  auto f = p.Open(path, kestrin::FileOpen::ReadExisting, kestrin::FileShare::All);
  if (!f) return "<missing>";
  std::string data(static_cast<size_t>(f->Size().value_or(0)), '\0');
  const auto n = f->Read(data.data(), data.size());
  data.resize(n.value_or(0));
  return data;
}

void WriteAll(kestrin::Platform& p, const std::string& path, const std::string& data) {
  kestrin::Blob blob = kestrin::Blob::FromBytes(data);
  kestrin::WriteBlobToFile(p, blob, path);
}

// Another opener that keeps the file open for writing, as a running program would.
HANDLE HoldForWriting(const std::string& path) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, w.data(), n);
  return CreateFileW(w.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int wmain() {
  OleInitialize(nullptr);
  kestrin::win32::Win32Platform p;
  const std::string root = "C:\\users\\Public\\kestrin-checks";
  kestrin::DeleteTree(p, root);
  Check(kestrin::CreateFolderTree(p, root + "\\a\\b"), "folder tree created with its parents");

  // Block copy: exactly one full block, then an empty read.
  const std::string block(8192, 'k');
  WriteAll(p, root + "\\block.bin", block);
  Check(kestrin::CopyFileBlocks(p, root + "\\block.bin", root + "\\a\\block.bin") &&
            ReadAll(p, root + "\\a\\block.bin") == block,
        "8192-byte file copied whole");

  // Sharing: a file held open for writing cannot be copied, except .TRQ/.TDD.
  WriteAll(p, root + "\\data.dat", "busy");
  WriteAll(p, root + "\\data.TRQ", "busy");
  HANDLE dat = HoldForWriting(root + "\\data.dat");
  HANDLE trq = HoldForWriting(root + "\\data.TRQ");
  Check(dat != INVALID_HANDLE_VALUE && trq != INVALID_HANDLE_VALUE, "test files held open for writing");
  Check(!kestrin::CopyFileBlocks(p, root + "\\data.dat", root + "\\copy.dat") && !p.FileExists(root + "\\copy.dat"),
        "file held for writing is not copied (read-only sharing) and nothing is created");
  Check(kestrin::CopyFileBlocks(p, root + "\\data.TRQ", root + "\\copy.TRQ") &&
            ReadAll(p, root + "\\copy.TRQ") == "busy",
        ".TRQ file held for writing is copied (no sharing restriction)");
  CloseHandle(dat);
  CloseHandle(trq);

  // Pieces to files: empty and multi-megabyte pieces.
  WriteAll(p, root + "\\empty.bin", "");
  Check(p.FileExists(root + "\\empty.bin") && ReadAll(p, root + "\\empty.bin").empty(), "empty piece gives an empty file");
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
  WriteAll(p, root + "\\big.bin", big);
  Check(ReadAll(p, root + "\\big.bin") == big, "3 MB piece written byte for byte");

  // Listing shows hidden entries and folders with their attributes.
  WriteAll(p, root + "\\a\\hidden.txt", "h");
  SetFileAttributesW(L"C:\\users\\Public\\kestrin-checks\\a\\hidden.txt", FILE_ATTRIBUTE_HIDDEN);
  bool sawHidden = false;
  bool sawFolder = false;
  for (const auto& e : p.ListFolder(root + "\\a").value_or(std::vector<kestrin::FolderEntry>{})) {
    if (e.name == "hidden.txt" && (e.attributes & FILE_ATTRIBUTE_HIDDEN)) sawHidden = true;
    if (e.name == "b" && e.isDirectory) sawFolder = true;
  }
  Check(sawHidden && sawFolder, "listing shows hidden files and sub-folders");
  Check(!p.ListFolder(root + "\\absent").has_value(), "listing a missing folder fails");

  // Non-Latin names survive the whole way through the interpreter, and a
  // command line longer than 260 characters is passed whole.
  const std::string unicodeDir = root + "\\\xC3\x9C" "ber-\xE6\x97\xA5\xE6\x9C\xAC-" + std::string(230, 'x');
  kestrin::RunHidden(p, "mkdir \"" + unicodeDir + "\"");
  for (int i = 0; i < 100 && !p.FolderExists(unicodeDir); ++i) Sleep(50);
  Check(p.FolderExists(unicodeDir), "hidden start: non-Latin folder name and a line over 260 characters kept whole");

  // Waiting start: the command has finished when the call returns.
  const std::string comspec = p.EnvironmentVariable("COMSPEC").value_or("");
  Check(!comspec.empty(), "COMSPEC is read from the environment");
  Check(!p.EnvironmentVariable("KESTRIN_SURELY_UNSET").has_value(), "an unset variable gives nothing");
  const auto run = p.RunAndWait(comspec + " /C echo done> \"" + root + "\\waited.txt\"");
  Check(run.started && p.FileExists(root + "\\waited.txt"), "RunAndWait returns after the program ended");
  const auto missing = p.RunAndWait("C:\\no\\such\\program.exe");
  Check(!missing.started && !missing.errorText.empty(), "a program that cannot start gives the system's text");
  Check(!kestrin::LaunchProgram(p, root + "\\absent.exe", root), "LaunchProgram of a missing file gives false");

  // Clipboard text keeps non-Latin characters both ways.
  const std::string text = "c:\\Program Files\\M\xC3\xA4ker\\\xE8\xA3\xBD\xE5\x93\x81";
  Check(p.SetClipboardText(text) && p.GetClipboardText().value_or("") == text, "clipboard round trip in UTF-16");

  // Machine facts.
  const auto version = p.GetOsVersion();
  Check(version && version->platformId == 2 && version->major >= 5, "version facts of an NT-family system");
  Check(p.TotalPhysicalMemory().value_or(0) > 100'000'000, "physical memory reported");
  Check(!p.UserName().empty(), "user name reported");
  const std::string windows = p.WindowsFolder();
  Check(windows.size() > 3 && windows.back() != '\\' && (windows[0] == 'C' || windows[0] == 'c'),
        "Windows folder without a trailing backslash");
  Check(p.OwnExecutablePath().find("PlatformChecks.exe") != std::string::npos, "own executable path");

  // Paths longer than MAX_PATH: the Windows layer hands them over in the
  // "\\?\" form, so folders and copies that deep work.
  std::string deep = root + "\\deep";
  while (deep.size() < 300) deep += "\\" + std::string(40, 'd');
  Check(kestrin::CreateFolderTree(p, deep) && p.FolderExists(deep), "folder tree deeper than MAX_PATH created");
  Check(kestrin::CopyFileBlocks(p, root + "\\block.bin", deep + "\\..\\block.bin") &&
            ReadAll(p, deep.substr(0, deep.rfind('\\')) + "\\block.bin") == block,
        "copy to a destination longer than MAX_PATH, with \"..\" in it");

  // Full paths as GetFullPathNameW gives them, and the copy-into-itself guard.
  Check(p.FullPathName(root + "\\a\\..\\\\a\\.\\b").value_or("") == root + "\\a\\b", "full path normalised");
  Check(!kestrin::CopyFolderTree(p, root + "\\a", root + "\\x\\..\\a\\b\\copy") &&
            !p.FolderExists(root + "\\a\\b\\copy"),
        "a folder is not copied into itself, however the destination is spelled");
  const std::string system = p.SystemFolder();
  Check(system.size() > 3 && kestrin::FoldCase(system).find("system32") != std::string::npos, "system folder reported");

  // Links: the test script planted LINKS\Planted, a link to VICTIM (Wine shows
  // a host symbolic link as Windows shows a junction: a directory reparse point).
  const std::string links = "C:\\users\\Public\\kestrin-links";
  const std::string victim = "C:\\users\\Public\\kestrin-victim\\keep.txt";
  bool sawLink = false;
  for (const auto& e : p.ListFolder(links).value_or(std::vector<kestrin::FolderEntry>{}))
    if (e.name == "Planted" && e.IsLink() && e.isDirectory) sawLink = true;
  Check(sawLink, "a planted link is listed as a directory reparse point");
  Check(kestrin::CopyFolderTree(p, links, root + "\\links-copy") && p.FileExists(root + "\\links-copy\\own.txt") &&
            !p.FolderExists(root + "\\links-copy\\Planted"),
        "a folder copy does not follow a link");
  kestrin::DeleteTree(p, links);
  Check(ReadAll(p, victim) == "victim", "deleting a tree leaves what a link in it points to");

  kestrin::DeleteTree(p, root);
  Check(!p.FolderExists(root), "tree deleted");
  OleUninitialize();
  std::printf("%d failure(s)\n", gFailures);
  return gFailures;
}
