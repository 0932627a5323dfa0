// A statement prepared for a host program: values and their bind types by
// zero-based position, then selects and executes any number of times. The
// host's ODBCPreparedStatement methods reach the statement through these
// operations.
#pragma once

#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace sqelto {

class QxCursor;

class SQLStatement {
public:
  virtual ~SQLStatement() = default;
  SQLStatement(const SQLStatement&) = delete;
  SQLStatement& operator=(const SQLStatement&) = delete;

  // Replaces every value with the elements of a host Variant array; with
  // deriveTypes each position's bind type follows from its value.
  virtual void BindValues(TavroArray values, bool deriveTypes) = 0;
  // Binds one value; positions before it that were never bound hold nothing.
  virtual void BindValue(int32_t position, TavroObject value) = 0;
  // Replaces every bind type with the elements of a host Integer array.
  virtual void BindTypes(TavroArray types) = 0;
  virtual void BindType(int32_t position, int32_t type) = 0;
  // Runs the statement (with `parameters` bound first when it holds any)
  // and returns the cursor over its result, or null on failure.
  virtual QxCursor* Select(TavroArray parameters) = 0;
  // Runs the statement; success or failure is in the connection's last error.
  virtual void Execute(TavroArray parameters) = 0;

protected:
  SQLStatement() = default;
};

}  // namespace sqelto
