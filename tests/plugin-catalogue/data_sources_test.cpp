// The data-source list (DataSourceNames, DataSources and their twins
// DriverNames and Drivers) against a private ODBC configuration of this test
// process: two user and three system data sources. Each test runs in a
// process of its own, which matters here: the ODBC environment is made once
// per process, by whichever call needs it first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalogue_answers.h"
#include "test_environment.h"
#include "under_wine.h"
#include "plugin_session.h"

using catalogue_test::Answer;
using catalogue_test::ColumnOf;
using catalogue_test::ReadAnswer;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

class DataSourceList : public ::testing::Test {
protected:
  // Writes the configuration and points this process at it before anything
  // of ODBC runs: the user data sources given, three system ones.
  void Configure(const Strings& userSources = {"Ledger", "Lager"}) {
    const fs::path shared = sqelto_test::RequiredEnvironment("SQELTO_ODBC_DIR");
#ifdef _WIN32
    // Under Wine the Linux driver manager reads the environment this process
    // started with, which a change made here would not reach: the run names a
    // folder of this program's own (OWN_ODBC_CONFIGURATION), and ODBCINSTINI
    // is odbcinst.ini as everywhere in the tests.
    folder_ = sqelto_test::RequiredEnvironment("ODBCSYSINI");
    const fs::path userFile = sqelto_test::RequiredEnvironment("ODBCINI");
    if (folder_.generic_string() == shared.generic_string())
      throw std::runtime_error("the run names no ODBC configuration folder of this program's own");
#else
    folder_ = shared / sqelto_test::UniqueName("data-sources");
    const fs::path userFile = folder_ / "user.ini";
#endif
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::copy_file(shared / "odbcinst.ini", folder_ / "odbcinst.ini");
    // Forward slashes: the Linux driver opens this path under Wine too.
    database_ = (folder_ / "listed.sqlite3").generic_string();
    std::ofstream user(userFile);
    for (const std::string& name : userSources) user << Source(name);
    std::ofstream system(folder_ / "odbc.ini");
    system << Source("Archive") << Source("Reports") << Source("Staging");
    user.close();
    system.close();
#ifndef _WIN32
    setenv("ODBCSYSINI", folder_.c_str(), 1);
    setenv("ODBCINSTINI", "odbcinst.ini", 1);
    setenv("ODBCINI", userFile.c_str(), 1);
#endif
    session_.emplace();
  }
  ~DataSourceList() override {
    session_.reset();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::string Source(const std::string& name) const {
    return "[" + name + "]\nDescription=" + name + " data\nDriver=SQLite3\nDatabase=" + database_ + "\n\n";
  }

  tavro::Host& Host() { return session_->host(); }
  Answer List(const tavro::Object& database, const char* method) {
    return ReadAnswer(tavro::RecordSet(Host(), Host().call<tavro::Object>(database, method)));
  }

  fs::path folder_;
  std::string database_;
  std::optional<plugin_odbc_test::PluginSession> session_;
};

TEST_F(DataSourceList, UserSourcesFirstThenSystemOnesBeforeAnyConnection) {
  Configure();
  tavro::Object database = session_->NewDatabase();
  const Answer names = List(database, "DataSourceNames");
  EXPECT_FALSE(names.rowSet);
  EXPECT_EQ(names.columns, (Strings{"Name", "Description", "Type"}));
  EXPECT_EQ(names.recordCount, 5);
  EXPECT_EQ(ColumnOf(names, "Type"), (Strings{"User", "User", "System", "System", "System"}));
  // Each group in the driver manager's order; the bytes as it gives them.
  EXPECT_EQ(ColumnOf(names, "Name"), (Strings{"Ledger", "Lager", "Archive", "Reports", "Staging"}));
  for (const std::string& description : ColumnOf(names, "Description")) EXPECT_EQ(description, "SQLite3");
  for (const auto& codes : names.codes) EXPECT_EQ(codes, (std::vector<int32_t>{18, 18, 18}));
  // Nothing about the list touches the last error.
  tavro::Database db(Host(), database);
  EXPECT_EQ(db.lastErrorCode(), 0);
}

TEST_F(DataSourceList, ANonAsciiNameComesAsItsUtf8Text) {
  if (sqelto_test::RunningUnderWine())
    GTEST_SKIP() << "Wine lists through unixODBC, whose wide SQLDataSourcesW makes each byte of the configuration "
                    "a character of its own";
  Configure({"Käse Lager ✓"});
  const Answer names = List(session_->NewDatabase(), "DataSourceNames");
  EXPECT_EQ(ColumnOf(names, "Name"), (Strings{"Käse Lager ✓", "Archive", "Reports", "Staging"}));
}

TEST_F(DataSourceList, DriversAndDataSourcesAreTheSameListAsRowSets) {
  Configure();
  tavro::Object database = session_->NewDatabase();
  const Answer names = List(database, "DataSourceNames");
  const Answer driverNames = List(database, "DriverNames");
  const Answer sources = List(database, "DataSources");
  const Answer drivers = List(database, "Drivers");
  EXPECT_FALSE(driverNames.rowSet);
  EXPECT_TRUE(sources.rowSet);
  EXPECT_TRUE(drivers.rowSet);
  for (const Answer* answer : {&driverNames, &sources, &drivers}) {
    EXPECT_EQ(answer->columns, names.columns);
    EXPECT_EQ(answer->rows, names.rows);
  }
}

TEST_F(DataSourceList, WithoutUserSourcesTheSystemOnesStillCome) {
  Configure(/*userSources=*/{});
  const Answer names = List(session_->NewDatabase(), "DataSources");
  EXPECT_EQ(ColumnOf(names, "Type"), (Strings{"System", "System", "System"}));
}

TEST_F(DataSourceList, ListedOnAConnectionThatFailed) {
  Configure();
  tavro::Object database = session_->NewDatabase();
  Host().setProperty(database, "DataSource", tavro::Value("NoSuchDataSource"));
  ASSERT_FALSE(session_->Connect(database));
  tavro::Database db(Host(), database);
  const int32_t code = db.lastErrorCode();
  const std::string text = db.lastErrorString();
  ASSERT_NE(code, 0);
  EXPECT_EQ(List(database, "DataSourceNames").rows.size(), 5u);
  EXPECT_EQ(db.lastErrorCode(), code);
  EXPECT_EQ(db.lastErrorString(), text);
}

// The listing may be the process's first ODBC call. The environment it makes
// must serve later connects as ODBC 3 ones: an ODBC 2 environment still
// connects, but its drivers then answer in ODBC 2 terms (a DATE column is
// type 9 instead of 91, states S1000 instead of HY000, other catalogue
// column names) and the version can no longer be changed.
TEST_F(DataSourceList, AConnectAfterTheListingIsAnOdbc3Connection) {
  Configure();
  tavro::Object lister = session_->NewDatabase();
  ASSERT_EQ(List(lister, "DataSourceNames").rows.size(), 5u);

  tavro::Database db = session_->Connected("DSN=Ledger;");
  db.execute("CREATE TABLE dated (id INTEGER PRIMARY KEY, day DATE, stamp TIMESTAMP)");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  Host().setProperty(db.object(), "ExtendedSchema", tavro::Value(true));
  const Answer fields = ReadAnswer(db.fieldSchema("dated"));
  EXPECT_EQ(ColumnOf(fields, "DataType"), (Strings{"4", "91", "93"}));
  EXPECT_EQ(ColumnOf(fields, "FieldType"), (Strings{"3", "8", "10"}));
}

}  // namespace
