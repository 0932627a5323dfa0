#include "result_printer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sqelto_shell {
namespace {

constexpr const char* kCsvLineEnd = "\r\n";

[[noreturn]] void ThrowOutputError() {
  const int reason = errno;
  throw OutputError(std::string("cannot write the output") + (reason != 0 ? ": " : "") +
                    (reason != 0 ? std::strerror(reason) : ""));
}

}  // namespace

void CheckWritten(std::ostream& out) {
  errno = 0;
  if (!out.flush()) ThrowOutputError();
}

const char* ResultSeparator(OutputFormat format) { return format == OutputFormat::Csv ? kCsvLineEnd : "\n"; }

std::string CsvField(const std::string& text) {
  if (!text.empty() && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string EscapeControls(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  char escape[8];
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c == '\\') {
      // Doubled, so that the text \n (a backslash and n) and a line break
      // shown as \n stay apart.
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      // The C1 controls U+0080 to U+009F (NEL among them) break lines too.
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(utf8[i + 1]));
      out += escape;
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

ResultPrinter::ResultPrinter(std::ostream& out, OutputFormat format, std::vector<std::string> columns)
    : out_(out), format_(format), columns_(std::move(columns)) {
  if (format_ == OutputFormat::Csv) {
    for (std::size_t i = 0; i < columns_.size(); ++i) out_ << (i ? "," : "") << CsvField(columns_[i]);
    out_ << kCsvLineEnd;
    headerPrinted_ = true;
    return;
  }
  for (auto& name : columns_) name = EscapeControls(name);
  for (const auto& name : columns_) widths_.push_back(DisplayWidth(name));
}

void ResultPrinter::row(std::vector<Cell> cells) {
  ++rows_;
  errno = 0;  // so that a failed write below gives its own reason
  if (format_ == OutputFormat::Csv) {
    for (std::size_t i = 0; i < cells.size(); ++i) out_ << (i ? "," : "") << (cells[i] ? CsvField(*cells[i]) : "");
    out_ << kCsvLineEnd;
    // A stream that failed stays failed: stop before fetching more rows.
    if (!out_) ThrowOutputError();
    return;
  }
  std::vector<std::string> shown;
  shown.reserve(cells.size());
  for (const Cell& cell : cells) shown.push_back(cell ? EscapeControls(*cell) : "NULL");
  if (headerPrinted_) {
    printTableRow(shown);
    if (!out_) ThrowOutputError();
    return;
  }
  for (std::size_t i = 0; i < shown.size() && i < widths_.size(); ++i)
    widths_[i] = std::max(widths_[i], DisplayWidth(shown[i]));
  pending_.push_back(std::move(shown));
  if (pending_.size() >= kSizingRows) flushPending();
}

void ResultPrinter::flushPending() {
  if (!headerPrinted_) {
    printTableRow(columns_);
    printRule();
    headerPrinted_ = true;
  }
  for (const auto& cells : pending_) printTableRow(cells);
  pending_.clear();
  CheckWritten(out_);
}

void ResultPrinter::printTableRow(const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    out_ << (i ? " | " : "") << cells[i];
    const std::size_t width = i < widths_.size() ? widths_[i] : 0;
    const std::size_t shown = DisplayWidth(cells[i]);
    if (i + 1 < cells.size() && shown < width) out_ << std::string(width - shown, ' ');
  }
  out_ << '\n';
}

void ResultPrinter::printRule() {
  for (std::size_t i = 0; i < widths_.size(); ++i) out_ << (i ? "-+-" : "") << std::string(widths_[i], '-');
  out_ << '\n';
}

void ResultPrinter::finish(bool complete) {
  if (format_ == OutputFormat::Csv) {
    CheckWritten(out_);
    return;
  }
  flushPending();
  out_ << "(" << rows_ << (rows_ == 1 ? " row" : " rows") << (complete ? ")" : " before the error)") << '\n';
  CheckWritten(out_);
}

}  // namespace sqelto_shell
