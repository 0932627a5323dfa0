// Where the plug-in looks for its trace switch file, for the tests that
// write one (under the trace-switch-file lock).
#pragma once

namespace sqelto_test {

#ifdef _WIN32
inline constexpr const char* kTraceSwitchFile = "c:\\SqeltoTraceOn.txt";
#else
inline constexpr const char* kTraceSwitchFile = "/tmp/SqeltoTraceOn.txt";
#endif

}  // namespace sqelto_test
