// The design-time data sources: the command "Select ODBC Database..." asks
// the host's connection dialog (scripted here) and adds what the user
// entered; the opener connects such a data source of the private odbc.ini.
// The composed connection string is seen in the trace log, so these tests
// hold the trace switch file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "statement_session.h"
#include "trace_switch_file.h"

using statement_test::StatementSession;

namespace {

constexpr const char* kCommand = "Select ODBC Database...";
using sqelto_test::kTraceSwitchFile;

std::string Stored(const std::string& name, const std::string& user, const std::string& password) {
  return name + '\0' + user + '\0' + password + '\0';
}

// Traces every connection made while it lives into a log of its own.
class TraceLog {
public:
  TraceLog() : path_(statement_test::ScratchSqliteFile("design-trace") + ".log") {
    std::remove(path_.c_str());
    sqelto_test::WriteTraceSwitchFile(path_ + "\n");
  }
  ~TraceLog() {
    std::remove(kTraceSwitchFile);
    std::remove(path_.c_str());
  }
  std::vector<std::string> Lines() const {
    std::ifstream in(path_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  bool Has(const std::string& piece) const {
    for (const std::string& line : Lines())
      if (line.find(piece) != std::string::npos) return true;
    return false;
  }

private:
  std::string path_;
};

}  // namespace

TEST(DesignTime, TheDialogAddsWhatTheUserEnteredUnderADerivedName) {
  StatementSession session;
  tavro::Host& host = session.host();
  host.scriptConnectionDialog(Stored("1st-Data_Base 2", "ann", "secret"));
  host.runDataSourceInterface(kCommand);
  host.scriptConnectionDialog(Stored("123", "", ""));
  host.runDataSourceInterface(kCommand);

  const auto dialogs = host.dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  for (const tavro::DialogRecord& dialog : dialogs) {
    ASSERT_EQ(dialog.fields.size(), 3u);
    EXPECT_EQ(dialog.fields[0].label, "Data Source:");
    EXPECT_EQ(dialog.fields[1].label, "User:");
    EXPECT_EQ(dialog.fields[2].label, "Password:");
    EXPECT_EQ(dialog.fields[0].flag + dialog.fields[1].flag, 0);
    EXPECT_EQ(dialog.fields[2].flag, 1);  // the password field
    EXPECT_EQ(dialog.title, "Select ODBC");
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_TRUE(dialog.deleted);
  }
  const auto added = host.designDataSources();
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(added[0].identifier, "stDataBase2");
  EXPECT_EQ(added[0].kind, "ODBC");
  EXPECT_EQ(added[0].data, Stored("1st-Data_Base 2", "ann", "secret"));
  EXPECT_EQ(added[1].identifier, "ODBCDatabase1");
  EXPECT_EQ(added[1].data, Stored("123", "", ""));
}

TEST(DesignTime, ACancelledDialogAddsNothing) {
  StatementSession session;
  session.host().scriptConnectionDialog("");
  session.host().runDataSourceInterface(kCommand);
  EXPECT_TRUE(session.host().designDataSources().empty());
  ASSERT_EQ(session.host().dialogs().size(), 1u);
  EXPECT_TRUE(session.host().dialogs()[0].deleted);
}

TEST(DesignTime, TheOpenerConnectsAStoredDataSourceWithItsPassword) {
  StatementSession session;
  TraceLog trace;
  const std::string dsn = std::getenv("SQELTO_SQLITE_DSN");
  tavro::Object opened = session.host().openDataSource("ODBC", Stored(dsn, "", ""));
  ASSERT_TRUE(opened);
  tavro::Database db(session.host(), opened);
  EXPECT_TRUE(db.isConnected());
  EXPECT_EQ(session.Rows(opened, "SELECT 40 + 2"), (std::vector<std::vector<std::string>>{{"42"}}));
  // An empty password still ends the string with its key.
  EXPECT_TRUE(trace.Has(", DSN=" + dsn + ";UID=;PWD=;)"));

  EXPECT_FALSE(session.host().openDataSource("ODBC", Stored("NoSuchDataSourceHere", "ann", "")));
}

TEST(DesignTime, TheOpenerRefusesAConnectionStringThatWouldNotFitRatherThanCutIt) {
  StatementSession session;
  TraceLog trace;
  // Cut at 4095 bytes this string would still reach the SQLite data source
  // (its driver ignores the password): it must not be connected at all.
  const std::string dsn = std::getenv("SQELTO_SQLITE_DSN");
  EXPECT_FALSE(session.host().openDataSource("ODBC", Stored(dsn, "ann", std::string(4100, 'p'))));
  EXPECT_TRUE(trace.Has("ODBC data source not opened: The connection string is too long (more than 4095 bytes)."));
  // One byte less than the buffer still fits.
  const std::string fits(4095 - (std::string("DSN=;UID=;PWD=;").size() + dsn.size()), 'p');
  tavro::Object opened = session.host().openDataSource("ODBC", Stored(dsn, "", fits));
  EXPECT_TRUE(opened);
}

// A database the opener made belongs to the host until it closes it, and a
// host thread may close it while another thread's statement runs with the
// runtime released: the statement must finish on a connection that is still
// there, and the connection goes when the statement's result is gone.
TEST(DesignTime, AnOpenedDataSourceClosedWhileItsStatementRunsLastsUntilTheStatementEnds) {
  StatementSession session;
  tavro::Host& host = session.host();
  const std::string dsn = std::getenv("SQELTO_SQLITE_DSN");
  tavro::Object opened = host.openDataSource("ODBC", Stored(dsn, "", ""));
  ASSERT_TRUE(opened);
  tavro::Database db(host, opened);
  const int64_t detachedBefore = host.detachCount();

  int64_t counted = 0;
  std::string failure;
  std::thread slow([&] {
    tavro::RecordSet rows = db.select(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 4000000) SELECT count(*) FROM c");
    if (rows.isNull()) {
      failure = db.lastErrorString();
      return;
    }
    if (rows.next()) counted = rows.value(0).asInteger();
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (host.detachCount() == detachedBefore && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GT(host.detachCount(), detachedBefore) << "the slow select never left the runtime";
  db.close();
  slow.join();
  EXPECT_EQ(failure, "");
  EXPECT_EQ(counted, 4000000) << "the running statement was disturbed";
}
