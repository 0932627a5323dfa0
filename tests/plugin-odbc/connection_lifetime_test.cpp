// A connection record lives as long as something holds it: its host object,
// or a cursor the host still has after dropping the object. What a closed
// connection leaves behind can never reach the statements of a new one.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "plugin_session.h"

using plugin_odbc_test::PluginSession;

namespace {

class ConnectionLifetime : public plugin_odbc_test::DriverTest {};

}  // namespace

TEST_F(ConnectionLifetime, ARecordSetOutlivesItsDatabaseObject) {
  tavro::Database db = session_.Connected(under_.connectionString);
  // A temporary table: it exists only as long as this very connection.
  db.execute("CREATE TEMPORARY TABLE outliving (id INTEGER)");
  db.execute("INSERT INTO outliving VALUES (1), (2), (3)");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  const int64_t backend = under_.postgres ? plugin_odbc_test::SingleInteger(db, "SELECT pg_backend_pid()") : 0;

  tavro::RecordSet rows = db.select("SELECT id FROM outliving ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 1);
  {
    // The host program drops its database object; the host destroys it and
    // frees the instance that held the connection record.
    tavro::Database gone = std::move(db);
  }
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 2);
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 3);
  EXPECT_FALSE(rows.next());

  if (!under_.postgres) {
    rows.reset();
    return;
  }
  // The session is still there while the cursor holds the connection, and
  // gone once the cursor goes with the last reference.
  const std::string count = "SELECT COUNT(*) FROM pg_stat_activity WHERE pid = " + std::to_string(backend);
  EXPECT_EQ(plugin_odbc_test::SingleInteger(Db(), count), 1);
  rows.reset();
  int64_t left = 1;
  for (int wait = 0; wait < 100 && left != 0; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    left = plugin_odbc_test::SingleInteger(Db(), count);
  }
  EXPECT_EQ(left, 0) << "the connection was not closed by the last release";
}

TEST_F(ConnectionLifetime, ACursorOfAClosedConnectionNeverReachesANewStatement) {
  Run({"CREATE TABLE " + table_ + " (id INTEGER)", "INSERT INTO " + table_ + " VALUES (1), (2), (3)"});
  tavro::Database& db = Db();
  tavro::RecordSet stale = db.select("SELECT id FROM " + table_ + " ORDER BY id");
  ASSERT_TRUE(stale.next());
  db.close();
  ASSERT_TRUE(session_.Connect(db.object())) << db.lastErrorString();

  // The new connection and statement may well reuse the addresses of the
  // old handles; the old cursor must still know its statement is gone.
  tavro::RecordSet fresh = db.select("SELECT id FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(fresh.isNull()) << db.lastErrorString();
  EXPECT_FALSE(stale.next());
  EXPECT_EQ(db.lastErrorCode(), 1);
  EXPECT_EQ(db.lastErrorString(), "Not connected.");
  int64_t sum = 0;
  int count = 0;
  while (fresh.next()) {
    sum += fresh.value(0).asInteger();
    ++count;
  }
  EXPECT_EQ(count, 3);
  EXPECT_EQ(sum, 6);
  stale.reset();
}

TEST(ConnectionBinding, AnInstanceTheHostDidNotBindSaysSo) {
  PluginSession session;
  session.host().withhold("VANTConstructDBDatabase");
  tavro::Object object = session.NewDatabase();
  auto* record = static_cast<sqelto::ConnectionRecord*>(object.instanceData());
  EXPECT_EQ(record->lastErrorCode, -1);
  ASSERT_NE(record->lastErrorText, nullptr);
  EXPECT_STREQ(record->lastErrorText, "The host did not bind the ODBCDatabase object to the ODBC engine.");
  EXPECT_FALSE(session.Connect(object));
}
