#include "quick_property_reads.h"

#include <cstddef>
#include <cstdint>

#include "host_state.h"

namespace tavro::internal {
namespace {

// Ignoring ASCII case, as property names are compared. The known name is a
// literal of letters and digits, so its characters compare as constants; a
// shorter name ends in a NUL, which matches none of them, so nothing past it
// is read.
template <std::size_t N>
bool sameName(const char* name, const char (&known)[N]) {
  for (std::size_t i = 0; i + 1 < N; ++i)
    if ((name[i] | 0x20) != (known[i] | 0x20)) return false;
  return name[N - 1] == '\0';
}

const int32_t* dateFieldOf(TavroObjectImpl* o, const char* name) {
  const DateTime& d = o->date;
  switch (*name | 0x20) {
    case 'y': return sameName(name, "Year") ? &d.year : nullptr;
    case 'm': return sameName(name, "Month") ? &d.month : sameName(name, "Minute") ? &d.minute : nullptr;
    case 'd': return sameName(name, "Day") ? &d.day : nullptr;
    case 'h': return sameName(name, "Hour") ? &d.hour : nullptr;
    case 's': return sameName(name, "Second") ? &d.second : nullptr;
    default: return nullptr;
  }
}

}  // namespace

bool quickInteger(TavroObjectImpl* o, const char* name, int64_t& out) {
  if (o->kind == ObjectKind::Date) {
    if (const int32_t* field = dateFieldOf(o, name)) {
      out = *field;
      return true;
    }
    return false;
  }
  if (o->kind != ObjectKind::Variant) return false;
  if (sameName(name, "Type")) {
    out = o->variantType;
    return true;
  }
  const Value::Kind kind = o->variant.kind();
  if (kind != Value::Kind::Integer && kind != Value::Kind::Int64) return false;
  if (sameName(name, "IntegerValue")) {
    // A value beyond 32 bits has no Integer form: the general read says so.
    const int64_t n = o->variant.asInteger();
    if (n < INT32_MIN || n > INT32_MAX) return false;
    out = n;
    return true;
  }
  if (sameName(name, "Int64Value")) {
    out = o->variant.asInteger();
    return true;
  }
  return false;
}

bool quickDouble(TavroObjectImpl* o, const char* name, double& out) {
  if (o->kind != ObjectKind::Variant) return false;
  const Value::Kind kind = o->variant.kind();
  if (kind != Value::Kind::Single && kind != Value::Kind::Double) return false;
  if (!sameName(name, "DoubleValue") && !sameName(name, "SingleValue")) return false;
  out = o->variant.asDouble();
  return true;
}

bool quickString(TavroObjectImpl* o, const char* name, TavroString& out) {
  if (o->kind != ObjectKind::Variant || o->variant.kind() != Value::Kind::Text || !o->variant.hostString() ||
      !sameName(name, "StringValue"))
    return false;
  out = o->variant.hostString().get();
  lockString(out);
  return true;
}

bool quickObject(TavroObjectImpl* o, const char* name, TavroObject& out) {
  // A Date passed as a Variant is its own date value.
  if (o->kind != ObjectKind::Date || !sameName(name, "DateValue")) return false;
  lockObject(o);
  out = o;
  return true;
}

}  // namespace tavro::internal
