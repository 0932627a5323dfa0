// The path prefixes that let a descriptor name places on the target machine.
#pragma once

#include "platform.h"

#include <string>

namespace kestrin {

// Rewrites `path` in place by the prefix rules, tried in this order on the
// same text, each matching only at the very start and case-sensitively:
//   "UserAccount\"   -> drive root of the Windows folder + "Users\" + user + "\"
//   "InstallFolder\" -> installFolder + "\"
//   "FixedPath\"     -> removed (the rest is absolute)
//   "SetupFolder\"   -> the installer executable's folder + "\"
// Gives true when any rule applied.
bool ResolvePathPrefix(Platform& platform, std::string& path, const std::string& installFolder);
// Only the first rule; the file command list uses no other.
bool ExpandUserAccount(Platform& platform, std::string& path);

}  // namespace kestrin
