// Engine word 8: inserting one record built by the host program, as one
// parameterised INSERT whose values are bound by their host column types.
#pragma once

#include <cstdint>
#include <string>

#include <tavro/plugin_sdk.h>

namespace sqelto {

void TAVRO_CALL ODBCAddTableRecord(TavroDatabase db, TavroString table, TavroColumnValue* values);

// "INSERT INTO " + quote + table + quote + "(" + columns + ") values (" +
// placeholders + ")"; the column list and placeholders come joined by ",".
std::string InsertStatementText(const std::string& quote, const std::string& table, const std::string& columns,
                                const std::string& placeholders);

}  // namespace sqelto
