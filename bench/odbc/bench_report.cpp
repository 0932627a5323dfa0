#include "bench_report.hpp"

#include <fmt/core.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace odbc_bench {

std::string fromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  double one = 0, five = 0, fifteen = 0;
  in >> one >> five >> fifteen;
  return fmt::format("load average {:.2f}, {:.2f}, {:.2f}", one, five, fifteen);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace odbc_bench
