// How cursor editing finds the table in a statement and writes the
// condition that finds the current row again.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include <tavro/plugin_sdk.h>

#include "odbc/key_condition.h"
#include "odbc/statement_table.h"

using sqelto::KeyCondition;
using sqelto::KeyValue;
using sqelto::LiteralEscapes;
using sqelto::TableNameFromStatement;

namespace {

TEST(StatementTable, TheWordAfterTheFirstFrom) {
  EXPECT_EQ(TableNameFromStatement("SELECT * FROM Orders"), "Orders");
  EXPECT_EQ(TableNameFromStatement("select id\nfrom\t  orders where id = 7"), "orders");
  EXPECT_EQ(TableNameFromStatement("SELECT a FrOm t1, t2"), "t1,");
  EXPECT_EQ(TableNameFromStatement("SELECT (SELECT 1 FROM a) FROM b"), "a)");
  EXPECT_EQ(TableNameFromStatement("SELECT 1"), "");
  EXPECT_EQ(TableNameFromStatement("SELECT fromage FROM"), "");
  EXPECT_EQ(TableNameFromStatement("SELECT x FROM "), "");
  EXPECT_EQ(TableNameFromStatement(" FROM t"), "t");
  EXPECT_EQ(TableNameFromStatement("FROM t"), "") << "FROM must follow a blank";
  EXPECT_EQ(TableNameFromStatement("SELECT * FROM " + std::string(2000, 'x')).size(), 1024u);
}

KeyValue Bytes(uint8_t type, const void* data, int32_t length) {
  return KeyValue{type, static_cast<const unsigned char*>(data), length, {}};
}

KeyValue Text(std::string_view text) { return KeyValue{TAVRO_COLUMN_HOST_STRING, nullptr, 4, text}; }

TEST(KeyCondition, NumbersInDecimalWithEveryDigitADoubleNeeds) {
  const int16_t small = -7;
  const int32_t id = 7;
  const int64_t big = std::numeric_limits<int64_t>::min();
  EXPECT_EQ(KeyCondition("n", Bytes(TAVRO_COLUMN_SMALLINT, &small, 2), LiteralEscapes::QuotesOnly), "n = -7");
  EXPECT_EQ(KeyCondition("n", Bytes(TAVRO_COLUMN_TINYINT, &small, 2), LiteralEscapes::QuotesOnly), "n = -7");
  EXPECT_EQ(KeyCondition("OrderID", Bytes(TAVRO_COLUMN_INTEGER, &id, 4), LiteralEscapes::QuotesOnly), "OrderID = 7");
  EXPECT_EQ(KeyCondition("n", Bytes(TAVRO_COLUMN_INT64, &big, 8), LiteralEscapes::QuotesOnly),
            "n = -9223372036854775808");
  // Six digits would read 0.1 + 0.2 back as 0.3, another number.
  const double sum = 0.1 + 0.2;
  EXPECT_EQ(KeyCondition("x", Bytes(TAVRO_COLUMN_DOUBLE, &sum, 8), LiteralEscapes::QuotesOnly),
            "x = 0.30000000000000004");
  const double third = 1.0 / 3.0;
  const std::string written = *KeyCondition("x", Bytes(TAVRO_COLUMN_DOUBLE, &third, 8), LiteralEscapes::QuotesOnly);
  EXPECT_EQ(std::stod(written.substr(4)), third);
  const double infinite = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(KeyCondition("x", Bytes(TAVRO_COLUMN_DOUBLE, &infinite, 8), LiteralEscapes::QuotesOnly));
  const uint8_t flag = 1;
  EXPECT_EQ(KeyCondition("b", Bytes(TAVRO_COLUMN_BOOLEAN, &flag, 1), LiteralEscapes::QuotesOnly), "b = 1");
}

TEST(KeyCondition, DatesAndTimesAsDatabasesStoreThem) {
  // The host's byte order: each 16-bit field high byte first, the fraction as it is.
  const unsigned char date[6] = {0x07, 0xE5, 0, 3, 0, 4};
  EXPECT_EQ(KeyCondition("d", Bytes(TAVRO_COLUMN_DATE, date, 6), LiteralEscapes::QuotesOnly), "d = '2021-03-04'");
  const unsigned char time[6] = {0, 10, 0, 5, 0, 6};
  EXPECT_EQ(KeyCondition("t", Bytes(TAVRO_COLUMN_TIME, time, 6), LiteralEscapes::QuotesOnly), "t = '10:05:06'");
  unsigned char stamp[16] = {0x07, 0xE5, 0, 3, 0, 4, 0, 10, 0, 5, 0, 6};
  EXPECT_EQ(KeyCondition("s", Bytes(TAVRO_COLUMN_TIMESTAMP, stamp, 16), LiteralEscapes::QuotesOnly),
            "s = '2021-03-04 10:05:06'");
  const uint32_t fraction = 123456000;  // nanoseconds
  std::memcpy(stamp + 12, &fraction, 4);
  EXPECT_EQ(KeyCondition("s", Bytes(TAVRO_COLUMN_TIMESTAMP, stamp, 16), LiteralEscapes::QuotesOnly),
            "s = '2021-03-04 10:05:06.123456'");
  EXPECT_FALSE(KeyCondition("s", Bytes(TAVRO_COLUMN_TIMESTAMP, stamp, 6), LiteralEscapes::QuotesOnly))
      << "a value shorter than its type";
}

TEST(KeyCondition, TextCannotLeaveItsQuotes) {
  EXPECT_EQ(KeyCondition("name", Text("O'Brien"), LiteralEscapes::QuotesOnly), "name = 'O''Brien'");
  EXPECT_EQ(KeyCondition("name", Text("x' OR '1'='1"), LiteralEscapes::QuotesOnly), "name = 'x'' OR ''1''=''1'");
  EXPECT_EQ(KeyCondition("name", Text("a\\' OR 1=1 -- "), LiteralEscapes::QuotesOnly), "name = 'a\\'' OR 1=1 -- '");
  EXPECT_EQ(KeyCondition("name", Text("a\\' OR 1=1 -- "), LiteralEscapes::QuotesAndBackslashes),
            "name = 'a\\\\'' OR 1=1 -- '");
  EXPECT_EQ(KeyCondition("name", Text("Grüße"), LiteralEscapes::QuotesOnly), "name = 'Grüße'");
  EXPECT_FALSE(KeyCondition("name", Text(std::string_view("a\0b", 3)), LiteralEscapes::QuotesOnly))
      << "cut at the NUL it would find another row";
}

TEST(KeyCondition, NullIsIsNullAndBinaryHasNoLiteral) {
  EXPECT_EQ(KeyCondition("k", KeyValue{}, LiteralEscapes::QuotesOnly), "k IS NULL");
  const unsigned char blob[3] = {'a', '\'', 0};
  EXPECT_FALSE(KeyCondition("k", Bytes(TAVRO_COLUMN_BINARY, blob, 3), LiteralEscapes::QuotesOnly));
  EXPECT_FALSE(KeyCondition("k", Bytes(TAVRO_COLUMN_LONG_BINARY, blob, 3), LiteralEscapes::QuotesOnly));
}

}  // namespace
