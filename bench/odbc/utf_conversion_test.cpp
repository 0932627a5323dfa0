#include "utf_conversion.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace odbc_bench {
namespace {

std::string toUtf8(const std::u16string& text, std::size_t capacity = 4096) {
  std::string out(capacity, '\0');
  out.resize(utf16ToUtf8(text.data(), text.size(), out.data(), capacity));
  return out;
}

TEST(Utf16ToUtf8, EncodesEveryLengthClassAndSurrogatePairs) {
  EXPECT_EQ(toUtf8(u"Grüße ✓"), "Grüße ✓");
  EXPECT_EQ(toUtf8(u"A\u00e9\u20ac\U0001F600z"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(toUtf8(u""), "");
}

TEST(Utf16ToUtf8, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::u16string loneHigh{u'a', char16_t(0xD83D), u'b'};
  const std::u16string loneLow{char16_t(0xDE00)};
  const std::u16string highAtEnd{u'x', char16_t(0xD83D)};
  EXPECT_EQ(toUtf8(loneHigh), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(toUtf8(loneLow), "\xEF\xBF\xBD");
  EXPECT_EQ(toUtf8(highAtEnd), "x\xEF\xBF\xBD");
}

TEST(Utf16ToUtf8, StopsBeforeACharacterThatDoesNotFit) {
  // "aé€": 1 + 2 + 3 bytes. Each cut must end on a character boundary and
  // never write past the capacity.
  const std::u16string text = u"a\u00e9\u20ac";
  EXPECT_EQ(toUtf8(text, 0), "");
  EXPECT_EQ(toUtf8(text, 2), "a");
  EXPECT_EQ(toUtf8(text, 3), "a\xC3\xA9");
  EXPECT_EQ(toUtf8(text, 5), "a\xC3\xA9");
  EXPECT_EQ(toUtf8(text, 6), "a\xC3\xA9\xE2\x82\xAC");
  char guard[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(utf16ToUtf8(text.data(), text.size(), guard, 2), 1u);
  EXPECT_EQ(guard[1], '#');
}

TEST(Utf8ToUtf16, RoundTripsAndRejectsMalformedInput) {
  EXPECT_EQ(utf8ToUtf16("Grüße ✓ \xF0\x9F\x98\x80"), u"Grüße ✓ \U0001F600");
  EXPECT_THROW(utf8ToUtf16("abc\xC3"), std::invalid_argument);          // cut character
  EXPECT_THROW(utf8ToUtf16("\x80"), std::invalid_argument);             // stray continuation
  EXPECT_THROW(utf8ToUtf16("\xE2\x28\xA1"), std::invalid_argument);     // bad continuation
  EXPECT_THROW(utf8ToUtf16("\xED\xA0\x80"), std::invalid_argument);     // encoded surrogate
  EXPECT_THROW(utf8ToUtf16("\xF4\x90\x80\x80"), std::invalid_argument); // beyond U+10FFFF
}

}  // namespace
}  // namespace odbc_bench
