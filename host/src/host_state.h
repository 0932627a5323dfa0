// Internal state of the substitute host: what strings, objects and classes
// look like inside, and the process-wide bookkeeping behind Host.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <tavro/plugin_sdk.h>

#include "library_loader.h"
#include "tavro_host/host.h"
#include "tavro_host/registry.h"
#include "tavro_host/value.h"

// A host string as the plug-in holds it (TavroString) is not its block's
// address alone: the top byte carries a tag that each new string takes from
// its thread's count. A released string's block is soon another string's
// (the block cache below, or the allocator's own), and its old handle, with
// the old tag, then still names the block but no longer the string in it.
struct TavroStringImpl {
  // The handle this string was given; 0 once it is released.
  uintptr_t handle = 0;
  std::atomic<int32_t> refs{1};
  std::atomic<uint32_t> encoding{TAVRO_ENCODING_UTF8};
  size_t length = 0;
  // The bytes follow this header in the same allocation (one allocation and
  // one free per string: plug-ins make a string for every text value they
  // hand over), ended by two NULs so the data reads as a C string in any
  // encoding (UTF-16 included).
  char* bytes() noexcept { return reinterpret_cast<char*>(this + 1); }
  const char* bytes() const noexcept { return reinterpret_cast<const char*>(this + 1); }
};

namespace tavro::internal {

enum class ObjectKind { Instance, Variant, Date, MemoryBlock, IntegerArray, VariantArray, Cursor };

struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace tavro::internal

struct TavroClassImpl {
  static constexpr uint32_t kMagic = 0x434C5331;  // "CLS1"
  uint32_t magic = kMagic;
  tavro::ClassInfo info;
  TavroClassImpl* super = nullptr;
  tavro::internal::ObjectKind kind = tavro::internal::ObjectKind::Instance;
  bool derivesFrom(const std::string& name) const;
};

struct TavroObjectImpl {
  static constexpr uint32_t kMagic = 0x4F424A31;  // "OBJ1"
  uint32_t magic = kMagic;
  std::atomic<int32_t> refs{1};
  TavroClassImpl* cls = nullptr;
  tavro::internal::ObjectKind kind = tavro::internal::ObjectKind::Instance;
  // Host-side properties of the host's own classes (Message, ErrorNumber,
  // Host, UserName, Password, DatabaseName).
  std::map<std::string, tavro::Value, tavro::internal::CaseLess> props;
  // Variant: the value and the "Type" it reports.
  tavro::Value variant;
  int32_t variantType = 0;
  tavro::DateTime date;
  tavro::Bytes block;
  std::vector<int32_t> integers;
  std::vector<TavroObject> objects;  // owned references (nil allowed)
  // "Database" part.
  TavroDatabase db = nullptr;
  const TavroEngineRecord* engine = nullptr;
  bool connected = false;
  bool standaloneDatabase = false;
  // RecordSet / RowSet part.
  TavroCursorHandle* handle = nullptr;
  const TavroCursorRecord* cursorRecord = nullptr;
  bool rowSet = false;
  size_t dataSize = 0;

  unsigned char* data() noexcept;
};

namespace tavro::internal {

// The plug-in's instance data starts this many bytes into every host
// instance; the host writes it into word 4 of each class record.
constexpr size_t kInstanceDataOffset = (sizeof(TavroObjectImpl) + 15) / 16 * 16;

struct Dialog {
  DialogRecord record;
};

}  // namespace tavro::internal

namespace tavro {

struct HostState {
  mutable std::mutex mu;  // guards everything below except the runtime lock
  std::set<std::string> withheld;
  std::map<std::string, int> lookups;
  std::vector<std::string> lookupLog;

  int32_t version = -1;
  std::vector<RegistrationEvent> events;
  std::vector<std::unique_ptr<TavroClassImpl>> builtinClasses;
  std::vector<std::unique_ptr<TavroClassImpl>> pluginClasses;
  std::vector<std::unique_ptr<ModuleInfo>> modules;
  std::vector<EngineInfo> engines;
  std::vector<CursorInfo> cursors;
  std::vector<DataSourceInterfaceInfo> interfaces;
  std::vector<DataSourceInfo> dataSources;
  std::optional<int32_t> mainResult;
  std::vector<std::string> loadProblems;
  std::vector<std::string> violations;
  std::vector<std::unique_ptr<internal::Dialog>> dialogs;
  std::string dialogScript;
  std::vector<DesignDataSource> design;
  bool refuseWrap = false;
  // Cursor handles and database records the plug-in handed over, with the
  // host object that owns each: one owner each, until it lets go.
  std::map<const TavroCursorHandle*, TavroObjectImpl*> cursorOwners;
  std::map<TavroDatabase, TavroObjectImpl*> recordOwners;
  std::atomic<int64_t> detaches{0};
  internal::LibraryHandle library;

