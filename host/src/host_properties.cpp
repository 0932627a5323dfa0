// Property access by name: through a plug-in class's property records
// (direct at the offset, or getter/setter functions), or the host's own
// classes (exceptions, databases, dates, memory blocks, variants).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "host_state.h"
#include "tavro_host/errors.h"

namespace tavro::internal {
namespace {

const PropertyInfo* findProperty(const TavroClassImpl* c, const std::string& name) {
  for (const PropertyInfo& p : c->info.properties)
    if (equalsIgnoreCase(p.name, name)) return &p;
  return nullptr;
}

template <class T>
T readAt(TavroObjectImpl* o, uintptr_t offset) {
  T v;
  std::memcpy(&v, o->data() + offset, sizeof v);
  return v;
}
template <class T>
void writeAt(TavroObjectImpl* o, uintptr_t offset, T v) {
  std::memcpy(o->data() + offset, &v, sizeof v);
}

template <class F>
auto callPlugin(F&& f) {
  Host::CallScope scope(Host::current());
  return f();
}

bool integerIn(const Value& v, int64_t lo, int64_t hi, int64_t& out) {
  if (v.kind() != Value::Kind::Integer && v.kind() != Value::Kind::Int64) return false;
  out = v.asInteger();
  return out >= lo && out <= hi;
}

// ---- plug-in classes ----------------------------------------------------

bool getPluginProperty(TavroObjectImpl* o, const PropertyInfo& p, Value& out, std::string& why) {
  const std::string& t = p.type;
  TavroObject self = o;
  if (!p.directGet) {
    if (!p.getter) {
      why = "property " + p.name + " has no getter";
      return false;
    }
    const AbiKind k = abiKindOfType(t, false);
    switch (k) {
      case AbiKind::Int32:
        out = callPlugin([&] { return reinterpret_cast<int32_t(TAVRO_CALL*)(TavroObject)>(const_cast<void*>(p.getter))(self); });
        return true;
      case AbiKind::Int64:
        out = callPlugin([&] { return reinterpret_cast<int64_t(TAVRO_CALL*)(TavroObject)>(const_cast<void*>(p.getter))(self); });
        return true;
      case AbiKind::Single:
        out = callPlugin([&] { return reinterpret_cast<float(TAVRO_CALL*)(TavroObject)>(const_cast<void*>(p.getter))(self); });
        return true;
      case AbiKind::Double:
        out = callPlugin([&] { return reinterpret_cast<double(TAVRO_CALL*)(TavroObject)>(const_cast<void*>(p.getter))(self); });
        return true;
      case AbiKind::Boolean:
        out = callPlugin([&] { return reinterpret_cast<bool(TAVRO_CALL*)(TavroObject)>(const_cast<void*>(p.getter))(self); });
        return true;
      case AbiKind::String: {
        String s = String::adopt(callPlugin(
            [&] { return reinterpret_cast<TavroString(TAVRO_CALL*)(TavroObject)>(const_cast<void*>(p.getter))(self); }));
        checkTextEncoding(s.get(), ("property " + p.name).c_str());
        out = Value(std::move(s));
        return true;
      }
      case AbiKind::Object:
        out = Value(Object::adopt(callPlugin(
            [&] { return reinterpret_cast<TavroObject(TAVRO_CALL*)(TavroObject)>(const_cast<void*>(p.getter))(self); })));
        return true;
      case AbiKind::Void: break;
    }
    why = "property " + p.name + " has an unusable type";
    return false;
  }
  const uintptr_t off = p.offset;
  if (equalsIgnoreCase(t, "Integer") || equalsIgnoreCase(t, "Int32") || equalsIgnoreCase(t, "Color")) out = readAt<int32_t>(o, off);
  else if (equalsIgnoreCase(t, "UInt32") || equalsIgnoreCase(t, "UInteger")) out = int64_t{readAt<uint32_t>(o, off)};
  else if (equalsIgnoreCase(t, "Int16")) out = int32_t{readAt<int16_t>(o, off)};
  else if (equalsIgnoreCase(t, "UInt16")) out = int32_t{readAt<uint16_t>(o, off)};
  else if (equalsIgnoreCase(t, "Int8")) out = int32_t{readAt<int8_t>(o, off)};
  else if (equalsIgnoreCase(t, "UInt8")) out = int32_t{readAt<uint8_t>(o, off)};
  else if (equalsIgnoreCase(t, "Int64") || equalsIgnoreCase(t, "UInt64") || equalsIgnoreCase(t, "Currency")) out = readAt<int64_t>(o, off);
  else if (equalsIgnoreCase(t, "Single")) out = readAt<float>(o, off);
  else if (equalsIgnoreCase(t, "Double")) out = readAt<double>(o, off);
  else if (equalsIgnoreCase(t, "Boolean")) out = readAt<uint8_t>(o, off) != 0;
  else if (equalsIgnoreCase(t, "String")) {
    const TavroString s = readAt<TavroString>(o, off);
    checkTextEncoding(s, ("property " + p.name).c_str());
    out = Value(String::retain(s));
  }
  else if (equalsIgnoreCase(t, "Ptr")) out = static_cast<int64_t>(reinterpret_cast<intptr_t>(readAt<void*>(o, off)));
  else out = Value(Object::retain(readAt<TavroObject>(o, off)));
  return true;
}

bool setPluginProperty(TavroObjectImpl* o, const PropertyInfo& p, const Value& in, std::string& why) {
  if (p.readOnly) {
    why = "property " + p.name + " is read-only";
    return false;
  }
  const std::string& t = p.type;
  const AbiKind k = abiKindOfType(t, false);
  int64_t n = 0;
  // Converts the value to the property's type first; the same for direct and setter access.
  String s;
  Object obj;
  switch (k) {
    case AbiKind::Int32:
      if (!integerIn(in, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max(), n)) {
        why = "property " + p.name + " takes an integer in 32 bits, not " + kindName(in.kind());
        return false;
      }
      break;
    case AbiKind::Int64:
      if (!integerIn(in, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), n)) {
        why = "property " + p.name + " takes an integer, not " + kindName(in.kind());
        return false;
      }
      break;
    case AbiKind::Single:
    case AbiKind::Double:
      if (in.kind() != Value::Kind::Single && in.kind() != Value::Kind::Double && in.kind() != Value::Kind::Integer &&
          in.kind() != Value::Kind::Int64) {
        why = "property " + p.name + " takes a number, not " + kindName(in.kind());
        return false;
      }
      break;
    case AbiKind::Boolean:
      if (in.kind() != Value::Kind::Boolean) {
        why = "property " + p.name + " takes a Boolean, not " + kindName(in.kind());
        return false;
      }
      break;
    case AbiKind::String:
      if (in.kind() == Value::Kind::Nil) break;
      if (in.kind() != Value::Kind::Text) {
        why = "property " + p.name + " takes a String, not " + kindName(in.kind());
        return false;
      }
      s = in.hostString() ? in.hostString() : String::fromUtf8(in.asText());
      break;
    case AbiKind::Object:
      if (equalsIgnoreCase(t, "Ptr")) {
        why = "property " + p.name + " of type Ptr cannot be set";
        return false;
      }
      if (in.kind() == Value::Kind::Object) obj = in.asObject();
      else if (in.kind() != Value::Kind::Nil) {
        why = "property " + p.name + " takes an object, not " + kindName(in.kind());
        return false;
      }
      break;
    case AbiKind::Void: break;
  }
  TavroObject self = o;
  if (!p.directSet) {
    void* fn = const_cast<void*>(p.setter);
    switch (k) {
      case AbiKind::Int32: callPlugin([&] { reinterpret_cast<void(TAVRO_CALL*)(TavroObject, int32_t)>(fn)(self, static_cast<int32_t>(n)); return 0; }); break;
      case AbiKind::Int64: callPlugin([&] { reinterpret_cast<void(TAVRO_CALL*)(TavroObject, int64_t)>(fn)(self, n); return 0; }); break;
      case AbiKind::Single: callPlugin([&] { reinterpret_cast<void(TAVRO_CALL*)(TavroObject, float)>(fn)(self, static_cast<float>(in.asDouble())); return 0; }); break;
      case AbiKind::Double: callPlugin([&] { reinterpret_cast<void(TAVRO_CALL*)(TavroObject, double)>(fn)(self, in.asDouble()); return 0; }); break;
      case AbiKind::Boolean: callPlugin([&] { reinterpret_cast<void(TAVRO_CALL*)(TavroObject, bool)>(fn)(self, in.asBoolean()); return 0; }); break;
      case AbiKind::String: callPlugin([&] { reinterpret_cast<void(TAVRO_CALL*)(TavroObject, TavroString)>(fn)(self, s.get()); return 0; }); break;
      case AbiKind::Object: callPlugin([&] { reinterpret_cast<void(TAVRO_CALL*)(TavroObject, TavroObject)>(fn)(self, obj.get()); return 0; }); break;
      case AbiKind::Void: break;
    }
    return true;
  }
  const uintptr_t off = p.offset;
  if (equalsIgnoreCase(t, "Integer") || equalsIgnoreCase(t, "Int32") || equalsIgnoreCase(t, "Color") ||
      equalsIgnoreCase(t, "UInt32") || equalsIgnoreCase(t, "UInteger"))
    writeAt<uint32_t>(o, off, static_cast<uint32_t>(n));
  else if (equalsIgnoreCase(t, "Int16") || equalsIgnoreCase(t, "UInt16")) writeAt<uint16_t>(o, off, static_cast<uint16_t>(n));
  else if (equalsIgnoreCase(t, "Int8") || equalsIgnoreCase(t, "UInt8")) writeAt<uint8_t>(o, off, static_cast<uint8_t>(n));
  else if (k == AbiKind::Int64) writeAt<int64_t>(o, off, n);
  else if (k == AbiKind::Single) writeAt<float>(o, off, static_cast<float>(in.asDouble()));
  else if (k == AbiKind::Double) writeAt<double>(o, off, in.asDouble());
  else if (k == AbiKind::Boolean) writeAt<uint8_t>(o, off, in.asBoolean() ? 1 : 0);
  else if (k == AbiKind::String) {
    TavroString old = readAt<TavroString>(o, off);
    writeAt<TavroString>(o, off, s.release());
    if (old) unlockString(old);
  } else {
    TavroObject old = readAt<TavroObject>(o, off);
    writeAt<TavroObject>(o, off, obj.release());
    if (old) unlockObject(old);
  }
  return true;
}

// ---- variants -----------------------------------------------------------

bool parseInteger(const std::string& s, int64_t& out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (s.empty() || *end || errno) return false;
  out = v;
  return true;
}

bool variantNumber(const Value& v, double& out) {
  switch (v.kind()) {
    case Value::Kind::Nil: out = 0; return true;
    case Value::Kind::Integer:
    case Value::Kind::Int64:
    case Value::Kind::Single:
    case Value::Kind::Double: out = v.asDouble(); return true;
    case Value::Kind::Boolean: out = v.asBoolean() ? 1 : 0; return true;
    case Value::Kind::Text: {
      char* end = nullptr;
      const std::string& s = v.asText();
      out = std::strtod(s.c_str(), &end);
      return !s.empty() && !*end;
    }
    default: return false;
  }
}

bool variantInteger(const Value& v, int64_t& out) {
  if (v.kind() == Value::Kind::Integer || v.kind() == Value::Kind::Int64) {
    out = v.asInteger();
    return true;
  }
  if (v.kind() == Value::Kind::Text) return parseInteger(v.asText(), out);
  double d = 0;
  if (!variantNumber(v, d) || !std::isfinite(d)) return false;
  out = static_cast<int64_t>(d);
  return true;
}

bool getVariantProperty(TavroObjectImpl* o, const std::string& name, Value& out, std::string& why) {
  const Value& v = o->variant;
  if (equalsIgnoreCase(name, "Type")) {
    out = o->variantType;
    return true;
  }
  if (equalsIgnoreCase(name, "IntegerValue") || equalsIgnoreCase(name, "Int64Value")) {
    int64_t n = 0;
    if (!variantInteger(v, n)) {
      why = std::string("a variant holding ") + kindName(v.kind()) + " has no integer value";
      return false;
    }
    if (equalsIgnoreCase(name, "Int64Value")) {
      out = Value(n);
      return true;
    }
    if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) {
      why = "a variant holding " + std::to_string(n) + " has no Integer value in 32 bits";
      return false;
    }
    out = Value(static_cast<int32_t>(n));
    return true;
  }
  if (equalsIgnoreCase(name, "SingleValue") || equalsIgnoreCase(name, "DoubleValue")) {
    double d = 0;
    if (!variantNumber(v, d)) {
      why = std::string("a variant holding ") + kindName(v.kind()) + " has no number value";
      return false;
    }
    out = equalsIgnoreCase(name, "SingleValue") ? Value(static_cast<float>(d)) : Value(d);
    return true;
  }
  if (equalsIgnoreCase(name, "BooleanValue")) {
    if (v.kind() == Value::Kind::Boolean) out = v.asBoolean();
    else {
      double d = 0;
      if (!variantNumber(v, d)) {
        why = "variant has no boolean value";
        return false;
      }
      out = d != 0;
    }
    return true;
  }
  if (equalsIgnoreCase(name, "StringValue")) {
    switch (v.kind()) {
      case Value::Kind::Nil: out = Value(String()); return true;
      case Value::Kind::Text: out = v.hostString() ? Value(v.hostString()) : Value(String::fromUtf8(v.asText())); return true;
      case Value::Kind::Object:
        if (v.asObject() && v.asObject().get()->kind == ObjectKind::MemoryBlock) {
          const Bytes& b = v.asObject().get()->block;
          // A memory block's bytes as a string: no text encoding.
          out = Value(String::fromBytes(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()),
                                        Encoding::Unknown));
          return true;
        }
        why = "a variant holding an object has no string value";
        return false;
      default: out = Value(String::fromUtf8(v.toString())); return true;
    }
  }
  if (equalsIgnoreCase(name, "DateValue")) {
    if (v.kind() == Value::Kind::Object && v.asObject() && v.asObject().get()->kind == ObjectKind::Date) {
      out = v.asObject();
      return true;
    }
    if (v.kind() == Value::Kind::Date || v.kind() == Value::Kind::Time || v.kind() == Value::Kind::Timestamp) {
      TavroObject d = newObject(builtinClass("Date"), ObjectKind::Date, 0);
      d->date = v.asDateTime();
      out = Value(Object::adopt(d));
      return true;
    }
    why = std::string("a variant holding ") + kindName(v.kind()) + " has no date value";
    return false;
  }
  if (equalsIgnoreCase(name, "ObjectValue")) {
    if (v.kind() == Value::Kind::Object || v.kind() == Value::Kind::Nil) {
      out = v.kind() == Value::Kind::Nil ? Value(Object()) : v;
      return true;
    }
    why = "variant holds no object";
    return false;
  }
  why = "Variant has no property " + name;
  return false;
}

