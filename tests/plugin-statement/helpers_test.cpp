// The plug-in's pure decisions, which the host-level tests reach only a few
// cases of: the bind type of every Variant type code, the information-type
// classes, data-source identifiers and stored data-source data.
#include <gtest/gtest.h>

#include <string>

#include "frame/connection_dialog.h"
#include "frame/data_source_opener.h"
#include "odbc/connection_attributes.h"
#include "odbc/driver_information.h"
#include "statement/bind_types.h"
#include "statement/variant_bind_type.h"

using namespace sqelto;

TEST(VariantBindTypes, EveryVariantCodeHasItsTypeOrItsError) {
  struct Case {
    int32_t code;
    bool memoryBlock;
    int32_t type;
    const char* error;
  };
  const Case cases[] = {
      {0, false, kBindNull, ""},          {2, false, kBindInteger, ""},        {3, false, kBindBigInt, ""},
      {4, false, kBindFloat, ""},         {5, false, kBindDouble, ""},         {6, false, kBindString, ""},
      {7, false, kBindTimestamp, ""},     {8, false, kBindString, ""},         {9, true, kBindBinary, ""},
      {9, false, kBindNull, "Unsupported Variant type 9"},                     {11, false, kBindTinyInt, ""},
      {37, false, kBindString, ""},       {38, false, kBindTimestamp, ""},     {1, false, kBindNull, "Unsupported Variant type 1"},
      {16, false, kBindNull, "Unsupported Variant type 16"},                   {100, false, kBindNull, "Unsupported Variant type 100"},
      {0x1000, false, kBindNull, "Parameters cannot be arrays"},               {0x1008, false, kBindNull, "Parameters cannot be arrays"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const DerivedBindType derived = BindTypeForVariantCode(c.code, c.memoryBlock);
    EXPECT_EQ(derived.type, c.type);
    EXPECT_EQ(derived.error, c.error);
  }
}

TEST(InformationTypes, ClassesFollowTheAnswerWidth) {
  EXPECT_EQ(ClassifyInfoType(0), InfoClass::Small);        // SQL_MAX_DRIVER_CONNECTIONS
  EXPECT_EQ(ClassifyInfoType(1), InfoClass::Small);        // SQL_MAX_CONCURRENT_ACTIVITIES
  EXPECT_EQ(ClassifyInfoType(17), InfoClass::Text);        // SQL_DBMS_NAME
  EXPECT_EQ(ClassifyInfoType(29), InfoClass::Text);        // SQL_IDENTIFIER_QUOTE_CHAR
  EXPECT_EQ(ClassifyInfoType(81), InfoClass::Integer);     // SQL_GETDATA_EXTENSIONS
  EXPECT_EQ(ClassifyInfoType(89), InfoClass::Text);        // SQL_KEYWORDS
  EXPECT_EQ(ClassifyInfoType(10005), InfoClass::Small);
  EXPECT_EQ(ClassifyInfoType(10022), InfoClass::Integer);
  EXPECT_EQ(ClassifyInfoType(1058), InfoClass::BuildStamp);
  for (int32_t unsupported : {-1, 115, 122, 126, 173, 562, 565, 1057, 10006, 10020, 10023, 65535})
    EXPECT_EQ(ClassifyInfoType(unsupported), InfoClass::Unsupported) << unsupported;
  // "Mmm dd yyyy hh:mm:ss", the day padded with a blank.
  const std::string stamp = BuildStamp();
  ASSERT_EQ(stamp.size(), 20u);
  EXPECT_EQ(stamp[3], ' ');
  EXPECT_EQ(stamp[11], ' ');
  EXPECT_EQ(stamp.substr(14, 1) + stamp.substr(17, 1), "::");
}

TEST(ConnectionAttributes, NumericTextAndUnsupported) {
  for (int32_t numeric : {4, 101, 102, 103, 104, 107, 108, 110, 111, 112, 113, 1209, 10001, 10014})
    EXPECT_EQ(ClassifyConnectionAttribute(numeric), AttributeKind::Numeric) << numeric;
  for (int32_t text : {105, 106, 109}) EXPECT_EQ(ClassifyConnectionAttribute(text), AttributeKind::Text) << text;
  for (int32_t other : {0, 100, 114, 1208, 10000, 10002})
    EXPECT_EQ(ClassifyConnectionAttribute(other), AttributeKind::Unsupported) << other;
}

TEST(DataSourceIdentifiers, LettersAlwaysDigitsAfterALetter) {
  EXPECT_EQ(DataSourceIdentifier("1st-Data_Base 2"), "stDataBase2");
  EXPECT_EQ(DataSourceIdentifier("123"), "ODBCDatabase1");
  EXPECT_EQ(DataSourceIdentifier(""), "ODBCDatabase1");
  EXPECT_EQ(DataSourceIdentifier("Größe9"), "Gre9");  // bytes outside ASCII are dropped
  EXPECT_EQ(DataSourceIdentifier("Sales2024"), "Sales2024");
}

TEST(StoredDataSources, ThreeFieldsEndedByNuls) {
  const char stored[] = "Sales\0ann\0\0";
  const StoredDataSource fields = SplitStoredDataSource(stored);
  EXPECT_EQ(fields.name, "Sales");
  EXPECT_EQ(fields.user, "ann");
  EXPECT_EQ(fields.password, "");
}
