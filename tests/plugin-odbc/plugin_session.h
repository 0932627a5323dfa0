// A substitute host with Sqelto loaded, and the data sources the tests use.
#pragma once

#include <cstdint>
#include <string>

#include <tavro_host/tavro_host.h>

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

// A table name no other test process uses at the same time.
std::string UniqueName(const std::string& stem);

class PluginSession {
public:
  PluginSession();
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
  tavro::Host host_;
};

}  // namespace plugin_odbc_test
