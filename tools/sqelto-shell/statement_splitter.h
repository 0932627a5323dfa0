// Splits SQL text into statements at semicolons that are not inside quotes
// or comments, so scripts and the prompt can hold several statements (some
// drivers refuse batches).
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
  bool inStatement() const;
  // At the end of the input: the tail as a last statement (a statement
  // needs no ';' when nothing follows it), or empty when it is only a comment.
  std::string finalStatement() const;

private:
  // A line that starts a statement with '\' is a shell command: it ends at
  // the end of its line, not at a ';'.
  enum class State { Plain, SingleQuote, DoubleQuote, LineComment, BlockComment, Command };
  State state_ = State::Plain;
  std::string current_;
  std::vector<std::string> done_;
};

// Splits a whole text; a final statement without a semicolon counts too.
std::vector<std::string> SplitStatements(std::string_view text);

}  // namespace sqelto_shell
