// How DataSource, Host, UserName and Password become a connection string.
#include <gtest/gtest.h>

#include <string>

#include "odbc/connect.h"

using sqelto::ComposeConnectionString;

TEST(ConnectionString, BareNamesBecomeDsnStrings) {
  EXPECT_EQ(ComposeConnectionString("Sales", "ignored-host", "ann", "pw"), "DSN=Sales;UID=ann;PWD=pw;");
  EXPECT_EQ(ComposeConnectionString("", "HostDsn", "ann", ""), "DSN=HostDsn;UID=ann;PWD=;");
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
}
