// What database tests read from the environment CTest gives them
// (odbc_test_environment), and names of their own for what they create.
#pragma once

#include <chrono>
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

// This process in names of what it creates: CTest runs test processes side by
// side against one server and one configuration folder. A Windows program
// (run under Wine) has an id that says nothing about the Linux ones of the
// native tests beside it, and every fresh Wine prefix hands out the same ids
// again: "w", its id and its start time there ("w260_1765250000000").
inline std::string ProcessTag() {
#ifdef _WIN32
  static const std::string tag = [] {
    std::string made = "w";
    made += std::to_string(_getpid());
    made += "_";
    made += std::to_string(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    return made;
  }();
  return tag;
#else
  return std::to_string(getpid());
#endif
}

// `stem` with this process's tag.
inline std::string UniqueName(const std::string& stem) { return stem + "_" + ProcessTag(); }

}  // namespace sqelto_test
