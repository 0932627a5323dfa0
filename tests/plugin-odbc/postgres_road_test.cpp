// What only a server can show: a second host thread on a busy connection,
// a session the server ended, warnings on success, the static-cursor fallback.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "frame/odbc_headers.h"
#include "plugin_session.h"

using plugin_odbc_test::PluginSession;
using plugin_odbc_test::SingleInteger;
using tavro::Value;

namespace {

class PostgresRoad : public ::testing::Test {
protected:
  PluginSession session_;
  plugin_odbc_test::DataSourceUnderTest under_ = plugin_odbc_test::PostgresUnderTest();
};

}  // namespace

TEST_F(PostgresRoad, ASecondThreadOnABusyConnectionIsRefusedWith48879) {
  tavro::Host& host = session_.host();
  tavro::Database db = session_.Connected(under_.dsn, false, under_.userName);
  const int64_t detachedBefore = host.detachCount();

  std::atomic<bool> slowDone{false};
  bool slowGotRows = false;
  std::thread slow([&] {
    tavro::RecordSet rows = db.select("SELECT 42, pg_sleep(2)");
    slowGotRows = !rows.isNull() && rows.next() && rows.value(0).asInteger() == 42;
    slowDone = true;
  });
  // Wait until the slow select has left the runtime for the driver.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (host.detachCount() == detachedBefore && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const bool detached = host.detachCount() > detachedBefore;
  tavro::RecordSet second;
  int32_t code = 0;
  std::string text;
  if (detached) {
    second = db.select("SELECT 1");
    code = db.lastErrorCode();
    text = db.lastErrorString();
    EXPECT_FALSE(slowDone.load()) << "the refusal came while the first select still ran";
  }
  slow.join();
  ASSERT_TRUE(detached) << "the slow select never left the runtime";
  EXPECT_TRUE(second.isNull());
  EXPECT_EQ(code, 48879);
  EXPECT_EQ(text, "A query is already in progress");
  EXPECT_TRUE(slowGotRows) << "the running select was not disturbed";
  EXPECT_EQ(SingleInteger(db, "SELECT 7"), 7) << "the guard was left";
}

