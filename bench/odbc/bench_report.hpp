// What the benchmark programs print with their figures: the machine's load
// and medians of alternating runs; and their defaults from the environment
// the ODBC test configuration sets.
#pragma once

#include <string>
#include <vector>

namespace odbc_bench {

// The variable's value, empty when it is not set.
std::string fromEnvironment(const char* name);
// "load average 1.00, 2.00, 3.00" (1, 5, 15 minutes).
std::string loadAverage();
double median(std::vector<double> values);

}  // namespace odbc_bench
