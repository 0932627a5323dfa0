// The road of one query, driven the way the host runtime drives it: an
// ODBCDatabase object, its Connect method, the engine words and the cursor
// record words behind RecordSet objects. Built once per driver.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plugin_session.h"

#ifndef _WIN32
#include <sql.h>
#include <sqlext.h>
#endif

using plugin_odbc_test::PluginSession;
using tavro::Value;

namespace {

// Column type names differ between the two servers.
struct Dialect {
  const char* doubleType;
  const char* longBinaryType;
};
Dialect TypesOf(const plugin_odbc_test::DataSourceUnderTest& under) {
  return under.postgres ? Dialect{"DOUBLE PRECISION", "BYTEA"} : Dialect{"DOUBLE", "LONGVARBINARY"};
}

using plugin_odbc_test::Repeat;

class QueryRoad : public plugin_odbc_test::DriverTest {
protected:
  int32_t RowsAffected() { return PluginSession::Record(Db())->rowsAffected; }
};

}  // namespace

TEST_F(QueryRoad, ConnectsThroughBareNamesAndConnectionStrings) {
  tavro::Host& host = session_.host();

  // A bare name in DataSource: a data-source name; Host is ignored.
  tavro::Object byDsn = session_.NewDatabase();
  host.setProperty(byDsn, "DataSource", Value(under_.dsn));
  host.setProperty(byDsn, "Host", Value("no-such-host-dsn"));
  host.setProperty(byDsn, "UserName", Value(under_.userName));
  ASSERT_TRUE(session_.Connect(byDsn));
  tavro::Database dsnDb(host, byDsn);
  EXPECT_TRUE(dsnDb.isConnected());
  EXPECT_EQ(dsnDb.lastErrorCode(), 0);
  EXPECT_EQ(host.getProperty(byDsn, "DBMS").asText(), under_.postgres ? "PostgreSQL" : "SQLite");

  // The driver keyword in mixed case: the string is used unchanged, also with Host set.
  std::string mixed = under_.connectionString;
  mixed.replace(0, 6, "dRiVeR");
  tavro::Object byString = session_.NewDatabase();
  host.setProperty(byString, "DataSource", Value(mixed));
  host.setProperty(byString, "Host", Value("no-such-host-dsn"));
  EXPECT_TRUE(session_.Connect(byString));

  // No DataSource: the bare name in Host.
  tavro::Object byHost = session_.NewDatabase();
  host.setProperty(byHost, "Host", Value(under_.dsn));
  host.setProperty(byHost, "UserName", Value(under_.userName));
  EXPECT_TRUE(session_.Connect(byHost));

  // A live connection is only asked whether it is dead, not made again.
  auto* record = static_cast<sqelto::ConnectionRecord*>(byHost.instanceData());
  SQLHDBC before = record->hdbc;
  EXPECT_TRUE(session_.Connect(byHost));
  EXPECT_EQ(record->hdbc, before);
}

TEST_F(QueryRoad, FailedConnectsLeaveTheDriverErrorAndRefuseOversizedStrings) {
  tavro::Host& host = session_.host();
  tavro::Object missing = session_.NewDatabase();
  host.setProperty(missing, "DataSource", Value("NoSuchDataSourceAnywhere"));
  tavro::Database db(host, missing);
  EXPECT_FALSE(session_.Connect(missing));
  EXPECT_FALSE(db.isConnected());
  // The driver manager reports a missing DSN with native error 0, which reads 1.
  EXPECT_EQ(db.lastErrorCode(), 1);
  EXPECT_NE(db.lastErrorString().find("not found"), std::string::npos) << db.lastErrorString();

  // Nothing is executed on a record that is not connected.
  db.execute("SELECT 1");
  EXPECT_EQ(db.lastErrorCode(), 1);
  EXPECT_EQ(db.lastErrorString(), "Not connected.");
  EXPECT_TRUE(db.select("SELECT 1").isNull());

  // A connection string that would not fit its buffer is refused, not cut.
  tavro::Object huge = session_.NewDatabase();
  host.setProperty(huge, "DataSource", Value(under_.connectionString + "Extra=" + std::string(5000, 'x') + ";"));
  tavro::Database hugeDb(host, huge);
  EXPECT_FALSE(session_.Connect(huge));
  EXPECT_EQ(hugeDb.lastErrorCode(), -1);
  EXPECT_NE(hugeDb.lastErrorString().find("too long"), std::string::npos);
  // So is a bare name whose user name makes the composed string too long.
  tavro::Object longUser = session_.NewDatabase();
  host.setProperty(longUser, "DataSource", Value(under_.dsn));
  host.setProperty(longUser, "UserName", Value(std::string(4100, 'u')));
  EXPECT_FALSE(session_.Connect(longUser));
  EXPECT_EQ(tavro::Database(host, longUser).lastErrorCode(), -1);
}

