#include "config_checks.h"

#include "descriptor.h"
#include "file_commands.h"
#include "process_utils.h"
#include "text_utils.h"
#include "windows_paths.h"

#include <algorithm>
#include <array>

namespace kestrin::pack {

namespace {

constexpr std::array<std::string_view, 4> kPrefixes = {"UserAccount\\", "InstallFolder\\", "FixedPath\\",
                                                       "SetupFolder\\"};
// Label indices the installer reads (the rest are kept but never shown).
constexpr std::array<std::size_t, 14> kUsedLabels = {0, 2, 3, 4, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17};

struct ProgramField {
    std::size_t field;
    std::size_t piece;  // index into PackConfig::pieceFiles
};
constexpr std::array<ProgramField, 3> kPrograms = {
    {{kPreInstallExeNameField, 2}, {kPostInstallExeNameField, 3}, {kPreUninstallExeNameField, 4}}};

bool HasPrefix(const std::string& name) {
    return std::any_of(kPrefixes.begin(), kPrefixes.end(), [&name](std::string_view p) { return StartsWith(name, p); });
}

std::string Name(std::size_t field) { return std::string(kDescriptorFieldNames[field]); }

// The key a field was written under, with or without the "f" prefix or ".file".
std::string WrittenKey(const ConfigSource& source, const std::string& name) {
    for (const std::string& key : {name, "f" + name, name + ".file", "f" + name + ".file"})
        if (source.lines.count(key)) return key;
    return name;
}

void CheckPrograms(const PackConfig& config, const ConfigSource& source) {
    for (const ProgramField& program : kPrograms) {
        const std::string name = config.fields[program.field];
        if (name.empty()) continue;
        const std::string where = source.At(WrittenKey(source, Name(program.field)));
        if (name.find("..") != std::string::npos)
            throw PackError(where + Name(program.field) + " \"" + name + "\" must not contain \"..\"");
        if (HasPrefix(name)) {
            // The installer runs the program found at the resolved path and
            // never writes the piece anywhere it could start it from.
            if (config.pieceFiles[program.piece])
                throw PackError(source.At(std::string(kPieceKeys[program.piece])) + std::string(kPieceKeys[program.piece]) +
                                " is never used: " + Name(program.field) + " \"" + name +
                                "\" names a program on the target machine");
            continue;
        }
        if (name.find_first_of("\\/") != std::string::npos)
            throw PackError(where + Name(program.field) + " \"" + name +
                            "\" must be a file name without folders (or start with a prefix such as SetupFolder\\)");
        if (const auto problem = WindowsNameProblem(name))
            throw PackError(where + Name(program.field) + " \"" + name + "\" " + *problem);
    }
}

void CheckFolders(PackConfig& config, const ConfigSource& source) {
    for (const std::size_t field : {kManufacturerFolderField, kOutputFolderField}) {
        const std::string& name = config.fields[field];
        const std::string where = source.At(WrittenKey(source, Name(field)));
        if (name.empty()) {
            config.warnings.push_back(where + "warning: " + Name(field) +
                                      " is empty: the install folder gets two backslashes in a row");
            continue;
        }
        if (name.find_first_of("\\/") != std::string::npos)
            throw PackError(where + Name(field) + " \"" + name + "\" must be one folder name");
        if (const auto problem = WindowsNameProblem(name))
            throw PackError(where + Name(field) + " \"" + name + "\" " + *problem);
    }
}

void CheckPackage(const PackConfig& config, const ConfigSource& source) {
    const bool embedded = config.fields[kExternalMSIField] == "None";
    const bool packageGiven = config.pieceFiles[1].has_value();
    if (embedded && !packageGiven)
        throw PackError(source.At(WrittenKey(source, "ExternalMSI")) +
                        "the embedded package (ExternalMSI None, the default) needs PackageFile");
    if (!embedded && packageGiven)
        throw PackError(source.At("PackageFile") + "PackageFile is never used: ExternalMSI \"" +
                        config.fields[kExternalMSIField] + "\" names a package beside the installer");
    if (config.fields[kProductGuidField].empty()) {
        for (const std::size_t field : {kUninstallButtonField, kAutoUninstallField})
            if (IsFlag(config.fields[field]))
                throw PackError(source.At(WrittenKey(source, Name(field))) + Name(field) +
                                " needs ProductGuid: without it there is nothing msiexec could uninstall");
    }
}

void CheckFileCommands(PackConfig& config, const ConfigSource& source) {
    for (const ConfigSource::Command& command : source.commands) {
        const auto parsed = ParseFileCommands(command.text);
        const FileCommand entry = parsed.empty() ? FileCommand{} : parsed.front();
        if (!entry.wellFormed())
            throw PackError(command.where + ": file command \"" + command.text +
                            "\" needs KEY=VALUE (the installer would stop with \"Contact Publisher\")");
        auto warn = [&](const std::string& text) {
            config.warnings.push_back(command.where + ": warning: file command \"" + command.text + "\" " + text);
        };
        if (entry.key == "PreInstallDelete") continue;
        if (entry.key == "PreInstallCopy") {
            if (NthField(entry.value, ";", 2).empty()) warn("needs SOURCE;DESTINATION and does nothing");
            continue;
        }
        const GuardedValue guarded = ParseGuards(entry.value);
        if (!guarded.conditionClosed) warn("has a \"[\" without \"]\"");
        if (guarded.value.empty()) warn("has nothing to act on after its guard");
        if (entry.key == "Shortcut" &&
            (NthField(guarded.value, ";", 1).empty() || NthField(guarded.value, ";", 2).empty()))
            warn("needs NAME;TARGET[;ICON]");
        if ((entry.key == "Shortcut" || entry.key == "EveryoneAccess") && BreaksCommandText(guarded.value))
            warn("holds a double quote, which no path can hold: the installer leaves it out");
    }
}

void WarnAboutIgnoredSettings(PackConfig& config, const ConfigSource& source) {
    if (!config.fields[kShortcutsField].empty())
        config.warnings.push_back(source.At(WrittenKey(source, "Shortcuts")) +
                                  "warning: Shortcuts is kept but never acted on; desktop shortcuts come from "
                                  "\"Shortcut=\" entries of PostCopy");
    const auto labels = SplitFields(config.fields[kLabelsField], "|");
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i].empty() || std::find(kUsedLabels.begin(), kUsedLabels.end(), i) != kUsedLabels.end()) continue;
        const std::string key = "Label." + std::to_string(i);
        config.warnings.push_back(source.At(source.lines.count(key) ? key : WrittenKey(source, "Labels")) +
                                  "warning: label " + std::to_string(i) + " has no effect");
    }
    for (const std::size_t field : {kAgreementField, kInfoField, kPreNotesField, kPostNotesField}) {
        const std::string& text = config.fields[field];
        const std::string folded = FoldCase(text);
        const bool looksLikeHtml = folded.find("<html") != std::string::npos || folded.find("<body") != std::string::npos ||
                                   folded.find("</") != std::string::npos;
        if (looksLikeHtml && text.find("<HTML>") == std::string::npos)
            config.warnings.push_back(source.At(WrittenKey(source, Name(field))) + "warning: " + Name(field) +
                                      " looks like HTML but lacks \"<HTML>\" (in capitals): it is shown as plain "
                                      "text, tags and all");
    }
}

}  // namespace

std::string ConfigSource::At(const std::string& key) const {
    const auto it = lines.find(key);
    return it == lines.end() ? file + ": " : file + ":" + std::to_string(it->second) + ": ";
}

void CheckConfig(PackConfig& config, const ConfigSource& source) {
    CheckPackage(config, source);
    CheckPrograms(config, source);
    CheckFolders(config, source);
    CheckFileCommands(config, source);
    WarnAboutIgnoredSettings(config, source);
}

}  // namespace kestrin::pack
