#include "failure_shield.h"

#include "last_error.h"

namespace sqelto {

void ReportOwnFailure(ConnectionRecord* record, const char* text) noexcept {
  if (record != nullptr) SetLastError(record, kOwnFailureCode, text);
}

}  // namespace sqelto
