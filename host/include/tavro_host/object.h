// Host objects as the host's C++ callers hold them: an RAII reference.
#pragma once

#include <cstdint>
#include <string>

#include <tavro/plugin_sdk.h>

namespace tavro {

// One counted reference to a host object (instance, variant, array, date,
// memory block, record set, ...), or nil.
class Object {
 public:
  Object() noexcept = default;
  Object(std::nullptr_t) noexcept {}
  static Object adopt(TavroObject raw) noexcept;   // takes over the caller's reference
  static Object retain(TavroObject raw) noexcept;  // adds a reference

  Object(const Object& other) noexcept;
  Object(Object&& other) noexcept;
  Object& operator=(Object other) noexcept;
  ~Object();

  TavroObject get() const noexcept { return raw_; }
  TavroObject release() noexcept;
  explicit operator bool() const noexcept { return raw_ != nullptr; }
  bool operator==(const Object& other) const noexcept { return raw_ == other.raw_; }

  // Name of the object's class ("ODBCDatabase", "Variant", "RecordSet",
  // "Integer()", ...); empty for nil.
  std::string className() const;
  // True when the object's class is `name` or derives from it.
  bool isa(const std::string& name) const;
  int32_t referenceCount() const noexcept;
  // Start of the plug-in's instance data (instances of plug-in classes only;
  // null otherwise).
  void* instanceData() const noexcept;

 private:
  explicit Object(TavroObject raw) noexcept : raw_(raw) {}
  TavroObject raw_ = nullptr;
};

}  // namespace tavro
