// Host: one per process; loading, inspection, accounting and the C++
// callers' access to objects, properties and methods.
#include "tavro_host/host.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "host_state.h"

namespace tavro {
namespace internal {
namespace {
std::atomic<Host*> g_host{nullptr};
}  // namespace

HostState* currentState() noexcept {
  Host* h = g_host.load();
  return h ? &h->state() : nullptr;
}

void violation(const std::string& what) {
  HostState* st = currentState();
  if (!st) {
    std::fprintf(stderr, "tavro-host: %s\n", what.c_str());
    return;
  }
  std::lock_guard lock(st->mu);
  st->violations.push_back(what);
}

std::string hexPointer(const void* p) {
  char buf[2 * sizeof(void*) + 1];
  std::snprintf(buf, sizeof buf, "%0*jX", static_cast<int>(2 * sizeof(void*)),
                static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(p)));
  return buf;
}

}  // namespace internal

String detail::adoptResultString(TavroString raw) {
  internal::checkTextEncoding(raw, "method result");
  return String::adopt(raw);
}

Host::Host() : state_(std::make_unique<HostState>()) {
  Host* expected = nullptr;
  if (!internal::g_host.compare_exchange_strong(expected, this))
    throw HostError("a host exists already in this process");
  internal::addBuiltinClasses(*state_);
}

Host::~Host() {
  // Objects still alive point at their classes and at plug-in code: keep
  // both (the plug-in stays loaded, the state is left behind) so releasing
  // them later cannot touch freed memory. Leak checkers still see the leak.
  if (internal::g_liveObjects.load() != 0) {
    std::fprintf(stderr, "tavro-host: %lld host objects still alive; the plug-in stays loaded\n",
                 static_cast<long long>(internal::g_liveObjects.load()));
    state_->library.release();
    (void)state_.release();
  }
  internal::g_host.store(nullptr);
}

Host& Host::current() {
  Host* h = internal::g_host.load();
  if (!h) throw HostError("no host exists");
  return *h;
}

namespace {
void* TAVRO_CALL resolveEntryPoint(const char* name) { return internal::resolve(name); }
}  // namespace

TavroResolver Host::resolver() noexcept { return &resolveEntryPoint; }

std::vector<std::string> Host::servedNames() { return internal::servedNames(); }

int32_t Host::runPluginMain(TavroPluginMainFn main) {
  if (!main) throw LoadError("the plug-in entry point is null");
  {
    std::lock_guard lock(state_->mu);
    if (state_->mainResult) throw LoadError("a plug-in was loaded into this host already");
  }
  int32_t result = 0;
  {
    CallScope scope(*this);
    result = main(resolver());
    if (TavroObject o = internal::takePendingException()) {
      internal::unlockObject(o);
      internal::violation("the plug-in raised an exception while starting");
    }
  }
  internal::finishRegistration(*state_);
  std::lock_guard lock(state_->mu);
  state_->mainResult = result;
  if (state_->version < 0) state_->loadProblems.push_back("RegisterPluginVersion was never called");
  if (!state_->loadProblems.empty()) {
    std::string all = "plug-in refused: " + state_->loadProblems.front();
    for (size_t i = 1; i < state_->loadProblems.size(); ++i) all += "; " + state_->loadProblems[i];
    throw LoadError(all);
  }
  return result;
}

int32_t Host::load(const std::string& path) {
  {
    std::lock_guard lock(state_->mu);
    if (state_->mainResult || state_->library.isOpen()) throw LoadError("a plug-in was loaded into this host already");
  }
  state_->library.open(path);
  auto main = reinterpret_cast<TavroPluginMainFn>(state_->library.symbol(TAVRO_PLUGIN_MAIN_NAME));
  if (!main) throw LoadError(path + " does not export " TAVRO_PLUGIN_MAIN_NAME);
  return runPluginMain(main);
}

