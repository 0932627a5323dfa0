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

// Moving past either end of a scrollable cursor is no failure: it reports
// nothing, not even a diagnostic an earlier call left on the connection.
TEST_F(CursorValues, MovingPastEitherEndReportsNothing) {
  Run({"CREATE TABLE " + table_ + " (id INTEGER)", "INSERT INTO " + table_ + " VALUES (1), (2)"});
  tavro::Database db = session_.Connected(under_.connectionString, true);
  tavro::RecordSet rows = db.select("SELECT id FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
  session_.host().call<tavro::Object>(db.object(), "GetConnectionAttribute", int32_t{113});
  if (db.lastErrorCode() == 0) GTEST_SKIP() << under_.name << " answers the connection timeout";
  rows.first();
  EXPECT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  EXPECT_EQ(rows.value(0).asInteger(), 1);
  rows.previous();
  EXPECT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  EXPECT_TRUE(rows.value(0).isNil());
  rows.last();
  EXPECT_EQ(rows.value(0).asInteger(), 2);
  EXPECT_FALSE(rows.next());
  EXPECT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
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

// SQLite keeps any whole number in an INTEGER column and describes the
// column as INTEGER: values beyond 32 bits arrive as 64-bit integers, the
// others exactly as a 32-bit INTEGER value always did.
TEST_F(CursorValues, IntegerColumnValuesBeyond32BitsArriveWhole) {
  if (under_.postgres) GTEST_SKIP() << "PostgreSQL's INTEGER holds 32 bits only";
  Run({"CREATE TABLE " + table_ + " (id INTEGER, n INTEGER)",
       "INSERT INTO " + table_ + " VALUES (1, 3000000000), (2, -2147483649), (3, 2147483647), (4, -2147483648), "
       "(5, NULL), (6, 7)"});
  tavro::RecordSet rows = Db().select("SELECT n FROM " + table_ + " ORDER BY id");
  ASSERT_FALSE(rows.isNull()) << Db().lastErrorString();
  EXPECT_EQ(rows.columnType(0), TAVRO_COLUMN_INTEGER);
  struct Expected {
    int64_t value;
    int32_t type, length;
  };
  for (const Expected& expected : {Expected{3000000000, TAVRO_COLUMN_INT64, 8},
                                   Expected{-2147483649, TAVRO_COLUMN_INT64, 8},
                                   Expected{2147483647, TAVRO_COLUMN_INTEGER, 4},
                                   Expected{-2147483648, TAVRO_COLUMN_INTEGER, 4}}) {
    ASSERT_TRUE(rows.next());
    const tavro::Value value = rows.value(0);
    EXPECT_EQ(value.asInteger(), expected.value);
    EXPECT_EQ(value.columnType, expected.type) << expected.value;
    EXPECT_EQ(value.columnLength, expected.length) << expected.value;
  }
  ASSERT_TRUE(rows.next());
  EXPECT_TRUE(rows.value(0).isNil());
  EXPECT_EQ(rows.value(0).columnType, TAVRO_COLUMN_NULL);
  // After a wide value and a NULL, a small one is a 32-bit INTEGER again.
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asInteger(), 7);
  EXPECT_EQ(rows.value(0).columnType, TAVRO_COLUMN_INTEGER);
  EXPECT_EQ(Db().lastErrorCode(), 0);
}
