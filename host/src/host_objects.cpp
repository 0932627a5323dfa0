// Host objects: allocation with the plug-in's instance data at a fixed
// offset, reference counting, destruction (plug-in destructors, cursor
// destroy words, owned strings), and the host's own classes.
#include <cstring>
#include <new>

#include "host_state.h"
#include "tavro_host/errors.h"
#include "tavro_host/object.h"

unsigned char* TavroObjectImpl::data() noexcept {
  return reinterpret_cast<unsigned char*>(this) + tavro::internal::kInstanceDataOffset;
}

bool TavroClassImpl::derivesFrom(const std::string& name) const {
  for (const TavroClassImpl* c = this; c; c = c->super)
    if (tavro::internal::equalsIgnoreCase(c->info.name, name)) return true;
  return false;
}

namespace tavro {
namespace internal {

std::atomic<int64_t> g_liveObjects{0};

bool CaseLess::operator()(const std::string& a, const std::string& b) const {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a[i]));
    const int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

[[gnu::cold, gnu::noinline]] TavroObjectImpl* rejectObject(TavroObject o, const char* entryPoint) {
  if (!isAddress(o) || o->magic != TavroObjectImpl::kMagic)
    violation(std::string(entryPoint) + ": argument is not a host object");
  else
    violation(std::string(entryPoint) + ": host object used after its last release");
  return nullptr;
}

TavroObject newObject(TavroClassImpl* cls, ObjectKind kind, size_t dataSize) {
  void* raw = ::operator new(kInstanceDataOffset + dataSize);
  auto* o = new (raw) TavroObjectImpl;
  o->cls = cls;
  o->kind = kind;
  o->dataSize = dataSize;
  std::memset(o->data(), 0, dataSize);
  ++g_liveObjects;
  return o;
}

bool claimDatabaseRecord(TavroDatabase db, TavroObjectImpl* owner, const char* entryPoint) {
  HostState* st = currentState();
  if (!st || !db) return true;
  std::lock_guard lock(st->mu);
  auto [it, fresh] = st->recordOwners.emplace(db, owner);
  if (fresh) return true;
  st->violations.push_back(std::string(entryPoint) + ": the database record belongs to a " +
                           (it->second->cls ? it->second->cls->info.name : std::string("?")) + " already");
  return false;
}

void releaseDatabaseRecord(TavroDatabase db, const TavroObjectImpl* owner) noexcept {
  HostState* st = currentState();
  if (!st || !db) return;
  std::lock_guard lock(st->mu);
  auto it = st->recordOwners.find(db);
  if (it != st->recordOwners.end() && it->second == owner) st->recordOwners.erase(it);
}

void lockObject(TavroObject o) noexcept {
  if (auto* impl = checkedObject(o, "VANTLockObject")) ++impl->refs;
}

namespace {

// Runs plug-in code (destructor, destroy word, close) under the runtime lock;
// an exception it raises stays pending for the outermost host call.
template <class F>
void runPluginCode(F&& f) {
  if (auto* st = currentState()) {
    (void)st;
    Host::CallScope scope(Host::current());
    f();
  } else {
    f();
  }
}

bool isPointerType(const std::string& t) {
  return equalsIgnoreCase(t, "String") || equalsIgnoreCase(t, "Variant") || equalsIgnoreCase(t, "Object") ||
         equalsIgnoreCase(t, "Ptr");
}

void destroyObject(TavroObjectImpl* o) {
  o->refs = 1;  // a destructor that retains and releases its instance must not destroy it twice
  std::vector<TavroClassImpl*> chain;
  for (TavroClassImpl* c = o->cls; c; c = c->super) chain.push_back(c);
  for (TavroClassImpl* c : chain) {
    if (c->info.builtin || !c->info.record || !c->info.record->destructor) continue;
    auto dtor = reinterpret_cast<void(TAVRO_CALL*)(TavroObject)>(c->info.record->destructor);
    runPluginCode([&] { dtor(o); });
  }
  if (o->refs.load() != 1) violation("a destructor kept a reference to the instance it destroyed");
  // The host owns the strings and objects stored in direct properties.
  std::set<uintptr_t> released;
  for (TavroClassImpl* c : chain) {
    if (c->info.builtin) continue;
    for (const PropertyInfo& p : c->info.properties) {
      if (!p.directGet || !isPointerType(p.type) || !released.insert(p.offset).second) continue;
      void* value = nullptr;
      std::memcpy(&value, o->data() + p.offset, sizeof value);
      if (!value) continue;
      if (equalsIgnoreCase(p.type, "String")) unlockString(static_cast<TavroString>(value));
      else if (!equalsIgnoreCase(p.type, "Ptr")) unlockObject(static_cast<TavroObject>(value));
    }
  }
  if (o->kind == ObjectKind::Cursor && o->handle && o->cursorRecord && o->cursorRecord->destroy) {
    TavroCursorHandle* h = o->handle;
    o->handle = nullptr;
    if (HostState* st = currentState()) {
      std::lock_guard lock(st->mu);
      st->cursorOwners.erase(h);  // destroyed below: its address may come back as a new handle
    }
    runPluginCode([&] { o->cursorRecord->destroy(h); });
  }
  if (o->standaloneDatabase && o->db && o->engine && o->engine->close) runPluginCode([&] { o->engine->close(o->db); });
  if (o->engine) releaseDatabaseRecord(o->db, o);
  for (TavroObject e : o->objects) unlockObject(e);
  o->magic = 0;
  o->refs = 0;
  o->~TavroObjectImpl();
  ::operator delete(static_cast<void*>(o));
  --g_liveObjects;
}

}  // namespace

void unlockObject(TavroObject o) noexcept {
  auto* impl = checkedObject(o, "VANTUnlockObject");
  if (!impl) return;
  if (--impl->refs == 0) {
    try {
      destroyObject(impl);
    } catch (const std::exception& e) {
      violation(std::string("destroying an object failed: ") + e.what());
    }
  }
}

TavroClassImpl* findClassLocked(HostState& st, const std::string& name) {
  for (auto& c : st.builtinClasses)
    if (equalsIgnoreCase(c->info.name, name)) return c.get();
  for (auto& c : st.pluginClasses)
    if (equalsIgnoreCase(c->info.name, name)) return c.get();
  return nullptr;
}

TavroClassImpl* builtinClass(const std::string& name) {
  HostState* st = currentState();
  if (!st) throw HostError("no host exists");
  std::lock_guard lock(st->mu);
  for (auto& c : st->builtinClasses)
    if (c->info.name == name) return c.get();
  throw HostError("host class " + name + " is missing");
}

namespace {

void addClass(HostState& st, const std::string& name, const std::string& super, ObjectKind kind,
              std::vector<std::pair<std::string, std::string>> props, bool readOnly = false) {
  auto c = std::make_unique<TavroClassImpl>();
  c->info.name = name;
  c->info.superclass = super;
  c->info.builtin = true;
  c->kind = kind;
  for (auto& [n, t] : props) {
    PropertyInfo p;
    p.name = n;
    p.type = t;
    p.readOnly = readOnly;
    c->info.properties.push_back(p);
  }
  if (!super.empty()) c->super = findClassLocked(st, super);
  st.builtinClasses.push_back(std::move(c));
}

}  // namespace

void addBuiltinClasses(HostState& st) {
  addClass(st, "Database", "", ObjectKind::Instance,
           {{"Host", "String"}, {"UserName", "String"}, {"Password", "String"}, {"DatabaseName", "String"}});
  addClass(st, "RecordSet", "", ObjectKind::Cursor, {});
  addClass(st, "RowSet", "", ObjectKind::Cursor, {});
  addClass(st, "RuntimeException", "", ObjectKind::Instance, {{"Message", "String"}, {"ErrorNumber", "Integer"}});
  addClass(st, "DatabaseException", "RuntimeException", ObjectKind::Instance, {});
  addClass(st, "MemoryBlock", "", ObjectKind::MemoryBlock, {{"Size", "Integer"}}, true);
  addClass(st, "Date", "", ObjectKind::Date,
           {{"Year", "Integer"}, {"Month", "Integer"}, {"Day", "Integer"}, {"Hour", "Integer"}, {"Minute", "Integer"},
            {"Second", "Integer"}});
  addClass(st, "Variant", "", ObjectKind::Variant,
           {{"Type", "Integer"}, {"IntegerValue", "Integer"}, {"Int64Value", "Int64"}, {"SingleValue", "Single"},
            {"DoubleValue", "Double"}, {"StringValue", "String"}, {"BooleanValue", "Boolean"},
            {"DateValue", "Date"}, {"ObjectValue", "Object"}},
           true);
  addClass(st, "Integer()", "", ObjectKind::IntegerArray, {});
  addClass(st, "Variant()", "", ObjectKind::VariantArray, {});
}

TavroObject instantiate(TavroClassImpl* cls) {
  if (!cls) return nullptr;
  if (cls->info.builtin && (cls->kind == ObjectKind::Cursor || cls->kind == ObjectKind::Variant)) {
    violation("CreateInstance: instances of " + cls->info.name + " are made by the host only");
    return nullptr;
  }
  TavroObjectImpl* o = newObject(cls, cls->kind, cls->info.builtin ? 0 : cls->info.dataSize);
  // Host-side properties of host classes in the chain start empty.
  for (TavroClassImpl* c = cls; c; c = c->super)
    if (c->info.builtin && c->kind == ObjectKind::Instance)
      for (const PropertyInfo& p : c->info.properties)
        o->props.emplace(p.name, equalsIgnoreCase(p.type, "Integer") ? Value(int32_t{0}) : Value(String()));
  std::vector<TavroClassImpl*> chain;
  for (TavroClassImpl* c = cls; c; c = c->super) chain.insert(chain.begin(), c);
  for (TavroClassImpl* c : chain) {
    if (c->info.builtin || !c->info.record || !c->info.record->constructor) continue;
    auto ctor = reinterpret_cast<void(TAVRO_CALL*)(TavroObject)>(c->info.record->constructor);
    runPluginCode([&] { ctor(o); });
  }
  return o;
}

}  // namespace internal

