#include "long_data.h"

#include <algorithm>
#include <cstring>

namespace sqelto {
namespace {
constexpr const char* kTruncatedState = "01004";
}

std::vector<odbc::Utf16Unit> GatherLongText(LongDataSource& source) {
  std::vector<odbc::Utf16Unit> gathered;
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
        gathered.insert(gathered.end(), chunk, chunk + units);
      }
      break;
    }
    if (rc == SQL_SUCCESS_WITH_INFO) {
      const std::size_t units = odbc::Utf16Length(chunk, kChunkBytes / 2);
      gathered.insert(gathered.end(), chunk, chunk + units);
      // Only "data truncated" means there is more; an empty piece would never end.
      if (source.FirstState() != kTruncatedState || units == 0) break;
      continue;
    }
    if (rc == SQL_ERROR) source.ReportFailure();
    break;
  }
  return gathered;
}

std::vector<unsigned char> GatherLongBinary(LongDataSource& source) {
  std::vector<unsigned char> gathered;
  unsigned char chunk[kChunkBytes];
  for (;;) {
    SQLLEN chunkLength = 0;
    const SQLRETURN rc = source.GetChunk(SQL_C_BINARY, chunk, kChunkBytes, &chunkLength);
    if (rc == SQL_SUCCESS) {
      if (chunkLength != SQL_NULL_DATA && chunkLength >= 1)
        gathered.insert(gathered.end(), chunk, chunk + std::min<SQLLEN>(chunkLength, kChunkBytes));
      break;
    }
    if (rc == SQL_SUCCESS_WITH_INFO && source.FirstState() == kTruncatedState) {
      gathered.insert(gathered.end(), chunk, chunk + kChunkBytes);
      continue;
    }
    break;
  }
  return gathered;
}

}  // namespace sqelto
