// Prints result sets as they are read: aligned tables (column widths taken
// from the first rows, later rows keep them) or CSV. Rows are never all held
// in memory.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace sqelto_shell {

enum class OutputFormat { Table, Csv };

class ResultPrinter {
public:
  // Rows used to size the table's columns before anything is printed.
  static constexpr std::size_t kSizingRows = 100;

  ResultPrinter(std::ostream& out, OutputFormat format, std::vector<std::string> columns);
  void row(std::vector<std::string> cells);
  // Prints what is still held and the row count line (tables only).
  void finish();
  std::size_t rowCount() const { return rows_; }

private:
  void flushPending();
  void printTableRow(const std::vector<std::string>& cells);
  void printRule();

  std::ostream& out_;
  OutputFormat format_;
  std::vector<std::string> columns_;
  std::vector<std::size_t> widths_;
  std::vector<std::vector<std::string>> pending_;
  bool headerPrinted_ = false;
  std::size_t rows_ = 0;
};

// Display width of UTF-8 text, counting code points (not bytes).
std::size_t DisplayWidth(const std::string& utf8);
// One CSV field, quoted when it holds a comma, quote or line break.
std::string CsvField(const std::string& text);

}  // namespace sqelto_shell
