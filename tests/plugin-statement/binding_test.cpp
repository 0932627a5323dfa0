// Every bind type of ODBCPreparedStatement, through the host's methods, read
// back exactly by a select on the real driver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "statement_session.h"

using statement_test::StatementSession;
using tavro::Bytes;
using tavro::DateTime;
using tavro::Object;
using tavro::Value;

namespace {

class Binding : public ::testing::Test {
protected:
  void SetUp() override {
    database_ = session_.Connect();
    table_ = statement_test::UniqueName("binding");
    const auto dialect = statement_test::DialectOf(session_.target().driver);
    Db().execute("DROP TABLE IF EXISTS " + table_);
    Db().execute("CREATE TABLE " + table_ + " (k INTEGER, ti " + dialect.tinyint +
                 ", si SMALLINT, i INTEGER, bi BIGINT, f REAL, d " + dialect.doubleType + ", dt DATE, tm TIME, ts " +
                 dialect.timestamp + ", s VARCHAR(200), ls " + dialect.longText + ", b " + dialect.binary + ")");
    ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  }
  void TearDown() override {
    if (database_) Db().execute("DROP TABLE " + table_);
  }
  tavro::Database Db() { return session_.Db(database_); }
  int32_t Type(const char* name) {
    return static_cast<int32_t>(session_.host().constant("ODBCPreparedStatement", name));
  }
  // An insert of all thirteen columns with each column's bind type set.
  Object PreparedInsert() {
    Object insert = session_.Prepare(database_, "INSERT INTO " + table_ + " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)");
    EXPECT_TRUE(insert) << statement_test::LastError(Db());
    session_.host().call(insert, "BindType",
                         session_.Integers({Type("ODBC_TYPE_INTEGER"), Type("ODBC_TYPE_TINYINT"),
                                            Type("ODBC_TYPE_SMALLINT"), Type("ODBC_TYPE_INTEGER"),
                                            Type("ODBC_TYPE_BIGINT"), Type("ODBC_TYPE_FLOAT"),
                                            Type("ODBC_TYPE_DOUBLE"), Type("ODBC_TYPE_DATE"), Type("ODBC_TYPE_TIME"),
                                            Type("ODBC_TYPE_TIMESTAMP"), Type("ODBC_TYPE_STRING"),
                                            Type("ODBC_TYPE_LONGSTRING"), Type("ODBC_TYPE_BINARY")}));
    return insert;
  }
  void Insert(const Object& insert, std::initializer_list<Value> values) {
    session_.host().call(insert, "ExecuteSQL", session_.Vars(values));
  }
  // The row with key k, read through the engine's select.
  tavro::RecordSet Row(int k) {
    tavro::RecordSet rows = Db().select("SELECT k, ti, si, i, bi, f, d, dt, tm, ts, s, ls, b FROM " + table_ +
                                        " WHERE k = " + std::to_string(k));
    EXPECT_FALSE(rows.isNull()) << statement_test::LastError(Db());
    EXPECT_TRUE(!rows.isNull() && rows.next()) << "no row " << k;
    return rows;
  }

  StatementSession session_;
  Object database_;
  std::string table_;
};

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

}  // namespace