TEST_F(QueryRoad, ExecutesSelectsAndReportsFailures) {
  tavro::Database& db = Db();
  db.execute("CREATE TABLE " + table_ + " (id INTEGER, name VARCHAR(40))");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  db.execute("INSERT INTO " + table_ + " VALUES (1, 'one'), (2, 'two'), (3, 'three')");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  EXPECT_EQ(RowsAffected(), 3);
  // A successful call leaves no text at all (null, not an empty string).
  EXPECT_EQ(db.engine()->lastErrorString(db.record()), nullptr);

  // A failing select: no result set, the driver's message, and the
  // connection stays usable.
  tavro::RecordSet failed = db.select("SELECT some_column FROM no_such_table_anywhere");
  EXPECT_TRUE(failed.isNull());
  EXPECT_NE(db.lastErrorCode(), 0);
  EXPECT_NE(db.lastErrorString().find("no_such_table_anywhere"), std::string::npos) << db.lastErrorString();

  // An UPDATE passed to select yields a cursor without columns and its row count.
  tavro::RecordSet update = db.select("UPDATE " + table_ + " SET name = 'x' WHERE id >= 2");
  ASSERT_FALSE(update.isNull()) << db.lastErrorString();
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_EQ(update.columnCount(), 0);
  EXPECT_EQ(RowsAffected(), 2);
  update.reset();

  // A statement that touches no rows (drivers answer SQL_NO_DATA) is no
  // failure, and its count replaces the previous one.
  tavro::RecordSet nothing = db.select("UPDATE " + table_ + " SET name = 'y' WHERE id < 0");
  EXPECT_FALSE(nothing.isNull());
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_EQ(RowsAffected(), 0);
  nothing.reset();
  db.execute("DELETE FROM " + table_ + " WHERE id = 2");
  EXPECT_EQ(RowsAffected(), 1);
  db.execute("DELETE FROM " + table_ + " WHERE id = 2");
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_EQ(RowsAffected(), 0) << "no stale count from the statement before";
  db.execute("INSERT INTO " + table_ + " VALUES (2, 'x')");

  tavro::RecordSet rows = db.select("SELECT id, name FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  EXPECT_EQ(rows.columnCount(), 2);
  EXPECT_EQ(rows.columnName(0), "id");
  EXPECT_EQ(rows.columnName(1), "name");
  EXPECT_EQ(rows.columnType(0), TAVRO_COLUMN_INTEGER);
  EXPECT_EQ(rows.columnType(1), TAVRO_COLUMN_TEXT);
  std::vector<std::string> names;
  int64_t idSum = 0;
  while (rows.next()) {
    idSum += rows.value(0).asInteger();
    names.push_back(rows.value(1).asText());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"one", "x", "x"}));
  EXPECT_EQ(idSum, 6);
  EXPECT_FALSE(rows.next()) << "after the last row";
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_EQ(rows.recordCount(), -1) << "ODBC never knows the count up front";
}

