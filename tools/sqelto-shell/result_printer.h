// Prints result sets as they are read: aligned tables (column widths taken
// from the first rows, later rows keep them) or CSV. Rows are never all held
// in memory.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "display_width.h"

namespace sqelto_shell {

enum class OutputFormat { Table, Csv };

// The output could not be written (a full disk, a closed pipe): the run
// ends, and no further rows are fetched for nobody to read.
class OutputError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Flushes out; throws OutputError, with the system's reason, when what was
// written did not all arrive.
void CheckWritten(std::ostream& out);

// One value as printed; no value is SQL NULL.
using Cell = std::optional<std::string>;

class ResultPrinter {
public:
  // Rows used to size the table's columns before anything is printed.
  static constexpr std::size_t kSizingRows = 100;

  ResultPrinter(std::ostream& out, OutputFormat format, std::vector<std::string> columns);
  // Tables show NULL as "NULL" and control characters (and backslashes)
  // escaped; CSV (RFC 4180,
  // lines ended by CR LF) gives NULL as an empty unquoted field and the empty
  // text as "", so the two stay apart.
  void row(std::vector<Cell> cells);
  // Prints what is still held and the row count line (tables only).
  // `complete` is false when the rows stopped early (a fetch failed): the
  // count line then says so rather than pass for the whole result.
  void finish(bool complete = true);
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

// What stands between two result sets: an empty line, ended as the
// format's lines are (CR LF in CSV).
const char* ResultSeparator(OutputFormat format);
// One CSV field: quoted when it holds a comma, quote or line break, and when
// it is empty (an empty unquoted field is NULL).
std::string CsvField(const std::string& text);
// Text for a table cell: line breaks, tabs and other control characters
// written as escapes (\n, \r, \t, \xHH, \u0085), so every row stays one line,
// and a backslash doubled (\\), so no text reads like one of those escapes.
std::string EscapeControls(const std::string& utf8);

}  // namespace sqelto_shell
