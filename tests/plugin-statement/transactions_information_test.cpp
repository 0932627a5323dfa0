// Commit and rollback, driver information, connection attributes and the
// next result set, against the real driver; answers are compared with what
// the driver gives a raw ODBC caller on a connection of its own.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include "statement_session.h"

using statement_test::Driver;
using statement_test::StatementSession;
using tavro::Object;
using tavro::Value;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A plain ODBC connection to the same database, to ask the driver directly.
// The answers compared are ASCII. The 8-bit calls give them as they are; on
// Windows the wide ones (its 8-bit calls read the ANSI code page, and Wine's
// odbc32 has none of these), narrowed unit by unit.
class RawConnection {
public:
  explicit RawConnection(const std::string& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
#ifdef _WIN32
    std::vector<SQLWCHAR> wide(connectionString.begin(), connectionString.end());
    wide.push_back(0);
    connected_ = SQL_SUCCEEDED(
        SQLDriverConnectW(dbc_, nullptr, wide.data(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
#else
    connected_ = SQL_SUCCEEDED(SQLDriverConnectA(dbc_, nullptr, (SQLCHAR*)connectionString.c_str(), SQL_NTS, nullptr,
                                                 0, nullptr, SQL_DRIVER_NOPROMPT));
#endif
  }
  ~RawConnection() {
    if (connected_) SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  bool connected() const { return connected_; }
#ifdef _WIN32
  std::string Text(SQLUSMALLINT type) {
    // The buffer's size in bytes must fit an SQLSMALLINT.
    std::vector<SQLWCHAR> text(16384);
    SQLSMALLINT bytes = 0;
    SQLGetInfoW(dbc_, type, text.data(), static_cast<SQLSMALLINT>((text.size() - 1) * sizeof(SQLWCHAR)), &bytes);
    return Narrow(text.data());
  }
  uint32_t Number(SQLUSMALLINT type, bool small) {
    uint64_t word = 0;
    SQLGetInfoW(dbc_, type, &word, small ? 2 : 4, nullptr);
    return small ? static_cast<uint16_t>(word) : static_cast<uint32_t>(word);
  }
  std::string Attribute(SQLINTEGER attribute) {
    SQLWCHAR text[4096] = {};
    SQLINTEGER bytes = -1;
    if (!SQL_SUCCEEDED(SQLGetConnectAttrW(dbc_, attribute, text, sizeof text - sizeof(SQLWCHAR), &bytes)))
      return "(failed)";
    return Narrow(text);
  }
#else
  std::string Text(SQLUSMALLINT type) {
    std::vector<char> text(32768);
    SQLSMALLINT bytes = 0;
    SQLGetInfoA(dbc_, type, text.data(), static_cast<SQLSMALLINT>(text.size() - 1), &bytes);
    return text.data();
  }
  uint32_t Number(SQLUSMALLINT type, bool small) {
    uint64_t word = 0;
    SQLGetInfoA(dbc_, type, &word, small ? 2 : 4, nullptr);
    return small ? static_cast<uint16_t>(word) : static_cast<uint32_t>(word);
  }
  std::string Attribute(SQLINTEGER attribute) {
    char text[4096] = {};
    SQLINTEGER bytes = -1;
    if (!SQL_SUCCEEDED(SQLGetConnectAttrA(dbc_, attribute, text, sizeof text - 1, &bytes))) return "(failed)";
    return text;
  }
#endif

private:
#ifdef _WIN32
  static std::string Narrow(const SQLWCHAR* units) {
    std::string text;
    for (; *units != 0; ++units) text.push_back(static_cast<char>(*units));
    return text;
  }
#endif
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

class ConnectionServices : public ::testing::Test {
protected:
  void SetUp() override { database_ = session_.Connect(); }
  tavro::Database Db() { return session_.Db(database_); }
  tavro::Host& Host() { return session_.host(); }
  // A Variant answer: its "Type" and its value as text.
  std::pair<int32_t, std::string> Answer(const Object& variant) {
    if (!variant) return {-1, "(nothing)"};
    return {static_cast<int32_t>(Host().getProperty(variant, "Type").asInteger()),
            Host().getProperty(variant, "StringValue").asText()};
  }
  std::pair<int32_t, std::string> Info(int32_t type) { return Answer(Host().call<Object>(database_, "GetInfo", type)); }
  std::pair<int32_t, std::string> Attribute(int32_t attribute) {
    return Answer(Host().call<Object>(database_, "ConnectionAttribute", attribute));
  }

  StatementSession session_;
  Object database_;
};

std::string CutUtf8(const std::string& text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

TEST_F(ConnectionServices, CommitAndRollbackWithAutoCommitOffAsASecondConnectionSeesThem) {
  const std::string table = statement_test::UniqueName("transactions");
  Db().execute("DROP TABLE IF EXISTS " + table);
  Db().execute("CREATE TABLE " + table + " (n INTEGER)");
  Object other = session_.Connect();
  const std::string count = "SELECT COUNT(*) FROM " + table;

  Host().call(database_, "SetConnectionAttribute", int32_t{SQL_ATTR_AUTOCOMMIT}, 0);
  ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  EXPECT_EQ(Attribute(SQL_ATTR_AUTOCOMMIT), (std::pair<int32_t, std::string>{2, "0"}));
  Db().execute("INSERT INTO " + table + " VALUES (1)");
  EXPECT_EQ(session_.Rows(other, count), (Rows{{"0"}}));
  Db().commit();
  EXPECT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  EXPECT_EQ(session_.Rows(other, count), (Rows{{"1"}}));

  Db().execute("INSERT INTO " + table + " VALUES (2)");
  EXPECT_EQ(session_.Rows(database_, count), (Rows{{"2"}}));
  Db().rollback();
  EXPECT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  EXPECT_EQ(session_.Rows(database_, count), (Rows{{"1"}}));
  EXPECT_EQ(session_.Rows(other, count), (Rows{{"1"}}));

  // The assigning form reaches the same function.
  Host().call(database_, "ConnectionAttribute", int32_t{SQL_ATTR_AUTOCOMMIT}, 1);
  EXPECT_EQ(Answer(Host().call<Object>(database_, "GetConnectionAttribute", int32_t{SQL_ATTR_AUTOCOMMIT})),
            (std::pair<int32_t, std::string>{2, "1"}));
  Db().execute("DROP TABLE " + table);

  // Nothing to commit on a closed connection.
  tavro::Database closed = session_.Db(Host().createInstance("ODBCDatabase"));
  closed.commit();
  EXPECT_EQ(statement_test::LastError(closed), "1: Not connected.");
  closed.rollback();
  EXPECT_EQ(statement_test::LastError(closed), "1: Not connected.");
}

TEST_F(ConnectionServices, GetInfoAnswersWhatTheDriverAnswersInItsClass) {
  RawConnection raw(session_.target().connectionString);
  ASSERT_TRUE(raw.connected());
  EXPECT_EQ(Info(SQL_DBMS_NAME), (std::pair<int32_t, std::string>{8, session_.target().name}));
  EXPECT_EQ(Info(SQL_IDENTIFIER_QUOTE_CHAR),
            (std::pair<int32_t, std::string>{8, session_.target().driver == Driver::MariaDB ? "`" : "\""}));
  EXPECT_EQ(Info(SQL_DBMS_VER), (std::pair<int32_t, std::string>{8, raw.Text(SQL_DBMS_VER)}));
  // Long text is cut to 255 bytes (MariaDB's keyword list is longer, SQLite's
  // shorter, psqlODBC has none).
  const std::string keywords = raw.Text(SQL_KEYWORDS);
  if (session_.target().driver == Driver::MariaDB) {
    EXPECT_GT(keywords.size(), 255u);
  }
  EXPECT_EQ(Info(SQL_KEYWORDS), (std::pair<int32_t, std::string>{8, CutUtf8(keywords, 255)}));
  // 16-bit and 32-bit answers.
  for (SQLUSMALLINT small : {SQL_MAX_CONCURRENT_ACTIVITIES, SQL_MAX_COLUMN_NAME_LEN, SQL_TXN_CAPABLE,
                             SQL_IDENTIFIER_CASE, SQL_MAX_TABLE_NAME_LEN})
    EXPECT_EQ(Info(small), (std::pair<int32_t, std::string>{2, std::to_string(raw.Number(small, true))})) << small;
  for (SQLUSMALLINT wide : {SQL_GETDATA_EXTENSIONS, SQL_DEFAULT_TXN_ISOLATION, SQL_TXN_ISOLATION_OPTION,
                            SQL_STRING_FUNCTIONS, SQL_SQL_CONFORMANCE})
    EXPECT_EQ(Info(wide), (std::pair<int32_t, std::string>{
                              2, std::to_string(static_cast<int32_t>(raw.Number(wide, false)))}))
        << wide;
  // The plug-in's build stamp, "Mmm dd yyyy hh:mm:ss".
  const auto stamp = Info(1058);
  EXPECT_EQ(stamp.first, 8);
  EXPECT_EQ(stamp.second.size(), 20u);

  EXPECT_EQ(Info(115), (std::pair<int32_t, std::string>{-1, "(nothing)"}));
  EXPECT_EQ(statement_test::LastError(Db()), "1: Option not supported.");
  EXPECT_EQ(Info(10010).first, -1);
  EXPECT_EQ(statement_test::LastError(Db()), "1: Option not supported.");
  Info(SQL_DBMS_NAME);
  EXPECT_EQ(Db().lastErrorCode(), 0);

  Object closed = Host().createInstance("ODBCDatabase");
  EXPECT_FALSE(Host().call<Object>(closed, "GetInfo", int32_t{SQL_DBMS_NAME}));
  EXPECT_EQ(statement_test::LastError(session_.Db(closed)), "1: Not connected.");
}

TEST_F(ConnectionServices, ConnectionAttributesNumbersAndTextsOfTheirRealLength) {
  RawConnection raw(session_.target().connectionString);
  ASSERT_TRUE(raw.connected());
  // Text attributes with their real length: the database name on the
  // servers, nothing at all from SQLite's driver.
  for (SQLINTEGER text : {SQL_ATTR_TRACEFILE, SQL_ATTR_TRANSLATE_LIB, SQL_ATTR_CURRENT_CATALOG})
    EXPECT_EQ(Attribute(text), (std::pair<int32_t, std::string>{8, raw.Attribute(text)})) << text;
  if (session_.target().driver != Driver::SQLite) {
    EXPECT_EQ(Attribute(SQL_ATTR_CURRENT_CATALOG), (std::pair<int32_t, std::string>{8, "sqelto_test"}));
  }
  EXPECT_EQ(Attribute(SQL_ATTR_CONNECTION_DEAD), (std::pair<int32_t, std::string>{2, "0"}));
  EXPECT_EQ(Attribute(SQL_ATTR_LOGIN_TIMEOUT).first, 2);

  EXPECT_EQ(Attribute(999).first, -1);
  EXPECT_EQ(statement_test::LastError(Db()), "1: Option not supported.");
  // Text attributes are not set here.
  Host().call(database_, "SetConnectionAttribute", int32_t{SQL_ATTR_TRACEFILE}, 1);
  EXPECT_EQ(statement_test::LastError(Db()), "1: Option not supported.");
  // A read-only attribute: the servers' drivers refuse it (SQLite's takes
  // anything).
  if (session_.target().driver != Driver::SQLite) {
    Host().call(database_, "SetConnectionAttribute", int32_t{SQL_ATTR_CONNECTION_DEAD}, 1);
    EXPECT_NE(Db().lastErrorCode(), 0);
    EXPECT_FALSE(Db().lastErrorString().empty());
  }

  Object closed = Host().createInstance("ODBCDatabase");
  EXPECT_FALSE(Host().call<Object>(closed, "GetConnectionAttribute", int32_t{SQL_ATTR_AUTOCOMMIT}));
  EXPECT_EQ(statement_test::LastError(session_.Db(closed)), "1: Not connected.");
  Host().call(closed, "SetConnectionAttribute", int32_t{SQL_ATTR_AUTOCOMMIT}, 0);
  EXPECT_EQ(statement_test::LastError(session_.Db(closed)), "1: Not connected.");
}

TEST_F(ConnectionServices, NextRowSetMovesTheLatestCursorToTheNextResult) {
  EXPECT_FALSE(Host().call<bool>(database_, "NextRowSet"));  // no select yet
  if (session_.target().driver != Driver::PostgreSQL) {
    // SQLite and MariaDB (without its multi-statement option) run one
    // SELECT at a time: there is never a second result.
    tavro::RecordSet one = Db().select("SELECT 1");
    EXPECT_EQ(session_.Rows(one), (Rows{{"1"}}));
    EXPECT_FALSE(Host().call<bool>(database_, "NextRowSet"));
    return;
  }
  tavro::RecordSet rows = Db().select("SELECT 1 AS a, 2 AS b UNION ALL SELECT 3, 4; SELECT 'x' AS c");
  ASSERT_FALSE(rows.isNull()) << statement_test::LastError(Db());
  EXPECT_EQ(rows.columnCount(), 2);
  EXPECT_EQ(session_.Rows(rows), (Rows{{"1", "2"}, {"3", "4"}}));
  EXPECT_TRUE(Host().call<bool>(database_, "NextRowSet"));
  EXPECT_EQ(rows.columnCount(), 1);
  EXPECT_EQ(rows.columnName(0), "c");
  EXPECT_EQ(session_.Rows(rows), (Rows{{"x"}}));
  EXPECT_FALSE(Host().call<bool>(database_, "NextRecordset"));  // the old name, the same function
  EXPECT_EQ(Db().lastErrorCode(), 0);

  // Moving on before the first result was read skips its rows.
  tavro::RecordSet unread = Db().select("SELECT 1 AS a; SELECT 2 AS b, 3 AS c");
  EXPECT_TRUE(Host().call<bool>(database_, "NextRecordset"));
  EXPECT_EQ(unread.columnName(1), "c");
  EXPECT_EQ(session_.Rows(unread), (Rows{{"2", "3"}}));
}

// A column's binding outlives its result set in ODBC, and a long column is
// read without one: the buffers the first result bound must not be written
// when the next result's rows come (the sanitizer sees such a write).
TEST_F(ConnectionServices, NextRowSetReadsLongTextWhereTheFirstResultBoundAColumn) {
  if (session_.target().driver != Driver::PostgreSQL) GTEST_SKIP() << "only PostgreSQL runs batches of SELECTs";
  const std::string ta = statement_test::UniqueName("ta"), tb = statement_test::UniqueName("tb");
  for (const std::string& sql :
       {"CREATE TEMPORARY TABLE " + ta + " (id INTEGER, name VARCHAR(20))",
        "INSERT INTO " + ta + " VALUES (1, 'one'), (2, 'two')", "CREATE TEMPORARY TABLE " + tb + " (note TEXT)",
        "INSERT INTO " + tb + " VALUES ('short'), (repeat('Grüße ', 500))"}) {
    Db().execute(sql);
    ASSERT_EQ(Db().lastErrorCode(), 0) << sql << ": " << Db().lastErrorString();
  }
  tavro::RecordSet rows =
      Db().select("SELECT name, id FROM " + ta + " ORDER BY id; SELECT note FROM " + tb + " ORDER BY length(note)");
  ASSERT_FALSE(rows.isNull()) << statement_test::LastError(Db());
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText(), "one");
  ASSERT_TRUE(Host().call<bool>(database_, "NextRowSet"));
  ASSERT_EQ(rows.columnCount(), 1);
  EXPECT_EQ(rows.columnType(0), 15);  // long text: read in pieces, never bound
  std::string longNote;
  for (int i = 0; i < 500; ++i) longNote += "Grüße ";
  EXPECT_EQ(session_.Rows(rows), (Rows{{"short"}, {longNote}}));
  EXPECT_EQ(Db().lastErrorCode(), 0) << Db().lastErrorString();
}
