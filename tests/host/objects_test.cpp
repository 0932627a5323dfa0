// Instances, properties, methods, strings, variants, arrays and exceptions
// as a host program reaches them, carried out by the fake plug-in.
#include "fake_plugin_fixture.h"

using tavro::Object;
using tavro::String;
using tavro::Value;

TEST_F(FakePluginTest, PropertiesReadAndWriteThroughTheirRecords) {
  Object o = host_.createInstance("FakeCounter");
  EXPECT_EQ(host_.getProperty(o, "Count").asInteger(), 7);  // set by the plug-in's constructor
  host_.setProperty(o, "count", Value(int32_t{40}));
  EXPECT_EQ(host_.call<int32_t>(o, "Add", 2), 42);
  EXPECT_EQ(host_.getProperty(o, "Count").asInteger(), 42);

  host_.setProperty(o, "Label", Value("first"));
  host_.setProperty(o, "Label", Value("Zoë"));  // the first string is released
  EXPECT_EQ(host_.getProperty(o, "Label").asText(), "Zoë");

  EXPECT_TRUE(host_.getProperty(o, "Flag").asBoolean());
  EXPECT_THROW(host_.setProperty(o, "Flag", Value(false)), tavro::HostError);  // setter word 0
  EXPECT_THROW(host_.setProperty(o, "Count", Value("text")), tavro::HostError);
  EXPECT_THROW(host_.getProperty(o, "Nothing"), tavro::HostError);

  EXPECT_DOUBLE_EQ(host_.getProperty(o, "Ratio").asDouble(), 0.5);  // through the getter function
  host_.setProperty(o, "Ratio", Value(2.25));
  EXPECT_DOUBLE_EQ(host_.getProperty(o, "Ratio").asDouble(), 2.25);

  Object probe = host_.createInstance("FakeCounter");
  const int32_t destructed = host_.call<int32_t>(probe, "DestructorCalls");
  const int64_t strings = host_.liveStrings();
  o = Object();  // destructor runs; the host releases the Label string it owned
  EXPECT_EQ(host_.liveStrings(), strings - 1);
  EXPECT_EQ(host_.call<int32_t>(probe, "DestructorCalls"), destructed + 1);
}

TEST_F(FakePluginTest, MethodsAreMatchedAgainstTheirDeclarations) {
  Object o = host_.createInstance("FakeCounter");
  EXPECT_EQ(host_.call<int32_t>(o, "increment", 3), 10);
  EXPECT_THROW(host_.call<int32_t>(o, "Add"), tavro::HostError);          // wrong arity
  EXPECT_THROW(host_.call<int32_t>(o, "Add", "3"), tavro::HostError);     // wrong type
  EXPECT_THROW(host_.call<bool>(o, "Add", 3), tavro::HostError);          // wrong result type
  EXPECT_THROW(host_.call(o, "Missing"), tavro::HostError);
  EXPECT_THROW(host_.call(Object(), "Add", 1), tavro::HostError);
  try {
    host_.call<int32_t>(o, "Add", 1.5);
    FAIL() << "a Double was accepted for an Integer";
  } catch (const tavro::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("Add(amount as Integer) as Integer"), std::string::npos) << e.what();
  }
}

TEST_F(FakePluginTest, StringsConvertBetweenEncodings) {
  Object o = host_.createInstance("FakeCounter");
  const std::string text = "Zoë €";
  String utf16 = host_.call<String>(o, "Utf16Of", text);
  EXPECT_EQ(utf16.encoding(), tavro::Encoding::Utf16);
  EXPECT_EQ(utf16.bytes(), std::string("Z\0o\0\xEB\0 \0\xAC\x20", 10));
  EXPECT_EQ(utf16.utf8(), text);

  String latin1 = host_.call<String>(o, "Latin1Of", utf16);
  EXPECT_EQ(latin1.bytes(), "Zo\xEB \x80");
  EXPECT_EQ(latin1.utf8(), text);
  // A character code page 1252 lacks becomes '?'.
  EXPECT_EQ(host_.call<String>(o, "Latin1Of", "ж").bytes(), "?");

  EXPECT_EQ(host_.call<int32_t>(o, "LenOf", text), 8);    // bytes, not characters
  EXPECT_EQ(host_.call<int32_t>(o, "LenOf", utf16), 10);  // in the string's own encoding
  EXPECT_EQ(host_.call<int32_t>(o, "LenOf", String()), 0);

  std::string out;
  EXPECT_FALSE(tavro::convertText("\xC3", tavro::Encoding::Utf8, tavro::Encoding::Utf16, out));  // truncated
  EXPECT_FALSE(tavro::convertText("\xC0\xAF", tavro::Encoding::Utf8, tavro::Encoding::Utf16, out));  // overlong
  EXPECT_TRUE(tavro::convertText("\xF0\x9F\x98\x80", tavro::Encoding::Utf8, tavro::Encoding::Utf16, out));
  EXPECT_EQ(out, std::string("\x3D\xD8\x00\xDE", 4));  // a surrogate pair
}

TEST_F(FakePluginTest, RaisedExceptionSurfacesAfterThePluginReturns) {
  Object o = host_.createInstance("FakeCounter");
  try {
    host_.call(o, "Fail", 9005);
    FAIL() << "no exception";
  } catch (const tavro::RaisedException& e) {
    EXPECT_EQ(e.className(), "DatabaseException");
    EXPECT_EQ(e.message(), "fake failure");
    EXPECT_EQ(e.errorNumber(), 9005);
    EXPECT_TRUE(e.exception().isa("RuntimeException"));
  }
  EXPECT_EQ(host_.call<int32_t>(o, "Add", 0), 7);  // nothing stays pending
}

