// How each ODBC SQL type is fetched: the host column type code it is shown
// as, the C type it is read into and the buffer it needs.
#pragma once

#include <cstdint>

#include <tavro/plugin_sdk.h>

#include "odbc_api.h"

namespace sqelto {

enum class BufferKind { Inline, Heap, LongText, LongBinary };

struct ColumnFetch {
  int32_t hostType;
  SQLSMALLINT cType;
  BufferKind buffer;
  SQLLEN bufferLength;  // bytes passed to the driver (heap: bytes to allocate, plus 1 for binary)
};

// Column sizes above this (and size 0, "unknown") are fetched in a buffer of
// this many units.
inline constexpr SQLULEN kMaxFetchUnits = 8192;
inline constexpr std::size_t kInlineBytes = 2048;
inline constexpr std::size_t kInlineTextBytes = 1024;  // UTF-16 half; the UTF-8 form takes the other half

ColumnFetch FetchFor(SQLSMALLINT sqlType, SQLULEN columnSize);

// SQL_CHAR, SQL_VARCHAR, SQL_GUID and the wide and long character types.
bool IsCharacterType(SQLSMALLINT sqlType);
// SQL_LONGVARCHAR, SQL_WLONGVARCHAR, SQL_LONGVARBINARY: fetched in chunks, never bound.
bool IsLongType(SQLSMALLINT sqlType);

}  // namespace sqelto
