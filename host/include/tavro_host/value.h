// Typed values: what a property holds, what a cursor column delivers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tavro_host/object.h"
#include "tavro_host/string.h"

namespace tavro {

struct DateTime {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  uint32_t fraction = 0;  // timestamps only
  bool operator==(const DateTime&) const = default;
};

using Bytes = std::vector<uint8_t>;

// A value with its kind. Strings are held as UTF-8 text; `hostString`
// keeps the host string a value came from when there was one.
class Value {
 public:
  enum class Kind { Nil, Integer, Int64, Single, Double, Boolean, Text, Binary, Date, Time, Timestamp, Object };

  Value() = default;
  Value(int32_t v) : kind_(Kind::Integer), data_(int64_t{v}) {}
  Value(int64_t v) : kind_(Kind::Int64), data_(v) {}
  Value(float v) : kind_(Kind::Single), data_(double{v}) {}
  Value(double v) : kind_(Kind::Double), data_(v) {}
  Value(bool v) : kind_(Kind::Boolean), data_(v) {}
  Value(const char* utf8) : kind_(Kind::Text), data_(std::string(utf8)) {}
  Value(std::string utf8) : kind_(Kind::Text), data_(std::move(utf8)) {}
  Value(String s);  // text of a host string (kept)
  Value(Bytes b) : kind_(Kind::Binary), data_(std::move(b)) {}
  Value(Object o) : kind_(Kind::Object), object_(std::move(o)) {}
  static Value date(int32_t y, int32_t m, int32_t d);
  static Value time(int32_t h, int32_t mi, int32_t s);
  static Value timestamp(const DateTime& dt);

  Kind kind() const noexcept { return kind_; }
  bool isNil() const noexcept { return kind_ == Kind::Nil; }
  // Throw HostError when the value is of another kind (integers widen,
  // Single and Double read each other).
  int64_t asInteger() const;
  double asDouble() const;
  bool asBoolean() const;
  const std::string& asText() const;
  const Bytes& asBytes() const;
  const DateTime& asDateTime() const;
  const Object& asObject() const;
  const String& hostString() const noexcept { return hostString_; }

  // Readable rendering (for shells and the describe command).
  std::string toString() const;

  // Cursor values only: the host column type code and length the cursor
  // reported.
  int32_t columnType = -1;
  int32_t columnLength = 0;

 private:
  Kind kind_ = Kind::Nil;
  std::variant<std::monostate, int64_t, double, bool, std::string, Bytes, DateTime> data_;
  Object object_;
  String hostString_;
};

const char* kindName(Value::Kind kind) noexcept;

}  // namespace tavro
