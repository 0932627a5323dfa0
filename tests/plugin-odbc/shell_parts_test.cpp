// The shell's own text handling: statement splitting and result printing.
#include <gtest/gtest.h>

#include <sstream>

#include "result_printer.h"
#include "statement_splitter.h"

using sqelto_shell::SplitStatements;

TEST(StatementSplitter, SplitsOnlyAtSemicolonsOutsideQuotesAndComments) {
  const auto parts = SplitStatements(
      "SELECT 'a;b', \"c;d\" FROM t; -- x; y\nINSERT INTO t VALUES ('it''s;'); /* ; */ SELECT 1");
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0], "SELECT 'a;b', \"c;d\" FROM t");
  EXPECT_EQ(parts[1], "-- x; y\nINSERT INTO t VALUES ('it''s;')");
  EXPECT_EQ(parts[2], "/* ; */ SELECT 1");
  EXPECT_TRUE(SplitStatements(" ;; \n; -- only a comment").empty());
}

TEST(StatementSplitter, KeepsAnUnfinishedStatementForTheNextLine) {
  sqelto_shell::StatementSplitter splitter;
  splitter.feed("SELECT 'half;\n");
  EXPECT_TRUE(splitter.take().empty());
  EXPECT_TRUE(splitter.inStatement());
  splitter.feed("done';\n");
  const auto parts = splitter.take();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0], "SELECT 'half;\ndone'");
  EXPECT_FALSE(splitter.inStatement());
}

TEST(ResultPrinter, AlignsByCharactersNotBytesAndCountsRows) {
  std::ostringstream out;
  sqelto_shell::ResultPrinter printer(out, sqelto_shell::OutputFormat::Table, {"name", "n"});
  printer.row({"Jürgen", "1"});
  printer.row({"Al", "22"});
  printer.finish();
  EXPECT_EQ(out.str(),
            "name   | n\n"
            "-------+---\n"
            "Jürgen | 1\n"
            "Al     | 22\n"
            "(2 rows)\n");
}

TEST(ResultPrinter, StreamsRowsBeyondTheSizingWindow) {
  std::ostringstream out;
  sqelto_shell::ResultPrinter printer(out, sqelto_shell::OutputFormat::Table, {"v"});
  for (std::size_t i = 0; i < sqelto_shell::ResultPrinter::kSizingRows; ++i) printer.row({"x"});
  const std::size_t printed = out.str().size();
  EXPECT_GT(printed, 0u) << "the first window is printed before the result ends";
  printer.row({"y"});
  EXPECT_GT(out.str().size(), printed) << "later rows go out at once";
  printer.finish();
  EXPECT_NE(out.str().find("(101 rows)"), std::string::npos);
}

TEST(ResultPrinter, QuotesCsvFieldsThatNeedIt) {
  std::ostringstream out;
  sqelto_shell::ResultPrinter printer(out, sqelto_shell::OutputFormat::Csv, {"a", "b"});
  printer.row({"plain", "say \"hi\", then\nleave"});
  printer.finish();
  EXPECT_EQ(out.str(), "a,b\nplain,\"say \"\"hi\"\", then\nleave\"\n");
}