TEST_F(QueryRoad, CarriesNonAsciiTextBothWaysWhole) {
  tavro::Database& db = Db();
  db.execute("CREATE TABLE " + table_ + " (id INTEGER, name VARCHAR(200))");
  const std::string greeting = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93";  // "Grüße ✓"
  const std::string twoHundred = Repeat("\xC3\xA9", 150) + Repeat("\xE2\x82\xAC", 50);  // 150 é, 50 €
  db.execute("INSERT INTO " + table_ + " VALUES (1, '" + greeting + "'), (2, '" + twoHundred + "')");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();

  // The statement text reached the driver unchanged: it finds the row by it.
  tavro::RecordSet found = db.select("SELECT id FROM " + table_ + " WHERE name = '" + greeting + "'");
  ASSERT_FALSE(found.isNull()) << db.lastErrorString();
  ASSERT_TRUE(found.next());
  EXPECT_EQ(found.value(0).asInteger(), 1);
  found.reset();

  tavro::RecordSet rows = db.select("SELECT name FROM " + table_ + " ORDER BY id");
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText(), greeting);
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText(), twoHundred) << "200 non-ASCII characters come back whole";
  rows.reset();

  // The driver's message reaches the host as UTF-8 too.
  const std::string missing = "t\xC3\xA1" "bla_\xC3\xB1_\xE2\x9C\x93";  // "tábla_ñ_✓"
  EXPECT_TRUE(db.select("SELECT * FROM \"" + missing + "\"").isNull());
  EXPECT_NE(db.lastErrorString().find(missing), std::string::npos) << db.lastErrorString();
}

TEST_F(QueryRoad, ReadsLongTextAndLongBinaryInPieces) {
  tavro::Database& db = Db();
  const Dialect types = TypesOf(under_);
  db.execute("CREATE TABLE " + table_ + " (id INTEGER, body TEXT, data " + types.longBinaryType + ")");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  // 20,000 characters, some of them outside ASCII, across several 8192-byte pieces.
  std::string body;
  for (int i = 0; i < 2000; ++i) body += i % 7 == 0 ? "\xC3\xA4" "bcdefghi\xE2\x9C\x93" : "abcdefghij";
  const std::string hex = Repeat("00ff10", 4000);  // 12,000 bytes
  const std::string blob = under_.postgres ? "decode('" + hex + "', 'hex')" : "X'" + hex + "'";
  db.execute("INSERT INTO " + table_ + " VALUES (1, '" + body + "', " + blob + "), (2, NULL, NULL)");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();

  tavro::RecordSet rows = db.select("SELECT body, data FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  EXPECT_EQ(rows.columnType(0), TAVRO_COLUMN_LONG_TEXT);
  EXPECT_EQ(rows.columnType(1), TAVRO_COLUMN_LONG_BINARY);
  ASSERT_TRUE(rows.next());
  const Value text = rows.value(0);
  EXPECT_EQ(text.asText().size(), body.size());
  EXPECT_EQ(text.asText(), body);
  const Value data = rows.value(1);
  ASSERT_EQ(data.asBytes().size(), 12000u);
  EXPECT_EQ(data.asBytes()[0], 0x00);
  EXPECT_EQ(data.asBytes()[1], 0xFF);
  EXPECT_EQ(data.asBytes()[11999], 0x10);
  // NULL long values arrive empty rather than as NULL.
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText(), "");
  EXPECT_EQ(rows.value(1).columnLength, 0);
}

TEST_F(QueryRoad, ReadsValuesLongerThanTheirBuffersWhole) {
  // SQLite does not enforce declared sizes; psqlODBC describes an unsized
  // VARCHAR with 255 characters. Either way the value outgrows its buffer.
  tavro::Database& db = Db();
  const std::string textType = under_.postgres ? "VARCHAR" : "VARCHAR(10)";
  const std::string binaryType = under_.postgres ? "BYTEA" : "BLOB";
  db.execute("CREATE TABLE " + table_ + " (id INTEGER, body " + textType + ", data " + binaryType + ")");
  const std::string body = Repeat("\xC3\xA9" "abc", 700);  // 2,800 characters
  const std::string hex = Repeat("0a0b0c", 400);           // 1,200 bytes
  const std::string blob = under_.postgres ? "decode('" + hex + "', 'hex')" : "X'" + hex + "'";
  db.execute("INSERT INTO " + table_ + " VALUES (1, '" + body + "', " + blob + "), (2, 'short', NULL)");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();

  tavro::RecordSet rows = db.select("SELECT body, data FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText(), body);
  EXPECT_EQ(rows.value(1).asBytes().size(), 1200u);
  // The next row fits its buffers again and reads from them.
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText(), "short");
  EXPECT_EQ(db.lastErrorCode(), 0);
}

