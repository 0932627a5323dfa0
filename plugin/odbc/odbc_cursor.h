// The cursor over one executed ODBC statement: describes and binds the result
// columns once, fetches forward or by scrolling, reads long values in pieces,
// and hands each value to the host in the host's value format.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "column_types.h"
#include "connection_record.h"
#include "cursor_editing.h"
#include "odbc_api.h"
#include "qx_cursor.h"

namespace sqelto {

class ODBCCursor : public QxCursor {
public:
  // Takes the statement (now owned) and holds one reference to the connection.
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

  // The current value rendered as bytes: a new heap string the caller frees
  // with delete[] (owned = true), the raw value (owned = false), or null for
  // NULL. Not reachable through the cursor record.
  virtual char* ColumnValueAsString(int32_t column, int32_t* length, bool* owned);

  // Describes the result columns and binds what can be bound (again after
  // the statement moved to its next result set).
  void CreateBindings();
  void CleanupBindings();

  SQLHSTMT statement() const { return hstmt_; }
  ConnectionRecord* connection() const { return connection_; }
  const std::string& sqlText() const { return sqlText_; }
  bool rowValid() const { return rowValid_; }

protected:
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
    SQLLEN indicator = 0;  // driver's length or SQL_NULL_DATA; after conversion the UTF-8 length
    alignas(8) unsigned char inlineData[kInlineBytes] = {};
    std::unique_ptr<unsigned char[]> heapData;  // heap buffers of the type table
    SQLLEN heapBytes = 0;
    std::vector<char> utf8;                      // UTF-8 of heap and long text values
    std::vector<unsigned char> longBinary;       // gathered long binary value
    // The current value did not fit its bound buffer and was read whole in
    // pieces: text into utf8, bytes into longBinary.
    bool spilled = false;
    // Fixed at binding time, read for every value.
    bool longType = false;        // a long type, gathered in pieces
    uint8_t bigEndianFields = 0;  // 16-bit fields a date, time or timestamp swaps
    bool isText() const { return fetch.cType == SQL_C_WCHAR; }
  };

  Column* ColumnAt(int32_t column);

private:
  void CleanupRow();
  void GetRowValues();
  void FetchUnbound(Column& column);
  void ReadWholeValue(Column& column);
  void ConvertValue(Column& column);
  // Trace lines of ColumnValue, kept out of the per-value path.
  void TraceTextValue(const Column& column, const char* bytes, int32_t byteCount) const;
  void TraceValue(const Column& column, SQLLEN bytes) const;
  void Scroll(SQLSMALLINT orientation);
  // False once the connection the statement belongs to was closed (the
  // driver manager freed the statement with it).
  bool StatementAlive() const;

  SQLHSTMT hstmt_;
  ConnectionRecord* connection_;
  SQLHDBC hdbc_;  // the connection handle the statement was made on
  int16_t columnCount_ = 0;
  std::string sqlText_;
  CursorEditing editing_;
  bool rowValid_ = false;
  std::vector<std::unique_ptr<Column>> columns_;
};

}  // namespace sqelto
