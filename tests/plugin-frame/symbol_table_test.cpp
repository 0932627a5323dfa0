// The built plug-in must export VANTPluginMain and nothing else: a host that
// loads several plug-ins must not see our internals, nor the standard
// library's template instances, which keep default visibility even under
// -fvisibility=hidden.
#include <array>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace {

// Defined dynamic symbols of a shared library, read with nm.
std::set<std::string> DefinedDynamicSymbols(const std::string &library, std::string &rawOutput) {
  std::string command = std::string(SQELTO_NM) + " -D --defined-only '" + library + "' 2>&1";
  std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
  std::set<std::string> names;
  if (!pipe) return names;
  std::array<char, 512> buffer{};
  while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe.get()) != nullptr) {
    rawOutput += buffer.data();
    // "<address> <type> <name>"
    std::istringstream line(buffer.data());
    std::string address, type, name;
    if (line >> address >> type >> name) names.insert(name);
  }
  return names;
}

// Symbols that are not ours: what the sanitizer runtimes may place in an
// instrumented library (their interface functions and the instrumented
// globals' registration markers), and the markers old linkers add to every
// shared object.
bool IsToolchainSymbol(std::string_view name) {
  constexpr std::string_view kPrefixes[] = {"__asan_", "___asan_", "__odr_asan", "__ubsan_", "__lsan_",
                                            "__sanitizer_", "__sancov_"};
  for (std::string_view prefix : kPrefixes)
    if (name.substr(0, prefix.size()) == prefix) return true;
  constexpr std::string_view kLinkerMarkers[] = {"_init", "_fini", "_edata", "_end", "__bss_start"};
  for (std::string_view marker : kLinkerMarkers)
    if (name == marker) return true;
  return false;
}

TEST(PluginSymbolTable, ExportsOnlyTheEntryPoint) {
  std::string raw;
  std::set<std::string> names = DefinedDynamicSymbols(SQELTO_PLUGIN_PATH, raw);
  ASSERT_FALSE(names.empty()) << "nm read nothing from " << SQELTO_PLUGIN_PATH << ":\n" << raw;

  std::set<std::string> ours;
  for (const std::string &name : names)
    if (!IsToolchainSymbol(name)) ours.insert(name);
  EXPECT_EQ(ours, std::set<std::string>{"VANTPluginMain"}) << "nm output:\n" << raw;
}

}  // namespace
