// The one check every host entry point makes before it does anything: the
// calling thread must be inside a call from the host and hold the runtime
// (not detached from it). The resolver hands out each entry point wrapped
// in this check, and so do the entry points that hand out functions of
// their own (array element getters, LenB).
#pragma once

#include <algorithm>
#include <cstddef>

#include <tavro/plugin_sdk.h>

#include "host_state.h"

namespace tavro::internal {

// An entry point's name as a template argument.
template <std::size_t N>
struct EntryName {
  char text[N];
  constexpr EntryName(const char (&name)[N]) { std::copy_n(name, N, text); }
};

// Records why the calling thread may not call in; out of line, off the path
// of the calls that may.
void refuseCallingThread(const char* entryPoint) noexcept;

template <EntryName Name, auto Entry>
struct Guarded;

template <EntryName Name, class R, class... A, R(TAVRO_CALL* Entry)(A...)>
struct Guarded<Name, Entry> {
  static R TAVRO_CALL call(A... args) {
    if (!threadMayCallIn()) [[unlikely]] {
      refuseCallingThread(Name.text);
      if constexpr (std::is_void_v<R>)
        return;
      else
        return R{};
    }
    return Entry(args...);
  }
};

// The entry point `Entry`, reached under the name `Name`, with the check.
template <EntryName Name, auto Entry>
void* guarded() {
  return reinterpret_cast<void*>(&Guarded<Name, Entry>::call);
}

}  // namespace tavro::internal