int32_t* dateField(TavroObjectImpl* o, const std::string& name) {
  DateTime& d = o->date;
  if (equalsIgnoreCase(name, "Year")) return &d.year;
  if (equalsIgnoreCase(name, "Month")) return &d.month;
  if (equalsIgnoreCase(name, "Day")) return &d.day;
  if (equalsIgnoreCase(name, "Hour")) return &d.hour;
  if (equalsIgnoreCase(name, "Minute")) return &d.minute;
  if (equalsIgnoreCase(name, "Second")) return &d.second;
  return nullptr;
}

}  // namespace

bool getProperty(TavroObjectImpl* o, const std::string& name, Value& out, std::string& why) {
  switch (o->kind) {
    case ObjectKind::Variant: return getVariantProperty(o, name, out, why);
    // A date or memory block passed where a Variant is expected is the
    // object itself: it answers the variant properties too.
    case ObjectKind::Date:
      if (int32_t* f = dateField(o, name)) {
        out = *f;
        return true;
      }
      if (equalsIgnoreCase(name, "Type")) {
        out = int32_t{TAVRO_VARIANT_DATE};
        return true;
      }
      if (equalsIgnoreCase(name, "DateValue") || equalsIgnoreCase(name, "ObjectValue")) {
        out = Value(Object::retain(o));
        return true;
      }
      if (equalsIgnoreCase(name, "StringValue")) {
        out = Value(String::fromUtf8(Value::timestamp(o->date).toString()));
        return true;
      }
      break;
    case ObjectKind::MemoryBlock:
      if (equalsIgnoreCase(name, "Size")) {
        out = static_cast<int32_t>(o->block.size());
        return true;
      }
      if (equalsIgnoreCase(name, "Type")) {
        out = int32_t{TAVRO_VARIANT_OBJECT};
        return true;
      }
      if (equalsIgnoreCase(name, "ObjectValue")) {
        out = Value(Object::retain(o));
        return true;
      }
      if (equalsIgnoreCase(name, "StringValue")) {
        // A memory block's bytes as a string: no text encoding.
        out = Value(String::fromBytes(std::string_view(reinterpret_cast<const char*>(o->block.data()), o->block.size()),
                                      Encoding::Unknown));
        return true;
      }
      break;
    default:
      for (TavroClassImpl* c = o->cls; c; c = c->super) {
        if (c->info.builtin) {
          auto it = o->props.find(name);
          if (it != o->props.end() && findProperty(c, name)) {
            out = it->second;
            return true;
          }
          continue;
        }
        if (const PropertyInfo* p = findProperty(c, name)) return getPluginProperty(o, *p, out, why);
      }
      // Any other object seen as a Variant is of the object type.
      if (equalsIgnoreCase(name, "Type")) {
        out = int32_t{TAVRO_VARIANT_OBJECT};
        return true;
      }
      if (equalsIgnoreCase(name, "ObjectValue")) {
        out = Value(Object::retain(o));
        return true;
      }
  }
  why = (o->cls ? o->cls->info.name : std::string("object")) + " has no property " + name;
  return false;
}

