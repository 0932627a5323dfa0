// The in-memory result set as the host walks it, through the cursor record,
// with the plug-in's code linked into the test and started on the
// substitute host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <tavro_host/tavro_host.h>

#include "checked_host.h"

#include "catalogue/in_memory_cursor.h"
#include "odbc/cursor_bridge.h"

extern "C" int32_t TAVRO_CALL VANTPluginMain(TavroResolver resolver);

using sqelto::CatalogueCell;
using sqelto::InMemoryCursor;

namespace {

class InMemoryResult : public ::testing::Test {
protected:
  InMemoryResult() {
    tavro::useUtf8Locale();
    host_.runPluginMain(&VANTPluginMain);
  }

  // Hands the cursor to the host as the catalogue functions do.
  tavro::RecordSet Hand(InMemoryCursor* cursor) {
    tavro::Host::CallScope scope(host_);
    tavro::Object object = tavro::Object::adopt(sqelto::HandCursorToHost(cursor, sqelto::HostCursorKind::RecordSet));
    scope.finish();
    return tavro::RecordSet(host_, object);
  }

  // The cursor record's value word called with outs set beforehand, to see
  // which it writes.
  struct RawValue {
    void* value = reinterpret_cast<void*>(0x1);
    uint8_t type = 0xAB;
    int32_t length = -7;
  };
  RawValue Raw(tavro::RecordSet& rows, int32_t column) {
    RawValue out;
    tavro::Host::CallScope scope(host_);
    rows.cursorRecord()->columnValue(rows.handle(), column, &out.value, &out.type, &out.length);
    scope.finish();
    return out;
  }

  static InMemoryCursor* Letters() {
    auto* cursor = new InMemoryCursor({"Name", "Flag", "Count"});
    cursor->AppendRow({{"alpha"}, {"True", TAVRO_COLUMN_BOOLEAN}, {"4", TAVRO_COLUMN_SMALLINT}});
    cursor->AppendRow({{""}, {"yes", TAVRO_COLUMN_BOOLEAN}, {"5", TAVRO_COLUMN_SMALLINT}});
    return cursor;
  }

  sqelto_test::CheckedHost host_;
};

TEST_F(InMemoryResult, AnEmptyAnswerHasItsColumnsAndNoRows) {
  tavro::RecordSet rows = Hand(new InMemoryCursor({"ProcedureName", "ProcedureType"}));
  EXPECT_EQ(rows.columnCount(), 2);
  EXPECT_EQ(rows.columnName(0), "ProcedureName");
  EXPECT_EQ(rows.columnName(1), "ProcedureType");
  EXPECT_TRUE(rows.columnNameIsNull(2));
  EXPECT_TRUE(rows.columnNameIsNull(-1));
  EXPECT_EQ(rows.recordCount(), 0);
  EXPECT_FALSE(rows.next());
  EXPECT_FALSE(rows.next());
  EXPECT_EQ(rows.columnType(0), TAVRO_COLUMN_UNKNOWN);
}

TEST_F(InMemoryResult, NothingIsReadBeforeTheFirstRowOrAfterTheLast) {
  tavro::RecordSet rows = Hand(Letters());
  EXPECT_EQ(rows.recordCount(), 2);
  for (int32_t column = 0; column < 3; ++column) {
    EXPECT_EQ(rows.columnType(column), TAVRO_COLUMN_UNKNOWN);
    const RawValue untouched = Raw(rows, column);
    EXPECT_EQ(untouched.value, reinterpret_cast<void*>(0x1));
    EXPECT_EQ(untouched.type, 0xAB);
    EXPECT_EQ(untouched.length, -7);
  }
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.columnType(3), TAVRO_COLUMN_UNKNOWN);
  EXPECT_EQ(Raw(rows, 3).type, 0xAB);
  EXPECT_EQ(Raw(rows, -1).type, 0xAB);
  ASSERT_TRUE(rows.next());
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(rows.next());
  EXPECT_EQ(rows.columnType(0), TAVRO_COLUMN_UNKNOWN);
  EXPECT_EQ(Raw(rows, 0).type, 0xAB);
}

TEST_F(InMemoryResult, CellCodesDecideHowValuesAreDelivered) {
  tavro::RecordSet rows = Hand(Letters());
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.columnType(0), TAVRO_COLUMN_HOST_STRING);
  EXPECT_EQ(rows.value(0).asText(), "alpha");
  // Code 12: a boolean, true for "1" or "true" in any letter case.
  EXPECT_EQ(rows.columnType(1), TAVRO_COLUMN_BOOLEAN);
  const tavro::Value flag = rows.value(1);
  EXPECT_EQ(flag.kind(), tavro::Value::Kind::Boolean);
  EXPECT_TRUE(flag.asBoolean());
  EXPECT_EQ(flag.columnLength, 1);
  // Any other code is text, whatever the code says.
  EXPECT_EQ(rows.columnType(2), TAVRO_COLUMN_SMALLINT);
  const tavro::Value count = rows.value(2);
  EXPECT_EQ(count.columnType, TAVRO_COLUMN_HOST_STRING);
  EXPECT_EQ(count.asText(), "4");
  ASSERT_TRUE(rows.next());
  // An SQL NULL is the empty text, not a null value.
  const tavro::Value empty = rows.value(0);
  EXPECT_EQ(empty.kind(), tavro::Value::Kind::Text);
  EXPECT_EQ(empty.asText(), "");
  EXPECT_FALSE(rows.value(1).asBoolean());  // "yes"
}

TEST_F(InMemoryResult, OnlyTheLatestValueIsKeptAndMovingBackChangesNothing) {
  tavro::RecordSet rows = Hand(Letters());
  ASSERT_TRUE(rows.next());
  const int64_t before = host_.liveStrings();
  const RawValue first = Raw(rows, 0);
  EXPECT_EQ(first.type, TAVRO_COLUMN_HOST_STRING);
  EXPECT_EQ(first.length, 4);
  EXPECT_EQ(host_.liveStrings(), before + 1);
  const RawValue second = Raw(rows, 2);
  EXPECT_EQ(second.value, first.value) << "one slot";
  EXPECT_EQ(host_.liveStrings(), before + 1) << "the first value's string was released";
  rows.first();
  rows.previous();
  rows.last();
  EXPECT_EQ(rows.value(0).asText(), "alpha");
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(2).asText(), "5");
  EXPECT_FALSE(rows.next());
}

TEST_F(InMemoryResult, BooleanTexts) {
  for (const char* text : {"1", "true", "TRUE", "True", "tRuE"}) EXPECT_TRUE(sqelto::CellTextIsTrue(text)) << text;
  for (const char* text : {"0", "false", "yes", "", "true ", "11", "truex"})
    EXPECT_FALSE(sqelto::CellTextIsTrue(text)) << text;
}

}  // namespace