TEST_F(QueryRoad, DeliversTypedValuesDatesInHostByteOrderAndNulls) {
  tavro::Database& db = Db();
  const Dialect types = TypesOf(under_);
  db.execute("CREATE TABLE " + table_ + " (id INTEGER, amount " + std::string(types.doubleType) +
             ", d DATE, t TIME, ts TIMESTAMP, n INTEGER)");
  db.execute("INSERT INTO " + table_ +
             " VALUES (7, 2.5, '2021-03-04', '13:14:15', '2021-03-04 05:06:07', NULL)");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();

  tavro::RecordSet rows = db.select("SELECT id, amount, d, t, ts, n FROM " + table_);
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  EXPECT_EQ(rows.columnType(2), TAVRO_COLUMN_DATE);
  EXPECT_EQ(rows.columnType(3), TAVRO_COLUMN_TIME);
  EXPECT_EQ(rows.columnType(4), TAVRO_COLUMN_TIMESTAMP);
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 7);
  EXPECT_DOUBLE_EQ(rows.value(1).asDouble(), 2.5);
  EXPECT_EQ(rows.value(2).asDateTime(), (tavro::DateTime{2021, 3, 4, 0, 0, 0, 0}));
  const tavro::DateTime time = rows.value(3).asDateTime();
  EXPECT_EQ(time.hour * 10000 + time.minute * 100 + time.second, 131415);
  const tavro::DateTime stamp = rows.value(4).asDateTime();
  EXPECT_EQ(stamp.year * 10000 + stamp.month * 100 + stamp.day, 20210304);
  EXPECT_EQ(stamp.hour * 10000 + stamp.minute * 100 + stamp.second, 50607);

  // The raw bytes as the cursor record hands them over: 16-bit fields high byte first.
  void* value = nullptr;
  uint8_t type = 0;
  int32_t length = 0;
  rows.cursorRecord()->columnValue(rows.handle(), 2, &value, &type, &length);
  ASSERT_NE(value, nullptr);
  const unsigned char expected[] = {0x07, 0xE5, 0x00, 0x03, 0x00, 0x04};
  EXPECT_EQ(std::memcmp(value, expected, sizeof expected), 0);
  EXPECT_EQ(type, TAVRO_COLUMN_DATE);

  // NULL: type 0, length 0, a value pointer to four zero bytes.
  rows.cursorRecord()->columnValue(rows.handle(), 5, &value, &type, &length);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(length, 0);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(std::memcmp(value, "\0\0\0\0", 4), 0);
  EXPECT_TRUE(rows.value(5).isNil());
}

