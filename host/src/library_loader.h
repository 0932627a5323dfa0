// Opening a shared library and finding a symbol, per platform.
#pragma once

#include <string>

namespace tavro::internal {

class LibraryHandle {
 public:
  LibraryHandle() = default;
  ~LibraryHandle();
  LibraryHandle(const LibraryHandle&) = delete;
  LibraryHandle& operator=(const LibraryHandle&) = delete;

  // Throws LoadError with the system's reason when the library cannot load.
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
