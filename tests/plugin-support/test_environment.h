// What database tests read from the environment CTest gives them
// (odbc_test_environment), and names of their own for what they create.
#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace sqelto_test {

// The variable's value; throws when it is not set (the test was not run
// through CTest).
inline std::string RequiredEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0')
    throw std::runtime_error(std::string(name) + " is not set: run the test through CTest");
  return value;
}

// `stem` with this process's id: CTest runs test processes side by side
// against one server and one configuration folder.
inline std::string UniqueName(const std::string& stem) {
#ifdef _WIN32
  return stem + "_" + std::to_string(_getpid());
#else
  return stem + "_" + std::to_string(getpid());
#endif
}

}  // namespace sqelto_test
