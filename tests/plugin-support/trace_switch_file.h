// Where the plug-in looks for its trace switch file, for the tests that
// write one (under the trace-switch-file lock).
#pragma once

#include <cstdio>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace sqelto_test {

#ifdef _WIN32
inline constexpr const char* kTraceSwitchFile = "c:\\SqeltoTraceOn.txt";
#else
inline constexpr const char* kTraceSwitchFile = "/tmp/SqeltoTraceOn.txt";
#endif

// A new switch file of this process's user holding `content`. On POSIX the
// plug-in honours it only when group and others cannot write it, whatever
// the umask the tests run under.
inline void WriteTraceSwitchFile(const std::string& content) {
  std::remove(kTraceSwitchFile);
  std::ofstream(kTraceSwitchFile, std::ios::binary) << content;
#ifndef _WIN32
  chmod(kTraceSwitchFile, 0644);
#endif
}

}  // namespace sqelto_test
