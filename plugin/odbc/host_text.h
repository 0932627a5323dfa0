// A host string's bytes, borrowed for the length of one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <tavro/plugin_sdk.h>

namespace sqelto {

class HostBytes {
public:
  // Copies the string's bytes in its own encoding. With releaseString the
  // string reference itself (one the caller was handed) is released too.
  HostBytes(TavroString string, bool releaseString);
  // Copies the string's bytes converted to the given encoding.
  HostBytes(TavroString string, uint32_t encoding);
  ~HostBytes();
  HostBytes(const HostBytes&) = delete;
  HostBytes& operator=(const HostBytes&) = delete;

  bool valid() const { return copied_; }
  const char* data() const { return copied_ && data_.data != nullptr ? data_.data : ""; }
  std::size_t size() const { return copied_ && data_.data != nullptr ? data_.length : 0; }
  uint32_t encoding() const { return data_.encoding; }
  std::string_view view() const { return {data(), size()}; }

private:
  TavroString string_ = nullptr;
  bool releaseString_ = false;
  bool copied_ = false;
  TavroStringData data_{};
};

// A host string's bytes for a trace line: "" for the null string (the host's
// empty string) or one the host does not answer for.
const char* TraceText(TavroString string);

}  // namespace sqelto
