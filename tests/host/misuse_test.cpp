// Misuse of entry points that a host runtime refuses: calls from a thread
// that gave the runtime up or was never given it, properties set by a name
// or type the object does not have, text that is not text in its encoding,
// 64-bit values read as 32-bit ones, and a cursor or database record handed
// over twice. Each answers the entry point's default and is recorded.
#include <thread>

#include "fake_plugin_fixture.h"

using tavro::Object;
using tavro::String;
using tavro::Value;

namespace {

template <class Fn>
Fn entryPoint(const char* name) {
  return reinterpret_cast<Fn>(tavro::Host::resolver()(name));
}

}  // namespace

TEST_F(FakePluginTest, EveryEntryPointRefusesADetachedThread) {
  Object o = host_.createInstance("FakeCounter");
  const int64_t strings = host_.liveStrings();
  EXPECT_EQ(host_.call<int32_t>(o, "CallWhileDetached"), 0);
  EXPECT_EQ(host_.violations(),
            (std::vector<std::string>{
                "VANTBuildString: called while the thread is detached from the runtime",
                "IntegerToVariant: called while the thread is detached from the runtime",
                "CreateInstance: called while the thread is detached from the runtime",
                "pluginObjectType: called while the thread is detached from the runtime",
                "VANTDBConnectionDialogCreate: called while the thread is detached from the runtime",
                "DesignAddDataSource: called while the thread is detached from the runtime",
                "VANTLockObject: called while the thread is detached from the runtime",
            }));
  host_.clearViolations();
  EXPECT_TRUE(host_.designDataSources().empty());
  EXPECT_TRUE(host_.dialogs().empty());
  EXPECT_EQ(o.referenceCount(), 1);
  EXPECT_EQ(host_.liveStrings(), strings);
}

TEST_F(FakePluginTest, AThreadInNoHostCallIsRefused) {
  // Not a thread the host called the plug-in on: nothing may run there.
  std::thread outsider([] {
    EXPECT_EQ(entryPoint<TavroBuildStringFn>("VANTBuildString")("x", 1), nullptr);
    EXPECT_EQ(entryPoint<TavroIntegerToVariantFn>("IntegerToVariant")(3), nullptr);
  });
  outsider.join();
  EXPECT_EQ(host_.violations(),
            (std::vector<std::string>{"VANTBuildString: called on a thread that is in no call from the host",
                                      "IntegerToVariant: called on a thread that is in no call from the host"}));
  host_.clearViolations();
  // The same calls within a host call are served.
  tavro::Host::CallScope scope(host_);
  String made = String::adopt(entryPoint<TavroBuildStringFn>("VANTBuildString")("x", 1));
  EXPECT_EQ(made.bytes(), "x");
  EXPECT_TRUE(host_.violations().empty());
}

TEST_F(FakePluginTest, SettingAPropertyByAWrongNameOrTypeIsMisuse) {
  Object o = host_.createInstance("FakeCounter");
  Object target = host_.createInstance("FakeCounter");
  EXPECT_EQ(host_.call<int32_t>(o, "SetBadProperties", target), 0);
  EXPECT_EQ(host_.violations(),
            (std::vector<std::string>{"VANTSetPropValueInteger: property Label takes a String, not Integer",
                                      "VANTSetPropValueInteger: FakeCounter has no property NoSuchProperty",
                                      "VANTSetPropValueString: property Count takes an integer in 32 bits, not Text"}));
  host_.clearViolations();
  EXPECT_EQ(host_.getProperty(target, "Count").asInteger(), 7);  // untouched
}

TEST_F(FakePluginTest, StringDataIsValidatedInItsOwnEncodingToo) {
  Object o = host_.createInstance("FakeCounter");
  const String valid = host_.makeString("Zo\xC3\xAB");
  const String invalid = host_.makeString("Zo\xEB");  // Latin-1 bytes that say they are UTF-8
  const String oddUtf16 = host_.makeString(std::string("A\0B", 3), tavro::Encoding::Utf16);
  EXPECT_TRUE(host_.call<bool>(o, "HasDataIn", valid, TAVRO_ENCODING_UTF8));
  EXPECT_TRUE(host_.violations().empty());
  EXPECT_FALSE(host_.call<bool>(o, "HasDataIn", invalid, TAVRO_ENCODING_UTF8));
  EXPECT_FALSE(host_.call<bool>(o, "HasDataIn", invalid, 0));  // "its own encoding"
  EXPECT_FALSE(host_.call<bool>(o, "HasDataIn", oddUtf16, TAVRO_ENCODING_UTF16));
  EXPECT_EQ(host_.violations(),
            (std::vector<std::string>{
                "PluginGetStringData: the string's bytes are not valid in its encoding 134217984",
                "PluginGetStringData: the string's bytes are not valid in its encoding 134217984",
                "PluginGetStringData: the string's bytes are not valid in its encoding 256"}));
  host_.clearViolations();
  // Bytes without an encoding are no text and are copied as they are.
  EXPECT_TRUE(host_.call<bool>(o, "HasDataIn", host_.makeString("\xFF", tavro::Encoding::Unknown), 0));
}

TEST_F(FakePluginTest, TheIntegerGetterRefusesValuesBeyond32Bits) {
  Object o = host_.createInstance("FakeCounter");
  const Object big = host_.makeVariant(Value((int64_t{1} << 40) + 5));
  const Object small = host_.makeVariant(Value(int64_t{-2147483648}));
  EXPECT_EQ(host_.call<int32_t>(o, "ReadInteger", small, "Int64Value"), -2147483647 - 1);
  EXPECT_TRUE(host_.violations().empty());
  EXPECT_EQ(host_.call<int32_t>(o, "ReadInteger", big, "Int64Value"), -999);
  EXPECT_EQ(host_.violations(),
            (std::vector<std::string>{"VANTGetPropValueInteger: property Int64Value holds 1099511627781, which "
                                      "does not fit the 32-bit Integer this getter reads"}));
  host_.clearViolations();
  // As an Integer the value does not exist: the variant cannot say it in 32 bits.
  EXPECT_EQ(host_.call<int32_t>(o, "ReadInteger", big, "IntegerValue"), -999);
  EXPECT_TRUE(host_.violations().empty());
  EXPECT_THROW(host_.getProperty(big, "IntegerValue"), tavro::HostError);
  EXPECT_EQ(host_.call<int32_t>(o, "ReadInteger", small, "IntegerValue"), -2147483647 - 1);
}

TEST_F(FakePluginTest, ACursorOrDatabaseRecordHandedOverTwiceIsRefused) {
  Object probe = host_.createInstance("FakeCounter");
  const int32_t destroyed = host_.call<int32_t>(probe, "CursorDestroys");
  Object instance = host_.createInstance("FakeDatabase");
  EXPECT_EQ(host_.call<int32_t>(instance, "HandCursorOverTwice"), 1);
  EXPECT_EQ(host_.call<int32_t>(probe, "CursorDestroys"), destroyed + 1);  // by its one owner
  EXPECT_EQ(host_.call<int32_t>(instance, "HandRecordOverAgain"), 0);
  const auto v = host_.violations();
  ASSERT_EQ(v.size(), 3u) << ::testing::PrintToString(v);
  EXPECT_EQ(v[0], "NewRowSetFromDBCursor: the cursor handle belongs to a RecordSet already");
  EXPECT_EQ(v[1], "VANTdbDatabaseFromDBDatabase: the database record belongs to a FakeDatabase already");
  EXPECT_EQ(v[2], "VANTConstructDBDatabase: the database record belongs to a FakeDatabase already");
  host_.clearViolations();
}
