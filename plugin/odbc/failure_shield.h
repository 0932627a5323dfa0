// No exception ever crosses into the host, which may be written in C: every
// function the host calls runs its body through ShieldedCall, which turns
// whatever was thrown into the connection's last error (-1 and a text) and
// answers the function's empty result.
#pragma once

#include <exception>
#include <new>
#include <utility>

#include "connection_record.h"

namespace sqelto {

inline constexpr const char* kOutOfMemoryText = "Out of memory: the plug-in could not allocate what the call needed.";
inline constexpr const char* kUnexpectedFailureText = "An unexpected failure inside the plug-in.";

// Sets the record's last error to -1 and the text (nothing without a record).
void ReportOwnFailure(ConnectionRecord* record, const char* text) noexcept;

// Runs body; on any exception reports it on `record` and returns fallback.
template <class R, class F>
R ShieldedCall(ConnectionRecord* record, R fallback, F&& body) noexcept {
  try {
    return std::forward<F>(body)();
  } catch (const std::bad_alloc&) {
    ReportOwnFailure(record, kOutOfMemoryText);
  } catch (const std::exception& e) {
    ReportOwnFailure(record, e.what());
  } catch (...) {
    ReportOwnFailure(record, kUnexpectedFailureText);
  }
  return fallback;
}

template <class F>
void ShieldedCall(ConnectionRecord* record, F&& body) noexcept {
  ShieldedCall(record, 0, [&] {
    std::forward<F>(body)();
    return 0;
  });
}

}  // namespace sqelto
