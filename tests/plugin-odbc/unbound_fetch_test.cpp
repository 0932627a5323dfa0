// A driver that cannot read any column with SQLGetData after bound ones gets
// nothing bound: every value is read with SQLGetData into its buffer, and a
// value longer than the buffer must be read on, not cut. No driver on this
// machine lacks SQL_GD_ANY_COLUMN, so the fault-injecting test driver (over
// SQLite) reports it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plugin_session.h"

using plugin_odbc_test::PluginSession;
using plugin_odbc_test::Repeat;

namespace {

// The fault-injecting test driver over a new SQLite file; `settings` are its
// own keywords. CTest names the driver.
class TestDriverFile {
public:
  explicit TestDriverFile(const char* name)
      : driver_(std::getenv("SQELTO_TEST_DRIVER") ? std::getenv("SQELTO_TEST_DRIVER") : ""),
        file_(std::string(std::getenv("SQELTO_ODBC_DIR")) + "/" + plugin_odbc_test::UniqueName(name) + ".sqlite3") {}
  bool usable() const { return !driver_.empty(); }
  std::string With(const std::string& settings) const {
    return "Driver={" + driver_ + "};Database=" + file_ + ";" + settings;
  }

private:
  std::string driver_;
  std::string file_;
};

// Runs statements that must succeed through the driver without faults.
void Prepare(PluginSession& session, const TestDriverFile& target, const std::vector<std::string>& statements) {
  tavro::Database db = session.Connected(target.With(""));
  for (const std::string& sql : statements) {
    db.execute(sql);
    ASSERT_EQ(db.lastErrorCode(), 0) << sql << ": " << db.lastErrorString();
  }
}

}  // namespace

TEST(UnboundFetch, ValuesLongerThanTheirBuffersAreReadWhole) {
  PluginSession session;
  const TestDriverFile target("unbound");
  ASSERT_TRUE(target.usable()) << "run through CTest";
  tavro::Database db = session.Connected(target.With("TestNoGetDataAnyColumn=1;"));
  EXPECT_EQ(PluginSession::Record(db)->allowsBinds, 0) << "the driver must say it cannot";

  // 2,000 characters in a column whose buffer holds 511 (VARCHAR(10)) and in
  // one whose buffer holds 300 (VARCHAR(300)); 1,000 bytes in a 256-byte one.
  const std::string text = Repeat("\xC3\xA9" "bcdefghij", 200);
  const std::string hex = Repeat("00ff7f", 333) + "aa";
  db.execute("CREATE TABLE unbound (id INTEGER, small VARCHAR(10), wide VARCHAR(300), data BLOB)");
  db.execute("INSERT INTO unbound VALUES (1, '" + text + "', '" + text + "', X'" + hex +
             "'), (2, 'a', 'b', X'01'), (3000000000, 'c', 'd', NULL)");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();

  tavro::RecordSet rows = db.select("SELECT id, small, wide, data FROM unbound ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 1);
  EXPECT_EQ(rows.value(1).asText(), text);
  EXPECT_EQ(rows.value(2).asText(), text);
  EXPECT_EQ(rows.value(3).asBytes().size(), 1000u);
  EXPECT_EQ(rows.value(3).asBytes().back(), 0xAA);
  EXPECT_EQ(db.lastErrorCode(), 0);
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(1).asText(), "a");
  EXPECT_EQ(rows.value(2).asText(), "b");
  EXPECT_EQ(rows.value(3).asBytes(), (tavro::Bytes{0x01}));
  // An INTEGER column read unbound keeps a value beyond 32 bits too.
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 3000000000);
  EXPECT_EQ(rows.value(0).columnType, TAVRO_COLUMN_INT64);
  EXPECT_FALSE(rows.next());
}

// What one driver can do says nothing about the next: a database closed and
// connected again to another driver learns that driver's abilities afresh.
TEST(UnboundFetch, ADatabaseReconnectedToAnotherDriverForgetsTheFirstDriversAbilities) {
  PluginSession session;
  const TestDriverFile target("reconnect");
  ASSERT_TRUE(target.usable()) << "run through CTest";
  tavro::Database db = session.Connected(target.With("TestNeedLongDataLen=Y;"));
  ASSERT_TRUE(db.isConnected()) << db.lastErrorString();
  EXPECT_EQ(PluginSession::Record(db)->allowsBinds, 1);
  EXPECT_EQ(PluginSession::Record(db)->needsLongData, 1);
  EXPECT_EQ(session.host().getProperty(db.object(), "DBMS").asText(), "SQLite");
  db.close();
  session.host().setProperty(db.object(), "DataSource",
                             tavro::Value(target.With("TestNoGetDataAnyColumn=1;TestNeedLongDataLen=N;")));
  ASSERT_TRUE(session.Connect(db.object())) << db.lastErrorString();
  EXPECT_EQ(PluginSession::Record(db)->allowsBinds, 0) << "bound columns would stop the unbound ones being read";
  EXPECT_EQ(PluginSession::Record(db)->needsLongData, 0);

  // And the values still come whole through the unbound path.
  db.execute("CREATE TABLE reconnect (id INTEGER, note TEXT, code VARCHAR(10))");
  db.execute("INSERT INTO reconnect VALUES (1, '" + Repeat("long ", 400) + "', 'x')");
  tavro::RecordSet rows = db.select("SELECT id, note, code FROM reconnect");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(1).asText(), Repeat("long ", 400));
  EXPECT_EQ(rows.value(2).asText(), "x");
  EXPECT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  rows.reset();

  // A driver that cannot name its database system leaves the name empty,
  // not the name the first driver gave.
  db.close();
  session.host().setProperty(db.object(), "DataSource", tavro::Value(target.With("TestFail=SQLGetInfo;")));
  ASSERT_TRUE(session.Connect(db.object())) << db.lastErrorString();
  EXPECT_EQ(session.host().getProperty(db.object(), "DBMS").asText(), "");
}

