// Runs of prepared statements: positions, bind types, values that survive
// runs, the exceptions of SelectSQL and ExecuteSQL, the statement object's
// life, and running detached from the host runtime.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "statement_session.h"

using statement_test::Driver;
using statement_test::StatementSession;
using tavro::Object;
using tavro::Value;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class StatementRuns : public ::testing::Test {
protected:
  void SetUp() override {
    database_ = session_.Connect();
    table_ = statement_test::UniqueName("runs");
    Db().execute("DROP TABLE IF EXISTS " + table_);
    Db().execute("CREATE TABLE " + table_ + " (a INTEGER, b VARCHAR(20), c INTEGER, d INTEGER)");
    ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
  }
  void TearDown() override { Db().execute("DROP TABLE " + table_); }
  tavro::Database Db() { return session_.Db(database_); }
  tavro::Host& Host() { return session_.host(); }
  int32_t Type(const char* name) {
    return static_cast<int32_t>(Host().constant("ODBCPreparedStatement", name));
  }
  Object Insert() { return session_.Prepare(database_, "INSERT INTO " + table_ + " VALUES (?, ?, ?, ?)"); }
  Rows Table() { return session_.Rows(database_, "SELECT a, b, c, d FROM " + table_ + " ORDER BY a, c, b"); }
  // What ExecuteSQL raised, as "code: message" ("" when it raised nothing).
  std::string ExecuteRaises(const Object& statement, const Object& parameters) {
    try {
      Host().call(statement, "ExecuteSQL", parameters);
    } catch (const tavro::RaisedException& e) {
      EXPECT_EQ(e.className(), "DatabaseException");
      return std::to_string(e.errorNumber()) + ": " + e.message();
    }
    return "";
  }

  StatementSession session_;
  Object database_;
  std::string table_;
};

}  // namespace

TEST_F(StatementRuns, ABindBeyondTheEndLeavesNullsAndEachRunNeedsATypePerValue) {
  Object insert = Insert();
  const int32_t integer = Type("ODBC_TYPE_INTEGER");
  Host().call(insert, "Bind", 3, session_.Var(Value(40)));
  EXPECT_EQ(ExecuteRaises(insert, session_.NoParameters()), "-1: Bind types were not specified, see BindType");
  Host().call(insert, "BindType", 0, integer);
  Host().call(insert, "BindType", 1, Type("ODBC_TYPE_STRING"));
  EXPECT_EQ(ExecuteRaises(insert, session_.NoParameters()),
            "-1: 4 parameters are being bound, but only 2 types were specified");
  // A type at position 3 gives position 2 the gap type (long text); before
  // it, position 1 is text without a value, which stops the run.
  Host().call(insert, "BindType", 3, integer);
  EXPECT_EQ(ExecuteRaises(insert, session_.NoParameters()), "-1: The value of parameter 1 is not a string value");
  Host().call(insert, "BindType", session_.Integers({integer, Type("ODBC_TYPE_NULL"), integer, integer, integer}));
  EXPECT_EQ(ExecuteRaises(insert, session_.NoParameters()), "");  // more types than values: the extra one is unused
  EXPECT_EQ(Table(), (Rows{{"NULL", "NULL", "NULL", "40"}}));
}

