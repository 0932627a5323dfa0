// ODBCDatabase's connection attributes: reading numeric and text attributes
// and setting numeric ones on an open connection (SQLGetConnectAttr,
// SQLSetConnectAttr).
#pragma once

#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace sqelto {

enum class AttributeKind { Unsupported, Numeric, Text };
AttributeKind ClassifyConnectionAttribute(int32_t attribute);

// Methods "GetConnectionAttribute(infoType as Integer) as Variant" and
// "ConnectionAttribute(attributeID as Integer) as Variant".
TavroObject TAVRO_CALL ODBCGetConnectionAttribute(TavroObject database, int32_t attribute);

// Methods "SetConnectionAttribute(infoType as Integer, value as Integer)" and
// "ConnectionAttribute(attributeID as Integer, Assigns value as Integer)".
void TAVRO_CALL ODBCSetConnectionAttribute(TavroObject database, int32_t attribute, int32_t value);

}  // namespace sqelto
