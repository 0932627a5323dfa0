// The converters every value and statement passes through.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "odbc/text_conversion.h"

using sqelto::odbc::Cp1252ToUtf16;
using sqelto::odbc::Utf16ToUtf8;
using sqelto::odbc::Utf16Unit;
using sqelto::odbc::Utf8LengthOf;
using sqelto::odbc::Utf8ToUtf16;

namespace {

std::string RoundTrip(const std::string& utf8) {
  auto units = Utf8ToUtf16(utf8.data(), utf8.size());
  std::string out(Utf8LengthOf(units.data(), units.size() - 1), '\0');
  out.resize(Utf16ToUtf8(units.data(), units.size() - 1, out.data(), out.size()));
  return out;
}

// One character at a time, with no shortcut: what the fast conversion must
// give for every input and room.
std::string PlainUtf16ToUtf8(const std::vector<Utf16Unit>& units, std::size_t capacity) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
      code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
    else if (code >= 0xD800 && code <= 0xDFFF)
      code = 0xFFFD;
    std::string bytes;
    if (code < 0x80) {
      bytes = {char(code)};
    } else if (code < 0x800) {
      bytes = {char(0xC0 | (code >> 6)), char(0x80 | (code & 0x3F))};
    } else if (code < 0x10000) {
      bytes = {char(0xE0 | (code >> 12)), char(0x80 | ((code >> 6) & 0x3F)), char(0x80 | (code & 0x3F))};
    } else {
      bytes = {char(0xF0 | (code >> 18)), char(0x80 | ((code >> 12) & 0x3F)), char(0x80 | ((code >> 6) & 0x3F)),
               char(0x80 | (code & 0x3F))};
    }
    if (out.size() + bytes.size() > capacity) break;
    out += bytes;
  }
  return out;
}

}  // namespace

TEST(TextConversion, RoundTripsEveryPlaneAndEndsWithOneTerminator) {
  const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x98\x80";  // "Grüße ✓ 😀"
  auto units = Utf8ToUtf16(text.data(), text.size());
  ASSERT_EQ(units.size(), 11u);  // 8 BMP units + a surrogate pair + terminator
  EXPECT_EQ(units[5], 0x20);
  EXPECT_EQ(units[6], 0x2713);
  EXPECT_EQ(units[8], 0xD83D);
  EXPECT_EQ(units[9], 0xDE00);
  EXPECT_EQ(units.back(), 0);
  EXPECT_EQ(RoundTrip(text), text);
}

TEST(TextConversion, InvalidInputBecomesReplacementCharacters) {
  // A stray continuation byte, a truncated sequence at the end, an overlong
  // form and an encoded surrogate.
  const std::string bad = "a\x80" "b\xC0\xAF" "c\xED\xA0\x80" "d\xE2\x9C";
  auto units = Utf8ToUtf16(bad.data(), bad.size());
  std::u16string got(units.begin(), units.end() - 1);
  EXPECT_EQ(got.find(u'a'), 0u);
  EXPECT_NE(got.find(u'\xFFFD'), std::u16string::npos);
  EXPECT_EQ(got.back(), u'\xFFFD');
  for (char16_t c : got) EXPECT_FALSE(c >= 0xD800 && c <= 0xDFFF) << "no surrogate may come out of bad input";

  const Utf16Unit lone[] = {0x41, 0xD800, 0x42, 0xDC00};
  char out[16];
  const std::size_t n = Utf16ToUtf8(lone, 4, out, sizeof out);
  EXPECT_EQ(std::string(out, n), "A\xEF\xBF\xBD" "B\xEF\xBF\xBD");
}

TEST(TextConversion, CutsOnlyAtCharacterBoundaries) {
  const Utf16Unit text[] = {0x41, 0x2713, 0x42};  // "A✓B": 1 + 3 + 1 bytes
  char out[8] = {};
  EXPECT_EQ(Utf16ToUtf8(text, 3, out, 3), 1u) << "the check mark needs three bytes and must not be split";
  EXPECT_EQ(Utf16ToUtf8(text, 3, out, 4), 4u);
  EXPECT_EQ(Utf16ToUtf8(text, 3, out, 0), 0u);
}

TEST(TextConversion, WindowsLatin1MapsTheHighControlsRange) {
  const std::string bytes = "\x80\x9F\xE9\x81";  // euro sign, Y with diaeresis, e acute, undefined byte
  auto units = Cp1252ToUtf16(bytes.data(), bytes.size());
  ASSERT_EQ(units.size(), 5u);
  EXPECT_EQ(units[0], 0x20AC);
  EXPECT_EQ(units[1], 0x0178);
  EXPECT_EQ(units[2], 0x00E9);
  EXPECT_EQ(units[3], 0x0081);
}

// Text is copied in blocks of ASCII units: mixed text of every length, with
// non-ASCII units at every position and room ending anywhere, must give what
// a plain conversion gives and leave every byte beyond the result untouched
// (callers keep a terminator or other data right after the room they pass).
TEST(TextConversion, MixedTextMatchesAPlainConversionAtEveryLengthAndRoom) {
  std::mt19937 random(20261209);
  const Utf16Unit pool[] = {'a', 'Z', ' ', '7', 0x7F, 0x80, 0xFC, 0x7FF, 0x800, 0x2713, 0xFFFF, 0xD83D, 0xDE00, 0xDBFF, 0xDC00};
  constexpr unsigned char kUntouched = 0xA5;
  for (int round = 0; round < 4000; ++round) {
    const std::size_t length = random() % 70;
    const int asciiShare = static_cast<int>(random() % 101);  // percent: runs of all lengths
    std::vector<Utf16Unit> units(length);
    for (auto& unit : units)
      unit = static_cast<int>(random() % 100) < asciiShare ? static_cast<Utf16Unit>(0x20 + random() % 0x5F)
                                                           : pool[random() % std::size(pool)];
    const std::size_t room = round % 3 == 0 ? length * 4 + 8 : random() % (length * 3 + 8);
    std::vector<unsigned char> out(room + 32, kUntouched);
    const std::size_t written = Utf16ToUtf8(units.data(), units.size(), reinterpret_cast<char*>(out.data()), room);
    const std::string expected = PlainUtf16ToUtf8(units, room);
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(out.data()), written), expected)
        << "round " << round << ", " << length << " units, room " << room;
    for (std::size_t k = written; k < out.size(); ++k)
      ASSERT_EQ(out[k], kUntouched) << "byte " << k << " beyond the " << written << " written, round " << round;
  }
}
