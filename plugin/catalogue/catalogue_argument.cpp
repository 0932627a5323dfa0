#include "catalogue_argument.h"

#include <algorithm>
#include <limits>

#include "odbc/host_text.h"
#include "odbc/statement_text.h"

namespace sqelto {

CatalogueArgument::CatalogueArgument(TavroString text) {
  if (text == nullptr) return;
  absent_ = false;
  const HostBytes bytes(text, TAVRO_ENCODING_UTF8);
  units_ = odbc::Utf8ToUtf16(bytes.data(), bytes.size());
  if (const std::optional<std::size_t> nul = FirstNul(bytes.view()))
    problem_ = NulRefusalText("name", *nul);
  else if (units_.size() - 1 > static_cast<std::size_t>(std::numeric_limits<SQLSMALLINT>::max()))
    problem_ = kNameTooLongText;
}

SQLSMALLINT CatalogueArgument::length() const {
  if (absent_) return 0;
  const std::size_t count = units_.size() - 1;  // a longer name is refused (problem())
  return static_cast<SQLSMALLINT>(std::min<std::size_t>(count, std::numeric_limits<SQLSMALLINT>::max()));
}

}  // namespace sqelto