// ---- C++ handle ---------------------------------------------------------

Object Object::adopt(TavroObject raw) noexcept { return Object(raw); }
Object Object::retain(TavroObject raw) noexcept {
  internal::lockObject(raw);
  return Object(raw);
}
Object::Object(const Object& other) noexcept : raw_(other.raw_) { internal::lockObject(raw_); }
Object::Object(Object&& other) noexcept : raw_(other.raw_) { other.raw_ = nullptr; }
Object& Object::operator=(Object other) noexcept {
  std::swap(raw_, other.raw_);
  return *this;
}
Object::~Object() {
  if (raw_) internal::unlockObject(raw_);
}
TavroObject Object::release() noexcept {
  TavroObject r = raw_;
  raw_ = nullptr;
  return r;
}
std::string Object::className() const {
  if (!raw_) return {};
  if (raw_->cls && raw_->kind == internal::ObjectKind::Cursor) return raw_->rowSet ? "RowSet" : "RecordSet";
  return raw_->cls ? raw_->cls->info.name : std::string();
}
bool Object::isa(const std::string& name) const {
  if (!raw_ || !raw_->cls) return false;
  if (raw_->kind == internal::ObjectKind::Cursor) return internal::equalsIgnoreCase(className(), name);
  return raw_->cls->derivesFrom(name);
}
int32_t Object::referenceCount() const noexcept { return raw_ ? raw_->refs.load() : 0; }
void* Object::instanceData() const noexcept {
  if (!raw_ || !raw_->cls || raw_->cls->info.builtin) return nullptr;
  return raw_->data();
}

}  // namespace tavro
