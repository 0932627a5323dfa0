// Splits SQL text into statements at semicolons that are not inside quotes
// (strings, quoted identifiers in "", `` or [], dollar-quoted bodies such as
// $$...$$ and $fn$...$fn$) or comments, so scripts and the prompt can hold
// several statements (some drivers refuse batches). Text that is only
// comments is no statement.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sqelto_shell {

class StatementSplitter {
public:
  // Adds text; complete statements become available through take().
  void feed(std::string_view text);
  // Complete statements seen so far (trimmed, without the semicolon, empty
  // ones dropped), oldest first; they are removed from the splitter.
  std::vector<std::string> take();
  // The unfinished tail (what a statement without its semicolon left).
  std::string rest() const;
  // True when the pending text holds more than blanks and comments, or is
  // inside a quote or block comment.
  bool inStatement() const;
  // At the end of the input: the tail as a last statement (a statement
  // needs no ';' when nothing follows it), or empty when it is only a comment.
  std::string finalStatement() const;

  // Parameter markers ('?' outside quotes and comments) in the pending text.
  std::size_t pendingMarkers() const { return markers_; }

private:
  // A line that starts a statement with '\' is a shell command: it ends at
  // the end of its line, not at a ';'.
  enum class State { Plain, SingleQuote, DoubleQuote, Backtick, Bracket, DollarQuote, LineComment, BlockComment, Command };
  // The length of a dollar-quote tag ($$, $fn$) starting at text[at], or 0.
  std::size_t dollarTagLength(std::string_view text, std::size_t at) const;
  void endStatement();

  State state_ = State::Plain;
  std::string current_;
  bool hasCode_ = false;    // current_ holds more than blanks and comments
  std::string dollarTag_;   // the tag that ends the dollar-quoted body
  std::size_t markers_ = 0;
  std::vector<std::string> done_;
};

// The parameter markers of one statement: each '?' outside quotes and comments.
std::size_t CountParameterMarkers(std::string_view statement);

// Splits a whole text; a final statement without a semicolon counts too.
std::vector<std::string> SplitStatements(std::string_view text);

}  // namespace sqelto_shell
