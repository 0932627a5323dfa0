// A host string handed to an ODBC catalogue function: its UTF-8 bytes
// converted to UTF-16, with its length in UTF-16 units, alive for the call.
#pragma once

#include <string>
#include <vector>

#include <tavro/plugin_sdk.h>

#include "odbc/odbc_api.h"

namespace sqelto {

inline constexpr const char* kNameTooLongText = "The name is too long for an ODBC catalogue function.";

class CatalogueArgument {
public:
  // An absent (null) string gives a null pointer with length 0.
  explicit CatalogueArgument(TavroString text);
  CatalogueArgument(const CatalogueArgument&) = delete;
  CatalogueArgument& operator=(const CatalogueArgument&) = delete;

  bool absent() const { return absent_; }
  bool empty() const { return units_.size() <= 1; }
  // Why ODBC cannot be given this name as it is, or null. A NUL character
  // would end the name early and a name beyond the 16-bit length argument
  // would be cut: either would ask about another name.
  const char* problem() const { return problem_.empty() ? nullptr : problem_.c_str(); }
  SQLWCHAR* text() { return absent_ ? nullptr : odbc::AsSqlWide(units_.data()); }
  SQLSMALLINT length() const;

private:
  bool absent_ = true;
  std::string problem_;
  std::vector<odbc::Utf16Unit> units_;
};

}  // namespace sqelto
