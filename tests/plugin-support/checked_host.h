// The substitute host as every test that loads Sqelto uses it: when the test
// is over it checks that the plug-in made no misuse of a host entry point and
// left no host string or object of its own behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <tavro_host/tavro_host.h>

namespace sqelto_test {

class CheckedHost : public tavro::Host {
 public:
  CheckedHost() : stringsAtStart_(liveStrings()) {}
  ~CheckedHost() {
    EXPECT_EQ(violations(), std::vector<std::string>{}) << "the plug-in misused host entry points";
    EXPECT_EQ(liveObjects(), 0) << "host objects are still alive when the test ends";
    EXPECT_EQ(liveStrings(), stringsAtStart_) << "host strings are still alive when the test ends";
    EXPECT_EQ(liveStringData(), 0) << "string data copies were not disposed";
  }
  CheckedHost(const CheckedHost&) = delete;
  CheckedHost& operator=(const CheckedHost&) = delete;

 private:
  int64_t stringsAtStart_;
};

}  // namespace sqelto_test
