// Reading long text and long binary columns in 8192-byte pieces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "odbc_api.h"

namespace sqelto {

inline constexpr SQLLEN kChunkBytes = 8192;

// Where the pieces come from: a statement column, or a fault-injecting fake
// in the tests.
class LongDataSource {
public:
  virtual ~LongDataSource() = default;
  virtual SQLRETURN GetChunk(SQLSMALLINT cType, void* buffer, SQLLEN bufferLength, SQLLEN* indicator) = 0;
  // SQLSTATE of the first diagnostic record, empty when none can be read.
  virtual std::string FirstState() = 0;
  virtual void TraceChunkLength(SQLLEN length) = 0;
  // Called once when a piece still fails after its retry.
  virtual void ReportFailure() = 0;
};

// Appends UTF-16 text to `into` until the driver says it is complete. A
// piece that fails twice ends the read (what was gathered is kept), so a
// driver that keeps failing cannot hold the caller in a loop. A value that
// grows past the value limit throws ValueTooLarge naming `column`.
void GatherLongText(LongDataSource& source, std::vector<odbc::Utf16Unit>& into, uint16_t column);

// Appends bytes the same way.
void GatherLongBinary(LongDataSource& source, std::vector<unsigned char>& into, uint16_t column);

}  // namespace sqelto