TEST_F(StatementRuns, ValuesAndTypesSurviveRunsUntilReplaced) {
  Object insert = Insert();
  const int32_t integer = Type("ODBC_TYPE_INTEGER");
  Host().call(insert, "BindType", session_.Integers({integer, Type("ODBC_TYPE_STRING"), integer, integer}));
  Host().call(insert, "Bind", session_.Vars({Value(1), Value("one"), Value(10), Value(100)}));
  Host().call(insert, "ExecuteSQL", session_.NoParameters());
  Host().call(insert, "ExecuteSQL", session_.NoParameters());
  Host().call(insert, "Bind", 2, session_.Var(Value(20)));
  Host().call(insert, "ExecuteSQL", session_.NoParameters());
  // Values given with the run replace all bound values; the types stay.
  Host().call(insert, "ExecuteSQL", session_.Vars({Value(2), Value("two"), Value(30), Value(300)}));
  Host().call(insert, "ExecuteSQL", session_.NoParameters());
  Host().call(insert, "Bind", 1, session_.Var(Value("three")), Type("ODBC_TYPE_LONGSTRING"));
  Host().call(insert, "ExecuteSQL", session_.NoParameters());
  EXPECT_EQ(Table(), (Rows{{"1", "one", "10", "100"},
                           {"1", "one", "10", "100"},
                           {"1", "one", "20", "100"},
                           {"2", "three", "30", "300"},
                           {"2", "two", "30", "300"},
                           {"2", "two", "30", "300"}}));

  // A select prepared once, run with different values.
  Object select = session_.Prepare(database_, "SELECT b FROM " + table_ + " WHERE a = ? AND c = ? ORDER BY b");
  Host().call(select, "BindType", session_.Integers({integer, integer}));
  for (int run = 0; run < 2; ++run) {
    tavro::RecordSet ones(Host(), Host().call<Object>(select, "SelectSQL", session_.Vars({Value(1), Value(20)})));
    EXPECT_EQ(session_.Rows(ones), (Rows{{"one"}}));
    tavro::RecordSet twos(Host(), Host().call<Object>(select, "SQLSelect", session_.Vars({Value(2), Value(30)})));
    EXPECT_FALSE(twos.isRowSet());
    EXPECT_EQ(session_.Rows(twos), (Rows{{"three"}, {"two"}, {"two"}}));
  }
}

TEST_F(StatementRuns, EachRunBindsAgainWhatChangedSinceTheLastRun) {
  // Runs keep a position's binding while its buffer, types and sizes stay
  // the same, and bind again when any of them changed: new text bytes of the
  // same length, an empty text, a text that needs a larger buffer, and
  // another type at a position whose buffer still holds the last value's
  // high bytes (196608 is 0x30000: read as INTEGER, the SMALLINT 4464 left
  // over it would come back as 201072).
  Object insert = Insert();
  const int32_t integer = Type("ODBC_TYPE_INTEGER");
  Host().call(insert, "BindType", session_.Integers({integer, Type("ODBC_TYPE_STRING"), integer, integer}));
  Host().call(insert, "ExecuteSQL", session_.Vars({Value(1), Value("abc"), Value(196608), Value(100)}));
  Host().call(insert, "ExecuteSQL", session_.Vars({Value(2), Value("xyz"), Value(196608), Value(200)}));
  Host().call(insert, "ExecuteSQL", session_.Vars({Value(3), Value(""), Value(196608), Value(300)}));
  Host().call(insert, "ExecuteSQL", session_.Vars({Value(4), Value("a longer text"), Value(196608), Value(400)}));
  Host().call(insert, "BindType", 2, Type("ODBC_TYPE_SMALLINT"));
  Host().call(insert, "ExecuteSQL", session_.Vars({Value(5), Value("five"), Value(70000), Value(500)}));
  EXPECT_EQ(Table(), (Rows{{"1", "abc", "196608", "100"},
                           {"2", "xyz", "196608", "200"},
                           {"3", "", "196608", "300"},
                           {"4", "a longer text", "196608", "400"},
                           {"5", "five", "4464", "500"}}));
}

TEST_F(StatementRuns, SelectSQLAndExecuteSQLRaiseWhatSQLSelectAndSQLExecuteOnlyReport) {
  Object broken = session_.Prepare(database_, "SELECT a FROM " + table_ + "_missing WHERE a = ?");
  Host().call(broken, "BindType", 0, Type("ODBC_TYPE_INTEGER"));
  const Object one = session_.Vars({Value(1)});

  // PostgreSQL and MariaDB refuse the statement when it is prepared, SQLite
  // when it runs: either way the driver's error.
  EXPECT_FALSE(Host().call<Object>(broken, "SQLSelect", one));
  const int32_t code = Db().lastErrorCode();
  const std::string text = Db().lastErrorString();
  EXPECT_NE(code, 0);
  EXPECT_NE(text.find("_missing"), std::string::npos) << text;
  try {
    Host().call<Object>(broken, "SelectSQL", one);
    ADD_FAILURE() << "SelectSQL raised nothing";
  } catch (const tavro::RaisedException& e) {
    EXPECT_EQ(e.className(), "DatabaseException");
    EXPECT_EQ(e.errorNumber(), code);
    EXPECT_EQ(e.message(), text);
  }
  Host().call(broken, "SQLExecute", one);
  EXPECT_EQ(Db().lastErrorCode(), code);
  EXPECT_EQ(ExecuteRaises(broken, one), std::to_string(code) + ": " + text);

  // A statement without a result set still gives a cursor, with no columns.
  Object update = session_.Prepare(database_, "UPDATE " + table_ + " SET c = 1");
  tavro::RecordSet none(Host(), Host().call<Object>(update, "SQLSelect", session_.NoParameters()));
  ASSERT_FALSE(none.isNull()) << statement_test::LastError(Db());
  EXPECT_EQ(none.columnCount(), 0);
  EXPECT_EQ(Db().lastErrorCode(), 0);
}

