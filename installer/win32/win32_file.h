// An open Windows file handle behind the core's PlatformFile.
#pragma once

#include "platform.h"

#include <windows.h>

#include <memory>
#include <string>

namespace kestrin::win32 {

class Win32File final : public PlatformFile {
public:
  explicit Win32File(HANDLE handle) : fHandle(handle) {}
  ~Win32File() override;
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  std::optional<std::size_t> Read(void* buffer, std::size_t size) override;
  std::optional<std::size_t> Write(const void* buffer, std::size_t size) override;
  bool Seek(std::uint64_t offset) override;
  std::optional<std::uint64_t> Size() override;
  bool Resize(std::uint64_t size) override;
  bool Flush() override;

private:
  HANDLE fHandle;
};

// CreateFileW with the access and sharing the core asked for; nullptr on failure.
std::unique_ptr<PlatformFile> OpenWin32File(const std::wstring& path, FileOpen mode, FileShare share);

}  // namespace kestrin::win32
