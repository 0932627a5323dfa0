// The installer's platform layer on Windows: every primitive the core uses,
// carried out with the Win32 API in UTF-16.
#pragma once

#include "platform.h"
#include "progress_dialog.h"

#include <windows.h>

namespace kestrin::win32 {

class Win32Platform final : public Platform {
public:
  Win32Platform();

  // The main window: owner of message boxes, dialogs and shell calls. Until it
  // exists (the start-up notes come before it) dialogs have no owner.
  void SetMainWindow(HWND window) { fMainWindow = window; }
  // Caption of message boxes: the installer's file name without ".exe".
  const std::wstring& ApplicationTitle() const { return fAppTitle; }

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

  std::optional<OsVersionFacts> GetOsVersion() override;
  bool IsAtLeastWindows63() override;
  std::optional<std::uint64_t> TotalPhysicalMemory() override;
  std::string UserName() override;
  std::string WindowsFolder() override;
  std::string SystemFolder() override;
  std::string OwnExecutablePath() override;
  std::optional<std::string> EnvironmentVariable(const std::string& name) override;

private:
  HWND DialogOwner() const;

  HWND fMainWindow = nullptr;
  std::wstring fAppTitle;
  TProgressDlg fProgress;
};

}  // namespace kestrin::win32
