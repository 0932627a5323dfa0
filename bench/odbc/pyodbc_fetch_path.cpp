#include "pyodbc_fetch_path.hpp"

#include "child_run.hpp"

#include <sstream>
#include <stdexcept>

namespace odbc_bench {
namespace {

// Debian's interpreter, which has python3-pyodbc; a python3 found on PATH
// may be another one without it.
constexpr const char* kPython = "/usr/bin/python3";

}  // namespace

FetchTotals PyodbcFetchPath::fetchAll(const std::string& connectionString, const std::string& query) {
  const ChildRun run = runProgram(kPython, {PYODBC_FETCH_SCRIPT, connectionString, query});
  if (run.exitCode != 0)
    throw std::runtime_error("the pyodbc path failed (exit " + std::to_string(run.exitCode) + "): " + run.output);
  std::istringstream lines(run.output);
  std::optional<FetchTotals> totals;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("TOTALS ", 0) == 0) totals = FetchTotals::fromText(line.substr(7));
    if (line.rfind("SECONDS ", 0) == 0) seconds_ = std::stod(line.substr(8));
  }
  if (!totals || !seconds_) throw std::runtime_error("the pyodbc path gave no report: " + run.output);
  return *totals;
}

}  // namespace odbc_bench
