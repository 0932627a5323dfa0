#include "engine_column_types.h"

namespace sqelto {
namespace {

constexpr const char kTypeNames[] = "char,varchar,text,tinyint,smallint,integer,float,double,decimal,date,time,timestamp,blob";

// In the order of kTypeNames.
constexpr int32_t kTypeCodes[] = {
    TAVRO_COLUMN_CHAR,     TAVRO_COLUMN_TEXT,     TAVRO_COLUMN_TEXT,    TAVRO_COLUMN_TINYINT, TAVRO_COLUMN_SMALLINT,
    TAVRO_COLUMN_INTEGER,  TAVRO_COLUMN_FLOAT,    TAVRO_COLUMN_DOUBLE,  TAVRO_COLUMN_DECIMAL, TAVRO_COLUMN_DATE,
    TAVRO_COLUMN_TIME,     TAVRO_COLUMN_TIMESTAMP, TAVRO_COLUMN_BINARY,
};
static_assert(sizeof(kTypeCodes) == 52, "13 four-byte codes");

}  // namespace

void TAVRO_CALL ODBCColumnTypes(const int32_t **codes, const char **names, int32_t *codeBytes) {
  if (codes != nullptr) *codes = kTypeCodes;
  if (names != nullptr) *names = kTypeNames;
  if (codeBytes != nullptr) *codeBytes = static_cast<int32_t>(sizeof(kTypeCodes));
}

}  // namespace sqelto
