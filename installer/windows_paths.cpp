#include "windows_paths.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kestrin {

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Splits a full path into its root ("C:" or "\\server\share") and the rest.
void SplitRoot(const std::string& path, std::string& root, std::string& rest) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const std::vector<std::string> parts = PathSegments(path.substr(2));
        root = "\\\\" + (parts.empty() ? std::string() : parts[0]);
        if (parts.size() > 1) root += "\\" + parts[1];
        std::size_t skip = 2;
        for (std::size_t n = 0; n < 2 && skip < path.size(); ++n) {
            while (skip < path.size() && path[skip] == '\\') ++skip;
            while (skip < path.size() && path[skip] != '\\') ++skip;
        }
        rest = path.substr(std::min(skip, path.size()));
    } else {
        root = path.substr(0, 2);
        rest = path.substr(2);
    }
}

bool AllPeriods(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '.'; });
}

}  // namespace

std::vector<std::string> PathSegments(std::string_view text) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (c == '\\') {
            if (!current.empty()) parts.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

std::string NormaliseFullPath(std::string_view input, std::string_view currentFolder) {
    if (IsLongForm(input)) return std::string(input);
    std::string path(input);
    std::replace(path.begin(), path.end(), '/', '\\');
    const std::string current(currentFolder);
    const bool unc = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    const bool drive = path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':';
    if (!unc && !drive) {
        // Rooted ("\x") paths take the current drive, relative ones the current folder.
        path = (!path.empty() && path[0] == '\\') ? current.substr(0, 2) + path : current + "\\" + path;
    } else if (drive && (path.size() == 2 || path[2] != '\\')) {
        // "C:x" is relative to the current folder when that is on the same drive.
        const bool sameDrive = current.size() >= 2 && FoldCase(current.substr(0, 2)) == FoldCase(path.substr(0, 2));
        path = path.substr(0, 2) + (sameDrive ? current.substr(2) : std::string()) + "\\" + path.substr(2);
    }

    std::string root;
    std::string rest;
    SplitRoot(path, root, rest);
    const bool trailingSeparator = !rest.empty() && rest.back() == '\\';
    const std::vector<std::string> segments = PathSegments(rest);
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        std::string segment = segments[i];
        if (segment == ".") continue;
        if (segment == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        const bool last = i + 1 == segments.size() && !trailingSeparator;
        if (last) {
            while (!segment.empty() && (segment.back() == '.' || segment.back() == ' ')) segment.pop_back();
        } else if (segment.size() > 1 && segment.back() == '.' && !AllPeriods(segment)) {
            segment.pop_back();
        }
        if (!segment.empty()) kept.push_back(segment);
    }
    std::string full = root;
    for (const std::string& segment : kept) full += "\\" + segment;
    if (kept.empty() || trailingSeparator) full += "\\";
    return full;
}

bool IsLongForm(std::string_view path) { return path.substr(0, kLongFormPrefix.size()) == kLongFormPrefix; }

std::string LongForm(const std::string& fullPath) {
    if (IsLongForm(fullPath)) return fullPath;
    if (fullPath.size() >= 2 && fullPath[0] == '\\' && fullPath[1] == '\\')
        return std::string(kLongFormPrefix) + "UNC\\" + fullPath.substr(2);
    return std::string(kLongFormPrefix) + fullPath;
}

std::string PathForFileApi(const std::string& path, const std::string& fullPath) {
    if (IsLongForm(path) || std::max(path.size(), fullPath.size()) < kMaxFolderPath) return path;
    return LongForm(fullPath);
}

std::optional<std::string> WindowsNameProblem(std::string_view name) {
    if (name.empty()) return "is empty";
    if (name == "." || name == "..") return "is \".\" or \"..\"";
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) return "contains a control character";
        if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return std::string("contains the character ") + c;
    }
    if (name.back() == '.') return "ends in a period";
    if (name.back() == ' ') return "ends in a space";
    // A device name stays a device whatever extension follows it.
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = FoldCase(base);
    static constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
    const bool numbered = base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
                          base[3] >= '1' && base[3] <= '9';
    if (numbered || std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end())
        return "is a reserved device name";
    return std::nullopt;
}

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

bool IsSamePath(const std::string& a, const std::string& b) { return IsSameOrInside(a, b) && IsSameOrInside(b, a); }

std::size_t RootLength(std::string_view path) {
    std::size_t start = 0;
    bool unc = false;
    if (IsLongForm(path)) {
        start = kLongFormPrefix.size();
        unc = path.substr(start, 4) == "UNC\\";
        if (unc) start += 4;
    } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        start = 2;
        unc = true;
    }
    if (unc) {
        // The server and the share name together are the root.
        const std::size_t server = path.find('\\', start);
        if (server == std::string_view::npos) return path.size();
        const std::size_t share = path.find('\\', server + 1);
        return share == std::string_view::npos ? path.size() : share;
    }
    if (path.size() >= start + 2 && IsDriveLetter(path[start]) && path[start + 1] == ':')
        return start + (path.size() > start + 2 && path[start + 2] == '\\' ? 3 : 2);
    if (start == 0 && !path.empty() && path[0] == '\\') return 1;
    return start;
}

bool IsSameOrInside(const std::string& inner, const std::string& outer) {
    std::string in = FoldCase(inner);
    std::string out = FoldCase(outer);
    while (in.size() > 1 && in.back() == '\\') in.pop_back();
    while (out.size() > 1 && out.back() == '\\') out.pop_back();
    return in == out || (in.size() > out.size() && in.compare(0, out.size(), out) == 0 && in[out.size()] == '\\');
}

}  // namespace kestrin