bool setProperty(TavroObjectImpl* o, const std::string& name, const Value& in, std::string& why) {
  switch (o->kind) {
    case ObjectKind::Variant: why = "variant properties are read-only"; return false;
    case ObjectKind::Date:
      if (int32_t* f = dateField(o, name)) {
        int64_t n = 0;
        if (!integerIn(in, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), n)) {
          why = "Date." + name + " takes an Integer";
          return false;
        }
        *f = static_cast<int32_t>(n);
        return true;
      }
      break;
    case ObjectKind::MemoryBlock:
      if (equalsIgnoreCase(name, "Size")) {
        why = "MemoryBlock.Size is read-only";
        return false;
      }
      break;
    default:
      for (TavroClassImpl* c = o->cls; c; c = c->super) {
        if (c->info.builtin) {
          const PropertyInfo* p = findProperty(c, name);
          if (!p) continue;
          auto it = o->props.find(name);
          if (equalsIgnoreCase(p->type, "Integer")) {
            int64_t n = 0;
            if (!integerIn(in, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), n)) {
              why = "property " + p->name + " takes an Integer, not " + kindName(in.kind());
              return false;
            }
            it->second = static_cast<int32_t>(n);
          } else {
            if (in.kind() == Value::Kind::Nil) it->second = Value(String());
            else if (in.kind() == Value::Kind::Text)
              it->second = in.hostString() ? Value(in.hostString()) : Value(String::fromUtf8(in.asText()));
            else {
              why = "property " + p->name + " takes a String, not " + kindName(in.kind());
              return false;
            }
          }
          return true;
        }
        if (const PropertyInfo* p = findProperty(c, name)) return setPluginProperty(o, *p, in, why);
      }
  }
  why = (o->cls ? o->cls->info.name : std::string("object")) + " has no property " + name;
  return false;
}

int32_t variantTypeOf(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Nil: return TAVRO_VARIANT_NIL;
    case Value::Kind::Integer: return TAVRO_VARIANT_INTEGER;
    case Value::Kind::Int64: return TAVRO_VARIANT_INT64;
    case Value::Kind::Single: return TAVRO_VARIANT_SINGLE;
    case Value::Kind::Double: return TAVRO_VARIANT_DOUBLE;
    case Value::Kind::Boolean: return TAVRO_VARIANT_BOOLEAN;
    case Value::Kind::Text: return TAVRO_VARIANT_STRING;
    case Value::Kind::Date:
    case Value::Kind::Time:
    case Value::Kind::Timestamp: return TAVRO_VARIANT_DATE;
    case Value::Kind::Binary:
    case Value::Kind::Object: return TAVRO_VARIANT_OBJECT;
  }
  return TAVRO_VARIANT_NIL;
}

TavroObject newVariant(int32_t type, Value value) {
  TavroObject o = newObject(builtinClass("Variant"), ObjectKind::Variant, 0);
  o->variantType = type;
  o->variant = std::move(value);
  return o;
}

}  // namespace tavro::internal
