// Turning one bound host value into one ODBC input parameter, by its bind
// type.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <tavro/plugin_sdk.h>

#include "../odbc/odbc_api.h"

namespace sqelto {

// The buffers ODBC reads one parameter from when the statement executes:
// the length or indicator, the fixed-size value, and text or bytes copied
// out of the host. They must stay where they are until the driver is done
// with the statement.
struct ParameterBuffer {
  SQLLEN indicator = 0;
  alignas(8) unsigned char value[sizeof(SQL_TIMESTAMP_STRUCT)] = {};
  std::vector<odbc::Utf16Unit> text;
  std::vector<unsigned char> bytes;

  // The arguments of this position's binding on the statement handle, kept
  // so that a run whose binding would be the same makes no call: the driver
  // reads the buffers when the statement executes, so a binding to the same
  // places with the same types and sizes is already in force. Forgotten
  // whenever the handle or its bindings are replaced.
  struct Binding {
    SQLSMALLINT cType = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN columnSize = 0;
    const void* value = nullptr;
    SQLLEN bufferLength = 0;
    const SQLLEN* indicator = nullptr;
    bool inForce = false;
    bool operator==(const Binding&) const = default;
  } binding;
};

struct ParameterBindResult {
  SQLRETURN rc = SQL_SUCCESS;  // of SQLBindParameter; SQL_SUCCESS when nothing was bound
  std::string error;           // the host value could not be read as the type needs: the run stops
};

// Binds `value` (a host Variant, or null for an unbound position) as input
// parameter number position + 1. A fixed-size value whose property cannot be
// read is sent as NULL; a text, binary or date value that cannot be read is
// an error. A bind type outside the table binds nothing (the driver then
// reports the missing parameter when the statement runs).
ParameterBindResult BindParameter(SQLHSTMT statement, int32_t position, int32_t bindType, TavroObject value,
                                  ParameterBuffer& buffer);

}  // namespace sqelto