  std::mutex runtime;  // the runtime lock
};

}  // namespace tavro

namespace tavro::internal {

using tavro::HostState;

// Process-wide accounting.

// The number of live host strings.
#ifdef _WIN32
// One shared counter. The per-thread slots below hand a slot on from a
// thread_local destructor, and MinGW may run such destructors after it has
// freed the ending thread's emulated thread-local storage: the destructor
// then reads freed memory (a crash when a std::thread ends, seen under Wine).
class LiveStringCount {
public:
  void add(int64_t delta) noexcept { total_.fetch_add(delta, std::memory_order_relaxed); }
  int64_t load() const noexcept { return total_.load(std::memory_order_relaxed); }

private:
  std::atomic<int64_t> total_{0};
};
#else
// Plug-ins make and release one for nearly every text value, so each thread
// counts in a slot of its own with plain stores instead of a locked
// instruction on one shared counter; reading sums the slots (a slot outlives
// its thread and passes to the next new thread).
class LiveStringCount {
public:
  void add(int64_t delta) noexcept {
    CountSlot* slot = t_slot ? t_slot : takeSlot();
    slot->value.store(slot->value.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
  }
  int64_t load() const noexcept;

  struct CountSlot {
    std::atomic<int64_t> value{0};  // written only by the thread that holds the slot
    bool inUse = true;              // guarded by the slot list's mutex
    CountSlot* next = nullptr;
  };

  // The calling thread's slot (null until its first string), taken from the
  // slot list by takeSlot.
  static thread_local constinit CountSlot* t_slot;
  static CountSlot* takeSlot();
};
#endif
extern LiveStringCount g_liveStrings;
extern std::atomic<int64_t> g_liveObjects;
extern std::atomic<int64_t> g_liveStringData;

// The current host's state, or null.
HostState* currentState() noexcept;
// Records misuse of an entry point by the plug-in.
void violation(const std::string& what);

// What the calling thread is doing in the host, read by the check every
// entry point makes (entry_guard.h) and by every new string: one
// thread-local object, reached directly from the thread pointer (the host
// library is linked into programs only, never loaded later), so that the
// check costs a few loads and no call.
struct ThreadCalls {
  int depth = 0;              // host calls into plug-in code the thread is in
  bool detached = false;      // it gave the runtime up (_UnsafeDetachCurrentThread)
  bool mayCallIn = false;     // depth > 0 and not detached: kept with both
  uint8_t nextStringTag = 0;  // the tag of its next host string

