// Pieces of the catalogue that need no driver: the SQL type mapping, the
// reading of the driver's decimal texts, and how names are prepared for
// ODBC's catalogue functions.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <tavro_host/tavro_host.h>

#include "checked_host.h"

#include "catalogue/catalogue_argument.h"
#include "catalogue/sql_type_mapping.h"

extern "C" int32_t TAVRO_CALL VANTPluginMain(TavroResolver resolver);

namespace {

TEST(SqlTypeMapping, EveryOdbcTypeGetsItsHostCode) {
  const std::vector<std::pair<int32_t, int32_t>> table = {
      {-6, 1},  {5, 2},  {4, 3},   {7, 6},   {6, 7},   {8, 7},   {2, 7},   {3, 7},   {9, 8},     {91, 8},
      {10, 9},  {92, 9}, {11, 10}, {93, 10}, {-7, 12}, {-2, 14}, {-3, 14}, {-1, 15}, {-10, 15},  {-4, 16},
      {-5, 19}, {1, 5},  {12, 5},  {-8, 5},  {-9, 5},  {-11, 5}, {0, 5},   {99, 5},  {65540, 5}, {-65532, 5}};
  for (const auto& [sqlType, host] : table) EXPECT_EQ(sqelto::HostTypeOfSqlType(sqlType), host) << sqlType;
}

TEST(SqlTypeMapping, DriverDecimalTexts) {
  EXPECT_EQ(sqelto::DecimalTextValue("93"), 93);
  EXPECT_EQ(sqelto::DecimalTextValue("-10"), -10);
  EXPECT_EQ(sqelto::DecimalTextValue(""), 0);
  EXPECT_EQ(sqelto::DecimalTextValue("abc"), 0);
  EXPECT_EQ(sqelto::DecimalTextValue("12abc"), 12);
  EXPECT_EQ(sqelto::DecimalTextValue("99999999999"), 0);
}

class CatalogueNames : public ::testing::Test {
protected:
  CatalogueNames() {
    tavro::useUtf8Locale();
    host_.runPluginMain(&VANTPluginMain);
  }
  sqelto_test::CheckedHost host_;
  // Catalogue code runs within a call from the host.
  tavro::Host::CallScope scope_{host_};
};

TEST_F(CatalogueNames, NamesBecomeUtf16WithTheirLength) {
  tavro::String name = host_.makeString("käse_1");
  sqelto::CatalogueArgument argument(name.get());
  EXPECT_FALSE(argument.absent());
  EXPECT_EQ(argument.problem(), nullptr);
  ASSERT_EQ(argument.length(), 6);
  EXPECT_EQ(argument.text()[1], 0xE4);
  EXPECT_EQ(argument.text()[6], 0) << "terminated";

  sqelto::CatalogueArgument absent(nullptr);
  EXPECT_TRUE(absent.absent());
  EXPECT_EQ(absent.text(), nullptr);
  EXPECT_EQ(absent.length(), 0);
}

TEST_F(CatalogueNames, NamesOdbcWouldReadAsOtherNamesAreRefused) {
  tavro::String withNul = host_.makeString(std::string("orders\0x", 8));
  EXPECT_STREQ(sqelto::CatalogueArgument(withNul.get()).problem(),
               "The name contains a NUL character (U+0000) at byte 6.");
  tavro::String longest = host_.makeString(std::string(32767, 'n'));
  EXPECT_EQ(sqelto::CatalogueArgument(longest.get()).problem(), nullptr);
  tavro::String tooLong = host_.makeString(std::string(32768, 'n'));
  EXPECT_STREQ(sqelto::CatalogueArgument(tooLong.get()).problem(), sqelto::kNameTooLongText);
}

}  // namespace