TEST_F(FakePluginTest, ArraysAndVariantsAreReadTheTwoStageWay) {
  Object o = host_.createInstance("FakeCounter");
  EXPECT_EQ(host_.call<int32_t>(o, "Sum", host_.makeIntegerArray({1, 2, 39})), 42);
  EXPECT_EQ(host_.call<int32_t>(o, "Sum", host_.makeIntegerArray({})), 0);

  Object values = host_.makeVariantArray(
      {host_.makeVariant(Value(int32_t{5})), host_.makeVariant(Value("abc")), Object(),
       host_.makeVariant(Value(2.5)), host_.makeVariant(Value::date(2021, 3, 4)),
       host_.makeVariant(Value(tavro::Bytes{'x', 'y'}))});
  EXPECT_EQ(host_.call<String>(o, "Describe", values).utf8(), "2:5|8:abc|nil|5:2.500000|7:2021-3-4|9:block xy");

  Object v = host_.makeVariant(Value(int64_t{1} << 40));
  EXPECT_EQ(host_.getProperty(v, "Type").asInteger(), 3);
  EXPECT_EQ(host_.getProperty(v, "Int64Value").asInteger(), int64_t{1} << 40);
  EXPECT_THROW(host_.getProperty(host_.makeVariant(Value("x1")), "IntegerValue"), tavro::HostError);
  EXPECT_EQ(host_.getProperty(host_.makeVariantOfType(0x1002, Value(int32_t{1})), "Type").asInteger(), 0x1002);
  EXPECT_THROW(host_.setProperty(v, "Type", Value(int32_t{2})), tavro::HostError);
}

TEST_F(FakePluginTest, ArgumentsAndResultsMustBeOfTheirDeclaredTypes) {
  Object o = host_.createInstance("FakeCounter");
  // The runtime passes arrays of the declared element type only, never Nil.
  EXPECT_THROW(host_.call<int32_t>(o, "Sum", host_.makeVariantArray({})), tavro::HostError);
  EXPECT_THROW(host_.call<String>(o, "Describe", host_.makeIntegerArray({1})), tavro::HostError);
  EXPECT_THROW(host_.call<String>(o, "Describe", nullptr), tavro::HostError);
  EXPECT_THROW(host_.call<String>(o, "Describe", host_.makeVariant(Value(1))), tavro::HostError);
  EXPECT_TRUE(host_.violations().empty());
  // A result of another class than declared is the plug-in's fault.
  Object wrong = host_.call<Object>(o, "WrongCounter", 3);
  EXPECT_EQ(wrong.className(), "Variant");
  EXPECT_EQ(host_.violations(),
            std::vector<std::string>{"WrongCounter(n as Integer) as FakeCounter returned a Variant"});
  host_.clearViolations();
}

TEST_F(FakePluginTest, MisuseAnswersDefaultsAndIsRecorded) {
  Object o = host_.createInstance("FakeCounter");
  const int64_t strings = host_.liveStrings();
  host_.call(o, "Misuse");
  const auto v = host_.violations();
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0], "VANTSetStringEncoding: null string");
  EXPECT_EQ(v[1], "RuntimeUBound: argument is not a host object");
  EXPECT_EQ(v[2], "_UnsafeAttachCurrentThread: not a token of a detach on this thread");
  EXPECT_EQ(host_.liveStrings(), strings);
  host_.clearViolations();
}

TEST_F(FakePluginTest, PluginMadeVariantsAndInstances) {
  Object o = host_.createInstance("FakeCounter");
  Object boxed = host_.call<Object>(o, "Box", 12);  // overload chosen by argument kind
  EXPECT_EQ(host_.getProperty(boxed, "Type").asInteger(), 2);
  EXPECT_EQ(host_.getProperty(boxed, "IntegerValue").asInteger(), 12);
  EXPECT_EQ(host_.getProperty(boxed, "StringValue").asText(), "12");
  EXPECT_DOUBLE_EQ(host_.getProperty(boxed, "DoubleValue").asDouble(), 12.0);
  Object text = host_.call<Object>(o, "Box", "x y");
  EXPECT_EQ(host_.getProperty(text, "Type").asInteger(), 8);
  EXPECT_EQ(host_.getProperty(text, "StringValue").asText(), "x y");
  EXPECT_EQ(boxed.referenceCount(), 1);  // the plug-in handed over its reference

  Object made = host_.call<Object>(o, "NewCounter");
  ASSERT_TRUE(made);
  EXPECT_EQ(made.className(), "FakeCounter");
  EXPECT_EQ(host_.getProperty(made, "Count").asInteger(), 7);  // its constructor ran
}

TEST_F(FakePluginTest, StringEncodingsAreCheckedWhenSet) {
  tavro::String s = host_.makeString("abc");
  auto setEncoding = reinterpret_cast<TavroSetStringEncodingFn>(tavro::Host::resolver()("VANTSetStringEncoding"));
  tavro::Host::CallScope scope(host_);  // as plug-in code the host called
  setEncoding(s.get(), 0x1234);
  EXPECT_EQ(s.encoding(), tavro::Encoding::Utf8);
  setEncoding(s.get(), TAVRO_ENCODING_WINLATIN1);
  EXPECT_EQ(s.encoding(), tavro::Encoding::WinLatin1);
  ASSERT_EQ(host_.violations().size(), 1u);
  EXPECT_EQ(host_.violations()[0], "VANTSetStringEncoding: unknown encoding 4660");
  host_.clearViolations();
}
