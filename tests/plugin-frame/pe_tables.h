// The export and import tables of a Windows DLL, read from its file: what a
// loader will offer and what it will ask for, without loading it.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sqelto_test {

struct PeTables {
  std::set<std::string> exports;                              // exported names
  std::map<std::string, std::vector<std::string>> imports;    // DLL name (lower case) -> function names
};

// The tables of the DLL at `path` (a PE32+ file on 64-bit builds, PE32 on
// 32-bit ones); nothing, with the reason in `why`, when the file cannot be
// read or a header, table or name lies outside it.
std::optional<PeTables> ReadPeTables(const std::string& path, std::string& why);

}  // namespace sqelto_test
