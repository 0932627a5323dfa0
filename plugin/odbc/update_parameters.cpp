#include "update_parameters.h"

#include <limits>

#include "host_text.h"

namespace sqelto {

SQLRETURN UpdateParameters::Bind(SQLHSTMT statement, SQLUSMALLINT number, int32_t hostType, TavroString value) {
  Buffer& buffer = buffers_.emplace_back();
  // Column size 0 stands for the text's length, plus one for a terminator
  // where `terminated` (numbers are sized by their digits alone).
  auto bindText = [&](SQLSMALLINT sqlType, SQLULEN columnSize, SQLLEN bufferLength, bool terminated = true) {
    const HostBytes text(value, TAVRO_ENCODING_UTF8);
    buffer.bytes.assign(text.data(), text.data() + text.size());
    buffer.bytes.push_back('\0');
    // The length, not a terminator, ends the value: a NUL inside makes the
    // driver refuse it rather than read a shorter number.
    buffer.indicator = static_cast<SQLLEN>(text.size());
    if (columnSize == 0) columnSize = text.size() + (terminated ? 1 : 0);
    return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, sqlType, columnSize, 0, buffer.bytes.data(),
                            bufferLength, &buffer.indicator);
  };
  switch (hostType) {
    case TAVRO_COLUMN_SMALLINT:
    case TAVRO_COLUMN_INTEGER:
    case TAVRO_COLUMN_BOOLEAN: return bindText(SQL_INTEGER, 0, 0, false);
    case TAVRO_COLUMN_FLOAT:
    case TAVRO_COLUMN_DOUBLE: return bindText(SQL_DOUBLE, 0, 0, false);
    case TAVRO_COLUMN_DATE: return bindText(SQL_TYPE_DATE, 0, 0);
    case TAVRO_COLUMN_TIME: return bindText(SQL_TYPE_TIME, 0, 0);
    case TAVRO_COLUMN_TIMESTAMP: return bindText(SQL_TYPE_TIMESTAMP, 0, 0);
    case TAVRO_COLUMN_INT64: return bindText(SQL_BIGINT, 25, 8);
    case TAVRO_COLUMN_BINARY:
    case TAVRO_COLUMN_LONG_BINARY: {
      const HostBytes bytes(value, false);
      buffer.bytes.assign(bytes.data(), bytes.data() + bytes.size());
      buffer.indicator = static_cast<SQLLEN>(bytes.size());
      return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                              std::numeric_limits<int32_t>::max(), 0, buffer.bytes.data(), buffer.indicator,
                              &buffer.indicator);
    }
    default: {
      const HostBytes text(value, TAVRO_ENCODING_UTF8);
      buffer.units = odbc::Utf8ToUtf16(text.data(), text.size());
      const std::size_t units = buffer.units.size() - 1;
      buffer.indicator = static_cast<SQLLEN>(units * sizeof(odbc::Utf16Unit));
      return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_VARCHAR, text.size() + 1, 0,
                              buffer.units.data(), buffer.indicator, &buffer.indicator);
    }
  }
}

}  // namespace sqelto
