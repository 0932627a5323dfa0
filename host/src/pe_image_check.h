// Checks a DLL file before LoadLibrary maps it, the Windows counterpart of
// elf_image_check.h: the loader's own answer for a cut or foreign file is a
// bare error number (193, "not a valid Win32 application"), which says
// neither what is wrong nor that a 32-bit plug-in was given to a 64-bit host.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tavro::internal {

// Why the file cannot be a complete DLL for this process, or nothing when its
// headers and every section's raw data lie inside the file.
std::optional<std::string> peImageProblem(const std::filesystem::path& path);

}  // namespace tavro::internal
