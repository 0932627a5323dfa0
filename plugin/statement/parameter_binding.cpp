#include "parameter_binding.h"

#include <cstdio>
#include <cstring>

#include "../frame/host_api.h"
#include "bind_types.h"

namespace sqelto {
namespace {

// Column sizes of the date and time types: the length of their text forms
// (yyyy-mm-dd, hh:mm:ss, yyyy-mm-dd hh:mm:ss). Drivers read a timestamp's
// column size as the precision to keep: with less than 19, SQLite's driver
// drops the seconds.
constexpr SQLULEN kDateColumnSize = 10;
constexpr SQLULEN kTimeColumnSize = 8;
constexpr SQLULEN kTimestampColumnSize = 19;

// Something for a zero-length value to point at: drivers refuse a null
// buffer for a value that is not NULL.
const unsigned char kNoBytes[2] = {0, 0};

std::string Formatted(const char* format, int32_t position) {
  char text[256];
  std::snprintf(text, sizeof text, format, static_cast<int>(position));
  return text;
}

// Every binding points its length or indicator at the buffer's indicator.
SQLRETURN Bind(SQLHSTMT statement, int32_t position, SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN columnSize,
               void* value, SQLLEN bufferLength, ParameterBuffer& buffer) {
  const ParameterBuffer::Binding wanted{cType, sqlType, columnSize, value, bufferLength, &buffer.indicator, true};
  if (buffer.binding == wanted) return SQL_SUCCESS;
  buffer.binding = {};
  const SQLRETURN rc = SQLBindParameter(statement, static_cast<SQLUSMALLINT>(position + 1), SQL_PARAM_INPUT, cType,
                                        sqlType, columnSize, 0, value, bufferLength, &buffer.indicator);
  if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) buffer.binding = wanted;
  return rc;
}

template <class T>
void Store(ParameterBuffer& buffer, const T& value) {
  static_assert(sizeof(T) <= sizeof buffer.value);
  std::memcpy(buffer.value, &value, sizeof value);
}

// The host string's bytes as UTF-16: from code page 1252 when the host marks
// it so, from UTF-8 otherwise; a UTF-16 string is asked for as UTF-8 first.
void TextAsUtf16(TavroString text, std::vector<odbc::Utf16Unit>& out) {
  const uint32_t encoding = host::GetStringEncoding(text);
  if (encoding == TAVRO_ENCODING_UTF16) {
    TavroStringData data{};
    if (host::GetStringData(text, TAVRO_ENCODING_UTF8, &data)) {
      odbc::Utf8ToUtf16(data.data, data.data != nullptr ? data.length : 0, out);
      host::DisposeStringData(&data);
      return;
    }
  }
  const char* bytes = host::StringGetCString(text);
  const int32_t length = host::LenB(text);
  const std::size_t count = bytes != nullptr && length > 0 ? static_cast<std::size_t>(length) : 0;
  if (encoding == TAVRO_ENCODING_WINLATIN1)
    odbc::Cp1252ToUtf16(bytes, count, out);
  else
    odbc::Utf8ToUtf16(bytes, count, out);
}

// "StringValue" of the value: false when it cannot be read. A null host
// string is the empty string.
bool ReadString(TavroObject value, TavroString& out) {
  out = nullptr;
  return value != nullptr && host::GetPropValueString(value, "StringValue", &out);
}

ParameterBindResult BindText(SQLHSTMT statement, int32_t position, SQLSMALLINT sqlType, TavroObject value,
                             ParameterBuffer& buffer) {
  TavroString text = nullptr;
  if (!ReadString(value, text)) return {SQL_SUCCESS, Formatted(kNotAStringFormat, position)};
  if (text != nullptr) {
    TextAsUtf16(text, buffer.text);
    host::UnlockString(text);
  } else {
    buffer.text.assign(1, 0);
  }
  const std::size_t units = buffer.text.size() - 1;  // without the terminator
  const SQLLEN bytes = static_cast<SQLLEN>(units * sizeof(odbc::Utf16Unit));
  buffer.indicator = bytes;
  return {Bind(statement, position, SQL_C_WCHAR, sqlType, units > 0 ? units : 1, buffer.text.data(), bytes,
               buffer),
          {}};
}

ParameterBindResult BindBinary(SQLHSTMT statement, int32_t position, TavroObject value, ParameterBuffer& buffer) {
  TavroString text = nullptr;
  if (!ReadString(value, text)) return {SQL_SUCCESS, Formatted(kNotAStringFormat, position)};
  buffer.bytes.clear();
  if (text != nullptr) {
    // The bytes as they are, in the string's own encoding (a MemoryBlock's
    // bytes have none).
    const char* bytes = host::StringGetCString(text);
    const int32_t length = host::LenB(text);
    if (bytes != nullptr && length > 0) buffer.bytes.assign(bytes, bytes + length);
    host::UnlockString(text);
  }
  const auto length = static_cast<SQLLEN>(buffer.bytes.size());
  buffer.indicator = length;
  void* data = buffer.bytes.empty() ? const_cast<unsigned char*>(kNoBytes) : buffer.bytes.data();
  return {Bind(statement, position, SQL_C_BINARY, SQL_LONGVARBINARY, length > 0 ? static_cast<SQLULEN>(length) : 1,
               data, length, buffer),
          {}};
}

// Year, month, day, hour, minute and second of the value's "DateValue".
struct DateFields {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool ReadDate(TavroObject value, DateFields& out) {
  TavroObject date = nullptr;
  if (!host::GetPropValueObject(value, "DateValue", &date) || date == nullptr) return false;
  host::GetPropValueInteger(date, "Year", &out.year);
  host::GetPropValueInteger(date, "Month", &out.month);
  host::GetPropValueInteger(date, "Day", &out.day);
  host::GetPropValueInteger(date, "Hour", &out.hour);
  host::GetPropValueInteger(date, "Minute", &out.minute);
  host::GetPropValueInteger(date, "Second", &out.second);
  host::UnlockObject(date);
  return true;
}

ParameterBindResult BindDate(SQLHSTMT statement, int32_t position, int32_t bindType, TavroObject value,
                             ParameterBuffer& buffer) {
  SQLSMALLINT cType = SQL_C_TIMESTAMP;
  SQLSMALLINT sqlType = SQL_TYPE_TIMESTAMP;
  SQLULEN columnSize = kTimestampColumnSize;
  if (bindType == kBindDate) {
    cType = SQL_C_DATE;
    sqlType = SQL_TYPE_DATE;
    columnSize = kDateColumnSize;
  } else if (bindType == kBindTime) {
    cType = SQL_C_TIME;
    sqlType = SQL_TYPE_TIME;
    columnSize = kTimeColumnSize;
  }
  DateFields fields;
  if (value == nullptr) {
    buffer.indicator = SQL_NULL_DATA;
  } else if (!ReadDate(value, fields)) {
    return {SQL_SUCCESS, Formatted(kNotADateFormat, position)};
  } else if (bindType == kBindDate) {
    Store(buffer, SQL_DATE_STRUCT{static_cast<SQLSMALLINT>(fields.year), static_cast<SQLUSMALLINT>(fields.month),
                                  static_cast<SQLUSMALLINT>(fields.day)});
    buffer.indicator = sizeof(SQL_DATE_STRUCT);
  } else if (bindType == kBindTime) {
    Store(buffer, SQL_TIME_STRUCT{static_cast<SQLUSMALLINT>(fields.hour), static_cast<SQLUSMALLINT>(fields.minute),
                                  static_cast<SQLUSMALLINT>(fields.second)});
    buffer.indicator = sizeof(SQL_TIME_STRUCT);
  } else {
    Store(buffer, SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(fields.year), static_cast<SQLUSMALLINT>(fields.month),
                                       static_cast<SQLUSMALLINT>(fields.day), static_cast<SQLUSMALLINT>(fields.hour),
                                       static_cast<SQLUSMALLINT>(fields.minute),
                                       static_cast<SQLUSMALLINT>(fields.second), 0});
    buffer.indicator = sizeof(SQL_TIMESTAMP_STRUCT);
  }
  return {Bind(statement, position, cType, sqlType, columnSize, buffer.value, 0, buffer), {}};
}

}  // namespace

