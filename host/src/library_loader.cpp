#include "library_loader.h"

#include "tavro_host/errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tavro::internal {

LibraryHandle::~LibraryHandle() { close(); }

void LibraryHandle::open(const std::string& path) {
  close();
#ifdef _WIN32
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (!handle_) throw LoadError("cannot load plug-in " + path + ": error " + std::to_string(GetLastError()));
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    throw LoadError("cannot load plug-in " + path + ": " + (why ? why : "unknown reason"));
  }
#endif
}

void* LibraryHandle::symbol(const char* name) const {
  if (!handle_) return nullptr;
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

void LibraryHandle::close() noexcept {
  if (!handle_) return;
#ifdef _WIN32
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
}

}  // namespace tavro::internal
