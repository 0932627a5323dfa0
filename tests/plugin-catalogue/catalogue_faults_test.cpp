// Driver failures no real driver here produces, through the fault-injecting
// test driver (a fake that forwards to SQLite and fails chosen calls):
// refused catalogue calls and statements, a fetch that fails part-way, a
// failure without a readable diagnostic.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "catalogue_answers.h"
#include "plugin_session.h"

using catalogue_test::Answer;
using catalogue_test::ColumnOf;
using catalogue_test::ReadAnswer;

namespace {

std::string Required(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') throw std::runtime_error(std::string(name) + " is not set");
  return value;
}

constexpr int32_t kInjectedNativeError = 4711;

class CatalogueFaults : public ::testing::Test {
protected:
  CatalogueFaults() : file_(Required("SQELTO_ODBC_DIR") + "/catalogue-faults-" + std::to_string(getpid()) + ".sqlite3") {
    std::remove(file_.c_str());
    // The table is made on a connection without faults.
    tavro::Database plain = session_.Connected(Through(""));
    plain.execute("CREATE TABLE keyed (id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL)");
    EXPECT_EQ(plain.lastErrorCode(), 0) << plain.lastErrorString();
  }
  ~CatalogueFaults() override { std::remove(file_.c_str()); }

  // A connection string through the test driver with the given Test keywords.
  std::string Through(const std::string& keywords) const {
    return "Driver={" + Required("SQELTO_TEST_DRIVER") + "};Database=" + file_ + ";" + keywords;
  }

  plugin_odbc_test::PluginSession session_;
  std::string file_;
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
  EXPECT_NE(db.lastErrorString().find("Injected failure of SQLAllocStmt"), std::string::npos)
      << db.lastErrorString();
}

TEST_F(CatalogueFaults, ARefusalWithoutADiagnosticIsStillAFailure) {
  tavro::Database db = session_.Connected(Through("TestFail=SQLTables,SQLGetDiagRec;"));
  EXPECT_TRUE(db.tableSchema().isNull());
  EXPECT_EQ(db.lastErrorCode(), -1);
  EXPECT_EQ(db.lastErrorString(), "The driver refused the catalogue call without saying why.");
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

}  // namespace
