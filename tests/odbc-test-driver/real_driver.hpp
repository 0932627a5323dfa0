// The SQLite3 ODBC driver every call is forwarded to. Its library is the
// `Driver` of the [SQLite3] section of the same odbcinst.ini that registers
// this driver (the path scripts/odbc/write-config found on the machine).
#pragma once

#include <string_view>

namespace sqelto_test_driver {

// The real driver's entry point of that name; loads the driver on first use.
// Throws std::runtime_error when the driver cannot be loaded.
void* realSymbol(std::string_view name);

template <typename Function>
Function realFunction(std::string_view name) {
  return reinterpret_cast<Function>(realSymbol(name));
}

}  // namespace sqelto_test_driver

// The real driver's function with the name and type of one of ours.
#define SQELTO_REAL(name) (::sqelto_test_driver::realFunction<decltype(&::name)>(#name))
