#include "host_binding.h"

namespace sqelto::host {
namespace {

std::atomic<TavroResolver> g_resolver{nullptr};

// Head of the list of every slot. Slots are namespace-scope objects linked in
// during static initialisation, before any host call can arrive.
EntryPointSlot *&SlotList() {
  static EntryPointSlot *head = nullptr;
  return head;
}

}  // namespace

EntryPointSlot::EntryPointSlot(const char *firstName, const char *olderName)
    : name(firstName), secondName(olderName), next(SlotList()) {
  SlotList() = this;
}

void SetResolver(TavroResolver resolver) { g_resolver.store(resolver, std::memory_order_release); }

TavroResolver Resolver() { return g_resolver.load(std::memory_order_acquire); }

void *Bind(EntryPointSlot &slot) {
  void *address = slot.address.load(std::memory_order_acquire);
  if (address != nullptr) return address;
  TavroResolver resolver = Resolver();
  if (resolver == nullptr) return nullptr;
  address = resolver(slot.name);
  if (address == nullptr && slot.secondName != nullptr) address = resolver(slot.secondName);
  if (address != nullptr) slot.address.store(address, std::memory_order_release);
  return address;
}

void UnbindAllForTesting() {
  for (EntryPointSlot *slot = SlotList(); slot != nullptr; slot = slot->next)
    slot->address.store(nullptr, std::memory_order_release);
}

}  // namespace sqelto::host
