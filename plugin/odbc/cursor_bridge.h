// The functions of the host's cursor record, and handing a cursor to the host.
#pragma once

#include <cstdint>

#include <tavro/plugin_sdk.h>

#include "qx_cursor.h"

namespace sqelto {

// Cursor record words. Each takes the handle the host was given; with an
// empty handle they answer 0 / null / false and call nothing.
void TAVRO_CALL CursorDestroy(TavroCursorHandle* handle);                 // word 2
int32_t TAVRO_CALL CursorColumnCount(TavroCursorHandle* handle);          // word 3
TavroString TAVRO_CALL CursorColumnName(TavroCursorHandle* handle, int32_t column);  // word 4
int32_t TAVRO_CALL CursorRecordCount(TavroCursorHandle* handle);          // word 5
void TAVRO_CALL CursorColumnValue(TavroCursorHandle* handle, int32_t column, void** value, uint8_t* type,
                                  int32_t* length);                        // word 6
bool TAVRO_CALL CursorNextRecord(TavroCursorHandle* handle);              // word 8
void TAVRO_CALL CursorDeleteRecord(TavroCursorHandle* handle);            // word 9
void TAVRO_CALL CursorUpdateRecord(TavroCursorHandle* handle, TavroUpdateField* fields);  // word 12
void TAVRO_CALL CursorEditRecord(TavroCursorHandle* handle);              // word 13
void TAVRO_CALL CursorPreviousRecord(TavroCursorHandle* handle);          // word 14
void TAVRO_CALL CursorFirstRecord(TavroCursorHandle* handle);             // word 15
void TAVRO_CALL CursorLastRecord(TavroCursorHandle* handle);              // word 16
int32_t TAVRO_CALL CursorColumnType(TavroCursorHandle* handle, int32_t column);  // word 17

enum class HostCursorKind { RecordSet, RowSet };

// Boxes the cursor in a new handle and asks the host to wrap it. From then on
// the host owns both and destroys them through word 2. When the host refuses
// (its wrapping entry point answers null) the cursor and the handle are
// deleted here and null is returned.
TavroObject HandCursorToHost(QxCursor* cursor, HostCursorKind kind);

}  // namespace sqelto
