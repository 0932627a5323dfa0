// The per-connection trace log.
//
// Tracing is decided once per connection record, when it is initialised: it is
// on when the switch file exists and its first line names a log file that can
// be opened for appending. A connection that does not trace pays one byte test
// per trace call; SQELTO_TRACE formats nothing in that case.
//
// Line pieces are written with the stream's ordinary formatting, except that
// pointers (connection records, statement handles) are written as upper-case
// hexadecimal without prefix, zero-padded to the pointer width, and one-byte
// integers as numbers. Character pointers and strings are written as text.
#ifndef SQELTO_FRAME_TRACE_H
#define SQELTO_FRAME_TRACE_H

#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

namespace sqelto {

struct ConnectionRecord;

// Where the switch file is looked for: "c:\SqeltoTraceOn.txt" on Windows,
// "/tmp/SqeltoTraceOn.txt" elsewhere.
const char *TraceSwitchFilePath();

// Sets the record's trace flag and stream from the switch file. Any failure
// (no switch file, empty first line, log that cannot be opened) leaves tracing
// off without a message.
void OpenTrace(ConnectionRecord *record);

// Closes and frees the record's trace stream (when its last reference goes).
void CloseTrace(ConnectionRecord *record);

// The record's trace flag.
bool TraceOn(const ConnectionRecord *record);

// The record's trace stream when it exists and is open, else standard output.
std::ostream &TraceStream(ConnectionRecord *record);

// Writes one finished line (a line end is added) and flushes it. The line is
// written in one piece so that lines of threads sharing a stream do not mix.
// Never throws: a trace line that cannot be written is lost.
void WriteTraceLine(ConnectionRecord *record, std::string_view line) noexcept;

namespace trace_detail {

// Upper-case hexadecimal, no prefix, zero-padded to the pointer width.
std::string FormatPointer(const void *pointer);

template <typename T>
void Put(std::ostringstream &out, const T &piece) {
  using Plain = std::remove_cv_t<std::remove_reference_t<T>>;
  using Pointee = std::remove_cv_t<std::remove_pointer_t<std::decay_t<Plain>>>;
  if constexpr (std::is_array_v<Plain> && std::is_same_v<Pointee, char>) {
    out << piece;  // a string literal: never null
  } else if constexpr (std::is_pointer_v<std::decay_t<Plain>> && std::is_same_v<Pointee, char>) {
    out << (piece != nullptr ? static_cast<const char *>(piece) : "");
  } else if constexpr (std::is_pointer_v<Plain>) {
    out << FormatPointer(reinterpret_cast<const void *>(piece));
  } else if constexpr (std::is_same_v<Plain, std::nullptr_t>) {
    out << FormatPointer(nullptr);
  } else if constexpr (std::is_integral_v<Plain> && sizeof(Plain) == 1 && !std::is_same_v<Plain, char> &&
                       !std::is_same_v<Plain, bool>) {
    out << static_cast<int>(piece);
  } else {
    out << piece;
  }
}

// Formatting may run out of memory; tracing never makes a call fail.
// Cold: tracing is off in normal runs, and the compiler then keeps every
// call site's argument setup out of the hot code around it.
template <typename... Pieces>
[[gnu::cold, gnu::noinline]] void Write(ConnectionRecord *record, const Pieces &...pieces) noexcept {
  try {
    std::ostringstream line;
    (Put(line, pieces), ...);
    WriteTraceLine(record, line.str());
  } catch (...) {
  }
}

}  // namespace trace_detail

// Writes one trace line made of the pieces when the record traces; otherwise
// does nothing, not even formatting.
template <typename... Pieces>
inline void Trace(ConnectionRecord *record, const Pieces &...pieces) {
  if (record != nullptr && TraceOn(record)) trace_detail::Write(record, pieces...);
}

}  // namespace sqelto

// Same as sqelto::Trace, but the pieces are not even evaluated when the record
// does not trace (use it when a piece is costly to compute).
#define SQELTO_TRACE(record, ...)                                                  \
  do {                                                                             \
    ::sqelto::ConnectionRecord *sqelto_trace_record_ = (record);                   \
    if (sqelto_trace_record_ != nullptr && ::sqelto::TraceOn(sqelto_trace_record_)) \
      ::sqelto::trace_detail::Write(sqelto_trace_record_, __VA_ARGS__);            \
  } while (0)

#endif  // SQELTO_FRAME_TRACE_H
