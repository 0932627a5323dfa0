#include "tavro_host/command_line.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace tavro {

#ifdef _WIN32
namespace {

std::string Utf8Of(const wchar_t* wide) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return {};
  std::string text(static_cast<std::size_t>(bytes - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), bytes, nullptr, nullptr);
  return text;
}

}  // namespace
#endif

Utf8Arguments::Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) arguments_.push_back(Utf8Of(wide[i]));
    LocalFree(wide);
  }
#endif
  if (arguments_.empty())
    for (int i = 0; i < argc; ++i) arguments_.emplace_back(argv[i]);
  for (std::string& argument : arguments_) pointers_.push_back(argument.data());
  pointers_.push_back(nullptr);  // argv[argc], as main's
}

}  // namespace tavro
