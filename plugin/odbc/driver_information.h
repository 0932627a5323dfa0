// ODBCDatabase.GetInfo: what the driver says about itself (SQLGetInfo),
// boxed in a host Variant.
#pragma once

#include <cstddef>
#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace sqelto {

// How each information type is answered.
enum class InfoClass { Unsupported, Text, Small, Integer, BuildStamp };
InfoClass ClassifyInfoType(int32_t infoType);

// Text answers reach the host as UTF-8 of at most this many bytes.
inline constexpr std::size_t kInfoTextBytes = 255;
inline constexpr int32_t kOptionNotSupportedCode = 1;
inline constexpr const char* kOptionNotSupportedText = "Option not supported.";

// The plug-in's build date and time, "Mmm dd yyyy hh:mm:ss" (20 characters).
const char* BuildStamp();

// Method "GetInfo(infoType as integer) as Variant".
TavroObject TAVRO_CALL ODBCGetInfo(TavroObject database, int32_t infoType);

}  // namespace sqelto
