// Text handed to ODBC with a length is refused when it holds a NUL: drivers
// stop reading at it, so the rest of a statement or connection string would
// silently be dropped (a DELETE would lose its WHERE clause).
#include <gtest/gtest.h>

#include <string>

#include "plugin_session.h"

using tavro::Value;

namespace {

class StatementText : public plugin_odbc_test::DriverTest {
protected:
  int64_t RowCount() {
    tavro::RecordSet rows = Db().select("SELECT COUNT(*) FROM " + table_);
    return !rows.isNull() && rows.next() ? rows.value(0).asInteger() : -1;
  }
  void ExpectRefusedForNul(tavro::Database& db, const std::string& what, std::size_t offset) {
    EXPECT_EQ(db.lastErrorCode(), -1);
    EXPECT_EQ(db.lastErrorString(),
              "The " + what + " contains a NUL character (U+0000) at byte " + std::to_string(offset) + ".");
  }
};

const std::string kNulThenWhere("\0 WHERE id = 1", 14);

}  // namespace

TEST_F(StatementText, AStatementWithANulIsRefusedNotCut) {
  Run({"CREATE TABLE " + table_ + " (id INTEGER)", "INSERT INTO " + table_ + " VALUES (1), (2), (3)"});
  const std::string remove = "DELETE FROM " + table_;
  Db().execute(remove + kNulThenWhere);
  ExpectRefusedForNul(Db(), "statement", remove.size());
  EXPECT_EQ(RowCount(), 3) << "nothing was deleted";

  tavro::RecordSet rows = Db().select("SELECT id FROM " + table_ + kNulThenWhere);
  EXPECT_TRUE(rows.isNull());
  ExpectRefusedForNul(Db(), "statement", ("SELECT id FROM " + table_).size());
}

TEST_F(StatementText, ConnectionStringsWithANulAreRefused) {
  tavro::Host& host = session_.host();
  // In the DataSource itself: the rest would be dropped.
  tavro::Object full = session_.NewDatabase();
  host.setProperty(full, "DataSource", Value(under_.connectionString + std::string("\0Extra=1;", 9)));
  EXPECT_FALSE(session_.Connect(full));
  tavro::Database fullDb(host, full);
  ExpectRefusedForNul(fullDb, "connection string", under_.connectionString.size());

  // In a user name composed into "DSN=...;UID=...;PWD=...;".
  tavro::Object byName = session_.NewDatabase();
  host.setProperty(byName, "DataSource", Value(under_.dsn));
  host.setProperty(byName, "UserName", Value(std::string("post\0gres", 9)));
  EXPECT_FALSE(session_.Connect(byName));
  tavro::Database byNameDb(host, byName);
  ExpectRefusedForNul(byNameDb, "connection string", ("DSN=" + under_.dsn + ";UID=post").size());

  // In the value of the attribute set before connecting (SQL_ATTR_CURRENT_CATALOG).
  tavro::Object attribute = session_.NewDatabase();
  host.setProperty(attribute, "DataSource", Value(under_.connectionString));
  host.setProperty(attribute, "Attribute", Value(int32_t{109}));
  host.setProperty(attribute, "AttributeString", Value(std::string("main\0x", 6)));
  EXPECT_FALSE(session_.Connect(attribute));
  tavro::Database attributeDb(host, attribute);
  ExpectRefusedForNul(attributeDb, "connection attribute value", 4);
}