TEST_F(StatementRuns, PositionsOutsideWhatAStatementCanHoldAreRefused) {
  Object insert = Insert();
  const std::string refused = "Parameter position -1 is out of range: positions start at 0 and end at 65534";
  Host().call(insert, "Bind", -1, session_.Var(Value(1)));
  EXPECT_EQ(statement_test::LastError(Db()), "-1: " + refused);
  Db().execute("SELECT 1");  // clears the last error
  Host().call(insert, "BindType", -2147483647 - 1, Type("ODBC_TYPE_INTEGER"));
  EXPECT_EQ(Db().lastErrorString(),
            "Parameter position -2147483648 is out of range: positions start at 0 and end at 65534");
  Host().call(insert, "Bind", 65535, session_.Var(Value(1)), Type("ODBC_TYPE_INTEGER"));
  EXPECT_EQ(Db().lastErrorCode(), -1);
  // Nothing was stored: a run finds no values and no types.
  Host().call(insert, "SQLExecute", session_.NoParameters());
  EXPECT_NE(Db().lastErrorCode(), 0);  // the driver misses its four parameters
  EXPECT_EQ(Table(), Rows{});
}

TEST_F(StatementRuns, EngineWordsRunSqlWithParameterArraysAndDerivedTypes) {
  tavro::Database db = Db();
  db.executeWithParams("INSERT INTO " + table_ + " VALUES (?, ?, ?, ?)",
                       session_.Vars({Value(1), Value("x"), Value(int64_t{7}), Value()}));
  ASSERT_EQ(db.lastErrorCode(), 0) << statement_test::LastError(db);
  // Without parameters (a null array or an empty one) they run the plain
  // execute and select.
  db.executeWithParams("INSERT INTO " + table_ + " VALUES (2, 'y', 8, 9)", Object());
  db.executeWithParams("INSERT INTO " + table_ + " VALUES (3, 'z', 9, 10)", session_.NoParameters());
  tavro::RecordSet all = db.selectWithParams("SELECT a, b, c, d FROM " + table_ + " ORDER BY a", Object());
  EXPECT_TRUE(all.isRowSet());
  EXPECT_EQ(session_.Rows(all), (Rows{{"1", "x", "7", "NULL"}, {"2", "y", "8", "9"}, {"3", "z", "9", "10"}}));
  tavro::RecordSet some =
      db.selectWithParams("SELECT b FROM " + table_ + " WHERE a > ? ORDER BY a", session_.Vars({Value(1)}));
  EXPECT_TRUE(some.isRowSet());
  EXPECT_EQ(session_.Rows(some), (Rows{{"y"}, {"z"}}));

  // A value no type follows from: nothing runs, the reason is the last error.
  EXPECT_TRUE(db.selectWithParams("SELECT b FROM " + table_ + " WHERE a = ?",
                                  session_.Objects({Host().makeVariantOfType(TAVRO_VARIANT_COLOR, Value(255))}))
                  .isNull());
  EXPECT_EQ(statement_test::LastError(db), "-1: Unsupported Variant type 16");
  db.executeWithParams("DELETE FROM " + table_ + " WHERE a = ?",
                       session_.Objects({Host().makeVariantOfType(TAVRO_VARIANT_ARRAY | TAVRO_VARIANT_INTEGER,
                                                                  Value(1))}));
  EXPECT_EQ(statement_test::LastError(db), "-1: Parameters cannot be arrays");
  // An object that is not a MemoryBlock has no bind type either.
  db.executeWithParams("DELETE FROM " + table_ + " WHERE a = ?", session_.Objects({database_}));
  EXPECT_EQ(statement_test::LastError(db), "-1: Unsupported Variant type 9");
  EXPECT_EQ(session_.Rows(database_, "SELECT COUNT(*) FROM " + table_), (Rows{{"3"}}));
}

