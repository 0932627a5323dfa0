// The bind type that follows from a host Variant's type code.
#pragma once

#include <cstdint>
#include <string>

#include <tavro/plugin_sdk.h>

namespace sqelto {

struct DerivedBindType {
  int32_t type;       // the bind type; ODBC_TYPE_NULL when `error` is set
  std::string error;  // empty, or why no type follows from the value
};

// The type for a Variant type code, as read from the value's "Type".
// `isMemoryBlock` is asked only for object values (code 9).
DerivedBindType BindTypeForVariantCode(int32_t code, bool isMemoryBlock);

// Reads the value's "Type" and maps it. A null value binds as NULL.
DerivedBindType DeriveBindType(TavroObject value);

}  // namespace sqelto
