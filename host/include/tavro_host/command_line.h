// A command's arguments in UTF-8, the text the host and its callers work in.
// A Windows program's argv is in the ANSI code page, which cannot spell every
// name; there the arguments come from the UTF-16 command line instead.
#pragma once

#include <string>
#include <vector>

namespace tavro {

class Utf8Arguments {
 public:
  Utf8Arguments(int argc, char** argv);
  Utf8Arguments(const Utf8Arguments&) = delete;
  Utf8Arguments& operator=(const Utf8Arguments&) = delete;

  int argc() const { return static_cast<int>(arguments_.size()); }
  // argv-shaped, for command-line parsers; valid while this object lives.
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> arguments_;
  std::vector<char*> pointers_;
};

}  // namespace tavro
