#include "library_loader.h"

#include <filesystem>
#include <system_error>

#include "tavro_host/errors.h"

#ifdef _WIN32
#include <windows.h>

#include "pe_image_check.h"
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

#ifdef _WIN32
namespace {

// Paths reach the host as UTF-8 (its callers' text); Windows takes them in
// UTF-16, never in the ANSI code page, which cannot spell every name.
std::filesystem::path widePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// "The specified module could not be found. (error 126)".
std::string systemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide(text != nullptr ? text : L"", length);
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) wide.pop_back();
  std::string out;
  if (!wide.empty()) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                          nullptr, nullptr);
    out.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), bytes, nullptr, nullptr);
    out += " ";
  }
  return out + "(error " + std::to_string(error) + ")";
}

}  // namespace
#endif

LibraryHandle::~LibraryHandle() { close(); }

namespace {

// A folder or a device is no plug-in; said in those words rather than as a
// file the checks below would find "too short" (or, for a pipe, wait on).
void refuseWhatIsNoFile(const std::string& given, const std::string& path) {
  std::error_code error;
#ifdef _WIN32
  const auto status = std::filesystem::status(widePath(path), error);
#else
  const auto status = std::filesystem::status(path, error);
#endif
  if (error || status.type() == std::filesystem::file_type::regular) return;  // a missing file: the loader says so
  if (status.type() == std::filesystem::file_type::directory)
    throw LoadError("cannot load plug-in " + given + ": it is a folder, not a regular file");
  throw LoadError("cannot load plug-in " + given + ": it is not a regular file");
}

}  // namespace

void LibraryHandle::open(const std::string& given) {
  close();
  const std::string path = pluginPathFromCurrentFolder(given);
  refuseWhatIsNoFile(given, path);
#ifdef _WIN32
  // A full path: LoadLibrary would search its DLL path for a relative one.
  std::error_code error;
  const std::filesystem::path file = std::filesystem::absolute(widePath(path), error);
  if (error) throw LoadError("cannot load plug-in " + given + ": " + error.message());
  if (auto problem = peImageProblem(file)) throw LoadError("cannot load plug-in " + given + ": " + *problem);
  handle_ = reinterpret_cast<void*>(LoadLibraryW(file.c_str()));
  if (!handle_) throw LoadError("cannot load plug-in " + given + ": " + systemMessage(GetLastError()));
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