void Host::withhold(const std::string& name) {
  std::lock_guard lock(state_->mu);
  state_->withheld.insert(name);
}
void Host::unwithhold(const std::string& name) {
  std::lock_guard lock(state_->mu);
  state_->withheld.erase(name);
}
int Host::lookupCount(const std::string& name) const {
  std::lock_guard lock(state_->mu);
  auto it = state_->lookups.find(name);
  return it == state_->lookups.end() ? 0 : it->second;
}
std::vector<std::string> Host::lookupLog() const {
  std::lock_guard lock(state_->mu);
  return state_->lookupLog;
}
void Host::resetLookupCounts() {
  std::lock_guard lock(state_->mu);
  state_->lookups.clear();
  state_->lookupLog.clear();
}

int32_t Host::announcedVersion() const {
  std::lock_guard lock(state_->mu);
  return state_->version;
}
std::vector<RegistrationEvent> Host::registrationLog() const {
  std::lock_guard lock(state_->mu);
  return state_->events;
}
std::vector<const ClassInfo*> Host::classes() const {
  std::lock_guard lock(state_->mu);
  std::vector<const ClassInfo*> out;
  for (auto& c : state_->pluginClasses) out.push_back(&c->info);
  return out;
}
const ClassInfo* Host::findClass(const std::string& name) const {
  std::lock_guard lock(state_->mu);
  TavroClassImpl* c = internal::findClassLocked(*state_, name);
  return c ? &c->info : nullptr;
}
std::vector<const ModuleInfo*> Host::modules() const {
  std::lock_guard lock(state_->mu);
  std::vector<const ModuleInfo*> out;
  for (auto& m : state_->modules) out.push_back(m.get());
  return out;
}
std::vector<EngineInfo> Host::engines() const {
  std::lock_guard lock(state_->mu);
  return state_->engines;
}
std::vector<CursorInfo> Host::cursors() const {
  std::lock_guard lock(state_->mu);
  return state_->cursors;
}
std::vector<DataSourceInterfaceInfo> Host::dataSourceInterfaces() const {
  std::lock_guard lock(state_->mu);
  return state_->interfaces;
}
std::vector<DataSourceInfo> Host::dataSources() const {
  std::lock_guard lock(state_->mu);
  return state_->dataSources;
}
std::optional<int32_t> Host::pluginMainResult() const {
  std::lock_guard lock(state_->mu);
  return state_->mainResult;
}

int64_t Host::liveStrings() const { return internal::g_liveStrings.load(); }
int64_t Host::liveObjects() const { return internal::g_liveObjects.load(); }
int64_t Host::liveStringData() const { return internal::g_liveStringData.load(); }
std::vector<std::string> Host::violations() const {
  std::lock_guard lock(state_->mu);
  return state_->violations;
}
void Host::clearViolations() {
  std::lock_guard lock(state_->mu);
  state_->violations.clear();
}
int64_t Host::detachCount() const { return state_->detaches.load(); }

// ---- values --------------------------------------------------------------

String Host::makeString(std::string_view bytes, Encoding encoding) { return String::fromBytes(bytes, encoding); }

Object Host::makeVariant(const Value& value) {
  // Objects in a Variant are the objects themselves (they answer "Type").
  if (value.kind() == Value::Kind::Binary) return makeMemoryBlock(value.asBytes());
  if (value.kind() == Value::Kind::Date || value.kind() == Value::Kind::Time || value.kind() == Value::Kind::Timestamp)
    return makeDate(value.asDateTime());
  if (value.kind() == Value::Kind::Object) return value.asObject();
  // A string Variant holds a host string, as the runtime's do: reading its
  // StringValue hands out that string.
  if (value.kind() == Value::Kind::Text && !value.hostString())
    return makeVariantOfType(TAVRO_VARIANT_STRING, Value(String::fromUtf8(value.asText())));
  return makeVariantOfType(internal::variantTypeOf(value), value);
}

Object Host::makeVariantOfType(int32_t typeCode, const Value& value) {
  return Object::adopt(internal::newVariant(typeCode, value));
}

