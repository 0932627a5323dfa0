// How DataSource, Host, UserName and Password become a connection string.
#include <gtest/gtest.h>

#include <string>

#include "odbc/connect.h"

using sqelto::ComposeConnectionString;

TEST(ConnectionString, BareNamesBecomeDsnStrings) {
  EXPECT_EQ(ComposeConnectionString("Sales", "ignored-host", "ann", "pw"), "DSN=Sales;UID=ann;PWD=pw;");
  EXPECT_EQ(ComposeConnectionString("", "HostDsn", "ann", ""), "DSN=HostDsn;UID=ann;PWD=;");
}

TEST(ConnectionString, ValuesThatWouldEndEarlyAreBracedAndOthersLeftAlone) {
  // A password must not add attributes of its own (another Database, say).
  EXPECT_EQ(ComposeConnectionString("Sales", "", "ann", "x;Database=/tmp/other.db"),
            "DSN=Sales;UID=ann;PWD={x;Database=/tmp/other.db};");
  EXPECT_EQ(ComposeConnectionString("", "Sa;les", "a;nn", "p}w;"), "DSN={Sa;les};UID={a;nn};PWD={p}}w;};");
  // A leading brace would open a braced value in drivers that read braces.
  EXPECT_EQ(ComposeConnectionString("Sales", "", "{ann}", "{"), "DSN=Sales;UID={{ann}}};PWD={{};");
  // Braces, '=' and blanks elsewhere are read alike either way: unchanged.
  EXPECT_EQ(ComposeConnectionString("Sales", "", "a{n}n", " p=w} "), "DSN=Sales;UID=a{n}n;PWD= p=w} ;");
}

TEST(ConnectionString, KeywordsInAnyCaseAreUsedUnchanged) {
  const std::string full = "Driver=SQLite3;Database=/tmp/x.db;";
  EXPECT_EQ(ComposeConnectionString(full, "SomeHost", "ann", "pw"), full);
  EXPECT_EQ(ComposeConnectionString("dsn=Sales;uid=x", "", "", ""), "dsn=Sales;uid=x");
  EXPECT_EQ(ComposeConnectionString("LiBrArY=x.so", "", "", ""), "LiBrArY=x.so");
  EXPECT_EQ(ComposeConnectionString("", "", "ann", "pw"), "") << "nothing given: the driver manager decides";
}

TEST(ConnectionString, ResultsThatDoNotFitAreRefusedNotCut) {
  const std::string user(4070, 'u');  // "DSN=d;UID=" + 4070 + ";PWD=;" is 4087 bytes: fits
  EXPECT_TRUE(ComposeConnectionString("d", "", user, "").has_value());
  EXPECT_FALSE(ComposeConnectionString("d", "", user, "longer-password").has_value());
  EXPECT_FALSE(ComposeConnectionString("Driver=" + std::string(4089, 'x'), "", "", "").has_value());
  EXPECT_TRUE(ComposeConnectionString("Driver=" + std::string(4088, 'x'), "", "", "").has_value());
  // A quoted value's braces and doubled '}' count: "DSN=d;UID=;PWD={" + 4077 + "};" is 4095 bytes.
  EXPECT_TRUE(ComposeConnectionString("d", "", "", ";" + std::string(4076, 'p')).has_value());
  EXPECT_FALSE(ComposeConnectionString("d", "", "", ";" + std::string(4075, 'p') + "}").has_value());
}
