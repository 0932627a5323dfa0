// Host strings: reference-counted bytes with an encoding, and the entry
// points through which plug-ins make, read and release them.
#include <cstring>
#include <mutex>
#include <new>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include "entry_guard.h"
#include "entry_points.h"
#include "host_state.h"
#include "tavro_host/errors.h"
#include "tavro_host/string.h"

namespace tavro {
namespace internal {

LiveStringCount g_liveStrings;

#ifndef _WIN32
namespace {

using CountSlot = LiveStringCount::CountSlot;

std::mutex g_countSlotsMutex;
CountSlot* g_countSlots = nullptr;  // every slot ever made; none is freed

thread_local bool t_countSlotReleased = false;

// Hands the thread's slot on to the next new thread when the thread ends.
struct CountSlotRelease {
  CountSlot* slot = nullptr;
  ~CountSlotRelease();
};
thread_local CountSlotRelease t_countSlotRelease;

}  // namespace

thread_local constinit CountSlot* LiveStringCount::t_slot = nullptr;

CountSlotRelease::~CountSlotRelease() {
  std::lock_guard<std::mutex> lock(g_countSlotsMutex);
  if (slot) slot->inUse = false;
  LiveStringCount::t_slot = nullptr;
  t_countSlotReleased = true;
}

CountSlot* LiveStringCount::takeSlot() {
  std::lock_guard<std::mutex> lock(g_countSlotsMutex);
  CountSlot* slot = g_countSlots;
  while (slot && slot->inUse) slot = slot->next;
  if (!slot) {
    slot = new CountSlot;
    slot->next = g_countSlots;
    g_countSlots = slot;
  }
  slot->inUse = true;
  // A string released while the thread is ending (after its release ran)
  // keeps the slot taken for good rather than touch the finished release.
  if (!t_countSlotReleased) {
    t_countSlotRelease.slot = slot;
    t_slot = slot;
  }
  return slot;
}

int64_t LiveStringCount::load() const noexcept {
  std::lock_guard<std::mutex> lock(g_countSlotsMutex);
  int64_t total = 0;
  for (const CountSlot* slot = g_countSlots; slot; slot = slot->next)
    total += slot->value.load(std::memory_order_relaxed);
  return total;
}
#endif
std::atomic<int64_t> g_liveStringData{0};

namespace {

// Plug-ins make and release a string for nearly every text value they hand
// over, mostly short ones. A released block of one of the small size classes
// goes to a per-thread cache of its class and is taken again by the next
// string of that class, instead of a free and a new allocation each time.
// Sanitizer builds free at once, so that AddressSanitizer still sees every
// use of a released string; so do Windows builds, whose thread_local
// destructors (the cache's cleanup) MinGW may run after freeing the thread's
// storage (see LiveStringCount).
constexpr size_t kSizeClasses[] = {64, 128, 256};  // bytes and both NULs
constexpr int kClassCount = 3;
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
constexpr int kCachedBlocks = 0;
#else
constexpr int kCachedBlocks = 8;
#endif

// Plain data, so that reaching it costs no check whether the thread's copy
// was made yet; what frees the cached blocks when the thread ends is set up
// the first time a block is cached.
struct BlockCache {
  void* blocks[kClassCount][kCachedBlocks > 0 ? kCachedBlocks : 1];
  int count[kClassCount];
  bool cleanupArranged;
  bool gone;  // the thread is ending: cache nothing more
};
thread_local constinit BlockCache t_blocks{};

struct BlockCacheCleanup {
  ~BlockCacheCleanup() {
    t_blocks.gone = true;
    for (int c = 0; c < kClassCount; ++c)
      while (t_blocks.count[c] > 0) ::operator delete(t_blocks.blocks[c][--t_blocks.count[c]]);
  }
};
thread_local BlockCacheCleanup t_blockCleanup;

// The size class of a string's bytes (and both NULs), or kClassCount when it
// is larger than every class and gets a block of its own size.
int sizeClassOf(size_t bytes) {
  int c = 0;
  while (c < kClassCount && bytes + 2 > kSizeClasses[c]) ++c;
  return c;
}

void* takeBlock(size_t bytes) {
  const int c = sizeClassOf(bytes);
  if (c < kClassCount && t_blocks.count[c] > 0) return t_blocks.blocks[c][--t_blocks.count[c]];
  return ::operator new(sizeof(TavroStringImpl) + (c < kClassCount ? kSizeClasses[c] : bytes + 2));
}

[[gnu::noinline]] bool arrangeCleanup() {
  (void)&t_blockCleanup;  // makes the thread's cleanup object, which frees the cache at thread end
  t_blocks.cleanupArranged = true;
  return true;
}

void giveBackBlock(void* block, size_t bytes) {
  const int c = sizeClassOf(bytes);
  if (c < kClassCount && t_blocks.count[c] < kCachedBlocks && !t_blocks.gone &&
      (t_blocks.cleanupArranged || arrangeCleanup())) {
    t_blocks.blocks[c][t_blocks.count[c]++] = block;
    return;
  }
  ::operator delete(block);
}

}  // namespace

// The string calls below marked hot run for nearly every text value a plug-in
// hands over; placed together they take fewer instruction cache lines from
// the fetch loop of the driver and database beside them.
[[gnu::hot]] TavroString newString(std::string_view bytes, uint32_t encoding) {
  static_assert(alignof(TavroStringImpl) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
  auto* s = new (takeBlock(bytes.size())) TavroStringImpl;
  // Two strings that take one block in turn on a thread differ in their tag,
  // unless 256 strings came in between.
  const uintptr_t tag = uintptr_t{++t_calls.nextStringTag} << kStringTagShift;
  s->handle = reinterpret_cast<uintptr_t>(s) | (kStringTagShift ? tag : 0);
#ifdef __SANITIZE_ADDRESS__
  // The leak checker cannot follow a tagged handle to its block and would
  // call a string a plug-in keeps to the end (a value slot) leaked; the
  // host counts its live strings itself.
  __lsan_ignore_object(s);
#endif
  s->encoding.store(encoding, std::memory_order_relaxed);
  s->length = bytes.size();
  char* data = s->bytes();
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  data[bytes.size()] = data[bytes.size() + 1] = '\0';
  g_liveStrings.add(1);
  return reinterpret_cast<TavroString>(s->handle);
}

[[gnu::cold, gnu::noinline]] TavroStringImpl* rejectString(TavroString s, const char* entryPoint) {
  // A released block keeps its address in its handle word until a new
  // string takes it (0 after the release, another tag after that).
  const uintptr_t held = stringBlock(s)->handle;
  if (held == 0 || (held & kStringAddressMask) == (reinterpret_cast<uintptr_t>(s) & kStringAddressMask))
    violation(std::string(entryPoint) + ": host string used after its last release");
  else
    violation(std::string(entryPoint) + ": argument is not a host string");
  return nullptr;
}

void lockString(TavroString s) noexcept {
  if (auto* impl = checkedString(s, "VANTLockString")) ++impl->refs;
}

[[gnu::hot]] int32_t unlockString(TavroString s) noexcept {
  auto* impl = checkedString(s, "VANTUnlockString");
  if (!impl) return 0;
  // A caller releasing the only reference is the only one that may still
  // touch the string, so that release (the usual one) needs no atomic
  // read-modify-write.
  int32_t left = 0;
  if (impl->refs.load(std::memory_order_acquire) == 1)
    impl->refs.store(0, std::memory_order_relaxed);
  else
    left = impl->refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) {
    impl->handle = 0;
    const size_t length = impl->length;
    impl->~TavroStringImpl();
    giveBackBlock(impl, length);
    g_liveStrings.add(-1);
  }
  return left;
}

void checkTextEncoding(TavroString s, const char* where) {
  if (s && stringBlock(s)->encoding.load(std::memory_order_relaxed) == 0)
    violation(std::string(where) + ": host string has no encoding (VANTSetStringEncoding was never called)");
}

[[gnu::cold, gnu::noinline]] TavroStringImpl* rejectNullString(const char* entryPoint) {
  violation(std::string(entryPoint) + ": null string");
  return nullptr;
}

}  // namespace internal

using internal::checkedString;
using internal::requiredString;

// ---- C++ handle ---------------------------------------------------------

String String::adopt(TavroString raw) noexcept { return String(raw); }
String String::retain(TavroString raw) noexcept {
  internal::lockString(raw);
  return String(raw);
}
String String::fromBytes(std::string_view bytes, Encoding encoding) {
  return String(internal::newString(bytes, static_cast<uint32_t>(encoding)));
}
String::String(const String& other) noexcept : raw_(other.raw_) { internal::lockString(raw_); }
String::String(String&& other) noexcept : raw_(other.raw_) { other.raw_ = nullptr; }
String& String::operator=(String other) noexcept {
  std::swap(raw_, other.raw_);
  return *this;
}
String::~String() {
  if (raw_) internal::unlockString(raw_);
}
TavroString String::release() noexcept {
  TavroString r = raw_;
  raw_ = nullptr;
  return r;
}
Encoding String::encoding() const noexcept {
  return raw_ ? static_cast<Encoding>(internal::stringBlock(raw_)->encoding.load()) : Encoding::Utf8;
}
std::string String::bytes() const { return std::string(bytesOf(raw_)); }
std::string String::utf8() const {
  std::string out;
  if (!convertText(bytes(), encoding(), Encoding::Utf8, out))
    throw HostError("host string is not valid text in its encoding");
  return out;
}
[[gnu::hot]] std::string_view bytesOf(TavroString raw) noexcept {
  if (!raw) return {};
  const TavroStringImpl* impl = internal::stringBlock(raw);
  return std::string_view(impl->bytes(), impl->length);
}

int32_t String::referenceCount() const noexcept { return raw_ ? internal::stringBlock(raw_)->refs.load() : 0; }

// ---- Entry points -------------------------------------------------------

namespace entry {

namespace {

// The reports of refused calls, out of the way of the calls that pass (a
// plug-in makes and marks a string for nearly every text value).
[[gnu::cold, gnu::noinline]] TavroString refuseBuildString(int32_t length) {
  if (length < 0)
    internal::violation("VANTBuildString: negative byte count " + std::to_string(length));
  else
    internal::violation("VANTBuildString: null bytes with a non-zero count");
  return nullptr;
}

[[gnu::cold, gnu::noinline]] void refuseEncoding(uint32_t encoding) {
  internal::violation("VANTSetStringEncoding: unknown encoding " + std::to_string(encoding));
}

}  // namespace

[[gnu::hot]] TavroString TAVRO_CALL BuildString(const void* bytes, int32_t length) {
  if (length < 0 || (!bytes && length > 0)) [[unlikely]]
    return refuseBuildString(length);
  // A new string has no encoding until the plug-in sets one, so a forgotten
  // VANTSetStringEncoding shows as soon as the host reads the string as text.
  return internal::newString(std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(length)), 0);
}

[[gnu::hot]] void TAVRO_CALL SetStringEncoding(TavroString s, uint32_t encoding) {
  auto* impl = requiredString(s, "VANTSetStringEncoding");
  if (!impl) return;
  if (encoding != TAVRO_ENCODING_UTF8 && encoding != TAVRO_ENCODING_UTF16 && encoding != TAVRO_ENCODING_WINLATIN1)
      [[unlikely]] {
    refuseEncoding(encoding);
    return;
  }
  // A plain (release) store: a sequentially consistent one costs a full
  // barrier, and plug-ins set the encoding of every string they make.
  impl->encoding.store(encoding, std::memory_order_release);
}

uint32_t TAVRO_CALL GetStringEncoding(TavroString s) {
  auto* impl = requiredString(s, "VANTGetStringEncoding");
  return impl ? impl->encoding.load() : 0;
}

const char* TAVRO_CALL StringGetCString(TavroString s) {
  auto* impl = requiredString(s, "StringGetCString");
  return impl ? impl->bytes() : nullptr;
}

bool TAVRO_CALL GetStringData(TavroString s, uint32_t encoding, TavroStringData* out) {
  if (!out) {
    internal::violation("PluginGetStringData: null out record");
    return false;
  }
  out->data = nullptr;
  out->length = 0;
  out->encoding = encoding;
  auto* impl = requiredString(s, "PluginGetStringData");
  if (!impl) return false;
  const std::string bytes(impl->bytes(), impl->length);
  const uint32_t from = impl->encoding;
  // Bytes without an encoding (a MemoryBlock's, say) can be had as they are,
  // but not converted: there is no text to convert.
  if (from == 0 && encoding != 0) {
    internal::checkTextEncoding(s, "PluginGetStringData");
    return false;
  }
  if (encoding == 0) encoding = from;  // "its own encoding"
  std::string converted;
  if (!convertText(bytes, static_cast<Encoding>(from), static_cast<Encoding>(encoding), converted)) {
    internal::violation("PluginGetStringData: the string's bytes are not valid in its encoding " +
                        std::to_string(from));
    return false;
  }
  out->encoding = encoding;
  if (converted.empty()) return true;  // null data for the empty string
  char* copy = new char[converted.size() + 2];
  std::memcpy(copy, converted.data(), converted.size());
  copy[converted.size()] = copy[converted.size() + 1] = '\0';
  out->data = copy;
  out->length = converted.size();
  ++internal::g_liveStringData;
  return true;
}

void TAVRO_CALL DisposeStringData(TavroStringData* data) {
  if (!data) {
    internal::violation("PluginDisposeStringData: null record");
    return;
  }
  if (data->data) {
    delete[] data->data;
    --internal::g_liveStringData;
  }
  data->data = nullptr;
  data->length = 0;
}

// A null string is the empty string to reference counting: nothing to do.
int32_t TAVRO_CALL LockString(TavroString s) {
  auto* impl = checkedString(s, "VANTLockString");
  if (!impl) return 0;
  return ++impl->refs;
}

[[gnu::hot]] int32_t TAVRO_CALL UnlockString(TavroString s) { return internal::unlockString(s); }

int32_t TAVRO_CALL LenB(TavroString s) {
  if (!s) return 0;
  auto* impl = checkedString(s, "LenB");
  return impl ? static_cast<int32_t>(impl->length) : 0;
}

void* TAVRO_CALL LoadGlobalMethod(void* reserved, const char* declaration) {
  if (reserved) internal::violation("VANTLoadGlobalMethod: first argument must be null");
  if (!declaration) {
    internal::violation("VANTLoadGlobalMethod: null declaration");
    return nullptr;
  }
  try {
    const Declaration d = parseDeclaration(declaration);
    if (internal::equalsIgnoreCase(d.name, "LenB") && d.parameters.size() == 1 &&
        d.parameters[0].abi == AbiKind::String && !d.parameters[0].isArray && d.returnAbi == AbiKind::Int32)
      return internal::guarded<"LenB", &LenB>();
    internal::violation(std::string("VANTLoadGlobalMethod: no global method ") + declaration);
  } catch (const HostError& e) {
    internal::violation(std::string("VANTLoadGlobalMethod: ") + e.what());
  }
  return nullptr;
}

}  // namespace entry
}  // namespace tavro
