// What a fetch path saw, folded so that every path reading the same rows ends
// with the same totals whatever the row order: sums and per-value hashes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace odbc_bench {

struct FetchTotals {
  std::uint64_t rows = 0;
  std::uint64_t nulls = 0;
  std::int64_t integerSum = 0;
  double doubleSum = 0;
  std::uint64_t textBytes = 0;
  std::uint64_t textHash = 0;       // sum of the FNV-1a hashes of the UTF-8 values
  std::uint64_t timestampSum = 0;   // sum of all date and time fields

  void addInteger(std::int64_t value) { integerSum += value; }
  void addDouble(double value) { doubleSum += value; }
  void addText(const char* utf8, std::size_t length) {
    std::uint64_t hash = 1469598103934665603ull;
    for (std::size_t i = 0; i < length; ++i) hash = (hash ^ static_cast<unsigned char>(utf8[i])) * 1099511628211ull;
    textBytes += length;
    textHash += hash;
  }
  void addTimestamp(int year, int month, int day, int hour, int minute, int second, std::uint32_t fraction) {
    timestampSum += std::uint64_t(year) * 10000 + std::uint64_t(month) * 100 + std::uint64_t(day) +
                    std::uint64_t(hour) * 3600 + std::uint64_t(minute) * 60 + std::uint64_t(second) + fraction;
  }

  bool operator==(const FetchTotals&) const = default;
  // Equal in everything, the text hash only when both paths computed it.
  bool sameValues(const FetchTotals& other, bool compareTextHash) const {
    FetchTotals a = *this, b = other;
    if (!compareTextHash) a.textHash = b.textHash = 0;
    return a == b;
  }
  // One line, parsed back by fromText (the measuring child hands it to the parent).
  std::string toText() const;
  static FetchTotals fromText(const std::string& text);
};

}  // namespace odbc_bench
