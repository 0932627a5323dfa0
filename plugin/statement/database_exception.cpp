#include "database_exception.h"

#include <cstring>

#include "../frame/host_api.h"

namespace sqelto {

void RaiseDatabaseException(int32_t code, const char* text) {
  // Looked up on each use: the path is rare, and a class the host did not
  // have at an earlier lookup is found once it has it.
  TavroObject exception = host::CreateInstance(host::ObjectType("DatabaseException"));
  if (exception == nullptr) return;
  if (text == nullptr) text = "";
  TavroString message = host::BuildString(text, static_cast<int32_t>(std::strlen(text)));
  if (message != nullptr) {
    host::SetStringEncoding(message, TAVRO_ENCODING_UTF8);
    host::SetPropValueString(exception, "Message", message);
    host::UnlockString(message);
  }
  host::SetPropValueInteger(exception, "ErrorNumber", code);
  // The host takes over this reference with what it raises.
  host::RaiseException(exception);
}

void RaiseLastError(ConnectionRecord* record) {
  if (record->lastErrorCode == 0) return;
  RaiseDatabaseException(record->lastErrorCode, record->lastErrorText);
}

}  // namespace sqelto
