// What the installer asks of the machine: a Windows generation and memory.
#pragma once

#include "platform.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrin {

// 0 95, 1 98, 2 98 SE, 3 Me, 4 NT 4, 5 2000, 6 XP, 7 Vista, 8 7, 9 8, 10 8.1,
// 11 10 (a "systemapps" folder in the Windows folder), 255 anything else.
int GetOsGeneration(Platform& platform);
// Total physical memory in millions of bytes; nullopt when the system cannot tell.
std::optional<std::uint64_t> TotalPhysicalMB(Platform& platform);
// Shows one message per unmet minimum (OS first) and gives whether all are met.
// Unknown values set no minimum; an unknown memory size passes.
bool CheckRequirements(Platform& platform, const std::string& minOS, const std::string& minRAM);

}  // namespace kestrin
