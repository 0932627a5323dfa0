// Checks of a whole config that no single line shows: settings that
// contradict each other, names the installer cannot use, file commands the
// installer would refuse, settings it ignores.
#pragma once

#include "pack_config.h"

#include <map>
#include <string>
#include <vector>

namespace kestrin::pack {

// Where each setting was written, for messages that point at it.
struct ConfigSource {
    std::string file;                 // the config file
    // key as written ("PackageFile", "fWindowTitle", ...) -> line; labels as
    // "Label.N" with N in plain digits, however the index was written
    std::map<std::string, int> lines;
    // One file command and where it stands ("setup.conf:7" or "commands.txt:3").
    struct Command {
        std::string where;
        std::string text;
    };
    std::vector<Command> commands;

    // "FILE:LINE: " for a key that was written, "FILE: " for one that was not.
    std::string At(const std::string& key) const;
};

// Throws PackError for the first mistake the installer would trip over;
// adds "...: warning: ..." lines to config.warnings for what it would ignore.
void CheckConfig(PackConfig& config, const ConfigSource& source);

}  // namespace kestrin::pack
