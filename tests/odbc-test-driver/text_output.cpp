#include "text_output.hpp"

#include <algorithm>
#include <cstring>

namespace sqelto_test_driver {

SQLRETURN copyText(std::string_view text, SQLPOINTER buffer, SQLSMALLINT size, SQLSMALLINT* length) {
  if (size < 0) return SQL_ERROR;
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(std::min<size_t>(text.size(), 32767));
  if (buffer == nullptr) return SQL_SUCCESS;
  if (size == 0) return text.empty() ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
  size_t copied = std::min(text.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, text.data(), copied);
  static_cast<char*>(buffer)[copied] = '\0';
  return copied < text.size() ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

}  // namespace sqelto_test_driver
