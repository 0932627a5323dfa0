// The shell's own text handling: statement splitting and result printing.
#include <gtest/gtest.h>

#include <sstream>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "result_printer.h"
#include "shell_inputs.h"
#include "statement_splitter.h"
#include "utf8_check.h"

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

TEST(StatementSplitter, KeepsDollarQuotedBodiesAndQuotedIdentifiersWhole) {
  const auto parts = SplitStatements(
      "CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql;\n"
      "DO $body$ BEGIN PERFORM 1; END $body$;\n"
      "SELECT `a;b`, [c;d], $1, x$y FROM t;\n"
      "SELECT 2");
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0], "CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql");
  EXPECT_EQ(parts[1], "DO $body$ BEGIN PERFORM 1; END $body$");
  EXPECT_EQ(parts[2], "SELECT `a;b`, [c;d], $1, x$y FROM t");
  EXPECT_EQ(parts[3], "SELECT 2");
  // A body over several lines, as the prompt feeds it.
  sqelto_shell::StatementSplitter splitter;
  splitter.feed("SELECT $q$one;\n");
  EXPECT_TRUE(splitter.take().empty());
  EXPECT_TRUE(splitter.inStatement());
  splitter.feed("two$q$;\n");
  EXPECT_EQ(splitter.take(), std::vector<std::string>{"SELECT $q$one;\ntwo$q$"});
}

TEST(StatementSplitter, CountsParameterMarkersOutsideQuotesAndComments) {
  EXPECT_EQ(sqelto_shell::CountParameterMarkers("SELECT ?, '?', \"?\", `?`, $$?$$ -- ?\n FROM t WHERE a = ? /* ? */"), 2u);
  EXPECT_EQ(sqelto_shell::CountParameterMarkers("SELECT 1"), 0u);
}

TEST(StatementSplitter, CommentsAloneAreNoStatement) {
  // Before a command: the command is still a command.
  EXPECT_EQ(SplitStatements("-- header\n\\info 17\n"), std::vector<std::string>{"\\info 17"});
  EXPECT_EQ(SplitStatements("/* a */ -- b\n\\tables"), std::vector<std::string>{"\\tables"});
  // After the last statement, with or without a semicolon.
  EXPECT_EQ(SplitStatements("SELECT 1; -- c1\n-- c2"), std::vector<std::string>{"SELECT 1"});
  EXPECT_EQ(SplitStatements("SELECT 1;\n/* block */"), std::vector<std::string>{"SELECT 1"});
  EXPECT_EQ(SplitStatements("SELECT 1;\n/* block */;\n-- c;\n"), std::vector<std::string>{"SELECT 1"});
  sqelto_shell::StatementSplitter splitter;
  splitter.feed("-- nothing yet\n");
  EXPECT_FALSE(splitter.inStatement());
  splitter.feed("/* still\n");
  EXPECT_TRUE(splitter.inStatement()) << "inside a block comment";
}

