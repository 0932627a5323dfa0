// The host column type code of an ODBC SQL data type, as the field schema
// reports it. The ODBC cursor assigns its columns the same codes.
#pragma once

#include <cstdint>
#include <string_view>

namespace sqelto {

int32_t HostTypeOfSqlType(int32_t sqlType);

// A driver's decimal text as an integer: its leading digits (after an
// optional minus sign); an empty or non-numeric text, or one out of range,
// reads as 0.
int32_t DecimalTextValue(std::string_view text);

}  // namespace sqelto
