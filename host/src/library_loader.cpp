#include "library_loader.h"

#include "tavro_host/errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>

#include "elf_image_check.h"
#endif

namespace tavro::internal {

std::string pluginPathFromCurrentFolder(const std::string& path) {
  // The system loader would search its library path for a bare file name and
  // could load some other library of that name; a plug-in named without a
  // folder is the one in the current folder.
#ifdef _WIN32
  if (path.find_first_of("/\\") == std::string::npos) return ".\\" + path;
#else
  if (path.find('/') == std::string::npos) return "./" + path;
#endif
  return path;
}

LibraryHandle::~LibraryHandle() { close(); }

void LibraryHandle::open(const std::string& given) {
  close();
  const std::string path = pluginPathFromCurrentFolder(given);
#ifdef _WIN32
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (!handle_) throw LoadError("cannot load plug-in " + given + ": error " + std::to_string(GetLastError()));
#else
  if (auto problem = elfImageProblem(path)) throw LoadError("cannot load plug-in " + given + ": " + *problem);
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    throw LoadError("cannot load plug-in " + given + ": " + (why ? why : "unknown reason"));
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
