// The errors of cursor editing, with their fixed texts.
#pragma once

#include <cstdint>

namespace sqelto {

inline constexpr int32_t kNotEditableCode = 9000;    // no key condition for the row
inline constexpr int32_t kNotOneTableCode = 9001;    // (the field check, which passes)
inline constexpr int32_t kUnnamedFieldsCode = 9002;  // (the field check, which passes)
inline constexpr int32_t kNoCurrentRecordCode = 9003;
inline constexpr int32_t kNoTableCode = 9004;
inline constexpr int32_t kTemporaryConnectionCode = 9005;  // carries the connection's own error text

// The text of an editing code (9000-9004); "An unknown error has occurred."
// for any other.
const char* EditingErrorText(int32_t code);

}  // namespace sqelto
