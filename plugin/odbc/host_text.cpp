#include "host_text.h"

#include "../frame/host_api.h"

namespace sqelto {

HostBytes::HostBytes(TavroString string, bool releaseString) : string_(string), releaseString_(releaseString) {
  if (string_ == nullptr) return;
  const uint32_t encoding = host::GetStringEncoding(string_);
  copied_ = host::GetStringData(string_, encoding, &data_);
}

HostBytes::HostBytes(TavroString string, uint32_t encoding) : string_(string) {
  if (string_ == nullptr) return;
  copied_ = host::GetStringData(string_, encoding, &data_);
}

HostBytes::~HostBytes() {
  if (copied_) host::DisposeStringData(&data_);
  if (releaseString_ && string_ != nullptr) host::UnlockString(string_);
}

const char* TraceText(TavroString string) {
  const char* text = string != nullptr ? host::StringGetCString(string) : nullptr;
  return text != nullptr ? text : "";
}

}  // namespace sqelto
