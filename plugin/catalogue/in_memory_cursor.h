// A result set held wholly in memory: how every catalogue answer reaches the
// host. Its columns are fixed at construction, its rows are appended before
// the host sees it, and afterwards it is only read, forwards, once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <tavro/plugin_sdk.h>

#include "odbc/qx_cursor.h"

namespace sqelto {

// One value: its text (empty for an SQL NULL) and the host column type code
// it reports. Code 12 cells are delivered as booleans, all others as text.
struct CatalogueCell {
  std::string text;
  int32_t code = TAVRO_COLUMN_HOST_STRING;
};

// Exactly one cell per column, in column order.
using CatalogueRow = std::vector<CatalogueCell>;

class InMemoryCursor final : public QxCursor {
public:
  explicit InMemoryCursor(std::vector<std::string> columnNames);
  ~InMemoryCursor() override;
  InMemoryCursor(const InMemoryCursor&) = delete;
  InMemoryCursor& operator=(const InMemoryCursor&) = delete;

  // Takes the row over. The catalogue functions build rows of the right
  // width; a row of another width is a programming error here and is padded
  // or cut so that no read can leave it.
  void AppendRow(CatalogueRow row);

  int32_t RecordCount() override;
  int32_t ColumnCount() override;
  TavroString ColumnName(int32_t column) override;
  int32_t ColumnType(int32_t column) override;
  bool NextRecord() override;
  void ColumnValue(int32_t column, void** value, uint8_t* type, int32_t* length) override;

  // For plug-in code that walks a catalogue answer itself (cursor editing):
  // the current row's cell, or null outside the rows and columns.
  const CatalogueCell* CurrentCell(int32_t column) const;

private:
  bool OnRow() const;

  std::vector<std::string> columns_;
  std::vector<CatalogueRow> rows_;
  int32_t current_ = -1;
  // The value ColumnValue hands out lives here until the next ColumnValue
  // call on this cursor (or its end): one slot per cursor, so cursors read
  // on different host threads never release each other's values.
  TavroString valueString_ = nullptr;
  uint8_t valueBoolean_ = 0;
};

// Whether a boolean cell's text reads as true: "1" or "true" in any ASCII
// letter case; everything else is false.
bool CellTextIsTrue(const std::string& text);

}  // namespace sqelto
