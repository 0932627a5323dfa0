#include "shell_inputs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "utf8_check.h"

namespace sqelto_shell {
namespace fs = std::filesystem;

std::string ReadScript(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw InputError("script " + path + " does not exist");
  if (fs::is_directory(status)) throw InputError("script " + path + " is a folder, not a file of statements");
  // Read with the C library: a stream copy stops at a read error as it does
  // at the end, and the script would pass for empty (or cut short).
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) throw InputError("cannot read script " + path + ": " + std::strerror(errno));
  std::string text;
  char chunk[65536];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    if (got < sizeof chunk && std::ferror(file.get()))
      throw InputError("cannot read script " + path + ": " + std::strerror(errno));
    text.append(chunk, got);
    if (got < sizeof chunk) return text;
  }
}

void CheckUtf8(const ShellInput& input) {
  if (const auto at = FirstInvalidUtf8(input.text))
    throw InputError(input.origin + ": invalid UTF-8 at byte " + std::to_string(*at));
}

bool StripByteOrderMark(std::string& text) {
  if (text.rfind("\xEF\xBB\xBF", 0) != 0) return false;
  text.erase(0, kByteOrderMarkSize);
  return true;
}

}  // namespace sqelto_shell
