// The catalogue benchmark's database objects: a table of 300 columns and
// 2,000 small tables, made once per database and kept.
#pragma once

#include <string>

namespace odbc_bench {

inline constexpr int kWideColumns = 300;
inline constexpr int kManyTables = 2000;
inline constexpr const char* kWideTable = "catalogue_wide";

// Creates what is missing; answers how many seconds that took (0 when all was there).
double ensureCatalogueSchema(const std::string& connectionString);

}  // namespace odbc_bench
