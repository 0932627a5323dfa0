// Host threads on connections of their own, and a second thread on a
// connection whose statement runs detached from the runtime.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "plugin_session.h"

using plugin_odbc_test::PluginSession;

namespace {

constexpr int kRows = 2000;
constexpr int kRounds = 10;

std::string TextOf(int thread, int row) { return "thread " + std::to_string(thread) + " row " + std::to_string(row); }

}  // namespace

TEST(Threads, TwoThreadsOnTheirOwnConnectionsReadTheirOwnValues) {
  PluginSession session;
  const auto under = plugin_odbc_test::DriverUnderTest();
  const std::string table = plugin_odbc_test::UniqueName("threads");
  std::vector<tavro::Database> databases;
  for (int thread = 0; thread < 2; ++thread) {
    databases.push_back(session.Connected(under.connectionString));
    tavro::Database& db = databases.back();
    const std::string name = table + "_" + std::to_string(thread);
    db.execute("DROP TABLE IF EXISTS " + name);
    db.execute("CREATE TABLE " + name + " (id INTEGER, body VARCHAR(40))");
    std::string insert = "INSERT INTO " + name + " VALUES ";
    for (int row = 0; row < kRows; ++row)
      insert += (row ? ", (" : "(") + std::to_string(row) + ", '" + TextOf(thread, row) + "')";
    db.execute(insert);
    ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  }

  std::atomic<int> wrong{0};
  std::atomic<int> read{0};
  auto reader = [&](int thread) {
    tavro::Database& db = databases[static_cast<std::size_t>(thread)];
    for (int round = 0; round < kRounds; ++round) {
      tavro::RecordSet rows = db.select("SELECT id, body FROM " + table + "_" + std::to_string(thread));
      while (!rows.isNull() && rows.next()) {
        const int row = static_cast<int>(rows.value(0).asInteger());
        if (rows.value(1).asText() != TextOf(thread, row)) ++wrong;
        ++read;
      }
    }
  };
  std::thread first(reader, 0), second(reader, 1);
  first.join();
  second.join();
  EXPECT_EQ(read.load(), 2 * kRounds * kRows);
  EXPECT_EQ(wrong.load(), 0);
  for (int thread = 0; thread < 2; ++thread)
    databases[static_cast<std::size_t>(thread)].execute("DROP TABLE " + table + "_" + std::to_string(thread));
}