TEST_F(QueryRoad, CharacterValuesShareOneSlotAndNothingLeaks) {
  tavro::Database& db = Db();
  tavro::Host& host = session_.host();
  db.execute("CREATE TABLE " + table_ + " (a VARCHAR(10), b VARCHAR(10))");
  db.execute("INSERT INTO " + table_ + " VALUES ('first', 'second')");
  const int64_t stringsBefore = host.liveStrings();
  const int64_t objectsBefore = host.liveObjects();
  {
    tavro::RecordSet rows = db.select("SELECT a, b FROM " + table_);
    ASSERT_TRUE(rows.next());
    tavro::Host::CallScope scope(host);  // cursor words called directly, as the runtime calls them
    void* first = nullptr;
    void* second = nullptr;
    uint8_t type = 0;
    int32_t length = 0;
    rows.cursorRecord()->columnValue(rows.handle(), 0, &first, &type, &length);
    ASSERT_EQ(type, TAVRO_COLUMN_HOST_STRING);
    EXPECT_EQ(length, 4);
    const int64_t afterOne = host.liveStrings();
    rows.cursorRecord()->columnValue(rows.handle(), 1, &second, &type, &length);
    EXPECT_EQ(first, second) << "one process-wide slot";
    EXPECT_EQ(tavro::String::retain(*static_cast<TavroString*>(second)).utf8(), "second");
    EXPECT_EQ(host.liveStrings(), afterOne) << "the slot's previous string was released";
  }
  EXPECT_EQ(host.liveStrings(), stringsBefore) << "the slot's string goes with the last cursor";
  EXPECT_EQ(host.liveObjects(), objectsBefore);
}

TEST_F(QueryRoad, CursorLifetimeOutOfRangeColumnsAndRefusedWrapping) {
  tavro::Database& db = Db();
  tavro::Host& host = session_.host();
  sqelto::ConnectionRecord* record = PluginSession::Record(db);
  db.execute("CREATE TABLE " + table_ + " (id INTEGER)");
  db.execute("INSERT INTO " + table_ + " VALUES (1)");

  tavro::RecordSet rows = db.select("SELECT id FROM " + table_);
  ASSERT_FALSE(rows.isNull());
  EXPECT_NE(record->currentCursor, nullptr);
  EXPECT_EQ(record->refCount, 2) << "the host object and the cursor";
  // Columns outside the result answer safely.
  EXPECT_EQ(rows.columnType(1), TAVRO_COLUMN_UNKNOWN);
  EXPECT_EQ(rows.columnType(-1), TAVRO_COLUMN_UNKNOWN);
  EXPECT_TRUE(rows.columnNameIsNull(5));
  ASSERT_TRUE(rows.next());
  void* value = reinterpret_cast<void*>(1);
  uint8_t type = 9;
  int32_t length = 9;
  rows.cursorRecord()->columnValue(rows.handle(), 3, &value, &type, &length);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(length, 0);
  const TavroCursorRecord* words = rows.cursorRecord();
  // Dropping the result set destroys the cursor and forgets it.
  rows.reset();
  EXPECT_EQ(record->currentCursor, nullptr) << "no pointer to a destroyed cursor";
  EXPECT_EQ(record->refCount, 1);

  // A host that refuses to wrap the cursor gets nothing, and nothing is kept.
  const int64_t objectsBefore = host.liveObjects();
  host.refuseCursorWrap(true);
  EXPECT_TRUE(db.select("SELECT id FROM " + table_).isNull());
  host.refuseCursorWrap(false);
  EXPECT_EQ(db.lastErrorCode(), -1);
  EXPECT_EQ(record->currentCursor, nullptr);
  EXPECT_EQ(record->refCount, 1) << "the refused cursor released its reference";
  EXPECT_EQ(host.liveObjects(), objectsBefore);
  EXPECT_FALSE(db.select("SELECT id FROM " + table_).isNull()) << "the statement handle was freed";

  // A handle without a cursor answers empty and its destroy frees only the handle.
  auto* empty = new TavroCursorHandle{nullptr, 0};
  EXPECT_EQ(words->columnCount(empty), 0);
  EXPECT_EQ(words->recordCount(empty), 0);
  EXPECT_EQ(words->columnName(empty, 0), nullptr);
  EXPECT_EQ(words->columnType(empty, 0), 0);
  EXPECT_FALSE(words->nextRecord(empty));
  words->destroy(empty);  // the sanitizer build checks it is freed exactly once
}

