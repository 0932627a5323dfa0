// Driver failures no real driver here produces, through the fault-injecting
// test driver (a fake that forwards to SQLite and fails chosen calls):
// refused catalogue calls and statements, a fetch that fails part-way, a
// failure without a readable diagnostic.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue_answers.h"
#include "test_driver_database.h"

using catalogue_test::Answer;
using catalogue_test::ColumnOf;
using catalogue_test::ReadAnswer;

namespace {

using catalogue_test::kInjectedNativeError;

class CatalogueFaults : public catalogue_test::TestDriverDatabase {
protected:
  CatalogueFaults()
      : TestDriverDatabase("catalogue-faults",
                           {"CREATE TABLE keyed (id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL)"}) {}
};

TEST_F(CatalogueFaults, ARefusedCatalogueCallLeavesTheDriversDiagnostic) {
  tavro::Database db = session_.Connected(Through("TestFail=SQLTables;"));
  EXPECT_TRUE(db.tableSchema().isNull());
  EXPECT_EQ(db.lastErrorCode(), kInjectedNativeError);
  EXPECT_NE(db.lastErrorString().find("Injected failure of SQLTables"), std::string::npos) << db.lastErrorString();
  // The next question starts clean.
  EXPECT_FALSE(db.indexSchema("keyed").isNull());
  EXPECT_EQ(db.lastErrorCode(), 0);
}

TEST_F(CatalogueFaults, ARefusedStatementLeavesTheConnectionsDiagnostic) {
  tavro::Database db = session_.Connected(Through("TestFail=SQLAllocHandle;"));
  EXPECT_TRUE(db.fieldSchema("keyed").isNull());
  EXPECT_EQ(db.lastErrorCode(), kInjectedNativeError);
  EXPECT_NE(db.lastErrorString().find("Injected failure of SQLAllocStmt"), std::string::npos) << db.lastErrorString();
}

TEST_F(CatalogueFaults, ARefusalWithoutADiagnosticIsStillAFailure) {
  tavro::Database db = session_.Connected(Through("TestFail=SQLTables,SQLGetDiagRec;"));
  EXPECT_TRUE(db.tableSchema().isNull());
  EXPECT_EQ(db.lastErrorCode(), -1);
  EXPECT_EQ(db.lastErrorString(), "SQLTables failed and the driver gave no reason.");
}

TEST_F(CatalogueFaults, AFetchFailingPartWayKeepsTheRowsCopiedAndItsError) {
  tavro::Database db = session_.Connected(Through("TestFetchFailAfter=3;"));
  tavro::Object types = session_.host().call<tavro::Object>(db.object(), "GetSQLTypeInfo", 0);
  ASSERT_TRUE(types) << db.lastErrorString();
  EXPECT_EQ(db.lastErrorCode(), kInjectedNativeError);
  EXPECT_NE(db.lastErrorString().find("Injected failure of SQLFetch after 3 rows"), std::string::npos)
      << db.lastErrorString();
  const Answer answer = ReadAnswer(tavro::RecordSet(session_.host(), types));
  EXPECT_EQ(answer.rows.size(), 3u);
  EXPECT_EQ(answer.columns.size(), 19u);
}

TEST_F(CatalogueFaults, AFailingKeyQueryOnlyLeavesTheFieldsUnmarked) {
  tavro::Database db = session_.Connected(Through("TestFail=SQLPrimaryKeys;"));
  const Answer fields = ReadAnswer(db.fieldSchema("keyed"));
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_EQ(ColumnOf(fields, "ColumnName"), (std::vector<std::string>{"id", "name"}));
  EXPECT_EQ(ColumnOf(fields, "IsPrimary"), (std::vector<std::string>{"false", "false"}));
  EXPECT_EQ(ColumnOf(fields, "NotNull"), (std::vector<std::string>{"false", "true"}));
}

// A driver that runs one statement at a time: the cursor's own statement
// stays open, so editing works on a second, temporary connection.
class OneStatementAtATime : public CatalogueFaults {
protected:
  OneStatementAtATime() : db_(session_.Connected(Through("TestMaxActivities=1;"))) {
    db_.execute("CREATE TABLE named (id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL UNIQUE)");
    db_.execute("INSERT INTO named VALUES (1, 'one'), (2, 'two'), (3, 'three')");
    EXPECT_EQ(db_.lastErrorCode(), 0) << db_.lastErrorString();
  }
  // A RecordSet on the row with this id.
  tavro::RecordSet On(int id) {
    tavro::RecordSet rows = db_.select("SELECT id, name FROM named ORDER BY id");
    while (rows.next())
      if (rows.value(0).asInteger() == id) break;
    return rows;
  }
  std::vector<std::string> Names() {
    tavro::Database plain = session_.Connected(Through(""));
    return ColumnOf(ReadAnswer(plain.select("SELECT name FROM named ORDER BY id")), "name");
  }
  int32_t RowsAffected() { return plugin_odbc_test::PluginSession::Record(db_)->rowsAffected; }

  tavro::Database db_;
};

TEST_F(OneStatementAtATime, DeleteAndUpdateRunOnASecondConnection) {
  {
    tavro::RecordSet rows = On(2);
    // The driver refuses a second statement beside the open cursor here.
    EXPECT_TRUE(db_.tableSchema().isNull());
    EXPECT_NE(db_.lastErrorString().find("busy"), std::string::npos) << db_.lastErrorString();
    rows.remove();
    EXPECT_EQ(db_.lastErrorCode(), 0) << db_.lastErrorString();
    EXPECT_EQ(RowsAffected(), 1);
  }
  {
    tavro::RecordSet rows = On(3);
    rows.edit();
    EXPECT_EQ(db_.lastErrorCode(), 0) << db_.lastErrorString();
    rows.update({{1, "drei"}});
    EXPECT_EQ(db_.lastErrorCode(), 0) << db_.lastErrorString();
    EXPECT_EQ(RowsAffected(), 1);
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"one", "drei"}));
}

TEST_F(OneStatementAtATime, TheSecondConnectionsErrorsReachTheCursorsConnection) {
  {
    tavro::RecordSet rows = On(3);
    rows.update({{1, "one"}});  // the name is taken
    EXPECT_NE(db_.lastErrorCode(), 0);
    EXPECT_NE(db_.lastErrorString().find("UNIQUE"), std::string::npos) << db_.lastErrorString();
  }
  // A second connection that cannot be made once the edit found the keys:
  // 9005 with its error, nothing changed.
  sqelto::ConnectionRecord* record = plugin_odbc_test::PluginSession::Record(db_);
  tavro::RecordSet rows = On(1);
  rows.edit();
  EXPECT_EQ(db_.lastErrorCode(), 0) << db_.lastErrorString();
  const std::string completed = record->connectionOut;
  std::snprintf(record->connectionOut, sizeof record->connectionOut, "Driver={No Such Driver};");
  rows.update({{1, "uno"}});
  EXPECT_EQ(db_.lastErrorCode(), 9005);
  EXPECT_NE(db_.lastErrorString().find("No Such Driver"), std::string::npos) << db_.lastErrorString();
  rows.remove();
  EXPECT_EQ(db_.lastErrorCode(), 9005);
  std::snprintf(record->connectionOut, sizeof record->connectionOut, "%s", completed.c_str());
  rows.reset();
  EXPECT_EQ(Names(), (std::vector<std::string>{"one", "two", "three"}));
}

}  // namespace
