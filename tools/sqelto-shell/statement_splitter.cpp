#include "statement_splitter.h"

#include <cctype>

namespace sqelto_shell {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::size_t StatementSplitter::dollarTagLength(std::string_view text, std::size_t at) const {
  // After a letter, digit, _ or $ a $ belongs to a name (PostgreSQL allows
  // $ in names); $1 is a parameter, as a tag does not start with a digit.
  if (!current_.empty()) {
    const auto before = static_cast<unsigned char>(current_.back());
    if (std::isalnum(before) || before == '_' || before == '$' || before >= 0x80) return 0;
  }
  std::size_t i = at + 1;
  if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
  while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_' ||
                             static_cast<unsigned char>(text[i]) >= 0x80))
    ++i;
  return i < text.size() && text[i] == '$' ? i - at + 1 : 0;
}

void StatementSplitter::endStatement() {
  if (hasCode_) done_.push_back(Trimmed(current_));
  current_.clear();
  hasCode_ = false;
  markers_ = 0;
}

void StatementSplitter::feed(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    switch (state_) {
      case State::Plain:
        if (c == '\\' && !hasCode_) {
          // Comments before a command are not sent anywhere.
          current_.clear();
          state_ = State::Command;
          break;
        }
        if (c == ';') {
          endStatement();
          continue;
        }
        if (c == '-' && next == '-') {
          state_ = State::LineComment;
          break;
        }
        if (c == '/' && next == '*') {
          state_ = State::BlockComment;
          break;
        }
        if (!std::isspace(static_cast<unsigned char>(c))) hasCode_ = true;
        if (c == '?') ++markers_;
        if (c == '\'') state_ = State::SingleQuote;
        else if (c == '"') state_ = State::DoubleQuote;
        else if (c == '`') state_ = State::Backtick;
        else if (c == '[') state_ = State::Bracket;
        else if (c == '$') {
          if (const std::size_t length = dollarTagLength(text, i); length > 0) {
            dollarTag_ = std::string(text.substr(i, length));
            current_ += dollarTag_;
            i += length - 1;
            state_ = State::DollarQuote;
            continue;
          }
        }
        break;
      case State::SingleQuote:
        if (c == '\'') state_ = State::Plain;  // a doubled quote re-enters at once
        break;
      case State::DoubleQuote:
        if (c == '"') state_ = State::Plain;
        break;
      case State::Backtick:
        if (c == '`') state_ = State::Plain;
        break;
      case State::Bracket:
        if (c == ']') state_ = State::Plain;
        break;
      case State::DollarQuote:
        if (text.substr(i, dollarTag_.size()) == dollarTag_) {
          current_ += dollarTag_;
          i += dollarTag_.size() - 1;
          state_ = State::Plain;
          continue;
        }
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

bool StatementSplitter::inStatement() const {
  return hasCode_ || (state_ != State::Plain && state_ != State::LineComment);
}

std::string StatementSplitter::finalStatement() const {
  // Comments alone are not a statement; a command without its line end is.
  if (state_ == State::Command) return rest();
  return hasCode_ ? rest() : std::string();
}

std::size_t CountParameterMarkers(std::string_view statement) {
  StatementSplitter splitter;
  splitter.feed(statement);
  return splitter.pendingMarkers();
}

std::vector<std::string> SplitStatements(std::string_view text) {
  StatementSplitter splitter;
  splitter.feed(text);
  std::vector<std::string> statements = splitter.take();
  if (std::string last = splitter.finalStatement(); !last.empty()) statements.push_back(std::move(last));
  return statements;
}

}  // namespace sqelto_shell