ParameterBindResult BindParameter(SQLHSTMT statement, int32_t position, int32_t bindType, TavroObject value,
                                  ParameterBuffer& buffer) {
  buffer.indicator = 0;
  void* slot = buffer.value;
  // A fixed-size value is read through one typed property of the Variant;
  // it is sent as NULL when there is no value or the property cannot be read.
  auto fixed = [&](bool read, SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN columnSize) {
    if (!read) buffer.indicator = SQL_NULL_DATA;
    return ParameterBindResult{Bind(statement, position, cType, sqlType, columnSize, slot, 0, buffer), {}};
  };
  switch (bindType) {
    case kBindNull:
      buffer.indicator = SQL_NULL_DATA;
      return {Bind(statement, position, SQL_C_CHAR, SQL_VARCHAR, 0, slot, 0, buffer), {}};
    case kBindTinyInt: {
      // The low byte, signed, widened to a short: SQLite's driver reads the
      // one-byte C types as unsigned and would store -7 as 249.
      int32_t n = 0;
      const bool read = value != nullptr && host::GetPropValueInteger(value, "IntegerValue", &n);
      Store(buffer, static_cast<SQLSMALLINT>(static_cast<int8_t>(n & 0xFF)));
      return fixed(read, SQL_C_SSHORT, SQL_TINYINT, 1);
    }
    case kBindSmallInt: {
      int32_t n = 0;
      const bool read = value != nullptr && host::GetPropValueInteger(value, "IntegerValue", &n);
      Store(buffer, static_cast<SQLSMALLINT>(static_cast<int16_t>(n & 0xFFFF)));
      return fixed(read, SQL_C_SSHORT, SQL_SMALLINT, 2);
    }
    case kBindInteger: {
      int32_t n = 0;
      const bool read = value != nullptr && host::GetPropValueInteger(value, "IntegerValue", &n);
      Store(buffer, static_cast<SQLINTEGER>(n));
      return fixed(read, SQL_C_SLONG, SQL_INTEGER, 4);
    }
    case kBindBigInt: {
      int64_t n = 0;
      const bool read = value != nullptr && host::GetPropValueInt64(value, "Int64Value", &n);
      Store(buffer, static_cast<SQLBIGINT>(n));
      return fixed(read, SQL_C_SBIGINT, SQL_BIGINT, 8);
    }
    case kBindFloat: {
      float f = 0;
      const bool read = value != nullptr && host::GetPropValueSingle(value, "SingleValue", &f);
      Store(buffer, static_cast<SQLREAL>(f));
      return fixed(read, SQL_C_FLOAT, SQL_REAL, 4);
    }
    case kBindDouble: {
      double d = 0;
      const bool read = value != nullptr && host::GetPropValueDouble(value, "DoubleValue", &d);
      Store(buffer, static_cast<SQLDOUBLE>(d));
      return fixed(read, SQL_C_DOUBLE, SQL_DOUBLE, 8);
    }
    case kBindDate:
    case kBindTime:
    case kBindTimestamp: return BindDate(statement, position, bindType, value, buffer);
    case kBindString: return BindText(statement, position, SQL_WVARCHAR, value, buffer);
    case kBindLongString: return BindText(statement, position, SQL_WLONGVARCHAR, value, buffer);
    case kBindBinary: return BindBinary(statement, position, value, buffer);
    default: return {};  // unbound: the driver names the missing parameter when the statement runs
  }
}

}  // namespace sqelto
