// A SQLite database of this test process reached through the fault-injecting
// test driver (a fake that forwards to SQLite and fails chosen calls when
// its Test keywords say so), made on construction and removed at the end.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plugin_session.h"
#include "test_environment.h"

namespace catalogue_test {

// The test driver's native error of an injected failure.
inline constexpr int32_t kInjectedNativeError = 4711;

class TestDriverDatabase : public ::testing::Test {
protected:
  // Runs `setup` on a connection without faults.
  TestDriverDatabase(const std::string& stem, const std::vector<std::string>& setup)
      : file_(sqelto_test::RequiredEnvironment("SQELTO_ODBC_DIR") + "/" + sqelto_test::UniqueName(stem) + ".sqlite3") {
    std::remove(file_.c_str());
    tavro::Database plain = session_.Connected(Through(""));
    for (const std::string& sql : setup) {
      plain.execute(sql);
      EXPECT_EQ(plain.lastErrorCode(), 0) << sql << ": " << plain.lastErrorString();
    }
  }
  ~TestDriverDatabase() override { std::remove(file_.c_str()); }

  // A connection string through the test driver with the given Test keywords.
  std::string Through(const std::string& keywords) const {
    return "Driver={" + sqelto_test::RequiredEnvironment("SQELTO_TEST_DRIVER") + "};Database=" + file_ + ";" + keywords;
  }

  // The last error is the injected failure of `what` ("SQLExecute", ...).
  static void ExpectInjected(tavro::Database& db, const std::string& what) {
    EXPECT_EQ(db.lastErrorCode(), kInjectedNativeError) << db.lastErrorString();
    EXPECT_NE(db.lastErrorString().find("Injected failure of " + what), std::string::npos) << db.lastErrorString();
  }

  plugin_odbc_test::PluginSession session_;
  std::string file_;
};

}  // namespace catalogue_test
