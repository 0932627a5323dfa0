#include "connection_dialog.h"

#include <cstring>

#include "../odbc/failure_shield.h"
#include "../odbc/host_text.h"
#include "host_api.h"
#include "registration_records.h"

namespace sqelto {
namespace {

constexpr const char* kDefaultIdentifier = "ODBCDatabase1";
constexpr const char* kDialogTitle = "Select ODBC";

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

TavroString HostText(const char* text) {
  TavroString s = host::BuildString(text, static_cast<int32_t>(std::strlen(text)));
  if (s != nullptr) host::SetStringEncoding(s, TAVRO_ENCODING_UTF8);
  return s;
}

void AddField(TavroDialog dialog, const char* label, int32_t isPassword) {
  TavroString text = HostText(label);
  host::DBConnectionDialogAddField(dialog, text, 0, isPassword);
  if (text != nullptr) host::UnlockString(text);
}

// Shows the dialog; the answer is the stored data-source data (three
// NUL-terminated fields), or null / empty when the user cancelled.
TavroString AskUser() {
  TavroDialog dialog = host::DBConnectionDialogCreate();
  if (dialog == nullptr) return nullptr;
  AddField(dialog, "Data Source:", 0);
  AddField(dialog, "User:", 0);
  AddField(dialog, "Password:", 1);
  TavroString title = HostText(kDialogTitle);
  TavroString answer = host::DBConnectionDialogShow(dialog, title);
  if (title != nullptr) host::UnlockString(title);
  host::DBConnectionDialogDelete(dialog);
  return answer;
}

}  // namespace

std::string DataSourceIdentifier(std::string_view dataSourceName) {
  std::string identifier;
  for (const char byte : dataSourceName) {
    const auto c = static_cast<unsigned char>(byte);
    if (IsAsciiLetter(c) || (IsAsciiDigit(c) && !identifier.empty())) identifier += byte;
  }
  return identifier.empty() ? kDefaultIdentifier : identifier;
}

void TAVRO_CALL ODBCConnectionDialog() {
  ShieldedCall(nullptr, [] {
    TavroString answer = AskUser();
    if (answer == nullptr) return;
    if (host::LenB(answer) <= 0) {  // cancelled: nothing to copy
      host::UnlockString(answer);
      return;
    }
    // The bytes in the answer's own encoding; the answer is released
    // whatever happens next.
    const HostBytes stored(answer, true);
    if (!stored.valid()) return;
    // The first field, up to its NUL, is the data source name.
    const std::string_view data = stored.view();
    const std::string identifier = DataSourceIdentifier(data.substr(0, data.find('\0')));
    host::DesignAddDataSource(identifier.c_str(), kDataSourceKind, data.data(), static_cast<int32_t>(data.size()));
  });
}

}  // namespace sqelto
