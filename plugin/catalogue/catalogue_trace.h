// Names as the catalogue functions write them into trace lines.
#pragma once

#include <tavro/plugin_sdk.h>

namespace sqelto {

// The host string's bytes, or "" for an absent string (the host has no text
// to give for it).
const char* TraceName(TavroString name);

}  // namespace sqelto
