#include "pack_config.h"

#include "config_checks.h"

#include "text_utils.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace kestrin::pack {

const std::array<std::string_view, kBinaryPieceCount> kPieceKeys = {
    "ImageFile", "PackageFile", "PreInstallFile", "PostInstallFile", "PreUninstallFile"};

namespace {

const std::set<std::string_view> kFlagFields = {"CenterMessage", "32Bit", "UninstallButton",
                                                "AutoUninstall", "SuppressConfirm", "ProgressScreen"};
const std::set<std::string_view> kMinOSValues = {"", "Windows7", "Windows8", "Windows10"};
const std::set<std::string_view> kMinRAMValues = {"", "250MB", "500MB", "1GB", "2GB",
                                                  "4GB", "8GB", "16GB", "32GB"};
// The program field that names each binary piece (the image needs none).
const std::array<std::optional<std::size_t>, kBinaryPieceCount> kPieceNameFields = {
    std::nullopt, std::nullopt, kPreInstallExeNameField, kPostInstallExeNameField, kPreUninstallExeNameField};

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool IsReserved(std::string_view name) { return name.rfind("Reserved", 0) == 0; }

std::optional<std::size_t> FieldIndex(std::string name) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (std::size_t i = 0; i < kDescriptorFieldCount; ++i)
            if (kDescriptorFieldNames[i] == name && !IsReserved(name)) return i;
        // The field names of the window class carry an "f" prefix; accept it.
        if (name.size() > 1 && name[0] == 'f') name = name.substr(1);
        else break;
    }
    return std::nullopt;
}

bool IsGuid(const std::string& text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

bool IsTimestamp(const std::string& text) {
    if (text.size() != 13 || text[8] != '_') return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 8 && !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// A long text kept in its own file: line breaks become the descriptor's "|".
std::string ReadTextFile(const std::filesystem::path& file, const std::string& where) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw PackError(where + "cannot read text file " + file.string());
    std::ostringstream content;
    content << in.rdbuf();
    std::string text = ReplaceAll(ReplaceAll(content.str(), "\r\n", "\n"), "\r", "\n");
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return ReplaceAll(text, "\n", "|");
}

// The file command list kept in its own file: one command per line (several
// may share a line, separated by "|"); blank lines and "#" lines are skipped.
std::string ReadCommandFile(const std::filesystem::path& file, const std::string& where,
                            std::vector<ConfigSource::Command>& commands) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw PackError(where + "cannot read file command list " + file.string());
    std::string list;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        for (const std::string& entry : SplitFields(trimmed, "|")) {
            commands.push_back({file.string() + ":" + std::to_string(number), entry});
            if (!list.empty()) list += "|";
            list += entry;
        }
    }
    return list;
}

// The installer splits the descriptor at the leftmost "$$$": a value holding
// one, or ending in "$" (which joins the "$$$" after it), would shift every
// later field.
constexpr const char* kHoldsSeparator = "a value cannot contain \"$$$\"";
constexpr const char* kEndsInDollar =
    "cannot end with \"$\" (the installer would take it for the start of the \"$$$\" after it)";

void CheckAgainstSeparator(const std::string& value, const std::string& where) {
    if (value.find(kFieldSeparator) != std::string::npos) throw PackError(where + kHoldsSeparator);
    if (!value.empty() && value.back() == '$') throw PackError(where + "a value " + kEndsInDollar);
}

// Every spelling of a key counts as that key: "fWindowTitle" is "WindowTitle",
// "Label.03" is "Label.3". Throws when the key was given before.
class SeenKeys {
public:
    void Add(const std::string& key, const std::string& written, int line, const std::string& where) {
        const auto [it, added] = fSeen.try_emplace(key, written, line);
        if (added) return;
        if (it->second.first == written) throw PackError(where + "\"" + written + "\" is given twice");
        throw PackError(where + "\"" + written + "\" is given twice (line " + std::to_string(it->second.second) +
                        " gives it as \"" + it->second.first + "\")");
    }
    bool Has(const std::string& key) const { return fSeen.count(key) != 0; }

private:
    std::map<std::string, std::pair<std::string, int>> fSeen;  // key -> as written, line
};

}  // namespace

std::string CurrentTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d_%H%M", &local);
    return text;
}

