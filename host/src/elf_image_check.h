// Checks a shared library file before the dynamic loader maps it: a file cut
// short (an interrupted copy, a full disk) is mapped without complaint and
// crashes the process with SIGBUS when a page past its end is touched.
#pragma once

#include <optional>
#include <string>

namespace tavro::internal {

// Why the file cannot be a complete ELF shared object for this process, or
// nothing when every loadable segment lies inside the file.
std::optional<std::string> elfImageProblem(const std::string& path);

}  // namespace tavro::internal
