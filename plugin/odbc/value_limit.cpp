#include "value_limit.h"

#include <atomic>
#include <limits>
#include <string>

namespace sqelto {
namespace {

std::atomic<std::size_t> g_maxValueBytes{static_cast<std::size_t>(std::numeric_limits<int32_t>::max())};

std::string TooLargeText(uint16_t column, std::size_t limit) {
  return "The value of column " + std::to_string(column) + " is larger than the " + std::to_string(limit) +
         " bytes the plug-in can hand to the host.";
}

}  // namespace

std::size_t MaxValueBytes() { return g_maxValueBytes.load(std::memory_order_relaxed); }

void SetMaxValueBytesForTesting(std::size_t bytes) { g_maxValueBytes.store(bytes, std::memory_order_relaxed); }

ValueTooLarge::ValueTooLarge(uint16_t column, std::size_t limit) : std::length_error(TooLargeText(column, limit)) {}

void CheckValueSize(uint16_t column, std::size_t bytes) {
  const std::size_t limit = MaxValueBytes();
  if (bytes > limit) throw ValueTooLarge(column, limit);
}

}  // namespace sqelto
