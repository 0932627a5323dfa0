#include "descriptor.h"
#include "text_utils.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

TEST(DecodeDescriptor, DecodesHexPairsAsLittleEndianUtf16) {
    // "A$" then U+00E9 then U+4E2D
    const auto text = DecodeDescriptor("41002400E9002D4E");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, (std::u16string{u'A', u'$', u'\u00E9', u'\u4E2D'}));

    // 7,084 digits are 3,542 bytes and 1,771 code units.
    const auto longText = DecodeDescriptor(std::string(7084, '4'));
    ASSERT_TRUE(longText);
    EXPECT_EQ(longText->size(), 1771u);

    // A trailing odd digit and a trailing odd byte are dropped.
    EXPECT_EQ(*DecodeDescriptor("410042"), u"A");
    EXPECT_EQ(*DecodeDescriptor("4100420"), u"A");
    EXPECT_EQ(*DecodeDescriptor(""), u"");
}

TEST(DecodeDescriptor, RejectsAnythingButUppercaseHexDigits) {
    EXPECT_FALSE(DecodeDescriptor("4a00"));
    EXPECT_FALSE(DecodeDescriptor("41 0"));
    EXPECT_FALSE(DecodeDescriptor("G100"));
    EXPECT_FALSE(DecodeDescriptor(std::string("41\0", 3)));
}

TEST(DecodeDescriptor, RoundTripsTextOutsideAnyAnsiCodePage) {
    const std::string text = "Программа$$$製品$$$emoji \xF0\x9F\x98\x80";
    const auto decoded = DecodeDescriptor(EncodeDescriptor(text));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(Utf16ToUtf8(*decoded), text);
    // A lone surrogate cannot crash or vanish silently.
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800)}), "a\xEF\xBF\xBD");
}

TEST(SplitFields, CountsEmptyFieldsAndScansNonOverlapping) {
    EXPECT_TRUE(SplitFields("", "$$$").empty());
    EXPECT_EQ(SplitFields("a$$$$$$b", "$$$"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitFields("$$$$", "$$$"), (std::vector<std::string>{"", "$"}));
    EXPECT_EQ(SplitFields("|||", "|"), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(SplitFields("a$$b", "$$$"), (std::vector<std::string>{"a$$b"}));
}

TEST(NthField, CountsFromOneAndGivesEmptyPastTheEnd) {
    EXPECT_EQ(NthField("key=value=more", "=", 1), "key");
    EXPECT_EQ(NthField("key=value=more", "=", 2), "value");
    EXPECT_EQ(NthField("key=value=more", "=", 3), "more");
    EXPECT_EQ(NthField("key=value=more", "=", 4), "");
    EXPECT_EQ(NthField("key", "=", 2), "");
    EXPECT_EQ(NthField("", "=", 1), "");
    EXPECT_EQ(NthField("a;;c", ";", 2), "");
    EXPECT_EQ(NthField("a;;c", ";", 3), "c");
}

TEST(DescriptorValues, FlagsLabelsAndNumbers) {
    EXPECT_TRUE(IsFlag("1"));
    for (const char* notTrue : {" 1", "01", "true", "Y", "", "1 "}) EXPECT_FALSE(IsFlag(notTrue)) << notTrue;
    EXPECT_EQ(LabelOr("Quit", ""), "Quit");
    EXPECT_EQ(LabelOr("Quit", "Leave"), "Leave");
    EXPECT_EQ(ParseDecimalInt32("2"), 2);
    EXPECT_EQ(ParseDecimalInt32("-7"), -7);
    EXPECT_EQ(ParseDecimalInt32("+1"), 1);
    for (const char* bad : {"", "x", "1.5", " 1", "2147483648", "+-1", "1a"})
        EXPECT_FALSE(ParseDecimalInt32(bad)) << bad;
}

}  // namespace
}  // namespace kestrin
