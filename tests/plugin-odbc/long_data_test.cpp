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
  };
  explicit FakeScriptedSource(std::vector<Step> steps, Step repeatForever)
      : steps_(std::move(steps)), forever_(std::move(repeatForever)) {}

  SQLRETURN GetChunk(SQLSMALLINT, void* buffer, SQLLEN bufferLength, SQLLEN* indicator) override {
    ++calls;
    const Step& step = calls <= static_cast<int>(steps_.size()) ? steps_[calls - 1] : forever_;
    current_ = step.state;
    const std::size_t bytes = std::min<std::size_t>(step.text.size() * 2, static_cast<std::size_t>(bufferLength) - 2);
    std::memcpy(buffer, step.text.data(), bytes);
    *indicator = static_cast<SQLLEN>(step.text.size() * 2);
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
