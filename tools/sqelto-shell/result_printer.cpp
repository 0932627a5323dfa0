#include "result_printer.h"

#include <algorithm>

namespace sqelto_shell {

std::size_t DisplayWidth(const std::string& utf8) {
  std::size_t width = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++width;
  return width;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

ResultPrinter::ResultPrinter(std::ostream& out, OutputFormat format, std::vector<std::string> columns)
    : out_(out), format_(format), columns_(std::move(columns)) {
  for (const auto& name : columns_) widths_.push_back(DisplayWidth(name));
  if (format_ == OutputFormat::Csv) {
    for (std::size_t i = 0; i < columns_.size(); ++i) out_ << (i ? "," : "") << CsvField(columns_[i]);
    out_ << '\n';
    headerPrinted_ = true;
  }
}

void ResultPrinter::row(std::vector<std::string> cells) {
  ++rows_;
  if (format_ == OutputFormat::Csv) {
    for (std::size_t i = 0; i < cells.size(); ++i) out_ << (i ? "," : "") << CsvField(cells[i]);
    out_ << '\n';
    return;
  }
  if (headerPrinted_) {
    printTableRow(cells);
    return;
  }
  for (std::size_t i = 0; i < cells.size() && i < widths_.size(); ++i)
    widths_[i] = std::max(widths_[i], DisplayWidth(cells[i]));
  pending_.push_back(std::move(cells));
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
  out_.flush();
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

void ResultPrinter::finish() {
  if (format_ == OutputFormat::Csv) {
    out_.flush();
    return;
  }
  flushPending();
  out_ << "(" << rows_ << (rows_ == 1 ? " row)" : " rows)") << '\n';
  out_.flush();
}

}  // namespace sqelto_shell