  void enter() noexcept { ++depth, update(); }
  void leave() noexcept { --depth, update(); }
  void setDetached(bool d) noexcept { detached = d, update(); }
  void update() noexcept { mayCallIn = depth > 0 && !detached; }
};
#if defined(__ELF__)
[[gnu::tls_model("initial-exec")]]
#endif
extern thread_local constinit ThreadCalls t_calls;
inline bool threadMayCallIn() noexcept { return t_calls.mayCallIn; }

// User-space addresses stay below bit 56 (also with five-level paging): the
// byte above is the handle's tag. A 32-bit host has no spare bits and no tag.
constexpr unsigned kStringTagShift = sizeof(void*) == 8 ? 56 : 0;
constexpr uintptr_t kStringAddressMask = sizeof(void*) == 8 ? (uintptr_t{1} << kStringTagShift) - 1 : ~uintptr_t{0};
// Whether a pointer can be an address at all: a string handle given where
// an object or class belongs is not, and must not be read through.
inline bool isAddress(const void* p) noexcept { return (reinterpret_cast<uintptr_t>(p) & ~kStringAddressMask) == 0; }

// The string or object when it is a live one of its kind; null for null;
// otherwise what `reject` answers (null, the misuse recorded). The
// rejections stay out of line: the check runs several times for every value
// a plug-in hands over or binds, and nearly always passes.
template <class Impl>
inline Impl* checkedLive(Impl* p, const char* entryPoint, Impl* (*reject)(Impl*, const char*)) {
  if (!p) return nullptr;
  if (isAddress(p) && p->magic == Impl::kMagic && p->refs.load(std::memory_order_relaxed) > 0) [[likely]]
    return p;
  return reject(p, entryPoint);
}

// Strings.
// The block a handle names, whether or not the string in it is still the one
// the handle was given for.
inline TavroStringImpl* stringBlock(TavroString s) noexcept {
  return reinterpret_cast<TavroStringImpl*>(reinterpret_cast<uintptr_t>(s) & kStringAddressMask);
}
// Records why a string failed its check and answers null.
TavroStringImpl* rejectString(TavroString s, const char* entryPoint);
// The string when the handle names a live one; null for null; otherwise null
// with the misuse recorded (a released string, whose block may hold a new
// string by now, included).
inline TavroStringImpl* checkedString(TavroString s, const char* entryPoint) {
  if (!s) return nullptr;
  TavroStringImpl* impl = stringBlock(s);
  if (impl->handle == reinterpret_cast<uintptr_t>(s)) [[likely]]
    return impl;
  return rejectString(s, entryPoint);
}

// As checkedString, but a null string is misuse too (entry points that need text).
TavroStringImpl* rejectNullString(const char* entryPoint);
inline TavroStringImpl* requiredString(TavroString s, const char* entryPoint) {
  return s ? checkedString(s, entryPoint) : rejectNullString(entryPoint);
}
// Records misuse when a string the plug-in made reaches the host as text
// without an encoding.
void checkTextEncoding(TavroString s, const char* where);
TavroString newString(std::string_view bytes, uint32_t encoding);
void lockString(TavroString s) noexcept;
int32_t unlockString(TavroString s) noexcept;

// Objects.
// Records why an object failed its check and answers null.
TavroObjectImpl* rejectObject(TavroObject o, const char* entryPoint);
inline TavroObjectImpl* checkedObject(TavroObject o, const char* entryPoint) {
  return checkedLive(o, entryPoint, &rejectObject);
}
TavroObject newObject(TavroClassImpl* cls, ObjectKind kind, size_t dataSize);
void lockObject(TavroObject o) noexcept;
void unlockObject(TavroObject o) noexcept;
TavroClassImpl* findClassLocked(HostState& st, const std::string& name);
TavroClassImpl* builtinClass(const std::string& name);
// Creates an instance of a class, running plug-in constructors from the
// root class down. Returns null (and records why) on failure.
TavroObject instantiate(TavroClassImpl* cls);
// Records `owner` as the one owner of a database record the plug-in hands
// over; false (the misuse recorded) when another host object owns it.
bool claimDatabaseRecord(TavroDatabase db, TavroObjectImpl* owner, const char* entryPoint);
// The record's owner has let it go (closed it, or is destroyed).
void releaseDatabaseRecord(TavroDatabase db, const TavroObjectImpl* owner) noexcept;

// Properties.
bool getProperty(TavroObjectImpl* o, const std::string& name, Value& out, std::string& why);
bool setProperty(TavroObjectImpl* o, const std::string& name, const Value& in, std::string& why);
// Variants.
TavroObject newVariant(int32_t type, Value value);
int32_t variantTypeOf(const Value& v);

// Registration (the registering entry points).
void registerPluginVersion(int32_t version);
void registerCursor(TavroCursorRecord* record);
void registerEngine(TavroEngineRecord* record);
void registerClass(TavroClassRecord* record);
void registerModule(TavroModuleRecord* record);
void registerDataSourceInterface(const char* title, TavroConnectionDialogFn fn);
int32_t registerDataSource(const char* kind, TavroDataSourceOpenerFn fn);
// After VANTPluginMain returned: checks that every type named in a
// declaration is known.
void finishRegistration(HostState& st);
void addBuiltinClasses(HostState& st);

// The resolver.
void* resolve(const char* name);
std::vector<std::string> servedNames();

// Runtime lock bookkeeping of the calling thread.
void* detachThread() noexcept;
void attachThread(void* token) noexcept;
// The plug-in raised an exception on this thread (owned reference).
void setPendingException(TavroObject o) noexcept;
TavroObject takePendingException() noexcept;

// Pointer as the describe report prints it.
std::string hexPointer(const void* p);

}  // namespace tavro::internal
