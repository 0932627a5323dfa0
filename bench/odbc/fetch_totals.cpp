#include "fetch_totals.hpp"

#include <cstdio>
#include <stdexcept>

namespace odbc_bench {

std::string FetchTotals::toText() const {
  char buffer[256];
  // %a keeps the double exact through the text form.
  std::snprintf(buffer, sizeof buffer, "%llu %llu %lld %a %llu %llu %llu", (unsigned long long)rows,
                (unsigned long long)nulls, (long long)integerSum, doubleSum, (unsigned long long)textBytes,
                (unsigned long long)textHash, (unsigned long long)timestampSum);
  return buffer;
}

FetchTotals FetchTotals::fromText(const std::string& text) {
  unsigned long long rows, nulls, textBytes, textHash, timestampSum;
  long long integerSum;
  double doubleSum;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%llu %llu %lld %la %llu %llu %llu%n", &rows, &nulls, &integerSum, &doubleSum,
                  &textBytes, &textHash, &timestampSum, &consumed) != 7 ||
      std::size_t(consumed) != text.size())
    throw std::invalid_argument("malformed fetch totals: \"" + text + "\"");
  FetchTotals t;
  t.rows = rows, t.nulls = nulls, t.integerSum = integerSum, t.doubleSum = doubleSum, t.textBytes = textBytes;
  t.textHash = textHash, t.timestampSum = timestampSum;
  return t;
}

}  // namespace odbc_bench
