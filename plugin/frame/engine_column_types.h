// Engine word 18: the column types the engine supports, for the host's
// design-time tools.
#ifndef SQELTO_FRAME_ENGINE_COLUMN_TYPES_H
#define SQELTO_FRAME_ENGINE_COLUMN_TYPES_H

#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace sqelto {

// Fills a pointer to 13 host column type codes, the matching comma-separated
// type names and the byte size of the code array (52). Null out-pointers are
// skipped.
void TAVRO_CALL ODBCColumnTypes(const int32_t **codes, const char **names, int32_t *codeBytes);

}  // namespace sqelto

#endif  // SQELTO_FRAME_ENGINE_COLUMN_TYPES_H
