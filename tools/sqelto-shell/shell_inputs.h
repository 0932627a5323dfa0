// What the shell runs in batch mode: the -c commands and script files, in
// the order they were given on the command line. Everything is read and
// checked before the shell connects, so a missing script or bad text is
// reported before any statement runs.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace sqelto_shell {

struct ShellInput {
  std::string origin;  // "-c 2" or the script's path, for messages
  std::string text;
};

// A script that cannot be used, or text that is not UTF-8.
class InputError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The contents of a script file. Throws InputError naming the path when it
// does not exist, is a folder or cannot be read.
std::string ReadScript(const std::string& path);

// Throws InputError "<origin>: invalid UTF-8 at byte N" when the text is not UTF-8.
void CheckUtf8(const ShellInput& input);

// Editors on Windows start UTF-8 text with a byte order mark; it is no part
// of the SQL. Removes it from the start of text; true when there was one.
constexpr std::size_t kByteOrderMarkSize = 3;
bool StripByteOrderMark(std::string& text);

}  // namespace sqelto_shell
