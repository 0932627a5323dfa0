// The shell's typed parameters (\bind and -p): what each word becomes, and
// the words it refuses before anything runs.
#include <gtest/gtest.h>

#include "parameter_values.h"

using sqelto_shell::ParameterError;
using sqelto_shell::ParseParameter;
using sqelto_shell::SplitParameterWords;

TEST(ShellParameters, TypedAndBareValues) {
  struct Case {
    const char* text;
    const char* type;
    std::string shown;
  };
  const Case cases[] = {
      {"42", "ODBC_TYPE_INTEGER", "42"},
      {"-9000000000", "ODBC_TYPE_BIGINT", "-9000000000"},
      {"2.5", "ODBC_TYPE_DOUBLE", "2.5"},
      {"-1.5e3", "ODBC_TYPE_DOUBLE", "-1500"},
      {"+7", "ODBC_TYPE_INTEGER", "7"},
      // Only plain decimal numbers are numbers; these stay text.
      {"nan", "ODBC_TYPE_STRING", "nan"},
      {"inf", "ODBC_TYPE_STRING", "inf"},
      {"-Infinity", "ODBC_TYPE_STRING", "-Infinity"},
      {"0x1A", "ODBC_TYPE_STRING", "0x1A"},
      {" 5", "ODBC_TYPE_STRING", " 5"},
      {"1e", "ODBC_TYPE_STRING", "1e"},
      {".", "ODBC_TYPE_STRING", "."},
      {"Grüße", "ODBC_TYPE_STRING", "Grüße"},
      {"NULL", "ODBC_TYPE_NULL", "NULL"},
      {"tinyint:-7", "ODBC_TYPE_TINYINT", "-7"},
      {"smallint:32767", "ODBC_TYPE_SMALLINT", "32767"},
      {"INT:5", "ODBC_TYPE_INTEGER", "5"},
      {"bigint:9223372036854775807", "ODBC_TYPE_BIGINT", "9223372036854775807"},
      {"float:1.5", "ODBC_TYPE_FLOAT", "1.5"},
      {"text:12", "ODBC_TYPE_STRING", "12"},
      {"text:", "ODBC_TYPE_STRING", ""},
      {"longtext:a:b", "ODBC_TYPE_LONGSTRING", "a:b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = ParseParameter(c.text);
    EXPECT_EQ(parsed.bindType, c.type);
    EXPECT_EQ(parsed.value.toString(), c.shown);
  }
  EXPECT_EQ(ParseParameter("date:2021-03-04").value.asDateTime(), (tavro::DateTime{2021, 3, 4, 0, 0, 0, 0}));
  EXPECT_EQ(ParseParameter("time:13:14:15").value.asDateTime(), (tavro::DateTime{0, 0, 0, 13, 14, 15, 0}));
  EXPECT_EQ(ParseParameter("timestamp:1999-12-31T23:58:59").value.asDateTime(),
            (tavro::DateTime{1999, 12, 31, 23, 58, 59, 0}));
  EXPECT_EQ(ParseParameter("date:2024-02-29").value.asDateTime(), (tavro::DateTime{2024, 2, 29, 0, 0, 0, 0}));
  EXPECT_EQ(ParseParameter("date:2000-02-29").value.asDateTime(), (tavro::DateTime{2000, 2, 29, 0, 0, 0, 0}));
  EXPECT_EQ(ParseParameter("float:3.4e38").bindType, "ODBC_TYPE_FLOAT");
  EXPECT_EQ(ParseParameter("binary:00ff10").value.asBytes(), (tavro::Bytes{0x00, 0xff, 0x10}));
}

TEST(ShellParameters, RefusedWords) {
  for (const char* bad : {"tinyint:200", "int:4.5", "int:", "bigint:99999999999999999999", "float:x", "date:2021-13-01",
                          "date:2021-03-04x", "time:25:00:00", "timestamp:2021-03-04", "binary:0g", "binary:abc",
                          "money:5", "1e999", "-1e999", "float:1e40", "float:-3.5e38", "double:1e400",
                          "double:nan", "float:inf", "float:0x10", "date:2023-02-30", "date:2023-02-29",
                          "date:2023-04-31", "date:0000-01-01", "time:12:00:60", "time:12:60:00",
                          "timestamp:2021-02-29 10:00:00"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseParameter(bad), ParameterError);
  }
}

TEST(ShellParameters, WordsAreSeparatedByBlanksUnlessQuoted) {
  EXPECT_EQ(SplitParameterWords("  1 'two words'  text:'it''s' "),
            (std::vector<std::string>{"1", "two words", "text:it's"}));
  EXPECT_EQ(SplitParameterWords(""), std::vector<std::string>{});
  EXPECT_THROW(SplitParameterWords("'open"), ParameterError);
}
