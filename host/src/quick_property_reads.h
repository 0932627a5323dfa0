// The typed property reads a plug-in makes for every value it binds (a
// Variant's "Type" and value, a Date's fields), answered without the
// general lookup by name. Each returns false when the read is not one of
// these; the caller then takes the general path, which also gives every
// refusal.
#pragma once

#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace tavro::internal {

bool quickInteger(TavroObjectImpl* o, const char* name, int64_t& out);
bool quickDouble(TavroObjectImpl* o, const char* name, double& out);
// New references, as the general reads hand out.
bool quickString(TavroObjectImpl* o, const char* name, TavroString& out);
bool quickObject(TavroObjectImpl* o, const char* name, TavroObject& out);

}  // namespace tavro::internal
