// Engine word 8: a record built by the host program becomes one
// parameterised INSERT, its table name in the driver's identifier quote.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "statement_session.h"

using statement_test::Driver;
using statement_test::StatementSession;
using tavro::ColumnInput;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class RecordInsertion : public ::testing::Test {
protected:
  void SetUp() override {
    database_ = session_.Connect();
    // A blank in the name: the statement only works with the driver's own
    // quote around it (the back-quote on MariaDB, the double quote elsewhere).
    table_ = statement_test::UniqueName("added record");
    quoted_ = Quote(table_);
    const auto dialect = statement_test::DialectOf(session_.target().driver);
    Db().execute("DROP TABLE IF EXISTS " + quoted_);
    Db().execute("CREATE TABLE " + quoted_ + " (qty INTEGER, name VARCHAR(40), price " + dialect.doubleType +
                 ", day DATE, at " + dialect.timestamp + ", big BIGINT, flag INTEGER, data " + dialect.binary +
                 ", note VARCHAR(20) DEFAULT 'none')");
    ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  }
  void TearDown() override { Db().execute("DROP TABLE " + quoted_); }
  std::string Quote(const std::string& name) {
    const std::string q = session_.target().driver == Driver::MariaDB ? "`" : "\"";
    return q + name + q;
  }
  tavro::Database Db() { return session_.Db(database_); }
  Rows Count() { return session_.Rows(database_, "SELECT COUNT(*) FROM " + quoted_); }

  StatementSession session_;
  tavro::Object database_;
  std::string table_;
  std::string quoted_;
};

}  // namespace

TEST_F(RecordInsertion, ValuesOfEveryColumnTypeArriveThroughTheQuotedTable) {
  const std::string bytes("\x00\x01\x00\xff", 4);
  Db().addRecord(table_, {{"qty", "5", TAVRO_COLUMN_INTEGER},
                          {"name", "Ann Grüße", TAVRO_COLUMN_TEXT},
                          {"price", "2.5", TAVRO_COLUMN_DOUBLE},
                          {"day", "2021-03-04", TAVRO_COLUMN_DATE},
                          {"at", "2021-03-04 05:06:07", TAVRO_COLUMN_TIMESTAMP},
                          {"big", "-9223372036854775808", TAVRO_COLUMN_INT64},
                          {"flag", "1", TAVRO_COLUMN_BOOLEAN},
                          {"data", bytes, TAVRO_COLUMN_LONG_BINARY}});
  ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  tavro::RecordSet rows = Db().select("SELECT qty, name, price, day, at, big, flag, data, note FROM " + quoted_);
  ASSERT_TRUE(!rows.isNull() && rows.next()) << statement_test::LastError(Db());
  EXPECT_EQ(rows.value(0).asInteger(), 5);
  EXPECT_EQ(rows.value(1).asText(), "Ann Grüße");
  EXPECT_EQ(rows.value(2).asDouble(), 2.5);
  EXPECT_EQ(rows.value(3).asDateTime(), (tavro::DateTime{2021, 3, 4, 0, 0, 0, 0}));
  EXPECT_EQ(rows.value(4).asDateTime(), (tavro::DateTime{2021, 3, 4, 5, 6, 7, 0}));
  EXPECT_EQ(rows.value(5).asInteger(), INT64_MIN);
  EXPECT_EQ(rows.value(6).asInteger(), 1);
  EXPECT_EQ(rows.value(7).asBytes(), tavro::Bytes(bytes.begin(), bytes.end()));
  EXPECT_EQ(rows.value(8).asText(), "none");  // a column left out keeps its default
  EXPECT_FALSE(rows.next());
}

TEST_F(RecordInsertion, AnEmptyListInsertsDefaultsWhereTheDatabaseAcceptsIt) {
  Db().addRecord(table_, {});
  if (session_.target().driver != Driver::SQLite) {
    // INSERT INTO `t`() values () is MariaDB's way of a row of defaults;
    // psqlODBC turns "() values ()" into PostgreSQL's DEFAULT VALUES.
    EXPECT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
    EXPECT_EQ(session_.Rows(database_, "SELECT qty, note FROM " + quoted_), (Rows{{"NULL", "none"}}));
  } else {
    EXPECT_NE(Db().lastErrorCode(), 0);
    EXPECT_FALSE(Db().lastErrorString().empty());
    EXPECT_EQ(Count(), (Rows{{"0"}}));
  }
}

TEST_F(RecordInsertion, ANodeWithoutAColumnTypeIsNotBoundAndTheDriverSaysSo) {
  Db().addRecord(table_, {{"qty", "1", TAVRO_COLUMN_INTEGER}, {"name", "unbound", 0}});
  EXPECT_NE(Db().lastErrorCode(), 0);
  EXPECT_FALSE(Db().lastErrorString().empty());
  EXPECT_EQ(Count(), (Rows{{"0"}}));

  // A table the database does not have: the driver's error, nothing else.
  Db().addRecord(table_ + "_missing", {{"qty", "1", TAVRO_COLUMN_INTEGER}});
  EXPECT_NE(Db().lastErrorString().find("_missing"), std::string::npos) << Db().lastErrorString();

  tavro::Database closed = session_.Db(session_.host().createInstance("ODBCDatabase"));
  closed.addRecord(table_, {{"qty", "1", TAVRO_COLUMN_INTEGER}});
  EXPECT_EQ(statement_test::LastError(closed), "1: Not connected.");
}
