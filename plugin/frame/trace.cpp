#include "trace.h"

#include <cinttypes>
#include <cstdio>
#include <iostream>

#include "../odbc/connection_record.h"
#include "trace_files.h"

namespace sqelto {

const char *TraceSwitchFilePath() {
#ifdef _WIN32
  return "c:\\SqeltoTraceOn.txt";
#else
  return "/tmp/SqeltoTraceOn.txt";
#endif
}

void OpenTrace(ConnectionRecord *record) {
  record->traceOn = 0;
  record->traceStream = nullptr;

  std::string logPath = ReadTraceSwitchLine();
  // A switch file written on Windows ends its line with CR LF; the CR is not
  // part of the path.
  if (!logPath.empty() && logPath.back() == '\r') logPath.pop_back();
  if (logPath.empty()) return;

  // Append mode: every connection that traces opens its own stream on the
  // same log, and their lines follow each other in it.
  record->traceStream = OpenTraceLog(logPath);
  if (record->traceStream != nullptr) record->traceOn = 1;
}

void CloseTrace(ConnectionRecord *record) {
  record->traceOn = 0;
  delete record->traceStream;
  record->traceStream = nullptr;
}

bool TraceOn(const ConnectionRecord *record) { return record->traceOn != 0; }

std::ostream &TraceStream(ConnectionRecord *record) {
  // Only a log that opened is ever kept as the stream.
  if (record->traceStream != nullptr) return *record->traceStream;
  return std::cout;
}

void WriteTraceLine(ConnectionRecord *record, std::string_view line) noexcept {
  try {
    std::string whole(line);
    whole += '\n';
    std::ostream &out = TraceStream(record);
    out.write(whole.data(), static_cast<std::streamsize>(whole.size()));
    out.flush();
  } catch (...) {
    // A trace line that cannot be written is lost; the call it traces goes on.
  }
}

namespace trace_detail {

std::string FormatPointer(const void *pointer) {
  constexpr int kDigits = static_cast<int>(sizeof(void *) * 2);
  char text[kDigits + 1];
  std::snprintf(text, sizeof text, "%0*" PRIXPTR, kDigits, reinterpret_cast<uintptr_t>(pointer));
  return text;
}

}  // namespace trace_detail
}  // namespace sqelto
