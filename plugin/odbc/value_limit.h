// The largest value a cursor hands the host. The host value format counts
// bytes in a signed 32-bit length, so nothing larger can be handed over; a
// long value is refused as soon as it grows past the limit instead of being
// gathered until memory runs out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace sqelto {

std::size_t MaxValueBytes();
// Tests lower the limit to reach it with small values.
void SetMaxValueBytesForTesting(std::size_t bytes);

// "The value of column N is larger than the M bytes the plug-in can hand to the host."
class ValueTooLarge : public std::length_error {
public:
  ValueTooLarge(uint16_t column, std::size_t limit);
};

// Throws ValueTooLarge when `bytes` exceed the limit.
void CheckValueSize(uint16_t column, std::size_t bytes);

}  // namespace sqelto