// A value the driver fails to hand over reaches the host as NULL with the
// driver's reason as the last error; the row still counts as read, and no
// column shows what the row before held.
TEST(UnboundFetch, AValueThatCannotBeReadIsNullAndTheDriversReasonTheLastError) {
  PluginSession session;
  const TestDriverFile target("unreadable");
  ASSERT_TRUE(target.usable()) << "run through CTest";
  Prepare(session, target,
          {"CREATE TABLE unreadable (id INTEGER, name VARCHAR(20), day DATE)",
           "INSERT INTO unreadable VALUES (1, 'first', '2021-03-04'), (2, 'second', '2022-05-06')"});
  const tavro::DateTime firstDay{2021, 3, 4}, secondDay{2022, 5, 6};
  // Nothing is bound, so row 1 takes SQLGetData calls 1 to 3 and row 2
  // calls 4 to 6: the failing call picks the column of row 2.
  for (int column = 0; column < 3; ++column) {
    SCOPED_TRACE("column " + std::to_string(column));
    tavro::Database db = session.Connected(
        target.With("TestNoGetDataAnyColumn=1;TestFailOnce=SQLGetData:" + std::to_string(3 + column) + ";"));
    tavro::RecordSet rows = db.select("SELECT id, name, day FROM unreadable ORDER BY id");
    ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.value(2).asDateTime(), firstDay);
    EXPECT_EQ(db.lastErrorCode(), 0);
    ASSERT_TRUE(rows.next()) << "the row itself was read";
    EXPECT_EQ(db.lastErrorCode(), 4711);
    EXPECT_NE(db.lastErrorString().find("SQLGetData"), std::string::npos) << db.lastErrorString();
    EXPECT_EQ(rows.value(column).columnType, TAVRO_COLUMN_NULL);
    EXPECT_TRUE(rows.value(column).isNil());
    if (column != 0) {
      EXPECT_EQ(rows.value(0).asInteger(), 2);
    }
    if (column != 1) {
      EXPECT_EQ(rows.value(1).asText(), "second");
    }
    if (column != 2) {
      EXPECT_EQ(rows.value(2).asDateTime(), secondDay);
    }
    EXPECT_FALSE(rows.next());
    EXPECT_EQ(db.lastErrorCode(), 0);
  }
  // Every read failing: not one value may pass for a zero or an empty text.
  tavro::Database db = session.Connected(target.With("TestNoGetDataAnyColumn=1;TestGetDataFailAfter=0;"));
  tavro::RecordSet rows = db.select("SELECT id, name, day FROM unreadable ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(db.lastErrorCode(), 4711);
  for (int column = 0; column < 3; ++column) EXPECT_TRUE(rows.value(column).isNil()) << column;
}

// A binary value whose second piece fails keeps its first, and the failure
// is reported instead of the row passing for whole: long binary (never
// bound) and a BLOB read unbound on from its first 256 bytes.
TEST(UnboundFetch, ABinaryValueCutShortByTheDriverSaysWhy) {
  PluginSession session;
  const TestDriverFile target("binarycut");
  ASSERT_TRUE(target.usable()) << "run through CTest";
  Prepare(session, target,
          {"CREATE TABLE binarycut (big LONGVARBINARY, blob BLOB)",
           "INSERT INTO binarycut VALUES (X'" + Repeat("0123456789abcdef", 1600) + "', X'" + Repeat("fe", 1000) + "')"});
  struct Case {
    const char* settings;
    const char* column;
    std::size_t kept;
  };
  for (const Case& c : {Case{"TestGetDataFailAfter=1;", "big", 8192},
                        Case{"TestNoGetDataAnyColumn=1;TestGetDataFailAfter=1;", "blob", 256}}) {
    SCOPED_TRACE(c.column);
    tavro::Database db = session.Connected(target.With(c.settings));
    tavro::RecordSet rows = db.select(std::string("SELECT ") + c.column + " FROM binarycut");
    ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.value(0).asBytes().size(), c.kept);
    EXPECT_EQ(db.lastErrorCode(), 4711) << db.lastErrorString();
  }
}