TEST_F(Binding, EveryTypeReadsBackExactly) {
  Object insert = PreparedInsert();
  // A date with a time of day: DATE sends only the date, TIME only the time.
  const DateTime moment{2021, 3, 4, 13, 14, 15, 0};
  const Bytes bytes{0x00, 0x01, 0x00, 0xFF, 0x7F, 0x00, 0x80};
  const std::string text = "Grüße ✓ 中文";
  const std::string longText = Repeat("Lång text ✓ ", 1800);  // 21,600 characters
  const float single = 3.14159274f;
  const double nearlyThird = 0.1 + 0.2;
  Insert(insert, {Value(1), Value(int32_t{-7}), Value(int32_t{-12345}), Value(std::numeric_limits<int32_t>::min()),
                  Value(std::numeric_limits<int64_t>::min()), Value(single), Value(nearlyThird), Value::timestamp(moment),
                  Value::timestamp(moment), Value::timestamp({1999, 12, 31, 23, 58, 59, 0}), Value(text),
                  Value(longText), Value(bytes)});
  Insert(insert, {Value(2), Value(int32_t{127}), Value(int32_t{32767}), Value(std::numeric_limits<int32_t>::max()),
                  Value(std::numeric_limits<int64_t>::max()), Value(-1.0e-30f), Value(1.0e-300),
                  Value::date(1, 1, 1), Value::time(0, 0, 0), Value::timestamp({2038, 1, 19, 3, 14, 8, 0}),
                  Value(std::string()), Value(std::string()), Value(Bytes{})});
  ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());

  // The numbers arrived whole: compared in SQL with literals of 17 digits
  // (SQLite's driver reads floating-point values back through text of 15
  // digits, so only the other drivers are also compared as read).
  char exact[200];
  std::snprintf(exact, sizeof exact, "SELECT COUNT(*) FROM %s WHERE k = 1 AND f = %.17g AND d = %.17g", table_.c_str(),
                double{single}, nearlyThird);
  EXPECT_EQ(session_.Rows(database_, exact), (std::vector<std::vector<std::string>>{{"1"}}));
  std::snprintf(exact, sizeof exact, "SELECT COUNT(*) FROM %s WHERE k = 2 AND f = %.17g AND d = %.17g", table_.c_str(),
                double{-1.0e-30f}, 1.0e-300);
  EXPECT_EQ(session_.Rows(database_, exact), (std::vector<std::vector<std::string>>{{"1"}}));
  const bool readsNumbersWhole = session_.target().driver != statement_test::Driver::SQLite;

  tavro::RecordSet first = Row(1);
  EXPECT_EQ(first.value(1).asInteger(), -7);
  EXPECT_EQ(first.value(2).asInteger(), -12345);
  EXPECT_EQ(first.value(3).asInteger(), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(first.value(4).asInteger(), std::numeric_limits<int64_t>::min());
  if (readsNumbersWhole) {
    EXPECT_EQ(first.value(5).asDouble(), double{single});
    EXPECT_EQ(first.value(6).asDouble(), nearlyThird);
  }
  EXPECT_EQ(first.value(7).asDateTime(), (DateTime{2021, 3, 4, 0, 0, 0, 0}));
  EXPECT_EQ(first.value(8).asDateTime(), (DateTime{0, 0, 0, 13, 14, 15, 0}));
  EXPECT_EQ(first.value(9).asDateTime(), (DateTime{1999, 12, 31, 23, 58, 59, 0}));
  EXPECT_EQ(first.value(10).asText(), text);
  EXPECT_EQ(first.value(11).asText(), longText);
  EXPECT_EQ(first.value(12).asBytes(), bytes);

  tavro::RecordSet second = Row(2);
  EXPECT_EQ(second.value(1).asInteger(), 127);
  EXPECT_EQ(second.value(2).asInteger(), 32767);
  EXPECT_EQ(second.value(3).asInteger(), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(second.value(4).asInteger(), std::numeric_limits<int64_t>::max());
  if (readsNumbersWhole) {
    EXPECT_EQ(second.value(5).asDouble(), double{-1.0e-30f});
    EXPECT_EQ(second.value(6).asDouble(), 1.0e-300);
  }
  EXPECT_EQ(second.value(7).asDateTime(), (DateTime{1, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(second.value(8).asDateTime(), (DateTime{0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(second.value(9).asDateTime(), (DateTime{2038, 1, 19, 3, 14, 8, 0}));
  // Empty text and empty bytes stay empty values, not NULL.
  EXPECT_EQ(session_.Rows(database_, "SELECT CASE WHEN s IS NULL THEN 'null' ELSE 'empty' END, "
                                     "CASE WHEN ls IS NULL THEN 'null' ELSE 'empty' END, "
                                     "CASE WHEN b IS NULL THEN 'null' ELSE 'empty' END FROM " +
                                         table_ + " WHERE k = 2"),
            (std::vector<std::vector<std::string>>{{"empty", "empty", "empty"}}));
  EXPECT_EQ(second.value(10).asText(), "");
}

TEST_F(Binding, ValuesThatCannotBeReadAsTheirTypeAreSentAsNull) {
  Object insert = PreparedInsert();
  tavro::Host& host = session_.host();
  // Text where numbers are due, a Date where a double is due, nothing at all
  // where an integer is due: NULL, no error.
  host.call(insert, "Bind", 0, session_.Var(Value(3)));
  host.call(insert, "Bind", 1, session_.Var(Value("not a number")));
  host.call(insert, "Bind", 2, session_.Var(Value("x")));
  host.call(insert, "Bind", 3, Object());
  host.call(insert, "Bind", 4, session_.Var(Value("12x")));
  host.call(insert, "Bind", 5, session_.Var(Value::date(2020, 1, 1)));
  host.call(insert, "Bind", 6, session_.Var(Value::date(2020, 1, 1)));
  // Dates: nothing bound is NULL too.
  host.call(insert, "Bind", 7, Object());
  host.call(insert, "Bind", 8, Object());
  host.call(insert, "Bind", 9, Object());
  host.call(insert, "Bind", 10, session_.Var(Value("kept")));
  host.call(insert, "Bind", 11, session_.Var(Value("kept too")));
  host.call(insert, "Bind", 12, session_.Var(Value(Bytes{1, 2})));
  host.call(insert, "ExecuteSQL", session_.NoParameters());
  ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  EXPECT_EQ(session_.Rows(database_, "SELECT k, ti, si, i, bi, f, d, dt, tm, ts, s, ls FROM " + table_),
            (std::vector<std::vector<std::string>>{
                {"3", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "kept", "kept too"}}));
}

TEST_F(Binding, TheNullTypeAndUnreadableTextOrDates) {
  Object insert = session_.Prepare(database_, "INSERT INTO " + table_ + " (k, s, dt) VALUES (?, ?, ?)");
  tavro::Host& host = session_.host();
  host.call(insert, "BindType", session_.Integers({Type("ODBC_TYPE_INTEGER"), Type("ODBC_TYPE_NULL"),
                                                   Type("ODBC_TYPE_NULL")}));
  host.call(insert, "ExecuteSQL", session_.Vars({Value(4), Value("ignored"), Value::date(2020, 2, 2)}));
  ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  EXPECT_EQ(session_.Rows(database_, "SELECT k, s, dt FROM " + table_),
            (std::vector<std::vector<std::string>>{{"4", "NULL", "NULL"}}));

  // Text and dates that cannot be read stop the run with the position named.
  host.call(insert, "BindType", 1, Type("ODBC_TYPE_STRING"));
  try {
    host.call(insert, "ExecuteSQL", session_.Objects({session_.Var(Value(5)), Object(), Object()}));
    ADD_FAILURE() << "no exception";
  } catch (const tavro::RaisedException& e) {
    EXPECT_EQ(e.message(), "The value of parameter 1 is not a string value");
    EXPECT_EQ(e.errorNumber(), -1);
  }
  host.call(insert, "BindType", 1, Type("ODBC_TYPE_NULL"));
  host.call(insert, "BindType", 2, Type("ODBC_TYPE_DATE"));
  try {
    host.call(insert, "ExecuteSQL", session_.Vars({Value(6), Value(), Value("no date")}));
    ADD_FAILURE() << "no exception";
  } catch (const tavro::RaisedException& e) {
    EXPECT_EQ(e.message(), "The value of parameter 2 is not a date value");
    EXPECT_EQ(e.errorNumber(), -1);
  }
  EXPECT_EQ(session_.Rows(database_, "SELECT COUNT(*) FROM " + table_),
            (std::vector<std::vector<std::string>>{{"1"}}));
}