Object Host::makeDate(const DateTime& dt) {
  TavroObject o = internal::newObject(internal::builtinClass("Date"), internal::ObjectKind::Date, 0);
  o->date = dt;
  return Object::adopt(o);
}

Object Host::makeMemoryBlock(const Bytes& bytes) {
  TavroObject o = internal::newObject(internal::builtinClass("MemoryBlock"), internal::ObjectKind::MemoryBlock, 0);
  o->block = bytes;
  return Object::adopt(o);
}

Object Host::makeIntegerArray(const std::vector<int32_t>& elements) {
  TavroObject o = internal::newObject(internal::builtinClass("Integer()"), internal::ObjectKind::IntegerArray, 0);
  o->integers = elements;
  return Object::adopt(o);
}

Object Host::makeVariantArray(const std::vector<Object>& elements) {
  TavroObject o = internal::newObject(internal::builtinClass("Variant()"), internal::ObjectKind::VariantArray, 0);
  for (const Object& e : elements) {
    Object copy = e;
    o->objects.push_back(copy.release());
  }
  return Object::adopt(o);
}

Object Host::createInstance(const std::string& className) {
  TavroClassImpl* cls = nullptr;
  {
    std::lock_guard lock(state_->mu);
    cls = internal::findClassLocked(*state_, className);
  }
  if (!cls) throw HostError("no class named " + className);
  CallScope scope(*this);
  Object o = Object::adopt(internal::instantiate(cls));
  if (!o) throw HostError("instances of " + className + " cannot be created by host code");
  scope.finish();
  return o;
}

// ---- properties and constants --------------------------------------------

Value Host::getProperty(const Object& object, const std::string& name) {
  if (!object) throw HostError("property " + name + " of a nil object");
  CallScope scope(*this);
  Value v;
  std::string why;
  if (!internal::getProperty(object.get(), name, v, why)) throw HostError(why);
  scope.finish();
  return v;
}

void Host::setProperty(const Object& object, const std::string& name, const Value& value) {
  if (!object) throw HostError("property " + name + " of a nil object");
  CallScope scope(*this);
  std::string why;
  if (!internal::setProperty(object.get(), name, value, why)) throw HostError(why);
  scope.finish();
}

int64_t Host::constant(const std::string& owner, const std::string& name) const {
  std::lock_guard lock(state_->mu);
  const std::vector<ConstantInfo>* list = nullptr;
  for (auto& m : state_->modules)
    if (internal::equalsIgnoreCase(m->name, owner)) list = &m->constants;
  if (!list)
    if (TavroClassImpl* c = internal::findClassLocked(*state_, owner)) list = &c->info.constants;
  if (!list) throw HostError("no module or class named " + owner);
  for (const ConstantInfo& c : *list)
    if (internal::equalsIgnoreCase(c.name, name)) return c.value;
  throw HostError(owner + " has no constant " + name);
}

// ---- methods --------------------------------------------------------------

const MethodInfo& Host::resolveMethod(const Object& self, std::string_view method, const std::vector<AbiKind>& args,
                                      AbiKind result) const {
  if (!self) throw HostError("method " + std::string(method) + " called on a nil object");
  std::string tried;
  for (TavroClassImpl* c = self.get()->cls; c; c = c->super) {
    for (const MethodInfo& m : c->info.methods) {
      if (!internal::equalsIgnoreCase(m.declaration.name, method) || m.flags != TAVRO_FLAG_ENTRY) continue;
      tried += "\n  " + m.declarationText;
      const auto& ps = m.declaration.parameters;
      if (ps.size() != args.size()) continue;
      bool match = true;
      for (size_t i = 0; i < ps.size() && match; ++i) match = ps[i].abi == args[i];
      if (match && m.declaration.returnAbi == result) {
        if (!m.function) throw HostError(self.className() + "." + m.declarationText + " has no function");
        return m;
      }
    }
  }
  std::string given;
  for (AbiKind k : args) given += std::string(given.empty() ? "" : ", ") + abiKindName(k);
  throw HostError(self.className() + "." + std::string(method) + "(" + given + ") returning " +
                  abiKindName(result) + " matches no declaration" + (tried.empty() ? " (no such method)" : ":" + tried));
}