TEST_F(StatementRuns, WithoutAConnection) {
  Object closed = Host().createInstance("ODBCDatabase");
  tavro::Database db = session_.Db(closed);
  EXPECT_FALSE(session_.Prepare(closed, "SELECT 1"));
  EXPECT_EQ(statement_test::LastError(db), "1: Not connected.");
  EXPECT_TRUE(db.selectWithParams("SELECT ?", session_.Vars({Value(1)})).isNull());
  EXPECT_EQ(statement_test::LastError(db), "-1: Not connected.");
  db.executeWithParams("SELECT 1", Object());
  EXPECT_EQ(statement_test::LastError(db), "-1: Not connected.");
  // Engine word 25 answers nothing and leaves the last error alone.
  EXPECT_FALSE(db.prepare("SELECT 1"));
  EXPECT_EQ(db.lastErrorCode(), -1);
  EXPECT_TRUE(Db().prepare("SELECT 1"));

  // A statement host code made itself, not through Prepare.
  Object orphan = Host().createInstance("ODBCPreparedStatement");
  Host().call(orphan, "Bind", 0, session_.Var(Value(1)));
  EXPECT_FALSE(Host().call<Object>(orphan, "SQLSelect", session_.NoParameters()));
  EXPECT_EQ(ExecuteRaises(orphan, session_.NoParameters()), "-1: The statement was not made by ODBCDatabase.Prepare");
}

TEST_F(StatementRuns, ACursorOutlivesItsStatementObject) {
  // SQLite streams rows (StepAPI=1) and then reads the bound parameters
  // while fetching: they must live as long as the cursor.
  Object database = session_.target().driver == Driver::SQLite
                        ? session_.Connect(session_.target().connectionString + "StepAPI=1;")
                        : database_;
  tavro::Database db = session_.Db(database);
  for (int a = 0; a < 50; ++a)
    db.execute("INSERT INTO " + table_ + " VALUES (" + std::to_string(a) + ", 'row', 0, 0)");
  Object select = session_.Prepare(database, "SELECT a, b FROM " + table_ + " WHERE a >= ? AND b = ? ORDER BY a");
  Host().call(select, "BindType", session_.Integers({Type("ODBC_TYPE_INTEGER"), Type("ODBC_TYPE_STRING")}));
  tavro::RecordSet rows(Host(), Host().call<Object>(select, "SelectSQL", session_.Vars({Value(10), Value("row")})));
  select = Object();  // the host program drops the statement object
  const Rows read = session_.Rows(rows);
  ASSERT_EQ(read.size(), 40u) << statement_test::LastError(db);
  EXPECT_EQ(read.front(), (std::vector<std::string>{"10", "row"}));
  EXPECT_EQ(read.back(), (std::vector<std::string>{"49", "row"}));
  rows.reset();
  // The latest cursor is gone: the next result set is not looked for on it.
  EXPECT_FALSE(Host().call<bool>(database, "NextRowSet"));
  EXPECT_EQ(session_.Rows(database, "SELECT COUNT(*) FROM " + table_), (Rows{{"50"}}));
}

// SQLite describes the expressions of a prepared select as INTEGER before it
// has run; their values must still come back whole, and a real INTEGER
// column as the 32-bit integer it is.
TEST_F(StatementRuns, WholeNumbersBeyond32BitsOfAParameterisedSelectComeBackWhole) {
  Db().execute("INSERT INTO " + table_ + " VALUES (7, 'x', 0, 0)");
  Object select = session_.Prepare(database_, "SELECT 3000000000 AS l, -3000000000 AS m, a FROM " + table_ + " WHERE a = ?");
  Host().call(select, "BindType", 0, Type("ODBC_TYPE_INTEGER"));
  tavro::RecordSet rows(Host(), Host().call<Object>(select, "SelectSQL", session_.Vars({Value(7)})));
  ASSERT_FALSE(rows.isNull()) << statement_test::LastError(Db());
  ASSERT_TRUE(rows.next()) << statement_test::LastError(Db());
  const Value wide = rows.value(0), negative = rows.value(1), narrow = rows.value(2);
  EXPECT_EQ(wide.asInteger(), 3000000000);
  EXPECT_EQ(wide.columnType, TAVRO_COLUMN_INT64);
  EXPECT_EQ(negative.asInteger(), -3000000000);
  EXPECT_EQ(negative.columnType, TAVRO_COLUMN_INT64);
  EXPECT_EQ(narrow.asInteger(), 7);
  EXPECT_EQ(narrow.columnType, TAVRO_COLUMN_INTEGER);
  EXPECT_EQ(narrow.columnLength, 4);
  EXPECT_EQ(rows.columnType(2), TAVRO_COLUMN_INTEGER);
}

