#include "long_data.h"

#include <algorithm>

#include "value_limit.h"

namespace sqelto {
namespace {

constexpr const char* kTruncatedState = "01004";

// A text piece leaves room for its terminator.
constexpr std::size_t kTextPieceUnits = static_cast<std::size_t>(kChunkBytes) / 2 - 1;

// What long text needs of the loop below: UTF-16 pieces, measured so that a
// NUL inside the text is kept like any other character.
class TextPieces {
public:
  static constexpr SQLSMALLINT kCType = SQL_C_WCHAR;
  TextPieces(std::vector<odbc::Utf16Unit>& gathered, uint16_t column) : gathered_(gathered), column_(column) {}

  // Filled with U+FFFF, which no terminator is: where the driver's
  // terminator stands can then be found from the end.
  void* Fresh() {
    std::fill(std::begin(chunk_), std::end(chunk_), static_cast<odbc::Utf16Unit>(0xFFFF));
    return chunk_;
  }

  std::size_t Keep(SQLLEN length, bool truncated) {
    const std::size_t units = PieceUnits(length, truncated);
    CheckValueSize(column_, (gathered_.size() + units) * 2);
    gathered_.insert(gathered_.end(), chunk_, chunk_ + units);
    return units;
  }

private:
  std::size_t PieceUnits(SQLLEN length, bool truncated) const {
    // The last piece says how long it is.
    if (!truncated && length >= 0 && static_cast<std::size_t>(length) / 2 <= kTextPieceUnits)
      return static_cast<std::size_t>(length) / 2;
    // A truncated piece fills the buffer up to its terminator, which can
    // stand a unit early (a driver that does not split a surrogate pair);
    // NULs of the text come before it, the untouched U+FFFF after it.
    for (std::size_t at = kTextPieceUnits + 1; at-- > 0;)
      if (chunk_[at] == 0) return at;
    // No terminator written: the driver's length, within the buffer.
    return length >= 0 ? std::min(static_cast<std::size_t>(length) / 2, kTextPieceUnits) : kTextPieceUnits;
  }

  std::vector<odbc::Utf16Unit>& gathered_;
  uint16_t column_;
  // One spare unit beyond the length passed to the driver.
  odbc::Utf16Unit chunk_[kChunkBytes / 2 + 1];
};

class BinaryPieces {
public:
  static constexpr SQLSMALLINT kCType = SQL_C_BINARY;
  BinaryPieces(std::vector<unsigned char>& gathered, uint16_t column) : gathered_(gathered), column_(column) {}

  void* Fresh() { return chunk_; }

  std::size_t Keep(SQLLEN length, bool truncated) {
    // A truncated piece fills the buffer; the last one says how long it is.
    const std::size_t bytes = truncated    ? static_cast<std::size_t>(kChunkBytes)
                              : length < 0 ? 0
                                           : static_cast<std::size_t>(std::min<SQLLEN>(length, kChunkBytes));
    CheckValueSize(column_, gathered_.size() + bytes);
    gathered_.insert(gathered_.end(), chunk_, chunk_ + bytes);
    return bytes;
  }

private:
  std::vector<unsigned char>& gathered_;
  uint16_t column_;
  unsigned char chunk_[kChunkBytes];
};

// Pieces until the driver says the value is complete. Only "data truncated"
// means there is more; any other warning comes with the last piece, which is
// kept. A failed piece is tried once more; failing again, it ends the read
// with what was gathered, and the driver's reason is reported.
template <class Pieces>
void GatherPieces(LongDataSource& source, Pieces& pieces) {
  for (;;) {
    void* chunk = pieces.Fresh();
    SQLLEN length = 0;
    SQLRETURN rc = source.GetChunk(Pieces::kCType, chunk, kChunkBytes, &length);
    if (rc == SQL_ERROR) rc = source.GetChunk(Pieces::kCType, chunk, kChunkBytes, &length);
    source.TraceChunkLength(length);
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
      if (length == SQL_NULL_DATA) return;
      const bool truncated = rc == SQL_SUCCESS_WITH_INFO && source.FirstState() == kTruncatedState;
      // An empty piece that claims more would never end.
      if (pieces.Keep(length, truncated) == 0 || !truncated) return;
      continue;
    }
    if (rc == SQL_ERROR) source.ReportFailure();
    return;
  }
}

}  // namespace

void GatherLongText(LongDataSource& source, std::vector<odbc::Utf16Unit>& gathered, uint16_t column) {
  TextPieces pieces(gathered, column);
  GatherPieces(source, pieces);
}

void GatherLongBinary(LongDataSource& source, std::vector<unsigned char>& gathered, uint16_t column) {
  BinaryPieces pieces(gathered, column);
  GatherPieces(source, pieces);
}

}  // namespace sqelto