namespace {

// Whether an object is a value of the declared (non-array) type.
bool isValueOfType(TavroObject o, const std::string& type) {
  if (!o || internal::equalsIgnoreCase(type, "Variant") || internal::equalsIgnoreCase(type, "Object")) return true;
  return Object::retain(o).isa(type);
}

bool isArrayOf(TavroObject o, const std::string& elementType) {
  if (!o) return false;
  if (internal::equalsIgnoreCase(elementType, "Variant")) return o->kind == internal::ObjectKind::VariantArray;
  if (internal::equalsIgnoreCase(elementType, "Integer")) return o->kind == internal::ObjectKind::IntegerArray;
  return o->kind == internal::ObjectKind::VariantArray || o->kind == internal::ObjectKind::IntegerArray;
}

std::string describeObject(TavroObject o) { return o ? "a " + Object::retain(o).className() : "Nil"; }

}  // namespace

void Host::checkObjectArguments(const MethodInfo& method, const std::vector<TavroObject>& objects) const {
  const auto& parameters = method.declaration.parameters;
  for (size_t i = 0; i < parameters.size() && i < objects.size(); ++i) {
    const Parameter& p = parameters[i];
    if (p.abi != AbiKind::Object) continue;
    TavroObject o = objects[i];
    if (o && !internal::checkedObject(o, "a method argument"))
      throw HostError(method.declarationText + ": argument " + p.name + " is not a live host object");
    const bool array = p.isArray || p.paramArray;
    if (array ? isArrayOf(o, p.type) : isValueOfType(o, p.type)) continue;
    throw HostError(method.declarationText + ": argument " + p.name + " takes " +
                    (array ? "an array of " + p.type : "a " + p.type) + ", not " + describeObject(o));
  }
}

void Host::checkObjectResult(const MethodInfo& method, TavroObject result) {
  const Declaration& d = method.declaration;
  if (!result || d.returnsArray || isValueOfType(result, d.returnType)) return;
  internal::violation(method.declarationText + " returned " + describeObject(result));
}

// ---- data sources and dialogs -------------------------------------------

void Host::scriptConnectionDialog(std::string result) {
  std::lock_guard lock(state_->mu);
  state_->dialogScript = std::move(result);
}
std::vector<DialogRecord> Host::dialogs() const {
  std::lock_guard lock(state_->mu);
  std::vector<DialogRecord> out;
  for (auto& d : state_->dialogs) out.push_back(d->record);
  return out;
}
std::vector<DesignDataSource> Host::designDataSources() const {
  std::lock_guard lock(state_->mu);
  return state_->design;
}
void Host::runDataSourceInterface(const std::string& title) {
  TavroConnectionDialogFn fn = nullptr;
  for (auto& i : dataSourceInterfaces())
    if (i.title == title) fn = i.dialog;
  if (!fn) throw HostError("no data-source command titled \"" + title + "\" with a dialog function");
  CallScope scope(*this);
  fn();
  scope.finish();
}
Object Host::openDataSource(const std::string& kind, const std::string& data) {
  TavroDataSourceOpenerFn fn = nullptr;
  for (auto& d : dataSources())
    if (d.kind == kind) fn = d.opener;
  if (!fn) throw HostError("no opener function for data sources of kind \"" + kind + "\"");
  std::string copy = data;  // the opener reads NUL-terminated fields: keep a final NUL
  copy.push_back('\0');
  CallScope scope(*this);
  Object o = Object::adopt(fn(copy.c_str()));
  scope.finish();
  return o;
}
void Host::refuseCursorWrap(bool refuse) {
  std::lock_guard lock(state_->mu);
  state_->refuseWrap = refuse;
}

bool useUtf8Locale() {
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
    if (std::setlocale(LC_ALL, name)) return true;
  return false;
}

}  // namespace tavro