TEST_F(StatementRuns, RunsLeaveTheRuntimeWhileTheDriverWorks) {
  Object insert = Insert();
  Host().call(insert, "BindType", session_.Integers({Type("ODBC_TYPE_INTEGER"), Type("ODBC_TYPE_STRING"),
                                                     Type("ODBC_TYPE_INTEGER"), Type("ODBC_TYPE_INTEGER")}));
  const int64_t before = Host().detachCount();
  Host().call(insert, "ExecuteSQL", session_.Vars({Value(1), Value("a"), Value(2), Value(3)}));
  Host().call(insert, "ExecuteSQL", session_.Vars({Value(2), Value("b"), Value(2), Value(3)}));
  EXPECT_EQ(Host().detachCount(), before + 2);
}

TEST_F(StatementRuns, ASecondStatementOnABusyConnectionIsRefusedWith48879) {
  if (session_.target().driver == Driver::SQLite) GTEST_SKIP() << "needs a server that can sleep";
  const std::string sleep =
      session_.target().driver == Driver::PostgreSQL ? "SELECT 42 FROM pg_sleep(?)" : "SELECT 42 FROM (SELECT SLEEP(?)) s";
  Object slow = session_.Prepare(database_, sleep);
  Host().call(slow, "BindType", 0, Type("ODBC_TYPE_DOUBLE"));
  Object quick = session_.Prepare(database_, "SELECT COUNT(*) FROM " + table_);
  const int64_t detachedBefore = Host().detachCount();

  std::atomic<bool> slowDone{false};
  Rows slowRows;
  std::thread slowThread([&] {
    tavro::RecordSet rows(Host(), Host().call<Object>(slow, "SelectSQL", session_.Vars({Value(1.5)})));
    slowRows = session_.Rows(rows);
    slowDone = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Host().detachCount() == detachedBefore && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const bool detached = Host().detachCount() > detachedBefore;
  // The runtime is free for other threads while the driver sleeps.
  const bool runtimeFree = detached && Host().tryRuntimeLock(std::chrono::milliseconds(500));
  std::string refusal;
  if (detached) {
    try {
      Host().call<Object>(quick, "SelectSQL", session_.NoParameters());
    } catch (const tavro::RaisedException& e) {
      refusal = std::to_string(e.errorNumber()) + ": " + e.message();
    }
    EXPECT_FALSE(slowDone.load()) << "the refusal came while the slow statement still ran";
  }
  slowThread.join();
  ASSERT_TRUE(detached) << "the slow statement never left the runtime";
  EXPECT_TRUE(runtimeFree);
  EXPECT_EQ(refusal, "48879: A query is already in progress");
  EXPECT_EQ(slowRows, (Rows{{"42"}}));
  tavro::RecordSet after(Host(), Host().call<Object>(quick, "SelectSQL", session_.NoParameters()));
  EXPECT_EQ(session_.Rows(after), (Rows{{"0"}})) << "the guard was left";
}

TEST_F(StatementRuns, APreparedBatchMovesToItsSecondResultAfterTheStatementObjectWent) {
  if (session_.target().driver != Driver::PostgreSQL) GTEST_SKIP() << "only PostgreSQL runs batches of SELECTs";
  Object select = session_.Prepare(database_, "SELECT CAST(? AS INTEGER) AS a; SELECT CAST(? AS VARCHAR(20)) AS b");
  Host().call(select, "BindType", session_.Integers({Type("ODBC_TYPE_INTEGER"), Type("ODBC_TYPE_STRING")}));
  tavro::RecordSet rows(Host(), Host().call<Object>(select, "SelectSQL", session_.Vars({Value(11), Value("twelve")})));
  select = Object();
  EXPECT_EQ(session_.Rows(rows), (Rows{{"11"}}));
  EXPECT_TRUE(Host().call<bool>(database_, "NextRowSet"));
  EXPECT_EQ(session_.Rows(rows), (Rows{{"twelve"}}));
}

TEST_F(StatementRuns, StatementTextWithANulIsRefused) {
  Db().execute("INSERT INTO " + table_ + " VALUES (1, 'one', 0, 0)");
  std::string text = "DELETE FROM " + table_;
  text += '\0';
  text += " WHERE a = 2";
  Object cut = session_.Prepare(database_, text);
  EXPECT_EQ(ExecuteRaises(cut, session_.NoParameters()),
            "-1: The statement contains a NUL character (U+0000) at byte " + std::to_string(12 + table_.size()) + ".");
  EXPECT_EQ(Table(), (Rows{{"1", "one", "0", "0"}}));  // nothing was deleted

  // (Values are data and may hold NULs: binary ones do in Binding.EveryTypeReadsBackExactly.)
}

TEST_F(StatementRuns, AStatementOutlivesItsDatabaseObjectAndFollowsItsConnection) {
  Object database = session_.Connect();
  Object insert = session_.Prepare(database, "INSERT INTO " + table_ + " VALUES (?, 'kept', 0, 0)");
  Host().call(insert, "BindType", 0, Type("ODBC_TYPE_INTEGER"));
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(1)})), "");

  // Closed under the statement (engine word 2): the run says so, and runs
  // again once the object connects anew.
  session_.Db(database).close();
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(2)})), "1: Not connected.");
  ASSERT_TRUE(Host().call<bool>(database, "Connect"));
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(3)})), "");

  // The program drops the database object: the statement keeps the
  // connection and goes on working.
  database = Object();
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(4)})), "");
  insert = Object();
  EXPECT_EQ(session_.Rows(database_, "SELECT a FROM " + table_ + " ORDER BY a"), (Rows{{"1"}, {"3"}, {"4"}}));
}