PackConfig ReadPackConfig(const std::filesystem::path& configFile, const std::string& now) {
    std::ifstream in(configFile, std::ios::binary);
    if (!in) throw PackError(configFile.string() + ": cannot read the config file");
    const std::filesystem::path base = configFile.parent_path();
    auto resolve = [&base](const std::string& value) {
        const std::filesystem::path path(value);
        return path.is_absolute() ? path : base / path;
    };

    PackConfig config;
    ConfigSource source;
    source.file = configFile.string();
    config.fields[kExternalMSIField] = "None";
    config.fields[kAlreadyInstalledField] = "0";
    SeenKeys seen;
    std::map<std::size_t, std::string> labels;
    std::map<std::size_t, int> labelLines;
    bool labelsGivenWhole = false;
    int labelsLine = 0;
    std::array<int, kBinaryPieceCount> pieceLines{};

    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const std::string where = configFile.string() + ":" + std::to_string(lineNumber) + ": ";
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        const std::size_t equals = trimmed.find('=');
        if (equals == std::string::npos) throw PackError(where + "expected KEY = VALUE");
        std::string key = Trim(trimmed.substr(0, equals));
        std::string value = Trim(trimmed.substr(equals + 1));

        if (const auto piece = std::find(kPieceKeys.begin(), kPieceKeys.end(), key); piece != kPieceKeys.end()) {
            const auto index = static_cast<std::size_t>(piece - kPieceKeys.begin());
            seen.Add(key, key, lineNumber, where);
            source.lines[key] = lineNumber;
            if (value.empty()) throw PackError(where + key + " needs a file path");
            config.pieceFiles[index] = resolve(value);
            pieceLines[index] = lineNumber;
            continue;
        }
        if (key.rfind("Label.", 0) == 0) {
            const auto index = ParseDecimalInt32(key.substr(6));
            if (!index || *index < 0 || *index > 99) throw PackError(where + "label index must be 0 to 99");
            const std::string canonical = "Label." + std::to_string(*index);
            seen.Add(canonical, key, lineNumber, where);
            source.lines[canonical] = lineNumber;
            if (value.find('|') != std::string::npos) throw PackError(where + "a label cannot contain \"|\"");
            if (value.find(kFieldSeparator) != std::string::npos) throw PackError(where + kHoldsSeparator);
            labels[static_cast<std::size_t>(*index)] = value;
            labelLines[static_cast<std::size_t>(*index)] = lineNumber;
            labelsLine = lineNumber;
            continue;
        }
        bool fromFile = false;
        if (key.size() > 5 && key.compare(key.size() - 5, 5, ".file") == 0) {
            fromFile = true;
            key = key.substr(0, key.size() - 5);
        }
        const auto field = FieldIndex(key);
        if (!field) throw PackError(where + "unknown key \"" + key + "\"");
        const std::string name(kDescriptorFieldNames[*field]);
        seen.Add(name + (fromFile ? ".file" : ""), key + (fromFile ? ".file" : ""), lineNumber, where);
        source.lines[key + (fromFile ? ".file" : "")] = lineNumber;
        if (seen.Has(name + (fromFile ? "" : ".file")))
            throw PackError(where + name + " is given both inline and from a file");
        if (*field == kPostCopyField) {
            if (fromFile) {
                value = ReadCommandFile(resolve(value), where, source.commands);
            } else {
                for (const std::string& entry : SplitFields(value, "|"))
                    source.commands.push_back({configFile.string() + ":" + std::to_string(lineNumber), entry});
            }
        } else if (fromFile) {
            value = ReadTextFile(resolve(value), where);
        }

        CheckAgainstSeparator(value, where);
        if (kFlagFields.count(name)) {
            if (value != "0" && value != "1") throw PackError(where + name + " must be 0 or 1, not \"" + value + "\"");
        } else if (*field == kMinOSField && !kMinOSValues.count(value)) {
            throw PackError(where + "MinOS must be Windows7, Windows8 or Windows10, not \"" + value + "\"");
        } else if (*field == kMinRAMField && !kMinRAMValues.count(value)) {
            throw PackError(where + "MinRAM must be one of 250MB 500MB 1GB 2GB 4GB 8GB 16GB 32GB, not \"" + value + "\"");
        } else if (*field == kProductGuidField && !value.empty() && !IsGuid(value)) {
            throw PackError(where + "ProductGuid must be 36 characters like 12345678-ABCD-1234-ABCD-1234567890AB (no braces)");
        } else if (*field == kAlreadyInstalledField && !IsWholeNumber(value)) {
            throw PackError(where + "AlreadyInstalled must be a whole number, not \"" + value + "\"");
        } else if (*field == kTimestampField && !IsTimestamp(value)) {
            throw PackError(where + "Timestamp must look like 20240131_1745");
        } else if (*field == kLabelsField) {
            labelsGivenWhole = true;
            labelsLine = lineNumber;
        }
        config.fields[*field] = value;
    }

    const std::string file = configFile.string() + ":";
    if (labelsGivenWhole && !labels.empty())
        throw PackError(file + std::to_string(labelsLine) + ": give either Labels or Label.N entries, not both");
    if (!labels.empty()) {
        // Joined with "|", a label may end in "$" except the last, which
        // meets the "$$$" after the field.
        const auto& [last, lastLabel] = *labels.rbegin();
        if (!lastLabel.empty() && lastLabel.back() == '$')
            throw PackError(file + std::to_string(labelLines[last]) + ": the last label " + kEndsInDollar);
        std::string list;
        const std::size_t count = labels.rbegin()->first + 1;
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0) list += "|";
            if (const auto it = labels.find(i); it != labels.end()) list += it->second;
        }
        config.fields[kLabelsField] = list;
    }
    for (std::size_t i = 0; i < kBinaryPieceCount; ++i) {
        if (config.pieceFiles[i] && kPieceNameFields[i] && config.fields[*kPieceNameFields[i]].empty())
            throw PackError(file + std::to_string(pieceLines[i]) + ": " + std::string(kPieceKeys[i]) +
                            " needs " + std::string(kDescriptorFieldNames[*kPieceNameFields[i]]) +
                            " (the installer ignores a program piece without a name)");
    }
    if (config.fields[kTimestampField].empty()) config.fields[kTimestampField] = now;
    CheckConfig(config, source);
    return config;
}

std::string DescriptorText(const PackConfig& config) {
    std::string text;
    for (std::size_t i = 0; i < kDescriptorFieldCount; ++i) {
        if (i > 0) text += kFieldSeparator;
        text += config.fields[i];
    }
    return text;
}

}  // namespace kestrin::pack
