// Lazy binding of host entry points by name.
//
// One process-wide resolver (stored by VANTPluginMain) and one slot per
// wrapper. A slot is null until its first successful lookup and then keeps the
// host function for good; a name the host lacks is looked up again on every
// call. Slots are plain atomics: two threads binding the same slot at once
// both ask the resolver and store the same address, which is harmless.
#ifndef SQELTO_FRAME_HOST_BINDING_H
#define SQELTO_FRAME_HOST_BINDING_H

#include <atomic>

#include <tavro/plugin_sdk.h>

namespace sqelto::host {

// Stores the host's resolver (done once, first thing in VANTPluginMain).
void SetResolver(TavroResolver resolver);
TavroResolver Resolver();

// One wrapper's slot with its name and, for entry points renamed by the host
// over time, the older second name tried when the first is missing.
struct EntryPointSlot {
  const char *name;
  const char *secondName;
  std::atomic<void *> address{nullptr};
  EntryPointSlot *next = nullptr;  // every slot, so tests can unbind them all

  EntryPointSlot(const char *firstName, const char *olderName = nullptr);
};

// The slot's host function, binding it on first use; null when the host has
// neither name (nothing is stored then).
[[gnu::cold]] void *Bind(EntryPointSlot &slot);

template <typename Fn>
Fn BindAs(EntryPointSlot &slot) {
  return reinterpret_cast<Fn>(Bind(slot));
}

// As BindAs, with the bound case (the rule after the first call) read
// inline and the binding call left for the first use.
template <typename Fn>
inline Fn BoundSlot(EntryPointSlot &slot) {
  void *address = slot.address.load(std::memory_order_acquire);
  return reinterpret_cast<Fn>(address != nullptr ? address : Bind(slot));
}

// Test hook: forgets every bound address, so a test can observe binding from
// scratch against a resolver it installed with SetResolver.
void UnbindAllForTesting();

}  // namespace sqelto::host

#endif  // SQELTO_FRAME_HOST_BINDING_H
