#include "variant_bind_type.h"

#include <cstdio>

#include "../frame/host_api.h"
#include "bind_types.h"

namespace sqelto {
namespace {

DerivedBindType Failure(std::string text) { return {kBindNull, std::move(text)}; }

}  // namespace

DerivedBindType BindTypeForVariantCode(int32_t code, bool isMemoryBlock) {
  if ((code & TAVRO_VARIANT_ARRAY) != 0) return Failure(kArrayParameterText);
  switch (code) {
    case TAVRO_VARIANT_NIL: return {kBindNull, {}};
    case TAVRO_VARIANT_INTEGER: return {kBindInteger, {}};
    case TAVRO_VARIANT_INT64: return {kBindBigInt, {}};
    case TAVRO_VARIANT_SINGLE: return {kBindFloat, {}};
    case TAVRO_VARIANT_DOUBLE: return {kBindDouble, {}};
    case TAVRO_VARIANT_CURRENCY:
    case TAVRO_VARIANT_STRING:
    case TAVRO_VARIANT_TEXT: return {kBindString, {}};
    case TAVRO_VARIANT_DATE:
    case TAVRO_VARIANT_DATETIME: return {kBindTimestamp, {}};
    case TAVRO_VARIANT_BOOLEAN: return {kBindTinyInt, {}};
    case TAVRO_VARIANT_OBJECT:
      if (isMemoryBlock) return {kBindBinary, {}};
      break;
    default: break;
  }
  char text[64];
  std::snprintf(text, sizeof text, kUnsupportedVariantFormat, static_cast<int>(code));
  return Failure(text);
}

DerivedBindType DeriveBindType(TavroObject value) {
  if (value == nullptr) return {kBindNull, {}};
  int32_t code = 0;
  if (!host::GetPropValueInteger(value, "Type", &code)) return Failure(kNoVariantTypeText);
  // Looked up on each use: the path is rare, and a class the host did not
  // have at an earlier lookup is found once it has it.
  bool isMemoryBlock = false;
  if (code == TAVRO_VARIANT_OBJECT)
    if (TavroClass memoryBlock = host::ObjectType("MemoryBlock")) isMemoryBlock = host::ObjectIsa(value, memoryBlock);
  return BindTypeForVariantCode(code, isMemoryBlock);
}

}  // namespace sqelto
