// The cursor over one executed ODBC statement: describes and binds the result
// columns once, fetches forward or by scrolling, reads long values in pieces,
// and hands each value to the host in the host's value format.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "column_types.h"
#include "connection_hold.h"
#include "connection_record.h"
#include "cursor_editing.h"
#include "odbc_api.h"
#include "qx_cursor.h"

namespace sqelto {

class ODBCCursor : public QxCursor, private ConnectionHold {
public:
  // Takes the statement once it is made (and frees it then); when the
  // constructor throws, the statement is still the caller's to free. Holds
  // one reference to the connection.
  ODBCCursor(ConnectionRecord* connection, SQLHSTMT statement, std::string sqlText);
  ~ODBCCursor() override;
  ODBCCursor(const ODBCCursor&) = delete;
  ODBCCursor& operator=(const ODBCCursor&) = delete;

  int32_t RecordCount() override;
  int32_t ColumnCount() override;
  TavroString ColumnName(int32_t column) override;
  int32_t ColumnType(int32_t column) override;
  bool NextRecord() override;
  void PreviousRecord() override;
  void FirstRecord() override;
  void LastRecord() override;
  void ColumnValue(int32_t column, void** value, uint8_t* type, int32_t* length) override;
  // Editing the current row (cursor_editing.h).
  void EditRecord() override { editing_.Edit(*this); }
  void DeleteRecord() override { editing_.Delete(*this); }
  void UpdateRecord(TavroUpdateField* fields) override { editing_.Update(*this, fields); }
  bool FieldKey(int32_t first, int32_t, int32_t, int32_t, int32_t) override;
  void RecordFailure(const char* text) noexcept override;

  // The current value rendered as bytes: a new heap string the caller frees
  // with delete[] (owned = true), the raw value (owned = false), or null for
  // NULL. Not reachable through the cursor record.
  virtual char* ColumnValueAsString(int32_t column, int32_t* length, bool* owned);

  // From the next fetch on, only these columns (0-based) are read; the
  // others are unbound and read as NULL. A catalogue answer copies a few of
  // the driver's columns, and binding and converting the rest would cost
  // more than everything else the copy does.
  void ReadOnlyColumns(std::span<const int32_t> columns);

  // Moves the statement to its next result set (a batch of several
  // SELECTs, a procedure giving several results): true when there is one,
  // and the cursor now shows its columns, before its first row, with
  // nothing of the old result left for editing to use.
  bool NextResultSet();

  SQLHSTMT statement() const { return statementOpen_ ? hstmt_ : SQL_NULL_HSTMT; }
  ConnectionRecord* connection() const { return record(); }
  const std::string& sqlText() const { return sqlText_; }
  // True while the cursor stands on a row: after a successful move, until
  // the next move is tried.
  bool rowValid() const { return rowValid_; }

protected:
  // Where the current row's value of a column lives and how long it is:
  // decided once per fetch, read by every ColumnValue. Null bytes mean NULL.
  struct CurrentValue {
    const unsigned char* bytes = nullptr;
    int32_t length = 0;
  };

  struct Column {
    uint16_t number = 0;
    SQLWCHAR name[256] = {};
    SQLSMALLINT nameLength = 0;
    SQLULEN columnSize = 0;
    int32_t hostType = 0;
    SQLSMALLINT sqlType = 0;
    SQLSMALLINT decimalDigits = 0;
    SQLSMALLINT nullable = 0;
    ColumnFetch fetch{};
    bool bound = false;
    // Fixed at binding time, read for every value.
    enum class Read : uint8_t { Fixed, Integer, Text, Binary, LongText, LongBinary } read = Read::Fixed;
    // The type code the current value is handed over with: the host type,
    // except for an INTEGER value beyond 32 bits (a 64-bit integer).
    uint8_t valueType = 0;
    bool longType = false;        // a long type, gathered in pieces
    bool skipped = false;         // not read at all (ReadOnlyColumns)
    uint8_t bigEndianFields = 0;  // 16-bit fields a date, time or timestamp swaps
    int32_t fixedSize = 0;        // byte size of a fixed-size C type, else 0
    SQLLEN indicator = 0;         // the driver's length or SQL_NULL_DATA
    CurrentValue value;
    alignas(8) unsigned char inlineData[kInlineBytes] = {};
    std::unique_ptr<unsigned char[]> heapData;  // heap buffers of the type table
    std::vector<char> utf8;                      // UTF-8 of text values that do not fit inline
    std::vector<unsigned char> bytes;            // binary values read in pieces
    bool isText() const { return fetch.cType == SQL_C_WCHAR; }
    unsigned char* buffer() { return heapData ? heapData.get() : inlineData; }
  };

  Column* ColumnAt(int32_t column);

private:
  void ConnectionClosing() override;
  // Describes the result columns and binds what can be bound.
  void CreateBindings();
  // Lets go of the columns: unbinds them, then frees their buffers.
  void CleanupBindings();
  void CleanupRow();
  void GetRowValues();
  void ReadValue(Column& column);
  // Text and bytes that outgrew the buffer they were fetched into, read
  // whole: `first` bytes of the buffer, then the rest from the driver.
  void ReadTextWhole(Column& column, std::size_t firstUnits);
  void ReadBytesWhole(Column& column, std::size_t firstBytes);
  void ReadLongText(Column& column) { ReadTextWhole(column, 0); }
  void ReadLongBinary(Column& column) { ReadBytesWhole(column, 0); }
  // The value of a text column from its UTF-16 units: converted into the
  // column's inline UTF-8 half when it fits, else into its UTF-8 store.
  void SetTextValue(Column& column, const odbc::Utf16Unit* units, std::size_t count);
  // ColumnValue with or without its trace lines.
  template <bool kTraced>
  void HandValue(int32_t column, void** value, uint8_t* type, int32_t* length);
  // Trace lines of ColumnValue, kept out of the per-value path.
  void TraceTextValue(const Column& column, const char* bytes, int32_t byteCount) const;
  void TraceValue(const Column& column, int32_t bytes) const;
  void Scroll(SQLSMALLINT orientation);
  void FreeStatement();

  SQLHSTMT hstmt_;
  bool statementOpen_ = true;  // false once the statement's connection closed
  int16_t columnCount_ = 0;
  std::string sqlText_;
  CursorEditing editing_;
  bool rowValid_ = false;
  std::vector<std::unique_ptr<Column>> columns_;
};

}  // namespace sqelto
