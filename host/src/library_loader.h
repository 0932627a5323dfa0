// Opening a shared library and finding a symbol, per platform.
#pragma once

#include <string>

namespace tavro::internal {

// The path the loader is given: a bare file name means the current folder.
std::string pluginPathFromCurrentFolder(const std::string& path);

class LibraryHandle {
 public:
  LibraryHandle() = default;
  ~LibraryHandle();
  LibraryHandle(const LibraryHandle&) = delete;
  LibraryHandle& operator=(const LibraryHandle&) = delete;

  // Throws LoadError with the reason when the library cannot load (on ELF
  // systems a truncated or damaged file is refused before it is mapped).
  void open(const std::string& path);
  void* symbol(const char* name) const;  // null when missing
  void close() noexcept;
  // Forgets the library without unloading it.
  void release() noexcept { handle_ = nullptr; }
  bool isOpen() const noexcept { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

}  // namespace tavro::internal
