// Failures no real driver here produces, through the fault-injecting test
// driver (a fake that forwards to SQLite3 and fails the calls its
// connection string names): they must reach the host program as the
// driver's error, and never read as success.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "statement_session.h"

using statement_test::StatementSession;
using tavro::Object;
using tavro::Value;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class InjectedFaults : public ::testing::Test {
protected:
  void SetUp() override {
    file_ = statement_test::ScratchSqliteFile("faults");
    // The table, made through SQLite itself.
    Object setup = session_.Connect("Driver=SQLite3;Database=" + file_ + ";");
    session_.Db(setup).execute("DROP TABLE IF EXISTS t");
    session_.Db(setup).execute("CREATE TABLE t (n INTEGER)");
  }
  // A connection through the test driver that fails what `faults` names.
  Object Faulty(const std::string& faults) {
    return session_.Connect("Driver={" + std::string(std::getenv("SQELTO_TEST_DRIVER")) + "};Database=" + file_ +
                            ";" + faults);
  }
  int32_t Integer() {
    return static_cast<int32_t>(session_.host().constant("ODBCPreparedStatement", "ODBC_TYPE_INTEGER"));
  }
  std::string ExecuteRaises(const Object& statement, const Object& parameters) {
    try {
      session_.host().call(statement, "ExecuteSQL", parameters);
    } catch (const tavro::RaisedException& e) {
      return std::to_string(e.errorNumber()) + ": " + e.message();
    }
    return "";
  }
  // An insert through the faulty connection.
  std::string InsertRaises(const std::string& faults) {
    Object database = Faulty(faults);
    Object insert = session_.Prepare(database, "INSERT INTO t VALUES (?)");
    session_.host().call(insert, "BindType", 0, Integer());
    return ExecuteRaises(insert, session_.Vars({Value(1)}));
  }
  Rows Table() { return session_.Rows(session_.Connect("Driver=SQLite3;Database=" + file_ + ";"), "SELECT n FROM t"); }

  StatementSession session_;
  std::string file_;
};

}  // namespace

TEST_F(InjectedFaults, EachFailingStepOfARunRaisesTheDriversError) {
  EXPECT_EQ(InsertRaises("TestFail=SQLPrepare;"), "4711: [Sqelto Test Driver]Injected failure of SQLPrepare");
  EXPECT_EQ(InsertRaises("TestFail=SQLBindParameter;TestNativeError=17;"),
            "17: [Sqelto Test Driver]Injected failure of SQLBindParameter");
  EXPECT_EQ(InsertRaises("TestFail=SQLExecute;"), "4711: [Sqelto Test Driver]Injected failure of SQLExecute");
  EXPECT_EQ(Table(), Rows{});

  // A run after a failed execution prepares its statement anew.
  Object database = Faulty("TestFail=SQLExecute:1;");
  Object insert = session_.Prepare(database, "INSERT INTO t VALUES (?)");
  session_.host().call(insert, "BindType", 0, Integer());
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(1)})), "");
  EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(2)})),
            "4711: [Sqelto Test Driver]Injected failure of SQLExecute");
  EXPECT_EQ(Table(), (Rows{{"1"}}));
}

// Runs of an insert are not closed one by one (they leave nothing open).
// Should a run still meet a result left open (the driver refuses with
// 24000 and runs nothing), the statement is closed and the run made again;
// any other refusal is the run's failure.
TEST_F(InjectedFaults, ARunRefusedForAnOpenResultIsClosedAndMadeAgain) {
  Object database = Faulty("TestFailOnce=SQLExecute:1;TestSqlState=24000;");
  Object insert = session_.Prepare(database, "INSERT INTO t VALUES (?)");
  session_.host().call(insert, "BindType", 0, Integer());
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(ExecuteRaises(insert, session_.Vars({Value(n)})), "") << n;
  EXPECT_EQ(Table(), (Rows{{"1"}, {"2"}, {"3"}}));

  Object other = Faulty("TestFailOnce=SQLExecute:1;TestSqlState=HY000;");
  Object again = session_.Prepare(other, "INSERT INTO t VALUES (?)");
  session_.host().call(again, "BindType", 0, Integer());
  EXPECT_EQ(ExecuteRaises(again, session_.Vars({Value(4)})), "");
  EXPECT_EQ(ExecuteRaises(again, session_.Vars({Value(5)})), "4711: [Sqelto Test Driver]Injected failure of SQLExecute");
  EXPECT_EQ(ExecuteRaises(again, session_.Vars({Value(6)})), "");
  EXPECT_EQ(Table(), (Rows{{"1"}, {"2"}, {"3"}, {"4"}, {"6"}}));
}

TEST_F(InjectedFaults, AFailureWithoutADiagnosticStillFails) {
  EXPECT_EQ(InsertRaises("TestFail=SQLExecute,SQLGetDiagRec;"), "-1: SQLExecute failed and the driver gave no reason.");
  Object database = Faulty("TestFail=SQLEndTran,SQLGetDiagRec;");
  session_.Db(database).commit();
  EXPECT_EQ(statement_test::LastError(session_.Db(database)), "-1: SQLEndTran failed and the driver gave no reason.");
  session_.Db(database).addRecord("t", {{"n", "1", TAVRO_COLUMN_INTEGER}});
  EXPECT_EQ(session_.Db(database).lastErrorCode(), 0);  // only the transaction calls fail here
  EXPECT_EQ(Table(), (Rows{{"1"}}));
}

TEST_F(InjectedFaults, CommitRollbackAndAddedRecordsReportTheDriversError) {
  Object database = Faulty("TestFail=SQLEndTran;TestNativeError=33;");
  tavro::Database db = session_.Db(database);
  db.commit();
  EXPECT_EQ(statement_test::LastError(db), "33: [Sqelto Test Driver]Injected failure of SQLEndTran");
  db.rollback();
  EXPECT_EQ(statement_test::LastError(db), "33: [Sqelto Test Driver]Injected failure of SQLEndTran");

  tavro::Database failing = session_.Db(Faulty("TestFail=SQLExecute;"));
  failing.addRecord("t", {{"n", "7", TAVRO_COLUMN_INTEGER}});
  EXPECT_EQ(statement_test::LastError(failing), "4711: [Sqelto Test Driver]Injected failure of SQLExecute");
  tavro::Database unbindable = session_.Db(Faulty("TestFail=SQLBindParameter;"));
  unbindable.addRecord("t", {{"n", "7", TAVRO_COLUMN_INTEGER}});
  EXPECT_EQ(statement_test::LastError(unbindable), "4711: [Sqelto Test Driver]Injected failure of SQLBindParameter");
  EXPECT_EQ(Table(), Rows{});
}