#ifndef _WIN32
// The driver manager's own trace of the calls a dropped cursor makes on its
// statement: its bindings are let go once, then the statement is closed and
// freed. (unixODBC writes the trace; odbc32 under Wine has none to ask for.)
TEST_F(QueryRoad, ADroppedCursorUnbindsItsStatementOnce) {
  tavro::Database& db = Db();
  db.execute("CREATE TABLE " + table_ + " (id INTEGER, name VARCHAR(20))");
  db.execute("INSERT INTO " + table_ + " VALUES (1, 'one')");
  tavro::RecordSet rows = db.select("SELECT id, name FROM " + table_);
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  ASSERT_TRUE(rows.next());

  const std::string traceFile = std::string(std::getenv("SQELTO_ODBC_DIR")) + "/" +
                                plugin_odbc_test::UniqueName("unbind") + ".odbctrace";
  SQLHDBC connection = PluginSession::Record(db)->hdbc;
  ASSERT_TRUE(SQL_SUCCEEDED(SQLSetConnectAttr(connection, SQL_ATTR_TRACEFILE,
                                              const_cast<char*>(traceFile.c_str()), SQL_NTS)));
  ASSERT_TRUE(SQL_SUCCEEDED(SQLSetConnectAttr(connection, SQL_ATTR_TRACE,
                                              reinterpret_cast<SQLPOINTER>(SQL_OPT_TRACE_ON), 0)));
  rows.reset();
  SQLSetConnectAttr(connection, SQL_ATTR_TRACE, reinterpret_cast<SQLPOINTER>(SQL_OPT_TRACE_OFF), 0);

  // Each traced call is an entry "[ODBC][...][SQLFreeStmt.c]..." with its
  // arguments on the following lines.
  std::ifstream in(traceFile);
  ASSERT_TRUE(in) << "no driver manager trace in " << traceFile;
  std::map<std::string, int> freeStmtOptions;
  std::string line, call;
  while (std::getline(in, line)) {
    if (line.rfind("[ODBC]", 0) == 0) call = line;
    if (call.find("[SQLFreeStmt.c]") != std::string::npos && line.find("Option = ") != std::string::npos)
      ++freeStmtOptions[line.substr(line.find("Option = ") + 9)];
  }
  std::remove(traceFile.c_str());
  EXPECT_EQ(freeStmtOptions[std::to_string(SQL_UNBIND)], 1);
  EXPECT_EQ(freeStmtOptions[std::to_string(SQL_CLOSE)], 1);
}
#endif

TEST_F(QueryRoad, ScrollsBackwardsWhenAskedTo) {
  tavro::Database db = session_.Connected(under_.connectionString, true);
  db.execute("CREATE TABLE " + table_ + " (id INTEGER)");
  db.execute("INSERT INTO " + table_ + " VALUES (1), (2), (3), (4)");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  tavro::RecordSet rows = db.select("SELECT id FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  ASSERT_TRUE(rows.next());
  ASSERT_TRUE(rows.next());
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 3);
  rows.previous();
  EXPECT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  EXPECT_EQ(rows.value(0).asInteger(), 2);
  rows.last();
  EXPECT_EQ(rows.value(0).asInteger(), 4);
  rows.first();
  EXPECT_EQ(rows.value(0).asInteger(), 1);
  rows.reset();
  db.execute("DROP TABLE " + table_);
}

TEST_F(QueryRoad, CloseDisconnectsAndLeavesOpenCursorsHarmless) {
  tavro::Database& db = Db();
  tavro::RecordSet open = db.select("SELECT 1 AS one UNION ALL SELECT 2");
  ASSERT_FALSE(open.isNull()) << db.lastErrorString();
  ASSERT_TRUE(open.next());
  db.close();
  // The driver manager freed the statement with the connection: the cursor
  // must not touch it again.
  EXPECT_FALSE(open.next());
  EXPECT_EQ(db.lastErrorCode(), 1);
  open.reset();
  EXPECT_EQ(PluginSession::Record(db)->hdbc, nullptr);
  EXPECT_TRUE(db.select("SELECT 1").isNull());
  EXPECT_EQ(db.lastErrorCode(), 1);
  EXPECT_EQ(db.lastErrorString(), "Not connected.");
  db_.reset();
}
