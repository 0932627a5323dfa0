// A data source whose password holds the connection string's separator and
// braces, opened as a stored design-time data source: MariaDB Connector/ODBC
// reads a braced value whole, `}}` as `}`, and checks the password.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "statement_session.h"

using statement_test::StatementSession;

TEST(PasswordLogin, TheOpenerLogsInWithAPasswordHoldingSeparatorsAndBraces) {
  StatementSession session;
  tavro::Database admin = session.Db(session.Connect());
  const std::string user = statement_test::UniqueName("pw");
  const std::string account = "'" + user + "'@'127.0.0.1'";
  // Unquoted, ";Port=1" would send the login to another port.
  const std::string password = "pw;Port=1;}{x=y";
  admin.execute("CREATE USER " + account + " IDENTIFIED BY '" + password + "'");
  ASSERT_EQ(admin.lastErrorCode(), 0) << statement_test::LastError(admin);
  admin.execute("GRANT SELECT ON " + std::string(std::getenv("SQELTO_MARIADB_DATABASE")) + ".* TO " + account);
  EXPECT_EQ(admin.lastErrorCode(), 0) << statement_test::LastError(admin);

  auto open = [&](const std::string& given) {
    const std::string& dsn = session.target().dsn;
    return session.host().openDataSource("ODBC", dsn + '\0' + user + '\0' + given + '\0');
  };
  tavro::Object opened = open(password);
  EXPECT_TRUE(opened);
  if (opened) {
    EXPECT_EQ(session.Rows(opened, "SELECT 7"), (std::vector<std::vector<std::string>>{{"7"}}));
  }
  // The password is really asked for.
  EXPECT_FALSE(open("pw"));
  EXPECT_FALSE(open(password + "}"));

  admin.execute("DROP USER " + account);
}
