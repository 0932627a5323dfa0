// The ODBCConstant module's constants: ODBC API names with the values the ODBC
// headers give them, in registration order, and their declarations.
#ifndef SQELTO_FRAME_ODBC_CONSTANT_TABLE_H
#define SQELTO_FRAME_ODBC_CONSTANT_TABLE_H

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include <tavro/plugin_sdk.h>

namespace sqelto {

struct OdbcConstant {
  const char *name;
  long long value;
};

inline constexpr std::size_t kOdbcConstantCount = 443;

// Every constant, in registration order.
std::span<const OdbcConstant> OdbcConstants();

// Names are padded with blanks to this width so the equals signs line up in
// the column after it; a name of this width or longer is followed by a
// single blank instead (and its equals sign sits further right).
inline constexpr std::size_t kConstantNameWidth = 22;

// "NAME = value" as the host reads it: the name padded as above, "= ", then
// the value with a sign position (a blank for 0 and up, "-" below), e.g.
// "SQL_CVT_TIMESTAMP     =  131072", "SQL_BIT               = -7",
// "SQL_ACTIVE_CONNECTIONS =  0".
std::string FormatConstantDeclaration(std::string_view name, long long value);

// The module's constant entries (flags 0), built once, alive for the process.
std::span<const TavroConstantEntry> OdbcConstantEntries();

}  // namespace sqelto

#endif  // SQELTO_FRAME_ODBC_CONSTANT_TABLE_H