// Execute-only runs close whatever a run left open before the next one; a
// statement whose runs leave nothing open is not closed each time, and the
// runs must work whichever it is.
TEST_F(StatementRuns, ExecuteOnlyRunsFollowEachOtherWhateverTheyLeaveOpen) {
  const int32_t integer = Type("ODBC_TYPE_INTEGER");
  Object insert = Insert();
  Host().call(insert, "BindType", session_.Integers({integer, Type("ODBC_TYPE_STRING"), integer, integer}));
  Object select = session_.Prepare(database_, "SELECT a FROM " + table_ + " WHERE a >= ?");
  Host().call(select, "BindType", 0, integer);
  for (int32_t n = 1; n <= 3; ++n) {
    EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(n), Value("r"), Value(n), Value(n)})), "") << n;
    EXPECT_EQ(ExecuteRaises(select, session_.Vars({Value(0)})), "") << n;  // leaves its rows unread
  }
  // A select run on the inserting statement after its execute-only runs.
  tavro::RecordSet none(Host(), Host().call<Object>(insert, "SelectSQL", session_.Vars({Value(4), Value("s"),
                                                                                      Value(4), Value(4)})));
  EXPECT_EQ(session_.Rows(none), Rows{});
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(5), Value("t"), Value(5), Value(5)})), "");
  EXPECT_EQ(Table(), (Rows{{"1", "r", "1", "1"}, {"2", "r", "2", "2"}, {"3", "r", "3", "3"}, {"4", "s", "4", "4"},
                           {"5", "t", "5", "5"}}));

  if (session_.target().driver == Driver::PostgreSQL) {
    // A batch: its first result has no columns, its second has rows.
    Object batch = session_.Prepare(database_, "INSERT INTO " + table_ + " VALUES (CAST(? AS INTEGER), 'b', 0, 0); "
                                               "SELECT a FROM " + table_);
    Host().call(batch, "BindType", 0, integer);
    EXPECT_EQ(ExecuteRaises(batch, session_.Vars({Value(6)})), "");
    EXPECT_EQ(ExecuteRaises(batch, session_.Vars({Value(7)})), "");
    EXPECT_EQ(session_.Rows(database_, "SELECT a FROM " + table_ + " WHERE b = 'b' ORDER BY a"),
              (Rows{{"6"}, {"7"}}));
  }
  if (session_.target().driver == Driver::MariaDB) {
    // A procedure whose calls give a result only now and then.
    const std::string procedure = statement_test::UniqueName("sometimes");
    Db().execute("DROP PROCEDURE IF EXISTS " + procedure);
    Db().execute("CREATE PROCEDURE " + procedure + "(x INTEGER) BEGIN INSERT INTO " + table_ +
                 " VALUES (x, 'p', 0, 0); IF x % 2 = 0 THEN SELECT x; END IF; END");
    ASSERT_EQ(Db().lastErrorCode(), 0) << statement_test::LastError(Db());
    Object call = session_.Prepare(database_, "CALL " + procedure + "(?)");
    Host().call(call, "BindType", 0, integer);
    for (int32_t x : {11, 12, 13, 14, 15}) EXPECT_EQ(ExecuteRaises(call, session_.Vars({Value(x)})), "") << x;
    call = Object();
    Db().execute("DROP PROCEDURE " + procedure);
    EXPECT_EQ(session_.Rows(database_, "SELECT a FROM " + table_ + " WHERE b = 'p' ORDER BY a"),
              (Rows{{"11"}, {"12"}, {"13"}, {"14"}, {"15"}}));
  }
}

