// The changed fields of an UPDATE, bound as its input parameters. The
// buffers live as long as this object, which must outlive the execution.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include <tavro/plugin_sdk.h>

#include "odbc_api.h"

namespace sqelto {

class UpdateParameters {
public:
  // Binds the host string `value` for a column the cursor shows with host
  // type `hostType`: numbers, dates and times as their text for the SQL type
  // of that kind, binary columns as bytes, everything else as UTF-16 text
  // (whatever the string's own encoding, so non-ASCII text arrives whole).
  SQLRETURN Bind(SQLHSTMT statement, SQLUSMALLINT number, int32_t hostType, TavroString value);

private:
  struct Buffer {
    std::vector<char> bytes;
    std::vector<odbc::Utf16Unit> units;
    SQLLEN indicator = 0;
  };
  std::deque<Buffer> buffers_;  // stable addresses for the driver
};

}  // namespace sqelto