TEST(StatementSplitter, TheLastStatementNeedsNoSemicolonAtTheEnd) {
  sqelto_shell::StatementSplitter splitter;
  splitter.feed("SELECT 1;\nSELECT 42\n");
  EXPECT_EQ(splitter.take(), std::vector<std::string>{"SELECT 1"});
  EXPECT_EQ(splitter.finalStatement(), "SELECT 42");
  sqelto_shell::StatementSplitter comment;
  comment.feed("SELECT 1; -- done\n");
  comment.take();
  EXPECT_EQ(comment.finalStatement(), "");
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

TEST(ResultPrinter, AlignsWideAndCombiningCharactersByTheirDisplayWidth) {
  EXPECT_EQ(sqelto_shell::DisplayWidth("東京"), 4u);
  EXPECT_EQ(sqelto_shell::DisplayWidth("e\xcc\x81"), 1u);  // e and a combining acute accent
  EXPECT_EQ(sqelto_shell::DisplayWidth("\xf0\x9f\x98\x80!"), 3u);  // an emoji is two columns wide
  std::ostringstream out;
  sqelto_shell::ResultPrinter printer(out, sqelto_shell::OutputFormat::Table, {"city", "n"});
  printer.row({"東京", "1"});
  printer.row({"Cafe\xcc\x81", "2"});
  printer.finish();
  EXPECT_EQ(out.str(),
            "city | n\n"
            "-----+--\n"
            "東京 | 1\n"
            "Cafe\xcc\x81 | 2\n"
            "(2 rows)\n");
}

TEST(ResultPrinter, AFailedWriteEndsThePrinting) {
  std::ostringstream out;
  sqelto_shell::ResultPrinter printer(out, sqelto_shell::OutputFormat::Csv, {"v"});
  out.setstate(std::ios::badbit);
  EXPECT_THROW(printer.row({"x"}), sqelto_shell::OutputError);
  EXPECT_THROW(sqelto_shell::CheckWritten(out), sqelto_shell::OutputError);
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

TEST(ResultPrinter, CsvEndsLinesWithCrLfAndKeepsNullApartFromText) {
  std::ostringstream out;
  sqelto_shell::ResultPrinter printer(out, sqelto_shell::OutputFormat::Csv, {"a", "b"});
  printer.row({"plain", "say \"hi\", then\nleave"});
  printer.row({std::nullopt, ""});
  printer.row({"NULL", "C:\\x\\n"});
  printer.finish();
  // A backslash is an ordinary byte in CSV: no escapes beyond doubled quotes.
  EXPECT_EQ(out.str(),
            "a,b\r\n"
            "plain,\"say \"\"hi\"\", then\nleave\"\r\n"
            ",\"\"\r\n"
            "NULL,C:\\x\\n\r\n");
}

TEST(ResultPrinter, TablesShowControlCharactersEscaped) {
  std::ostringstream out;
  sqelto_shell::ResultPrinter printer(out, sqelto_shell::OutputFormat::Table, {"v"});
  printer.row({"two\nlines\tand\r\x01\x7F\xC2\x85 \xC3\xA9"});
  printer.row({std::nullopt});
  // The text a\nb (a backslash and n) must not look like a line break.
  printer.row({"a\\nb \\"});
  printer.finish();
  EXPECT_EQ(out.str(),
            "v\n"
            "---------------------------------\n"
            "two\\nlines\\tand\\r\\x01\\x7F\\u0085 \xC3\xA9\n"
            "NULL\n"
            "a\\\\nb \\\\\n"
            "(3 rows)\n");
}

TEST(ShellInputs, Utf8IsCheckedStrictlyWithTheOffsetOfTheBadByte) {
  using sqelto_shell::FirstInvalidUtf8;
  EXPECT_FALSE(FirstInvalidUtf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80").has_value());
  EXPECT_EQ(FirstInvalidUtf8("ab\xFF"), 2u);
  EXPECT_EQ(FirstInvalidUtf8("ab\xC3("), 2u) << "a lead byte without its continuation";
  EXPECT_EQ(FirstInvalidUtf8("\xC0\xAF"), 0u) << "overlong";
  EXPECT_EQ(FirstInvalidUtf8("x\xED\xA0\x80"), 1u) << "a surrogate";
  EXPECT_EQ(FirstInvalidUtf8("\xF4\x90\x80\x80"), 0u) << "above U+10FFFF";
  EXPECT_EQ(FirstInvalidUtf8("abc\xE2\x82"), 3u) << "cut short at the end";
  try {
    sqelto_shell::CheckUtf8({"-c 2", "SELECT '\xE9'"});
    FAIL() << "Latin-1 bytes were accepted";
  } catch (const sqelto_shell::InputError& e) {
    EXPECT_STREQ(e.what(), "-c 2: invalid UTF-8 at byte 8");
  }
}

TEST(ShellInputs, ScriptsThatCannotBeReadAreNamed) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("shell-inputs-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "ok.sql") << "SELECT 1;";
  EXPECT_EQ(sqelto_shell::ReadScript((folder / "ok.sql").string()), "SELECT 1;");
  auto errorOf = [](const fs::path& path) {
    try {
      sqelto_shell::ReadScript(path.string());
    } catch (const sqelto_shell::InputError& e) {
      return std::string(e.what());
    }
    return std::string("(read)");
  };
  EXPECT_EQ(errorOf(folder / "missing.sql"), "script " + (folder / "missing.sql").string() + " does not exist");
  EXPECT_EQ(errorOf(folder), "script " + folder.string() + " is a folder, not a file of statements");
  fs::remove_all(folder);
}

#ifdef __linux__
// A file that opens but fails when read is not an empty script: reading
// /proc/self/mem from its start fails with EIO (page 0 is never mapped).
TEST(ShellInputs, AScriptWhoseReadFailsIsRefusedNotTakenAsEmpty) {
  try {
    const std::string text = sqelto_shell::ReadScript("/proc/self/mem");
    FAIL() << "read " << text.size() << " bytes without an error";
  } catch (const sqelto_shell::InputError& e) {
    EXPECT_STREQ(e.what(), "cannot read script /proc/self/mem: Input/output error");
  }
}
#endif
