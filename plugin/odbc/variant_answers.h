// Answers handed to the host as Variants (driver information, connection
// attributes): new variant objects the host owns, or null when the host
// could not make one.
#pragma once

#include <cstddef>
#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace sqelto {

// A String Variant of UTF-8 text of that many bytes.
TavroObject TextVariant(const char* utf8, std::size_t length);

}  // namespace sqelto