// The statement handle is kept between runs, and with it the bindings of
// earlier runs: a position whose type became one no value is bound as must
// not send what an earlier run bound there.
TEST_F(StatementRuns, APositionWhoseTypeBecameUnknownIsLeftUnboundAsOnAFreshStatement) {
  const int32_t integer = Type("ODBC_TYPE_INTEGER");
  const int32_t text = Type("ODBC_TYPE_STRING");
  const std::string sql = "INSERT INTO " + table_ + " (a, b, c) VALUES (?, ?, ?)";
  // What a statement that never ran says of a position typed 777.
  Object fresh = session_.Prepare(database_, sql);
  Host().call(fresh, "BindType", session_.Integers({777, text, integer}));
  const std::string unbound = ExecuteRaises(fresh, session_.Vars({Value(8), Value("fresh"), Value(0)}));
  ASSERT_NE(unbound, "") << "the driver ran a statement with an unbound parameter";
  EXPECT_EQ(Table(), Rows{});

  Object insert = session_.Prepare(database_, sql);
  Host().call(insert, "BindType", session_.Integers({integer, text, integer}));
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(5), Value("first"), Value(1)})), "");
  Host().call(insert, "BindType", 0, 777);
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(9), Value("second"), Value(2)})), unbound);
  Host().call(insert, "BindType", session_.Integers({integer, 4242, integer}));
  EXPECT_NE(ExecuteRaises(insert, session_.Vars({Value(10), Value("third"), Value(3)})), "");
  // Known types again: every position is bound anew.
  Host().call(insert, "BindType", session_.Integers({integer, text, integer}));
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(11), Value("fourth"), Value(4)})), "");
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(12), Value("fifth"), Value(5)})), "");
  EXPECT_EQ(Table(), (Rows{{"5", "first", "1", "NULL"}, {"11", "fourth", "4", "NULL"}, {"12", "fifth", "5", "NULL"}}));
}

// A value array longer than a statement can take is refused, and the run,
// or the engine word's, does not go on without it.
TEST_F(StatementRuns, ARefusedValueArrayRunsNothing) {
  const std::string refused = "-1: 65536 parameters are more than a statement can take (65535 at most)";
  std::vector<Object> many(65536, session_.Var(Value(1)));
  const Object tooMany = session_.Objects(many);
  Object insert = session_.Prepare(database_, "INSERT INTO " + table_ + " (b) VALUES ('x')");
  EXPECT_EQ(ExecuteRaises(insert, tooMany), refused);
  EXPECT_FALSE(Host().call<Object>(insert, "SQLSelect", tooMany));
  EXPECT_EQ(statement_test::LastError(Db()), refused);
  Db().executeWithParams("INSERT INTO " + table_ + " (b) VALUES ('y')", tooMany);
  EXPECT_EQ(statement_test::LastError(Db()), refused);
  EXPECT_TRUE(Db().selectWithParams("SELECT b FROM " + table_, tooMany).isNull());
  EXPECT_EQ(statement_test::LastError(Db()), refused);
  EXPECT_EQ(Table(), Rows{});
  // The statement still runs once it is given what it can take.
  EXPECT_EQ(ExecuteRaises(insert, session_.NoParameters()), "");
  EXPECT_EQ(Table(), (Rows{{"NULL", "x", "NULL", "NULL"}}));
}
