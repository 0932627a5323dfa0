// What the cursor hands the host for each value: never bytes past a buffer,
// text whole whatever its length, and a value pointer for every type.
#include <gtest/gtest.h>

#include <string>

#include "plugin_session.h"

using plugin_odbc_test::Repeat;

namespace {

class CursorValues : public plugin_odbc_test::DriverTest {
protected:
  // A text value longer than the buffer its column was bound with: SQLite
  // ignores declared sizes, psqlODBC describes an unsized VARCHAR as 255.
  void MakeOverlongRows() {
    const std::string textType = under_.postgres ? "VARCHAR" : "VARCHAR(10)";
    Run({"CREATE TABLE " + table_ + " (id INTEGER, body " + textType + ")",
         "INSERT INTO " + table_ + " VALUES (1, '" + Repeat("x", 3000) + "'), (2, 'short')"});
  }
};

}  // namespace

TEST_F(CursorValues, AFetchThatMovesNowhereLeavesNoValuePastABuffer) {
  MakeOverlongRows();
  tavro::RecordSet rows = Db().select("SELECT body FROM " + table_ + " WHERE id = 1");
  ASSERT_FALSE(rows.isNull()) << Db().lastErrorString();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText().size(), 3000u);
  EXPECT_FALSE(rows.next());
  // No current row any more: the column reads as NULL, not as the bytes of
  // a buffer taken for the old length.
  EXPECT_TRUE(rows.value(0).isNil());
  EXPECT_EQ(Db().lastErrorCode(), 0);
}

TEST_F(CursorValues, ScrollingBeforeTheFirstRowLeavesNoValuePastABuffer) {
  MakeOverlongRows();
  tavro::Database db = session_.Connected(under_.connectionString, true);
  tavro::RecordSet rows = db.select("SELECT body FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText().size(), 3000u);
  rows.previous();
  EXPECT_TRUE(rows.value(0).isNil());
  // Moving again makes the values whole again.
  rows.first();
  EXPECT_EQ(rows.value(0).asText(), Repeat("x", 3000));
  rows.last();
  EXPECT_EQ(rows.value(0).asText(), "short");
}

TEST_F(CursorValues, ShortTextLongerThan1024Utf8BytesComesBackWhole) {
  // UTF-16 fits the inline buffer (400 units = 800 bytes); the UTF-8 form
  // (1,200 bytes) does not fit the inline half it was converted into.
  // PostgreSQL enforces VARCHAR(255); 255 four-byte characters are its most.
  const std::string text =
      under_.postgres ? Repeat("\xF0\x9D\x84\x9E", 255) : Repeat("\xE4\xB8\xAD", 400);  // U+1D11E, U+4E2D
  Run({"CREATE TABLE " + table_ + " (body VARCHAR(255))", "INSERT INTO " + table_ + " VALUES ('" + text + "')"});
  tavro::RecordSet rows = Db().select("SELECT body FROM " + table_);
  ASSERT_FALSE(rows.isNull()) << Db().lastErrorString();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText(), text);
  EXPECT_EQ(Db().lastErrorCode(), 0);
}

TEST_F(CursorValues, EmptyAndNullBinaryValuesPointAtTheirBuffer) {
  const std::string longBinary = under_.postgres ? "BYTEA" : "LONGVARBINARY";
  const std::string empty = under_.postgres ? "decode('', 'hex')" : "X''";
  Run({"CREATE TABLE " + table_ + " (id INTEGER, data " + longBinary + ", body TEXT)",
       "INSERT INTO " + table_ + " VALUES (1, " + empty + ", ''), (2, NULL, NULL)"});
  tavro::RecordSet rows = Db().select("SELECT data, body FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << Db().lastErrorString();
  for (int row = 1; row <= 2; ++row) {
    ASSERT_TRUE(rows.next());
    // The host checks the pointer of every value, an empty one too.
    const tavro::Value data = rows.value(0);
    EXPECT_EQ(data.columnType, TAVRO_COLUMN_LONG_BINARY) << "row " << row;
    EXPECT_TRUE(data.asBytes().empty()) << "row " << row;
    EXPECT_EQ(rows.value(1).asText(), "") << "row " << row;
  }
}
