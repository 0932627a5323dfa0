#include "in_memory_cursor.h"

#include <limits>
#include <utility>

#include "frame/host_api.h"
#include "odbc/ascii_case.h"

namespace sqelto {

bool CellTextIsTrue(const std::string& text) { return text == "1" || EqualIgnoringAsciiCase(text, "true"); }

InMemoryCursor::InMemoryCursor(std::vector<std::string> columnNames) : columns_(std::move(columnNames)) {}

InMemoryCursor::~InMemoryCursor() {
  if (valueString_ != nullptr) host::UnlockString(valueString_);
}

void InMemoryCursor::AppendRow(CatalogueRow row) {
  row.resize(columns_.size());
  rows_.push_back(std::move(row));
}

int32_t InMemoryCursor::RecordCount() {
  return rows_.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : static_cast<int32_t>(rows_.size());
}

int32_t InMemoryCursor::ColumnCount() { return static_cast<int32_t>(columns_.size()); }

TavroString InMemoryCursor::ColumnName(int32_t column) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return nullptr;
  const std::string& name = columns_[static_cast<std::size_t>(column)];
  TavroString s = host::BuildString(name.data(), static_cast<int32_t>(name.size()));
  // The names are ASCII; saying so lets a host read them as text.
  if (s != nullptr) host::SetStringEncoding(s, TAVRO_ENCODING_UTF8);
  return s;
}

bool InMemoryCursor::OnRow() const { return current_ >= 0 && static_cast<std::size_t>(current_) < rows_.size(); }

const CatalogueCell* InMemoryCursor::CurrentCell(int32_t column) const {
  if (!OnRow() || column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return nullptr;
  return &rows_[static_cast<std::size_t>(current_)][static_cast<std::size_t>(column)];
}

int32_t InMemoryCursor::ColumnType(int32_t column) {
  const CatalogueCell* cell = CurrentCell(column);
  return cell != nullptr ? cell->code : TAVRO_COLUMN_UNKNOWN;
}

bool InMemoryCursor::NextRecord() {
  // Moves past the last row once and stays there, so that any number of
  // calls keeps answering false.
  if (current_ < 0 || static_cast<std::size_t>(current_) < rows_.size()) ++current_;
  return OnRow();
}

void InMemoryCursor::ColumnValue(int32_t column, void** value, uint8_t* type, int32_t* length) {
  const CatalogueCell* cell = CurrentCell(column);
  if (cell == nullptr) return;
  if (cell->code == TAVRO_COLUMN_BOOLEAN) {
    valueBoolean_ = CellTextIsTrue(cell->text) ? 1 : 0;
    if (type != nullptr) *type = TAVRO_COLUMN_BOOLEAN;
    if (value != nullptr) *value = &valueBoolean_;
    if (length != nullptr) *length = 1;
    return;
  }
  if (valueString_ != nullptr) {
    host::UnlockString(valueString_);
    valueString_ = nullptr;
  }
  valueString_ = host::BuildString(cell->text.data(), static_cast<int32_t>(cell->text.size()));
  if (valueString_ == nullptr) return;
  host::SetStringEncoding(valueString_, TAVRO_ENCODING_UTF8);
  if (type != nullptr) *type = TAVRO_COLUMN_HOST_STRING;
  if (length != nullptr) *length = 4;
  if (value != nullptr) *value = &valueString_;
}

}  // namespace sqelto
