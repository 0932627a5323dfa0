// Lazy binding of host entry points, seen from the resolver's side: which
// names the plug-in asks for, how often, and what its wrappers answer.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <frame/host_api.h>
#include <frame/host_binding.h>
#include <tavro_host/tavro_host.h>

namespace {

namespace host = sqelto::host;

class HostBinding : public ::testing::Test {
 protected:
  void SetUp() override {
    host::SetResolver(tavro::Host::resolver());
    host::UnbindAllForTesting();
    host_.resetLookupCounts();
  }
  void TearDown() override {
    host::UnbindAllForTesting();
    EXPECT_EQ(host_.violations(), std::vector<std::string>{}) << "misuse of host entry points";
  }

  tavro::Host host_;
  // The wrappers run as plug-in code does: within a call from the host.
  tavro::Host::CallScope scope_{host_};
};

TEST_F(HostBinding, FoundNameIsLookedUpOnceAndForwarded) {
  tavro::String first = tavro::String::adopt(host::BuildString("abc", 3));
  tavro::String second = tavro::String::adopt(host::BuildString("de", 2));
  EXPECT_EQ(host_.lookupCount("VANTBuildString"), 1);
  EXPECT_EQ(first.bytes(), "abc");
  EXPECT_EQ(second.bytes(), "de");

  host::SetStringEncoding(first.get(), TAVRO_ENCODING_WINLATIN1);
  EXPECT_EQ(host::GetStringEncoding(first.get()), TAVRO_ENCODING_WINLATIN1);
  EXPECT_EQ(host::GetStringEncoding(second.get()), 0u) << "no encoding until one is set";
  EXPECT_EQ(host_.lookupCount("VANTGetStringEncoding"), 1);
}

TEST_F(HostBinding, MissingNameIsAskedAgainOnEveryCallAndAnswersTheDefault) {
  tavro::Object array = host_.makeIntegerArray({7, 8, 9});
  host_.withhold("RuntimeUBound");
  for (int call = 1; call <= 3; ++call) {
    EXPECT_EQ(host::UBound(array.get()), 0);
    EXPECT_EQ(host_.lookupCount("RuntimeUBound"), call);
  }
  // Once the host has it, the next call binds and is served.
  host_.unwithhold("RuntimeUBound");
  EXPECT_EQ(host::UBound(array.get()), 2);
  EXPECT_EQ(host::UBound(array.get()), 2);
  EXPECT_EQ(host_.lookupCount("RuntimeUBound"), 4);
}

TEST_F(HostBinding, EveryWrapperAnswersItsDefaultWhenTheHostHasNothing) {
  for (const std::string &name : tavro::Host::servedNames()) host_.withhold(name);
  const int64_t stringsBefore = host_.liveStrings();
  const int64_t objectsBefore = host_.liveObjects();

  EXPECT_EQ(host::RegisterDataSource("ODBC", nullptr), 0);
  EXPECT_EQ(host::DBConnectionDialogCreate(), nullptr);
  EXPECT_EQ(host::DBConnectionDialogShow(nullptr, nullptr), nullptr);
  EXPECT_EQ(host::ConstructDBDatabase(nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(host::DatabaseFromDBDatabase(nullptr, nullptr), nullptr);
  EXPECT_EQ(host::GetDBFromDatabase(nullptr), nullptr);
  EXPECT_EQ(host::GetDBHost(nullptr), nullptr);
  EXPECT_EQ(host::GetDBUserName(nullptr), nullptr);
  EXPECT_EQ(host::GetDBPassword(nullptr), nullptr);
  EXPECT_EQ(host::CursorFromDBCursor(nullptr, nullptr), nullptr);
  EXPECT_EQ(host::NewRowSetFromDBCursor(nullptr, nullptr), nullptr);
  EXPECT_EQ(host::BuildString("x", 1), nullptr);
  EXPECT_EQ(host::GetStringEncoding(nullptr), 0u);
  EXPECT_EQ(host::StringGetCString(nullptr), nullptr);
  TavroStringData data{"untouched", 9, 7};
  EXPECT_FALSE(host::GetStringData(nullptr, TAVRO_ENCODING_UTF8, &data));
  EXPECT_STREQ(data.data, "untouched");
  EXPECT_EQ(host::UnlockString(nullptr), 0);
  EXPECT_EQ(host::ObjectType("DatabaseException"), nullptr);
  EXPECT_EQ(host::NewInstanceOfClass(nullptr), nullptr);
  EXPECT_FALSE(host::ObjectIsa(nullptr, nullptr));
  EXPECT_EQ(host::UBound(nullptr), 0);
  int32_t integer = 55;
  EXPECT_FALSE(host::GetPropValueInteger(nullptr, "Type", &integer));
  host::IntegerArrayGet(nullptr, 0, &integer);
  EXPECT_EQ(integer, 55) << "no element getter, nothing stored";
  EXPECT_FALSE(host::SetPropValueInteger(nullptr, "ErrorNumber", 1));
  EXPECT_FALSE(host::SetPropValueString(nullptr, "Message", nullptr));
  EXPECT_EQ(host::IntegerToVariant(1), nullptr);
  EXPECT_EQ(host::StringToVariant(nullptr), nullptr);
  EXPECT_EQ(host::LoadGlobalMethod(nullptr, "LenB( s as string ) as integer"), nullptr);
  EXPECT_EQ(host::LenB(nullptr), 0);
  EXPECT_EQ(host::DetachCurrentThread(), nullptr);
  host::AttachCurrentThread(nullptr);
  host::RaiseException(nullptr);

  EXPECT_EQ(host_.liveStrings(), stringsBefore);
  EXPECT_EQ(host_.liveObjects(), objectsBefore);
  // Names with an older second name asked for both.
  EXPECT_EQ(host_.lookupCount("VANTGetPropValueInteger"), 1);
  EXPECT_EQ(host_.lookupCount("VANTGetPropValueInt"), 1);
  EXPECT_EQ(host_.lookupCount("Int32ToVariant"), 1);
  EXPECT_EQ(host_.lookupCount("RuntimeArrayDirectGetGetProc"), 1);
}

TEST_F(HostBinding, SecondNameServesAndTheSlotKeepsIt) {
  tavro::Object variant = host_.makeVariant(tavro::Value(int32_t{42}));
  host_.withhold("VANTGetPropValueInteger");

  int32_t value = 0;
  ASSERT_TRUE(host::GetPropValueInteger(variant.get(), "IntegerValue", &value));
  EXPECT_EQ(value, 42);
  EXPECT_EQ(host_.lookupCount("VANTGetPropValueInteger"), 1);
  EXPECT_EQ(host_.lookupCount("VANTGetPropValueInt"), 1);

  // The slot now holds the older function for good: neither name is asked
  // again, even once the host offers the first one.
  host_.unwithhold("VANTGetPropValueInteger");
  ASSERT_TRUE(host::GetPropValueInteger(variant.get(), "Type", &value));
  EXPECT_EQ(value, TAVRO_VARIANT_INTEGER);
  EXPECT_EQ(host_.lookupCount("VANTGetPropValueInteger"), 1);
  EXPECT_EQ(host_.lookupCount("VANTGetPropValueInt"), 1);
}

TEST_F(HostBinding, OtherSecondNames) {
  host_.withhold("IntegerToVariant");
  tavro::Object boxed = tavro::Object::adopt(host::IntegerToVariant(-5));
  ASSERT_TRUE(boxed);
  EXPECT_EQ(host_.lookupCount("Int32ToVariant"), 1);
  EXPECT_EQ(host_.getProperty(boxed, "IntegerValue").asInteger(), -5);

  host_.withhold("PluginIntegerArrayGetProc");
  tavro::Object array = host_.makeIntegerArray({10, 20, 30});
  int32_t element = 0;
  host::IntegerArrayGet(array.get(), 2, &element);
  EXPECT_EQ(element, 30);
  EXPECT_EQ(host_.lookupCount("RuntimeArrayDirectGetGetProc"), 1);
  host::IntegerArrayGet(array.get(), 0, nullptr);  // no out pointer: nothing stored, no fault
}

TEST_F(HostBinding, CreateInstanceWithoutAClassDoesNotConsultTheHost) {
  EXPECT_EQ(host::CreateInstance(nullptr), nullptr);
  EXPECT_EQ(host_.lookupCount("CreateInstance"), 0);

  TavroClass exceptionClass = host::ObjectType("DatabaseException");
  ASSERT_NE(exceptionClass, nullptr);
  tavro::Object exception = tavro::Object::adopt(host::CreateInstance(exceptionClass));
  ASSERT_TRUE(exception);
  EXPECT_EQ(exception.className(), "DatabaseException");
  EXPECT_TRUE(host::ObjectIsa(exception.get(), exceptionClass));
  EXPECT_EQ(host_.lookupCount("CreateInstance"), 1);
}

TEST_F(HostBinding, ArraysStringsAndTheLenBGlobalMethod) {
  tavro::Object first = host_.makeVariant(tavro::Value(int32_t{1}));
  tavro::Object array = host_.makeVariantArray({first, tavro::Object()});
  TavroObject element = nullptr;
  host::ObjectArrayGet(array.get(), 0, &element);
  EXPECT_EQ(tavro::Object::adopt(element), first);  // the element comes with a reference of its own

  // LenB is the byte length in the string's own encoding.
  tavro::String text = host_.makeString("h\xC3\xA9llo");
  EXPECT_EQ(host::LenB(text.get()), 6);
  EXPECT_EQ(host::LenB(text.get()), 6);
  EXPECT_EQ(host_.lookupCount("VANTLoadGlobalMethod"), 1);

  TavroStringData data{};
  ASSERT_TRUE(host::GetStringData(text.get(), TAVRO_ENCODING_WINLATIN1, &data));
  EXPECT_EQ(std::string(data.data, data.length), "h\xE9llo");
  host::DisposeStringData(&data);
  EXPECT_EQ(host_.liveStringData(), 0);
}

}  // namespace