// The refusal belongs to the refused caller: the statement that was running
// meanwhile reports its own outcome, success included.
TEST_F(PostgresRoad, AStatementRunningWhileAnotherThreadIsRefusedReportsItsOwnOutcome) {
  tavro::Host& host = session_.host();
  tavro::Database db = session_.Connected(under_.dsn, false, under_.userName);
  struct Case {
    const char* name;
    std::function<void()> slow;
    bool fails;
  };
  const Case cases[] = {
      {"execute", [&] { db.execute("SELECT pg_sleep(1)"); }, false},
      {"select",
       [&] {
         tavro::RecordSet rows = db.select("SELECT 42, pg_sleep(1)");
         EXPECT_FALSE(rows.isNull());
       },
       false},
      {"failing execute", [&] { db.execute("SELECT 1 / (SELECT 0 FROM pg_sleep(1))"); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int64_t detachedBefore = host.detachCount();
    int32_t slowCode = 0;
    std::string slowText;
    std::thread slow([&] {
      c.slow();
      slowCode = db.lastErrorCode();
      slowText = db.lastErrorString();
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (host.detachCount() == detachedBefore && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool detached = host.detachCount() > detachedBefore;
    int32_t refusedCode = 0;
    if (detached) {
      db.execute("SELECT 1");
      refusedCode = db.lastErrorCode();
    }
    slow.join();
    ASSERT_TRUE(detached) << "the slow statement never left the runtime";
    EXPECT_EQ(refusedCode, 48879);
    if (c.fails) {
      EXPECT_NE(slowCode, 0);
      EXPECT_NE(slowText.find("division by zero"), std::string::npos) << slowText;
    } else {
      EXPECT_EQ(slowCode, 0) << slowText;
    }
  }
}

TEST_F(PostgresRoad, ConnectMakesANewSessionAfterTheServerEndedTheOldOne) {
  tavro::Database victim = session_.Connected(under_.dsn, false, under_.userName);
  tavro::Database killer = session_.Connected(under_.dsn, false, under_.userName);
  const int64_t pid = SingleInteger(victim, "SELECT pg_backend_pid()");
  ASSERT_GT(pid, 0);
  EXPECT_EQ(SingleInteger(killer, "SELECT CASE WHEN pg_terminate_backend(" + std::to_string(pid) +
                                      ") THEN 1 ELSE 0 END"),
            1);

  // psqlODBC notices the loss only when a statement fails.
  EXPECT_TRUE(victim.select("SELECT 1").isNull());
  EXPECT_NE(victim.lastErrorCode(), 0);

  ASSERT_TRUE(session_.Connect(victim.object())) << victim.lastErrorString();
  EXPECT_EQ(victim.lastErrorCode(), 0);
  const int64_t newPid = SingleInteger(victim, "SELECT pg_backend_pid()");
  EXPECT_NE(newPid, pid);
}

// psqlODBC reads a braced PWD value whole, `}}` as `}`: a password holding
// the separator logs in, and nothing after a ';' in it is read as attributes.
TEST_F(PostgresRoad, APasswordWithSeparatorsAndBracesLogsIn) {
  const std::string password = "pw;Port=1;}{x=y";
  tavro::Database admin = session_.Connected(under_.dsn, false, under_.userName);
  admin.execute("ALTER ROLE sqelto_password_login PASSWORD 'pw;Port=1;}{x=y'");
  ASSERT_EQ(admin.lastErrorCode(), 0) << admin.lastErrorString();

  auto login = [&](const std::string& given) {
    tavro::Object object = session_.NewDatabase();
    session_.host().setProperty(object, "DataSource", Value(under_.dsn));
    session_.host().setProperty(object, "UserName", Value("sqelto_password_login"));
    session_.host().setProperty(object, "Password", Value(given));
    tavro::Database db(session_.host(), object);
    const bool connected = session_.Connect(object);
    return std::make_pair(connected, connected ? SingleInteger(db, "SELECT 7") : int64_t{-1});
  };
  EXPECT_EQ(login(password), std::make_pair(true, int64_t{7}));
  // The role's password is really asked for.
  EXPECT_FALSE(login("pw").first);
  EXPECT_FALSE(login(password + "}").first);
}

TEST_F(PostgresRoad, AWarningOnSuccessIsNoError) {
  // Prove first that the driver answers this statement with a warning.
  const std::string raise = "DO $$ BEGIN RAISE WARNING 'careful'; END $$";
  {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    // Wide calls, as the plug-in makes them (the texts are ASCII).
    const std::string dsn = "DSN=" + under_.dsn + ";UID=" + under_.userName + ";";
    std::vector<SQLWCHAR> wideDsn(dsn.begin(), dsn.end()), wideRaise(raise.begin(), raise.end());
    wideDsn.push_back(0);
    wideRaise.push_back(0);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, wideDsn.data(), SQL_NTS, nullptr, 0, nullptr,
                                                SQL_DRIVER_NOPROMPT)));
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    EXPECT_EQ(SQLExecDirectW(stmt, wideRaise.data(), SQL_NTS), SQL_SUCCESS_WITH_INFO);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
  tavro::Database db = session_.Connected(under_.dsn, false, under_.userName);
  PluginSession::Record(db)->rowsAffected = 12345;
  db.execute(raise);
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_NE(PluginSession::Record(db)->rowsAffected, 12345) << "the row count was taken";
}

TEST_F(PostgresRoad, ASecondThreadCannotCloseAConnectionWhoseStatementRunsDetached) {
  tavro::Host& host = session_.host();
  tavro::Database db = session_.Connected(under_.dsn, false, under_.userName);
  tavro::RecordSet earlier = db.select("SELECT generate_series(1, 3)");
  ASSERT_FALSE(earlier.isNull()) << db.lastErrorString();
  const int64_t detachedBefore = host.detachCount();

  bool slowGotRows = false;
  std::thread slow([&] {
    tavro::RecordSet rows = db.select("SELECT 42, pg_sleep(1.5)");
    slowGotRows = !rows.isNull() && rows.next() && rows.value(0).asInteger() == 42;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (host.detachCount() == detachedBefore && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_GT(host.detachCount(), detachedBefore) << "the slow select never left the runtime";

  // Closing now would free the connection the running statement uses.
  db.close();
  const int32_t closeCode = db.lastErrorCode();
  const std::string closeText = db.lastErrorString();
  // A reconnect would do the same.
  const bool stillConnected = session_.Connect(db.object());
  // A cursor made earlier on the same connection keeps working meanwhile.
  int64_t earlierSum = 0;
  while (earlier.next()) earlierSum += earlier.value(0).asInteger();
  earlier.reset();
  slow.join();

  EXPECT_EQ(closeCode, 48879);
  EXPECT_EQ(closeText, "A query is already in progress");
  EXPECT_TRUE(stillConnected);
  EXPECT_EQ(earlierSum, 6);
  EXPECT_TRUE(slowGotRows) << "the running statement was disturbed";
  EXPECT_EQ(SingleInteger(db, "SELECT 7"), 7);
  db.close();
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_EQ(PluginSession::Record(db)->hdbc, nullptr);
}
