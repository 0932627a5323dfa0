#include "catalogue_trace.h"

#include "frame/host_api.h"

namespace sqelto {

const char* TraceName(TavroString name) {
  if (name == nullptr) return "";
  const char* bytes = host::StringGetCString(name);
  return bytes != nullptr ? bytes : "";
}

}  // namespace sqelto
