// The rules by which Windows reads a path, as plain text operations: what
// GetFullPathNameW does to a path, which names the file system refuses, and
// when a path must travel in the "\\?\" long form. Shared by the Windows
// layer, the scripted test platform (which models Windows with them) and the
// packer (which refuses names the installer could never create).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

// Paths this long or longer fail in the Win32 file API unless they are in
// the long form: MAX_PATH (260, with the terminating NUL) for files, and
// MAX_PATH - 12 for CreateDirectoryW, which keeps room for an 8.3 name.
inline constexpr std::size_t kMaxPath = 260;
inline constexpr std::size_t kMaxFolderPath = kMaxPath - 12;
inline constexpr std::string_view kLongFormPrefix = "\\\\?\\";

// GetFullPathNameW's rules on the text alone: "/" becomes "\", runs of "\"
// collapse, "." and ".." are resolved (never above the root), a segment's
// single trailing period goes, and the last segment loses its trailing
// periods and spaces. A relative or rooted path is taken from
// `currentFolder` (a full path). A path in the long form is returned as it is.
std::string NormaliseFullPath(std::string_view path, std::string_view currentFolder);

// The names of a path between its "\\" separators, empty ones left out.
std::vector<std::string> PathSegments(std::string_view path);

bool IsLongForm(std::string_view path);
// "\\?\C:\..." for a drive path, "\\?\UNC\server\share\..." for a UNC path.
std::string LongForm(const std::string& fullPath);
// The path as the Windows layer hands it to the file API: whole when it is
// shorter than kMaxFolderPath, else the long form of its full path.
std::string PathForFileApi(const std::string& path, const std::string& fullPath);

// Why Windows refuses `name` as a file or folder name, or nullopt when it
// takes it: a trailing period or space, a reserved device name (CON, PRN,
// AUX, NUL, COM1-9, LPT1-9, also with an extension), one of the characters
// <>:"/|?* or a backslash, a control character, "." and "..", or nothing.
std::optional<std::string> WindowsNameProblem(std::string_view name);

// ASCII case folding, as file names compare on NTFS for the characters the
// installer's paths are made of.
std::string FoldCase(std::string_view text);
// True when `inner` is `outer` or lies below it; both are full paths and are
// compared without regard to case.
bool IsSameOrInside(const std::string& inner, const std::string& outer);
// True when two full paths name the same place, compared without regard to case.
bool IsSamePath(const std::string& a, const std::string& b);
// The length of the path's root, the part no folder can be made of: "C:\" (3),
// "C:" (2, drive-relative), "\\server\share" (without a "\" after it), the
// same behind "\\?\" or "\\?\UNC\", "\" (1) for a rooted path; 0 for a relative one.
std::size_t RootLength(std::string_view path);

}  // namespace kestrin
