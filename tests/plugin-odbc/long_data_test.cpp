// Long values read in pieces, against fault-injecting sources: drivers on
// this machine never fail mid-read, so these cases cannot be produced through
// the host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "odbc/long_data.h"

namespace {

using sqelto::LongDataSource;

// Fault injection: answers from a script of (result, payload, SQLSTATE).
class FakeScriptedSource final : public LongDataSource {
public:
  struct Step {
    SQLRETURN rc;
    std::u16string text;
    std::string state;
    SQLLEN length = 0;  // the indicator, when not the text's byte length
  };
  explicit FakeScriptedSource(std::vector<Step> steps, Step repeatForever)
      : steps_(std::move(steps)), forever_(std::move(repeatForever)) {}

  // Text pieces end with a terminator when they fill anything, as a
  // driver's do; binary ones are the text's bytes.
  SQLRETURN GetChunk(SQLSMALLINT cType, void* buffer, SQLLEN bufferLength, SQLLEN* indicator) override {
    ++calls;
    const Step& step = calls <= static_cast<int>(steps_.size()) ? steps_[calls - 1] : forever_;
    current_ = step.state;
    const bool text = cType == SQL_C_WCHAR;
    const std::size_t room = static_cast<std::size_t>(bufferLength) - (text ? 2 : 0);
    const std::size_t bytes = std::min<std::size_t>(step.text.size() * 2, room);
    std::memcpy(buffer, step.text.data(), bytes);
    if (text && bytes > 0) std::memset(static_cast<char*>(buffer) + bytes, 0, 2);
    *indicator = step.length != 0 ? step.length : static_cast<SQLLEN>(step.text.size() * 2);
    return step.rc;
  }
  std::string FirstState() override { return current_; }
  void TraceChunkLength(SQLLEN) override {}
  void ReportFailure() override { ++failures; }

  int calls = 0;
  int failures = 0;

private:
  std::vector<Step> steps_;
  Step forever_;
  std::string current_;
};

std::u16string Of(const std::vector<sqelto::odbc::Utf16Unit>& units) { return {units.begin(), units.end()}; }

std::vector<sqelto::odbc::Utf16Unit> Gather(LongDataSource& source) {
  std::vector<sqelto::odbc::Utf16Unit> text;
  sqelto::GatherLongText(source, text, 1);
  return text;
}

std::vector<unsigned char> GatherBytes(LongDataSource& source) {
  std::vector<unsigned char> bytes;
  sqelto::GatherLongBinary(source, bytes, 1);
  return bytes;
}

std::vector<unsigned char> BytesOf(const std::u16string& text) {
  const auto* first = reinterpret_cast<const unsigned char*>(text.data());
  return {first, first + text.size() * 2};
}

// A text piece that fills a chunk: 4,095 units and the terminator.
constexpr std::size_t kFullPiece = sqelto::kChunkBytes / 2 - 1;

}  // namespace

TEST(LongData, TextThatKeepsFailingEndsAndKeepsWhatWasGathered) {
  FakeScriptedSource source({{SQL_SUCCESS_WITH_INFO, u"first piece ", "01004"}}, {SQL_ERROR, u"", "HY000"});
  const auto text = Gather(source);
  EXPECT_EQ(Of(text), u"first piece ");
  EXPECT_EQ(source.calls, 3) << "one piece, then the failing call and its single retry";
  EXPECT_EQ(source.failures, 1);
}

TEST(LongData, OneRetryCuresATransientError) {
  FakeScriptedSource source({{SQL_ERROR, u"", "HY000"}, {SQL_SUCCESS, u"whole", ""}}, {SQL_ERROR, u"", "HY000"});
  EXPECT_EQ(Of(Gather(source)), u"whole");
  EXPECT_EQ(source.failures, 0);
}

TEST(LongData, AWarningThatIsNotTruncationEndsWithThePieceKept) {
  FakeScriptedSource source({{SQL_SUCCESS_WITH_INFO, u"tail", "01S07"}}, {SQL_SUCCESS_WITH_INFO, u"more", "01004"});
  EXPECT_EQ(Of(Gather(source)), u"tail");
  EXPECT_EQ(source.calls, 1);
}

TEST(LongData, AnEmptyTruncatedPieceCannotLoopForever) {
  FakeScriptedSource source({}, {SQL_SUCCESS_WITH_INFO, u"", "01004"});
  EXPECT_TRUE(Gather(source).empty());
  EXPECT_EQ(source.calls, 1);
}

TEST(LongData, BinaryThatKeepsFailingEndsKeepsWhatWasGatheredAndSaysSo) {
  const std::u16string full(sqelto::kChunkBytes / 2, u'b');
  FakeScriptedSource source({{SQL_SUCCESS_WITH_INFO, full, "01004"}}, {SQL_ERROR, u"", "HY000"});
  EXPECT_EQ(GatherBytes(source), BytesOf(full));
  EXPECT_EQ(source.calls, 3) << "one piece, then the failing call and its single retry";
  EXPECT_EQ(source.failures, 1);
}

TEST(LongData, ABinaryPieceWithAWarningThatIsNotTruncationIsKept) {
  FakeScriptedSource source({{SQL_SUCCESS_WITH_INFO, u"tail", "01S07"}}, {SQL_SUCCESS_WITH_INFO, u"more", "01004"});
  EXPECT_EQ(GatherBytes(source), BytesOf(u"tail"));
  EXPECT_EQ(source.calls, 1);
  EXPECT_EQ(source.failures, 0);
}

// A NUL is a character like any other: a full piece counts up to its
// terminator, the last piece by the length the driver gives.
TEST(LongData, TextKeepsTheNulsItHolds) {
  std::u16string first(kFullPiece, u'a');
  first[10] = u'\0';
  first[kFullPiece - 1] = u'\0';
  const std::u16string last(u"tail\0end", 8);
  FakeScriptedSource source({{SQL_SUCCESS_WITH_INFO, first, "01004"}, {SQL_SUCCESS, last, ""}}, {SQL_ERROR, u"", ""});
  const std::u16string gathered = Of(Gather(source));
  EXPECT_EQ(gathered.size(), first.size() + last.size());
  EXPECT_TRUE(gathered == first + last) << "the text differs";
  EXPECT_EQ(source.failures, 0);
}

// A driver may end a truncated piece a unit early rather than split a
// surrogate pair: what stands after its terminator is no text.
TEST(LongData, ATruncatedPieceEndsAtItsTerminator) {
  std::u16string first(kFullPiece - 1, u'a');
  first[0] = u'\0';
  FakeScriptedSource source({{SQL_SUCCESS_WITH_INFO, first, "01004", 20000}, {SQL_SUCCESS, u"\U0001D11E", ""}},
                            {SQL_ERROR, u"", ""});
  const std::u16string gathered = Of(Gather(source));
  EXPECT_EQ(gathered.size(), first.size() + 2);
  EXPECT_TRUE(gathered == first + u"\U0001D11E") << "the text differs";
}
