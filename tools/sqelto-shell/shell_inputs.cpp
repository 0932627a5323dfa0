#include "shell_inputs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "utf8_check.h"

namespace sqelto_shell {
namespace fs = std::filesystem;

std::string ReadScript(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw InputError("script " + path + " does not exist");
  if (fs::is_directory(status)) throw InputError("script " + path + " is a folder, not a file of statements");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError("cannot read script " + path + ": " + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw InputError("cannot read script " + path + ": " + std::strerror(errno));
  return text.str();
}

void CheckUtf8(const ShellInput& input) {
  if (const auto at = FirstInvalidUtf8(input.text))
    throw InputError(input.origin + ": invalid UTF-8 at byte " + std::to_string(*at));
}

}  // namespace sqelto_shell
