// Proves the private ODBC environment that the database tests run in: the
// driver manager reads only the generated configuration, the three drivers
// connect by DSN and by driver name to the servers the tests started, and
// non-ASCII text survives the wide-character calls on each (which needs the
// UTF-8 locale set in main for SQLite).
#include "odbc_test_support.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace odbc_env {
namespace {

std::set<std::string> listNames(std::function<SQLRETURN(SQLUSMALLINT, char*, SQLSMALLINT, SQLSMALLINT*)> next,
                                SQLUSMALLINT first) {
  std::set<std::string> names;
  char name[256];
  SQLSMALLINT length = 0;
  for (SQLUSMALLINT direction = first;; direction = SQL_FETCH_NEXT) {
    SQLRETURN rc = next(direction, name, sizeof name, &length);
    if (!succeeded(rc)) break;
    names.insert(name);
  }
  return names;
}

std::set<std::string> dataSources(SQLUSMALLINT first) {
  return listNames(
      [](SQLUSMALLINT direction, char* name, SQLSMALLINT size, SQLSMALLINT* length) {
        char description[256];
        SQLSMALLINT descriptionLength = 0;
        return SQLDataSources(sharedEnvironment(), direction, reinterpret_cast<SQLCHAR*>(name), size, length,
                              reinterpret_cast<SQLCHAR*>(description), sizeof description, &descriptionLength);
      },
      first);
}

TEST(PrivateOdbcConfiguration, DriverManagerSeesOnlyTheGeneratedFiles) {
  // The machine's global files also list "SQLite" and "PostgreSQL ANSI"; seeing
  // exactly our entries shows that nothing global was read.
  std::set<std::string> drivers = listNames(
      [](SQLUSMALLINT direction, char* name, SQLSMALLINT size, SQLSMALLINT* length) {
        char attributes[1024];
        SQLSMALLINT attributesLength = 0;
        return SQLDrivers(sharedEnvironment(), direction, reinterpret_cast<SQLCHAR*>(name), size, length,
                          reinterpret_cast<SQLCHAR*>(attributes), sizeof attributes, &attributesLength);
      },
      SQL_FETCH_FIRST);
  EXPECT_EQ(drivers, (std::set<std::string>{"SQLite3", "PostgreSQL Unicode", "MariaDB Unicode",
                                            requiredEnvironment("SQELTO_TEST_DRIVER"),
                                            requiredEnvironment("SQELTO_TEST_DRIVER_UNSANITIZED")}));
  EXPECT_EQ(dataSources(SQL_FETCH_FIRST_USER),
            (std::set<std::string>{"SqeltoSQLite", "SqeltoPostgres", "SqeltoMariaDB"}));
  EXPECT_EQ(dataSources(SQL_FETCH_FIRST_SYSTEM), (std::set<std::string>{"SqeltoSQLiteSystem"}));
}

std::string sqliteFile(const std::string& stem) {
  return requiredEnvironment("SQELTO_ODBC_DIR") + "/" + stem + "-" + std::to_string(getpid()) + ".sqlite3";
}

std::string postgresDriverString() {
  return "Driver={PostgreSQL Unicode};Servername=" + requiredEnvironment("SQELTO_PG_HOST") +
         ";Port=" + requiredEnvironment("SQELTO_PG_PORT") + ";Database=" + requiredEnvironment("SQELTO_PG_DATABASE") +
         ";Username=postgres;SSLmode=disable;";
}

TEST(OdbcConnect, SqliteByDsnAndByDriverName) {
  Connection byDsn("DSN=" + requiredEnvironment("SQELTO_SQLITE_DSN") + ";");
  EXPECT_EQ(byDsn.infoString(SQL_DBMS_NAME), "SQLite");

  const std::string file = sqliteFile("connect");
  {
    Connection byDriver("Driver=SQLite3;Database=" + file + ";");
    EXPECT_EQ(byDriver.infoString(SQL_DBMS_NAME), "SQLite");
  }
  EXPECT_EQ(access(file.c_str(), F_OK), 0) << "the driver did not open " << file;
  unlink(file.c_str());
}

// A server that is missing or down must fail here, never be skipped.
TEST(OdbcConnect, PostgresUnicodeByDsnAndByDriverName) {
  Connection byDsn("DSN=" + requiredEnvironment("SQELTO_PG_DSN") + ";");
  EXPECT_EQ(byDsn.infoString(SQL_DBMS_NAME), "PostgreSQL");
  EXPECT_EQ(byDsn.infoString(SQL_DATABASE_NAME), requiredEnvironment("SQELTO_PG_DATABASE"));

  Connection byDriver(postgresDriverString());
  EXPECT_EQ(byDriver.infoString(SQL_DBMS_NAME), "PostgreSQL");
}

std::string mariaDbDriverString() {
  return "Driver={MariaDB Unicode};Server=" + requiredEnvironment("SQELTO_MARIADB_HOST") +
         ";Port=" + requiredEnvironment("SQELTO_MARIADB_PORT") + ";Database=" +
         requiredEnvironment("SQELTO_MARIADB_DATABASE") + ";User=" + requiredEnvironment("SQELTO_MARIADB_USER") +
         ";Password=" + requiredEnvironment("SQELTO_MARIADB_PASSWORD") + ";Charset=utf8mb4;";
}

std::string queryText(const Connection& connection, const std::u16string& sql) {
  Handle stmt(SQL_HANDLE_STMT, connection.get());
  std::u16string text = sql;
  if (!succeeded(SQLExecDirectW(stmt.get(), wide(text), SQL_NTS)) || !succeeded(SQLFetch(stmt.get())))
    throw std::runtime_error("query failed: " + stmt.diagnostic());
  char buffer[512] = {};
  SQLLEN indicator = 0;
  if (!succeeded(SQLGetData(stmt.get(), 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator)))
    throw std::runtime_error("SQLGetData failed: " + stmt.diagnostic());
  return indicator == SQL_NULL_DATA ? "NULL" : buffer;
}

// The server behind the DSN is the one the fixture started (its port, its data
// folder under SQELTO_ODBC_DIR), never a system server the mariadb-server
// package may run on 3306. Suites rely on its back-quote identifier quote.
TEST(OdbcConnect, MariaDbByDsnAndByDriverName) {
  Connection byDsn("DSN=" + requiredEnvironment("SQELTO_MARIADB_DSN") + ";");
  EXPECT_EQ(byDsn.infoString(SQL_DBMS_NAME), "MariaDB");
  EXPECT_EQ(byDsn.infoString(SQL_DATABASE_NAME), requiredEnvironment("SQELTO_MARIADB_DATABASE"));
  EXPECT_EQ(byDsn.infoString(SQL_IDENTIFIER_QUOTE_CHAR), "`");
  EXPECT_EQ(queryText(byDsn, u"SELECT @@port"), requiredEnvironment("SQELTO_MARIADB_PORT"));
  char odbcDir[PATH_MAX];
  ASSERT_NE(realpath(requiredEnvironment("SQELTO_ODBC_DIR").c_str(), odbcDir), nullptr);
  EXPECT_EQ(queryText(byDsn, u"SELECT @@datadir").rfind(std::string(odbcDir) + "/", 0), 0u)
      << "the server's data folder is not inside " << odbcDir;
  EXPECT_EQ(queryText(byDsn, u"SELECT @@character_set_database"), "utf8mb4");

  Connection byDriver(mariaDbDriverString());
  EXPECT_EQ(byDriver.infoString(SQL_DBMS_NAME), "MariaDB");
}

// 200 characters, none of them ASCII: two- and three-byte UTF-8 forms.
std::u16string twoHundredNonAscii() {
  const std::u16string alphabet = u"äöüßéèçñøåæœ✓€中文字漢ΩЖж";
  std::u16string text;
  for (size_t i = 0; text.size() < 200; ++i) text += alphabet[i % alphabet.size()];
  return text;
}

std::u16string readWide(SQLHSTMT stmt, SQLUSMALLINT column) {
  SQLWCHAR buffer[1024] = {};
  SQLLEN indicator = 0;
  SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
  if (!succeeded(rc)) throw std::runtime_error("SQLGetData: " + firstDiagnostic(SQL_HANDLE_STMT, stmt));
  if (indicator == SQL_NULL_DATA) throw std::runtime_error("unexpected NULL");
  return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

// Writes "Grüße ✓" and 200 non-ASCII characters through bound wide parameters
// and as literals in wide statement text, then reads them back bound and with
// SQLGetData. characterLength is the DBMS's function that counts characters.
void expectWideTextRoundTrip(const std::string& connectionString, const std::u16string& createTable,
                             const std::u16string& characterLength = u"LENGTH") {
  Connection connection(connectionString);
  connection.execute(createTable);

  const std::u16string greeting = u"Grüße ✓";
  const std::u16string longText = twoHundredNonAscii();
  ASSERT_EQ(longText.size(), 200u);

  // Row 1 through bound wide parameters, row 2 as literals in the statement text.
  {
    Handle stmt(SQL_HANDLE_STMT, connection.get());
    std::u16string sql = u"INSERT INTO roundtrip (id, name, note) VALUES (1, ?, ?)";
    ASSERT_TRUE(succeeded(SQLPrepareW(stmt.get(), wide(sql), SQL_NTS))) << stmt.diagnostic();
    std::u16string name = greeting, note = longText;
    SQLLEN nameLength = SQLLEN(name.size() * 2), noteLength = SQLLEN(note.size() * 2);
    ASSERT_TRUE(succeeded(SQLBindParameter(stmt.get(), 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 40, 0,
                                           wide(name), nameLength, &nameLength)))
        << stmt.diagnostic();
    ASSERT_TRUE(succeeded(SQLBindParameter(stmt.get(), 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 200, 0,
                                           wide(note), noteLength, &noteLength)))
        << stmt.diagnostic();
    ASSERT_TRUE(succeeded(SQLExecute(stmt.get()))) << stmt.diagnostic();
  }
  connection.execute(u"INSERT INTO roundtrip (id, name, note) VALUES (2, '" + greeting + u"', '" + longText + u"')");

  Handle stmt(SQL_HANDLE_STMT, connection.get());
  std::u16string query = u"SELECT id, name, note, " + characterLength + u"(note) FROM roundtrip ORDER BY id";
  ASSERT_TRUE(succeeded(SQLExecDirectW(stmt.get(), wide(query), SQL_NTS))) << stmt.diagnostic();
  // The name column bound, the note read with SQLGetData: both ways the plug-in reads text.
  SQLWCHAR boundName[512] = {};
  SQLLEN boundNameIndicator = 0;
  ASSERT_TRUE(succeeded(SQLBindCol(stmt.get(), 2, SQL_C_WCHAR, boundName, sizeof boundName, &boundNameIndicator)));
  for (int expectedId = 1; expectedId <= 2; ++expectedId) {
    SCOPED_TRACE("row " + std::to_string(expectedId));
    ASSERT_TRUE(succeeded(SQLFetch(stmt.get()))) << stmt.diagnostic();
    SQLINTEGER id = 0, serverLength = 0;
    SQLGetData(stmt.get(), 1, SQL_C_SLONG, &id, 0, nullptr);
    EXPECT_EQ(id, expectedId);
    EXPECT_EQ(boundNameIndicator, SQLLEN(greeting.size() * 2));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(boundName)), greeting);
    EXPECT_EQ(readWide(stmt.get(), 3), longText);
    // The server counts characters: 200 shows it stored UTF-8 text, not mangled bytes.
    SQLGetData(stmt.get(), 4, SQL_C_SLONG, &serverLength, 0, nullptr);
    EXPECT_EQ(serverLength, 200);
  }
  EXPECT_EQ(SQLFetch(stmt.get()), SQL_NO_DATA);
}

TEST(WideTextRoundTrip, Sqlite) {
  const std::string file = sqliteFile("roundtrip");
  unlink(file.c_str());
  expectWideTextRoundTrip("Driver=SQLite3;Database=" + file + ";",
                          u"CREATE TABLE roundtrip (id INTEGER, name VARCHAR(40), note VARCHAR(200))");
  unlink(file.c_str());
}

TEST(WideTextRoundTrip, Postgres) {
  // A temporary table keeps parallel test processes apart on the shared server.
  expectWideTextRoundTrip("DSN=" + requiredEnvironment("SQELTO_PG_DSN") + ";",
                          u"CREATE TEMPORARY TABLE roundtrip (id INTEGER, name VARCHAR(40), note VARCHAR(200))");
}

TEST(WideTextRoundTrip, MariaDb) {
  // LENGTH counts bytes in MariaDB; CHAR_LENGTH counts characters.
  expectWideTextRoundTrip("DSN=" + requiredEnvironment("SQELTO_MARIADB_DSN") + ";",
                          u"CREATE TEMPORARY TABLE roundtrip (id INTEGER, name VARCHAR(40), note VARCHAR(200))",
                          u"CHAR_LENGTH");
}

}  // namespace
}  // namespace odbc_env
