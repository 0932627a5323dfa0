#include "statement_splitter.h"

namespace sqelto_shell {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

void StatementSplitter::feed(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    switch (state_) {
      case State::Plain:
        if (c == '\\' && Trimmed(current_).empty()) {
          current_.clear();
          state_ = State::Command;
          break;
        }
        if (c == ';') {
          std::string statement = Trimmed(current_);
          if (!statement.empty()) done_.push_back(std::move(statement));
          current_.clear();
          continue;
        }
        if (c == '\'') state_ = State::SingleQuote;
        else if (c == '"') state_ = State::DoubleQuote;
        else if (c == '-' && next == '-') state_ = State::LineComment;
        else if (c == '/' && next == '*') state_ = State::BlockComment;
        break;
      case State::SingleQuote:
        if (c == '\'') state_ = State::Plain;  // a doubled quote re-enters at once
        break;
      case State::DoubleQuote:
        if (c == '"') state_ = State::Plain;
        break;
      case State::LineComment:
        if (c == '\n') state_ = State::Plain;
        break;
      case State::Command:
        if (c == '\n') {
          done_.push_back(Trimmed(current_));
          current_.clear();
          state_ = State::Plain;
          continue;
        }
        break;
      case State::BlockComment:
        if (c == '*' && next == '/') {
          current_ += c;
          current_ += next;
          ++i;
          state_ = State::Plain;
          continue;
        }
        break;
    }
    current_ += c;
  }
}

std::vector<std::string> StatementSplitter::take() {
  std::vector<std::string> out;
  out.swap(done_);
  return out;
}

std::string StatementSplitter::rest() const { return Trimmed(current_); }

bool StatementSplitter::inStatement() const { return !rest().empty(); }

std::string StatementSplitter::finalStatement() const {
  std::string tail = rest();
  // A trailing comment alone is not a statement.
  const bool onlyComment = tail.rfind("--", 0) == 0 && tail.find('\n') == std::string::npos;
  return onlyComment ? std::string() : tail;
}

std::vector<std::string> SplitStatements(std::string_view text) {
  StatementSplitter splitter;
  splitter.feed(text);
  std::vector<std::string> statements = splitter.take();
  if (std::string last = splitter.finalStatement(); !last.empty()) statements.push_back(std::move(last));
  return statements;
}

}  // namespace sqelto_shell
