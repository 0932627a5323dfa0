#include "odbc_constant_table.h"

#include <array>
#include <vector>

#include "odbc_headers.h"

// Two ODBC 2 names that ODBC 3 withdrew: the headers keep their definitions
// only inside comments, so the values written there are restated here.
#ifndef SQL_FD_FETCH_RESUME
#define SQL_FD_FETCH_RESUME 0x00000040L
#endif
#ifndef SQL_TXN_VERSIONING
#define SQL_TXN_VERSIONING 0x00000010L
#endif

namespace sqelto {
namespace {

constexpr OdbcConstant kConstants[] = {
#define X(name) {#name, static_cast<long long>(name)},
#include "odbc_constant_names.inc"
#undef X
};
static_assert(std::size(kConstants) == kOdbcConstantCount, "the ODBCConstant module has 443 constants");

}  // namespace

std::span<const OdbcConstant> OdbcConstants() { return kConstants; }

std::string FormatConstantDeclaration(std::string_view name, long long value) {
  // The equals sign goes in the column after the name field, or after one
  // blank when the name fills or overflows the field.
  std::string declaration(name);
  if (declaration.size() < kConstantNameWidth)
    declaration.resize(kConstantNameWidth, ' ');
  else
    declaration += ' ';
  declaration += value < 0 ? "= -" : "=  ";
  // Magnitude without overflow for the most negative value.
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  declaration += std::to_string(magnitude);
  return declaration;
}

std::span<const TavroConstantEntry> OdbcConstantEntries() {
  // The host keeps pointers to the entries and their texts, so both are built
  // once and never change afterwards.
  struct Table {
    std::vector<std::string> declarations;
    std::vector<TavroConstantEntry> entries;
    Table() {
      declarations.reserve(kOdbcConstantCount);
      entries.reserve(kOdbcConstantCount);
      for (const OdbcConstant &constant : kConstants)
        declarations.push_back(FormatConstantDeclaration(constant.name, constant.value));
      for (const std::string &declaration : declarations)
        entries.push_back(TavroConstantEntry{declaration.c_str(), 0, 0, 0, 0});
    }
  };
  static const Table table;
  return table.entries;
}

}  // namespace sqelto
