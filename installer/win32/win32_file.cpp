#include "win32_file.h"

#include <algorithm>

namespace kestrin::win32 {

namespace {
// ReadFile and WriteFile take 32-bit counts; larger requests go in slices.
constexpr std::size_t kMaxSlice = 0x40000000;
}  // namespace

Win32File::~Win32File() { CloseHandle(fHandle); }

std::optional<std::size_t> Win32File::Read(void* buffer, std::size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t total = 0;
  while (total < size) {
    const DWORD want = static_cast<DWORD>(std::min(size - total, kMaxSlice));
    DWORD got = 0;
    if (!ReadFile(fHandle, out + total, want, &got, nullptr)) return std::nullopt;
    total += got;
    if (got < want) break;  // end of file
  }
  return total;
}

std::optional<std::size_t> Win32File::Write(const void* buffer, std::size_t size) {
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::size_t total = 0;
  while (total < size) {
    const DWORD want = static_cast<DWORD>(std::min(size - total, kMaxSlice));
    DWORD put = 0;
    if (!WriteFile(fHandle, in + total, want, &put, nullptr)) {
      return total > 0 ? std::optional<std::size_t>(total) : std::nullopt;
    }
    total += put;
    if (put < want) break;  // disk full: report the short count
  }
  return total;
}

bool Win32File::Seek(std::uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(fHandle, to, nullptr, FILE_BEGIN) != 0;
}

std::optional<std::uint64_t> Win32File::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(fHandle, &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool Win32File::Resize(std::uint64_t size) {
  return Seek(size) && SetEndOfFile(fHandle) != 0;
}

bool Win32File::Flush() { return FlushFileBuffers(fHandle) != 0; }

std::unique_ptr<PlatformFile> OpenWin32File(const std::wstring& path, FileOpen mode, FileShare share) {
  const DWORD access = mode == FileOpen::ReadExisting ? GENERIC_READ : GENERIC_WRITE;
  const DWORD disposition = mode == FileOpen::ReadExisting ? OPEN_EXISTING : CREATE_ALWAYS;
  const DWORD sharing = share == FileShare::ReadOnly
                            ? FILE_SHARE_READ
                            : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileW(path.c_str(), access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32File>(h);
}

}  // namespace kestrin::win32
