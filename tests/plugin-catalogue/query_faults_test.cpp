// Failures of the query road and of cursor editing that no real driver here
// produces, through the fault-injecting test driver (a fake forwarding to
// SQLite): refused statements, failures without a readable diagnostic,
// fetches and long-value reads failing part-way.
#include <gtest/gtest.h>

#include <string>

#include "test_driver_database.h"

namespace {

constexpr int32_t kInjected = catalogue_test::kInjectedNativeError;

class QueryFaults : public catalogue_test::TestDriverDatabase {
protected:
  QueryFaults()
      : TestDriverDatabase("query-faults",
                           {"CREATE TABLE items (id INTEGER PRIMARY KEY, name VARCHAR(20), body TEXT)",
                            "INSERT INTO items VALUES (1, 'one', NULL), (2, 'two', NULL), (3, 'three', NULL), "
                            "(4, 'four', '" +
                                std::string(20000, 'x') + "')"}) {}
};

TEST_F(QueryFaults, RefusedStatementsLeaveTheDriversDiagnostic) {
  {
    tavro::Database db = session_.Connected(Through("TestFail=SQLExecDirect;"));
    EXPECT_TRUE(db.select("SELECT id FROM items").isNull());
    ExpectInjected(db, "SQLExecDirect");
    db.execute("DELETE FROM items");
    ExpectInjected(db, "SQLExecDirect");
  }
  {
    tavro::Database db = session_.Connected(Through("TestFail=SQLAllocHandle;"));
    EXPECT_TRUE(db.select("SELECT id FROM items").isNull());
    ExpectInjected(db, "SQLAllocStmt");
    db.execute("DELETE FROM items");
    ExpectInjected(db, "SQLAllocStmt");
  }
}

TEST_F(QueryFaults, AFailureWithoutADiagnosticStillShowsAsOne) {
  tavro::Database db = session_.Connected(Through("TestFail=SQLExecDirect,SQLGetDiagRec;"));
  EXPECT_TRUE(db.select("SELECT id FROM items").isNull());
  EXPECT_EQ(db.lastErrorCode(), -1);
  EXPECT_EQ(db.lastErrorString(), "SQLExecDirect failed and the driver gave no reason.");
  db.execute("DELETE FROM items");
  EXPECT_EQ(db.lastErrorCode(), -1);
}

TEST_F(QueryFaults, AFetchFailingPartWayEndsTheRowsWithItsError) {
  tavro::Database db = session_.Connected(Through("TestFetchFailAfter=2;"));
  tavro::RecordSet rows = db.select("SELECT id FROM items ORDER BY id");
  ASSERT_TRUE(rows.next());
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 2);
  EXPECT_FALSE(rows.next());
  ExpectInjected(db, "SQLFetch after 2 rows");
  EXPECT_FALSE(rows.next());
}

TEST_F(QueryFaults, AScrollThatFailsIsAnErrorAndMovingPastTheStartIsNot) {
  tavro::Database db = session_.Connected(Through("TestFetchFailAfter=1;"), /*scrollable=*/true);
  tavro::RecordSet rows = db.select("SELECT id FROM items ORDER BY id");
  ASSERT_TRUE(rows.next());
  rows.last();
  EXPECT_EQ(db.lastErrorCode(), kInjected) << db.lastErrorString();

  tavro::Database plain = session_.Connected(Through(""), /*scrollable=*/true);
  tavro::RecordSet fresh = plain.select("SELECT id FROM items ORDER BY id");
  ASSERT_TRUE(fresh.next());
  fresh.previous();  // before the first row: no row, and no failure
  EXPECT_EQ(plain.lastErrorCode(), 0) << plain.lastErrorString();
}

TEST_F(QueryFaults, ALongTextReadFailingAfterItsRetryKeepsWhatCame) {
  tavro::Database db = session_.Connected(Through("TestGetDataFailAfter=1;"));
  tavro::RecordSet rows = db.select("SELECT body FROM items WHERE id = 4");
  rows.next();
  ExpectInjected(db, "SQLGetData");
  // The first piece came (8,192 bytes of UTF-16 with its terminator); the
  // read ended instead of asking again and again.
  const tavro::Value value = rows.value(0);
  EXPECT_EQ(value.asText(), std::string(4095, 'x'));
}

TEST_F(QueryFaults, AnUpdateTheDriverRefusesLeavesItsDiagnostic) {
  for (const std::string call : {"SQLPrepare", "SQLExecute", "SQLBindParameter"}) {
    SCOPED_TRACE(call);
    tavro::Database db = session_.Connected(Through("TestFail=" + call + ";"));
    tavro::RecordSet rows = db.select("SELECT id, name FROM items ORDER BY id");
    ASSERT_TRUE(rows.next());
    rows.update({{1, "uno"}});
    ExpectInjected(db, call);
  }
  tavro::Database plain = session_.Connected(Through(""));
  tavro::RecordSet first = plain.select("SELECT name FROM items WHERE id = 1");
  ASSERT_TRUE(first.next());
  EXPECT_EQ(first.value(0).asText(), "one");
}

}  // namespace
