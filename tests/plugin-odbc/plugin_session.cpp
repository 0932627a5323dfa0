#include "plugin_session.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "test_environment.h"

namespace plugin_odbc_test {

using sqelto_test::RequiredEnvironment;

DataSourceUnderTest SqliteUnderTest() {
  // A database file of this process only: CTest runs test processes side by side.
  const std::string file = RequiredEnvironment("SQELTO_ODBC_DIR") + "/" + sqelto_test::UniqueName("plugin-odbc") + ".sqlite3";
  return {"SQLite", RequiredEnvironment("SQELTO_SQLITE_DSN"), "Driver=SQLite3;Database=" + file + ";", false, ""};
}

DataSourceUnderTest PostgresUnderTest() {
  return {"PostgreSQL", RequiredEnvironment("SQELTO_PG_DSN"),
          "Driver={PostgreSQL Unicode};Servername=" + RequiredEnvironment("SQELTO_PG_HOST") + ";Port=" +
              RequiredEnvironment("SQELTO_PG_PORT") + ";Database=" + RequiredEnvironment("SQELTO_PG_DATABASE") +
              ";Username=postgres;SSLmode=disable;",
          true, "postgres"};
}

DataSourceUnderTest DriverUnderTest() {
#if defined(SQELTO_TEST_POSTGRES) && SQELTO_TEST_POSTGRES
  return PostgresUnderTest();
#else
  return SqliteUnderTest();
#endif
}

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

int64_t SingleInteger(tavro::Database& db, const std::string& sql) {
  tavro::RecordSet rows = db.select(sql);
  if (rows.isNull() || !rows.next()) {
    ADD_FAILURE() << sql << ": " << db.lastErrorString();
    return -1;
  }
  return rows.value(0).asInteger();
}

std::string UniqueName(const std::string& stem) { return sqelto_test::UniqueName(stem); }


PluginSession::PluginSession(TavroPluginMainFn linkedIn) {
  if (!tavro::useUtf8Locale()) throw std::runtime_error("no UTF-8 locale available");
  if (linkedIn != nullptr)
    host_.runPluginMain(linkedIn);
  else
    host_.load(SQELTO_PLUGIN_PATH);
}

tavro::Object PluginSession::NewDatabase() { return host_.createInstance("ODBCDatabase"); }

bool PluginSession::Connect(const tavro::Object& database) { return host_.call<bool>(database, "Connect"); }

tavro::Database PluginSession::Connected(const std::string& dataSource, bool scrollable,
                                         const std::string& userName) {
  tavro::Object object = NewDatabase();
  host_.setProperty(object, "DataSource", tavro::Value(dataSource));
  if (!userName.empty()) host_.setProperty(object, "UserName", tavro::Value(userName));
  if (scrollable) host_.setProperty(object, "ScrollableCursor", tavro::Value(true));
  tavro::Database db(host_, object);
  const bool connected = Connect(object);
  EXPECT_TRUE(connected) << "connect to " << dataSource << " failed: " << db.lastErrorCode() << " "
                         << db.lastErrorString();
  return db;
}

}  // namespace plugin_odbc_test
