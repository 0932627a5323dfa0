// Entry points for objects, classes, exceptions, properties by name,
// variants and arrays.
#include <cstdint>

#include "entry_guard.h"
#include "entry_points.h"
#include "host_state.h"
#include "quick_property_reads.h"
#include "tavro_host/errors.h"

namespace tavro::entry {
namespace {

using internal::checkedObject;
using internal::violation;

TavroObjectImpl* needObject(TavroObject o, const char* entryPoint) {
  if (!o) {
    violation(std::string(entryPoint) + ": null object");
    return nullptr;
  }
  return checkedObject(o, entryPoint);
}

bool needName(const char* name, const char* entryPoint) {
  if (!name || !*name) {
    violation(std::string(entryPoint) + ": null or empty property name");
    return false;
  }
  return true;
}

// Reads a property for a "by name" entry point; a missing property is a
// normal false answer (the plug-in reports it in its own words).
bool read(TavroObject o, const char* name, const char* entryPoint, Value& out) {
  TavroObjectImpl* impl = needObject(o, entryPoint);
  if (!impl || !needName(name, entryPoint)) return false;
  std::string why;
  try {
    return internal::getProperty(impl, name, out, why);
  } catch (const std::exception& e) {
    violation(std::string(entryPoint) + ": " + e.what());
    return false;
  }
}

bool asInteger(const Value& v, int64_t& out) {
  if (v.kind() == Value::Kind::Integer || v.kind() == Value::Kind::Int64) {
    out = v.asInteger();
    return true;
  }
  if (v.kind() == Value::Kind::Boolean) {
    out = v.asBoolean() ? 1 : 0;
    return true;
  }
  return false;
}

int32_t TAVRO_CALL integerElement(TavroArray array, int32_t index) {
  TavroObjectImpl* a = checkedObject(array, "Integer array element getter");
  if (!a || a->kind != internal::ObjectKind::IntegerArray) {
    violation("Integer array element getter: not an Integer array");
    return 0;
  }
  if (index < 0 || static_cast<size_t>(index) >= a->integers.size()) {
    violation("Integer array element getter: index " + std::to_string(index) + " out of bounds");
    return 0;
  }
  return a->integers[static_cast<size_t>(index)];
}

// Hands out a new reference to the element; the caller releases it.
TavroObject TAVRO_CALL objectElement(TavroArray array, int32_t index) {
  TavroObjectImpl* a = checkedObject(array, "Variant array element getter");
  if (!a || a->kind != internal::ObjectKind::VariantArray) {
    violation("Variant array element getter: not a Variant array");
    return nullptr;
  }
  if (index < 0 || static_cast<size_t>(index) >= a->objects.size()) {
    violation("Variant array element getter: index " + std::to_string(index) + " out of bounds");
    return nullptr;
  }
  TavroObject e = a->objects[static_cast<size_t>(index)];
  internal::lockObject(e);
  return e;
}

// The general reads behind the quick ones, kept out of line so that the
// quick path of each entry point needs no room for a Value.
[[gnu::noinline]] bool readInteger(TavroObject o, const char* name, const char* entryPoint, int64_t& out) {
  Value v;
  return read(o, name, entryPoint, v) && asInteger(v, out);
}

[[gnu::noinline]] bool readDouble(TavroObject o, const char* name, const char* entryPoint, double& out) {
  Value v;
  if (!read(o, name, entryPoint, v)) return false;
  if (v.kind() != Value::Kind::Single && v.kind() != Value::Kind::Double) return false;
  out = v.asDouble();
  return true;
}

[[gnu::noinline]] bool readString(TavroObject o, const char* name, TavroString* out) {
  Value v;
  if (!read(o, name, "VANTGetPropValueString", v) || v.kind() != Value::Kind::Text) return false;
  String s = v.hostString() ? v.hostString() : String::fromUtf8(v.asText());
  if (out) *out = s.release();
  return true;
}

[[gnu::noinline]] bool readObject(TavroObject o, const char* name, TavroObject* out) {
  Value v;
  if (!read(o, name, "VANTGetPropValueObject", v) || v.kind() != Value::Kind::Object) return false;
  Object obj = v.asObject();
  if (out) *out = obj.release();
  return true;
}

[[gnu::cold, gnu::noinline]] bool refuseWideInteger(const char* name, int64_t value) {
  violation(std::string("VANTGetPropValueInteger: property ") + name + " holds " + std::to_string(value) +
            ", which does not fit the 32-bit Integer this getter reads");
  return false;
}

// A property the plug-in sets by name must exist and take the value's type:
// a runtime refuses the assignment, and so is the plug-in told.
bool setByName(TavroObjectImpl* impl, const char* name, const Value& value, const char* entryPoint) {
  std::string why;
  try {
    if (internal::setProperty(impl, name, value, why)) return true;
  } catch (const std::exception& e) {
    why = e.what();
  }
  violation(std::string(entryPoint) + ": " + why);
  return false;
}

// A plug-in reads these for every value it binds: the common cases skip the
// general lookup (quick_property_reads.h).
// A misuse is left to the general path, which records it once.
bool quickTarget(TavroObject o, const char* name) {
  return o && name && internal::isAddress(o) && o->magic == TavroObjectImpl::kMagic && o->refs.load() > 0;
}

}  // namespace

void TAVRO_CALL LockObject(TavroObject o) { internal::lockObject(o); }
void TAVRO_CALL UnlockObject(TavroObject o) { internal::unlockObject(o); }

TavroClass TAVRO_CALL ObjectType(const char* className) {
  if (!className) {
    violation("pluginObjectType: null class name");
    return nullptr;
  }
  internal::HostState* st = internal::currentState();
  if (!st) return nullptr;
  std::lock_guard lock(st->mu);
  return internal::findClassLocked(*st, className);
}

TavroObject TAVRO_CALL CreateInstance(TavroClass cls) {
  if (!cls) {
    violation("CreateInstance: null class");
    return nullptr;
  }
  if (!internal::isAddress(cls) || cls->magic != TavroClassImpl::kMagic) {
    violation("CreateInstance: argument is not a host class");
    return nullptr;
  }
  try {
    return internal::instantiate(cls);
  } catch (const std::exception& e) {
    violation(std::string("CreateInstance: ") + e.what());
    return nullptr;
  }
}

TavroObject TAVRO_CALL NewInstanceOfClass(TavroClassRecord* record) {
  internal::HostState* st = internal::currentState();
  if (!st || !record) {
    violation("PluginNewInstanceOfClass: null class record");
    return nullptr;
  }
  TavroClassImpl* cls = nullptr;
  {
    std::lock_guard lock(st->mu);
    for (auto& c : st->pluginClasses)
      if (c->info.record == record) cls = c.get();
  }
  if (!cls) {
    violation("PluginNewInstanceOfClass: class record was never registered");
    return nullptr;
  }
  try {
    return internal::instantiate(cls);
  } catch (const std::exception& e) {
    violation(std::string("PluginNewInstanceOfClass: ") + e.what());
    return nullptr;
  }
}

bool TAVRO_CALL ObjectIsa(TavroObject o, TavroClass cls) {
  if (!o || !cls) return false;
  TavroObjectImpl* impl = checkedObject(o, "RuntimeObjectIsa");
  if (!impl || !internal::isAddress(cls) || cls->magic != TavroClassImpl::kMagic) return false;
  for (TavroClassImpl* c = impl->cls; c; c = c->super)
    if (c == cls) return true;
  return false;
}

// Takes over the caller's reference to what it raises: a plug-in raises an
// instance it made and does not touch it again.
void TAVRO_CALL RaiseException(TavroObject exception) {
  TavroObjectImpl* impl = needObject(exception, "RuntimeRaiseException");
  if (!impl) return;
  if (!impl->cls || !impl->cls->derivesFrom("RuntimeException")) {
    violation("RuntimeRaiseException: a " + (impl->cls ? impl->cls->info.name : std::string("?")) +
              " is not an exception");
    internal::unlockObject(exception);
    return;
  }
  internal::setPendingException(exception);
}

int32_t TAVRO_CALL UBound(TavroArray array) {
  TavroObjectImpl* a = needObject(array, "RuntimeUBound");
  if (!a) return 0;
  if (a->kind == internal::ObjectKind::IntegerArray) return static_cast<int32_t>(a->integers.size()) - 1;
  if (a->kind == internal::ObjectKind::VariantArray) return static_cast<int32_t>(a->objects.size()) - 1;
  violation("RuntimeUBound: a " + a->cls->info.name + " is not an array");
  return 0;
}

void* TAVRO_CALL IntegerArrayGetProc(TavroArray array) {
  TavroObjectImpl* a = needObject(array, "PluginIntegerArrayGetProc");
  if (!a) return nullptr;
  if (a->kind != internal::ObjectKind::IntegerArray) {
    violation("PluginIntegerArrayGetProc: a " + a->cls->info.name + " is not an Integer array");
    return nullptr;
  }
  return internal::guarded<"Integer array element getter", &integerElement>();
}

void* TAVRO_CALL ObjectArrayGetProc(TavroArray array) {
  TavroObjectImpl* a = needObject(array, "PluginObjectArrayGetProc");
  if (!a) return nullptr;
  if (a->kind != internal::ObjectKind::VariantArray) {
    violation("PluginObjectArrayGetProc: a " + a->cls->info.name + " is not a Variant array");
    return nullptr;
  }
  return internal::guarded<"Variant array element getter", &objectElement>();
}

void* TAVRO_CALL ArrayDirectGetGetProc(TavroArray array) {
  TavroObjectImpl* a = needObject(array, "RuntimeArrayDirectGetGetProc");
  if (!a) return nullptr;
  if (a->kind == internal::ObjectKind::IntegerArray)
    return internal::guarded<"Integer array element getter", &integerElement>();
  if (a->kind == internal::ObjectKind::VariantArray)
    return internal::guarded<"Variant array element getter", &objectElement>();
  violation("RuntimeArrayDirectGetGetProc: a " + a->cls->info.name + " is not an array");
  return nullptr;
}

bool TAVRO_CALL GetPropInteger(TavroObject o, const char* name, int32_t* out) {
  int64_t n = 0;
  if (!(quickTarget(o, name) && internal::quickInteger(o, name, n)) &&
      !readInteger(o, name, "VANTGetPropValueInteger", n))
    return false;
  // The getter reads a 32-bit Integer: a wider value is not cut down to fit.
  if (n < INT32_MIN || n > INT32_MAX) [[unlikely]]
    return refuseWideInteger(name, n);
  if (out) *out = static_cast<int32_t>(n);
  return true;
}

bool TAVRO_CALL GetPropInt64(TavroObject o, const char* name, int64_t* out) {
  int64_t n = 0;
  if (quickTarget(o, name) && internal::quickInteger(o, name, n)) {
    if (out) *out = n;
    return true;
  }
  if (!readInteger(o, name, "VANTGetPropValueInt64", n)) return false;
  if (out) *out = n;
  return true;
}

bool TAVRO_CALL GetPropSingle(TavroObject o, const char* name, float* out) {
  double d = 0;
  if (quickTarget(o, name) && internal::quickDouble(o, name, d)) {
    if (out) *out = static_cast<float>(d);
    return true;
  }
  if (!readDouble(o, name, "VANTGetPropValueSingle", d)) return false;
  if (out) *out = static_cast<float>(d);
  return true;
}

bool TAVRO_CALL GetPropDouble(TavroObject o, const char* name, double* out) {
  double d = 0;
  if (quickTarget(o, name) && internal::quickDouble(o, name, d)) {
    if (out) *out = d;
    return true;
  }
  if (!readDouble(o, name, "VANTGetPropValueDouble", d)) return false;
  if (out) *out = d;
  return true;
}

bool TAVRO_CALL GetPropString(TavroObject o, const char* name, TavroString* out) {
  TavroString quick = nullptr;
  if (quickTarget(o, name) && internal::quickString(o, name, quick)) {
    if (out)
      *out = quick;
    else
      internal::unlockString(quick);
    return true;
  }
  return readString(o, name, out);
}

bool TAVRO_CALL GetPropObject(TavroObject o, const char* name, TavroObject* out) {
  TavroObject quick = nullptr;
  if (quickTarget(o, name) && internal::quickObject(o, name, quick)) {
    if (out)
      *out = quick;
    else
      internal::unlockObject(quick);
    return true;
  }
  return readObject(o, name, out);
}

bool TAVRO_CALL SetPropInteger(TavroObject o, const char* name, int32_t value) {
  TavroObjectImpl* impl = needObject(o, "VANTSetPropValueInteger");
  if (!impl || !needName(name, "VANTSetPropValueInteger")) return false;
  return setByName(impl, name, Value(value), "VANTSetPropValueInteger");
}

bool TAVRO_CALL SetPropString(TavroObject o, const char* name, TavroString value) {
  TavroObjectImpl* impl = needObject(o, "VANTSetPropValueString");
  if (!impl || !needName(name, "VANTSetPropValueString")) return false;
  if (value && !internal::checkedString(value, "VANTSetPropValueString")) return false;
  internal::checkTextEncoding(value, "VANTSetPropValueString");
  return setByName(impl, name, Value(String::retain(value)), "VANTSetPropValueString");
}

TavroObject TAVRO_CALL IntegerToVariant(int32_t value) {
  try {
    return internal::newVariant(TAVRO_VARIANT_INTEGER, Value(value));
  } catch (const std::exception& e) {
    violation(std::string("IntegerToVariant: ") + e.what());
    return nullptr;
  }
}

TavroObject TAVRO_CALL StringToVariant(TavroString value) {
  if (value && !internal::checkedString(value, "StringToVariant")) return nullptr;
  internal::checkTextEncoding(value, "StringToVariant");
  try {
    return internal::newVariant(TAVRO_VARIANT_STRING, Value(String::retain(value)));
  } catch (const std::exception& e) {
    violation(std::string("StringToVariant: ") + e.what());
    return nullptr;
  }
}

}  // namespace tavro::entry
