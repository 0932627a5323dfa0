#include "real_driver.hpp"

#include <dlfcn.h>
#include <odbcinst.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "forwarded_functions.hpp"

namespace sqelto_test_driver {
namespace {

// All entry points are looked up once, so later calls read a map that no
// thread changes.
class RealDriver {
 public:
  RealDriver() {
    char path[4096] = {};
    int length = SQLGetPrivateProfileString("SQLite3", "Driver", "", path, sizeof path, "odbcinst.ini");
    if (length <= 0 || path[0] == '\0')
      fail("odbcinst.ini has no [SQLite3] section with a Driver path (see scripts/odbc/write-config)");
    // Never closed: the driver's frames stay nameable in leak reports, as
    // DontDLClose=1 does for the drivers the driver manager loads.
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) fail(std::string("cannot load ") + path + ": " + dlerror());
    for (std::string_view name : kForwardedFunctions) {
      void* symbol = dlsym(library, std::string(name).c_str());
      if (symbol == nullptr) fail(std::string(path) + " has no " + std::string(name));
      symbols_.emplace(name, symbol);
    }
  }

  void* symbol(std::string_view name) const {
    auto found = symbols_.find(name);
    if (found == symbols_.end()) throw std::runtime_error("not a forwarded function: " + std::string(name));
    return found->second;
  }

 private:
  [[noreturn]] static void fail(const std::string& why) {
    // The driver manager shows only "driver's SQLAllocHandle failed"; say why.
    std::fprintf(stderr, "Sqelto test driver: %s\n", why.c_str());
    throw std::runtime_error(why);
  }

  std::unordered_map<std::string_view, void*> symbols_;
};

}  // namespace

void* realSymbol(std::string_view name) {
  static const RealDriver driver;
  return driver.symbol(name);
}

}  // namespace sqelto_test_driver
