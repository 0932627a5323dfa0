// Typed values held by properties, variants and cursor columns.
#include "tavro_host/value.h"

#include <cstdio>

#include "tavro_host/errors.h"

namespace tavro {

Value::Value(String s) : kind_(Kind::Text), hostString_(std::move(s)) {
  std::string text;
  if (!convertText(hostString_.bytes(), hostString_.encoding(), Encoding::Utf8, text)) text = hostString_.bytes();
  data_ = std::move(text);
}

Value Value::date(int32_t y, int32_t m, int32_t d) {
  Value v;
  v.kind_ = Kind::Date;
  v.data_ = DateTime{y, m, d, 0, 0, 0, 0};
  return v;
}
Value Value::time(int32_t h, int32_t mi, int32_t s) {
  Value v;
  v.kind_ = Kind::Time;
  v.data_ = DateTime{0, 0, 0, h, mi, s, 0};
  return v;
}
Value Value::timestamp(const DateTime& dt) {
  Value v;
  v.kind_ = Kind::Timestamp;
  v.data_ = dt;
  return v;
}

namespace {
[[noreturn]] void wrongKind(Value::Kind have, const char* want) {
  throw HostError(std::string("value is ") + kindName(have) + ", not " + want);
}
}  // namespace

int64_t Value::asInteger() const {
  if (kind_ == Kind::Integer || kind_ == Kind::Int64) return std::get<int64_t>(data_);
  wrongKind(kind_, "an integer");
}
double Value::asDouble() const {
  if (kind_ == Kind::Single || kind_ == Kind::Double) return std::get<double>(data_);
  if (kind_ == Kind::Integer || kind_ == Kind::Int64) return static_cast<double>(std::get<int64_t>(data_));
  wrongKind(kind_, "a number");
}
bool Value::asBoolean() const {
  if (kind_ == Kind::Boolean) return std::get<bool>(data_);
  wrongKind(kind_, "a boolean");
}
const std::string& Value::asText() const {
  if (kind_ == Kind::Text) return std::get<std::string>(data_);
  wrongKind(kind_, "text");
}
const Bytes& Value::asBytes() const {
  if (kind_ == Kind::Binary) return std::get<Bytes>(data_);
  wrongKind(kind_, "bytes");
}
const DateTime& Value::asDateTime() const {
  if (kind_ == Kind::Date || kind_ == Kind::Time || kind_ == Kind::Timestamp) return std::get<DateTime>(data_);
  wrongKind(kind_, "a date or time");
}
const Object& Value::asObject() const {
  if (kind_ == Kind::Object) return object_;
  wrongKind(kind_, "an object");
}

std::string Value::toString() const {
  char buf[64];
  switch (kind_) {
    case Kind::Nil: return "NULL";
    case Kind::Integer:
    case Kind::Int64: return std::to_string(std::get<int64_t>(data_));
    case Kind::Single:
    case Kind::Double: std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(data_)); return buf;
    case Kind::Boolean: return std::get<bool>(data_) ? "True" : "False";
    case Kind::Text: return std::get<std::string>(data_);
    case Kind::Binary: {
      const Bytes& b = std::get<Bytes>(data_);
      std::string s = "0x";
      for (uint8_t c : b) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        s += buf;
      }
      return s;
    }
    case Kind::Date: {
      const DateTime& d = std::get<DateTime>(data_);
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
      return buf;
    }
    case Kind::Time: {
      const DateTime& d = std::get<DateTime>(data_);
      std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", d.hour, d.minute, d.second);
      return buf;
    }
    case Kind::Timestamp: {
      const DateTime& d = std::get<DateTime>(data_);
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                    d.second);
      std::string s = buf;
      // The fraction is in nanoseconds; shown only when there is one, and
      // without the zeros that add nothing (.123, not .123000000).
      if (d.fraction > 0 && d.fraction < 1000000000) {
        std::snprintf(buf, sizeof buf, ".%09u", static_cast<unsigned>(d.fraction));
        std::string fraction = buf;
        fraction.erase(fraction.find_last_not_of('0') + 1);
        s += fraction;
      }
      return s;
    }
    case Kind::Object: {
      if (!object_) return "Nil";
      std::string s = "<";
      s.append(object_.className()).append(">");
      return s;
    }
  }
  return {};
}

const char* kindName(Value::Kind kind) noexcept {
  switch (kind) {
    case Value::Kind::Nil: return "Nil";
    case Value::Kind::Integer: return "Integer";
    case Value::Kind::Int64: return "Int64";
    case Value::Kind::Single: return "Single";
    case Value::Kind::Double: return "Double";
    case Value::Kind::Boolean: return "Boolean";
    case Value::Kind::Text: return "Text";
    case Value::Kind::Binary: return "Binary";
    case Value::Kind::Date: return "Date";
    case Value::Kind::Time: return "Time";
    case Value::Kind::Timestamp: return "Timestamp";
    case Value::Kind::Object: return "Object";
  }
  return "?";
}

}  // namespace tavro
