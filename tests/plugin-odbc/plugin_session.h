// A substitute host with Sqelto loaded, and the data sources the tests use.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <tavro_host/tavro_host.h>

#include "checked_host.h"

#include "odbc/connection_record.h"

namespace plugin_odbc_test {

// Which real driver a test binary runs against.
struct DataSourceUnderTest {
  std::string name;            // "SQLite" or "PostgreSQL"
  std::string dsn;             // a bare data-source name of the private configuration
  std::string connectionString;  // a full connection string reaching the same database
  bool postgres = false;
  std::string userName;        // what a bare name needs: "DSN=...;UID=...;PWD=...;" replaces the DSN's own
};

// From the environment CTest gives the tests (odbc_test_environment).
DataSourceUnderTest SqliteUnderTest();
DataSourceUnderTest PostgresUnderTest();

// The driver this test binary was built for (SQELTO_TEST_POSTGRES).
DataSourceUnderTest DriverUnderTest();

// A table name no other test process uses at the same time.
std::string UniqueName(const std::string& stem);

class PluginSession {
public:
  // Loads the built plug-in library; with `linkedIn` (the VANTPluginMain
  // of the plug-in code linked into the test) starts that one instead, for
  // tests that need its testing hooks.
  explicit PluginSession(TavroPluginMainFn linkedIn = nullptr);
  tavro::Host& host() { return host_; }

  // A new ODBCDatabase object (not connected).
  tavro::Object NewDatabase();
  // A new ODBCDatabase with DataSource set and Connect() called; the test
  // fails when the connect does not succeed.
  tavro::Database Connected(const std::string& dataSource, bool scrollable = false,
                            const std::string& userName = "");
  bool Connect(const tavro::Object& database);

  static sqelto::ConnectionRecord* Record(const tavro::Database& db) {
    return static_cast<sqelto::ConnectionRecord*>(db.record());
  }

private:
  sqelto_test::CheckedHost host_;
};

// A test against the binary's driver with one connection made on first use
// and one table name of its own, dropped at the end.
class DriverTest : public ::testing::Test {
protected:
  DriverTest() : under_(DriverUnderTest()), table_(UniqueName("t")) {}
  void TearDown() override {
    if (db_) {
      db_->execute("DROP TABLE IF EXISTS " + table_);
      db_.reset();
    }
  }
  tavro::Database& Db() {
    if (!db_) db_.emplace(session_.Connected(under_.connectionString));
    return *db_;
  }
  // Runs statements that must succeed.
  void Run(const std::vector<std::string>& statements) {
    for (const std::string& sql : statements) {
      Db().execute(sql);
      ASSERT_EQ(Db().lastErrorCode(), 0) << sql << ": " << Db().lastErrorString();
    }
  }

  PluginSession session_;
  DataSourceUnderTest under_;
  std::string table_;
  std::optional<tavro::Database> db_;
};

std::string Repeat(const std::string& piece, int times);

// The first column of the first row of a select as an integer; the test
// fails (and -1 comes back) when there is none.
int64_t SingleInteger(tavro::Database& db, const std::string& sql);

}  // namespace plugin_odbc_test
