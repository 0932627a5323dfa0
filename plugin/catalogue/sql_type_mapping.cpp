#include "sql_type_mapping.h"

#include <charconv>
#include <limits>

#include "odbc/column_types.h"

namespace sqelto {

int32_t HostTypeOfSqlType(int32_t sqlType) {
  // SQL types are 16-bit; anything wider is no type the table knows.
  if (sqlType < std::numeric_limits<SQLSMALLINT>::min() || sqlType > std::numeric_limits<SQLSMALLINT>::max())
    return TAVRO_COLUMN_TEXT;
  return FetchFor(static_cast<SQLSMALLINT>(sqlType), 0).hostType;
}

int32_t DecimalTextValue(std::string_view text) {
  int32_t value = 0;
  const std::from_chars_result parsed = std::from_chars(text.data(), text.data() + text.size(), value);
  return parsed.ec == std::errc() ? value : 0;
}

}  // namespace sqelto
