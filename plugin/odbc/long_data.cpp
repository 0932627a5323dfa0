#include "long_data.h"

#include <algorithm>
#include <cstring>

#include "value_limit.h"

namespace sqelto {
namespace {
constexpr const char* kTruncatedState = "01004";
}

void GatherLongText(LongDataSource& source, std::vector<odbc::Utf16Unit>& gathered, uint16_t column) {
  // Two spare bytes keep a terminator after a full piece.
  odbc::Utf16Unit chunk[kChunkBytes / 2 + 1];
  for (;;) {
    std::memset(chunk, 0, sizeof chunk);
    SQLLEN chunkLength = 0;
    SQLRETURN rc = source.GetChunk(SQL_C_WCHAR, chunk, kChunkBytes, &chunkLength);
    if (rc == SQL_ERROR) rc = source.GetChunk(SQL_C_WCHAR, chunk, kChunkBytes, &chunkLength);
    source.TraceChunkLength(chunkLength);
    if (rc == SQL_SUCCESS) {
      if (chunkLength != SQL_NULL_DATA && chunkLength >= 1) {
        const std::size_t units = odbc::Utf16Length(chunk, kChunkBytes / 2);
        CheckValueSize(column, (gathered.size() + units) * 2);
        gathered.insert(gathered.end(), chunk, chunk + units);
      }
      break;
    }
    if (rc == SQL_SUCCESS_WITH_INFO) {
      const std::size_t units = odbc::Utf16Length(chunk, kChunkBytes / 2);
      CheckValueSize(column, (gathered.size() + units) * 2);
      gathered.insert(gathered.end(), chunk, chunk + units);
      // Only "data truncated" means there is more; an empty piece would never end.
      if (source.FirstState() != kTruncatedState || units == 0) break;
      continue;
    }
    if (rc == SQL_ERROR) source.ReportFailure();
    break;
  }
}

void GatherLongBinary(LongDataSource& source, std::vector<unsigned char>& gathered, uint16_t column) {
  unsigned char chunk[kChunkBytes];
  for (;;) {
    SQLLEN chunkLength = 0;
    const SQLRETURN rc = source.GetChunk(SQL_C_BINARY, chunk, kChunkBytes, &chunkLength);
    if (rc == SQL_SUCCESS) {
      if (chunkLength != SQL_NULL_DATA && chunkLength >= 1) {
        const auto bytes = static_cast<std::size_t>(std::min<SQLLEN>(chunkLength, kChunkBytes));
        CheckValueSize(column, gathered.size() + bytes);
        gathered.insert(gathered.end(), chunk, chunk + bytes);
      }
      break;
    }
    if (rc == SQL_SUCCESS_WITH_INFO && source.FirstState() == kTruncatedState) {
      CheckValueSize(column, gathered.size() + kChunkBytes);
      gathered.insert(gathered.end(), chunk, chunk + kChunkBytes);
      continue;
    }
    break;
  }
}

}  // namespace sqelto
