// The registering entry points: each record is checked the way a strict host
// checks it before it is kept; a refused record is not registered and the
// reason is kept for load() to report once the plug-in's entry returns.
#include <cctype>
#include <initializer_list>
#include <set>
#include <utility>
#include <vector>

#include "entry_points.h"
#include "host_state.h"
#include "tavro_host/errors.h"

namespace tavro::internal {
namespace {

constexpr uintptr_t kMaxCount = 100000;       // entries per table
constexpr uintptr_t kMaxDataSize = 1u << 20;  // instance data bytes
const void* const kDirect = TAVRO_DIRECT_ACCESS;

struct Refusal {
  std::string why;
};

[[noreturn]] void refuse(const std::string& why) { throw Refusal{why}; }

std::string text(const char* s, const std::string& what) {
  if (!s) refuse(what + " is null");
  std::string t(s);
  if (t.empty()) refuse(what + " is empty");
  return t;
}

bool isIdentifier(const std::string& s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  return true;
}

size_t directSize(const std::string& t) {
  static const std::pair<const char*, size_t> sizes[] = {
      {"Integer", 4}, {"Int32", 4}, {"UInt32", 4}, {"UInteger", 4}, {"Color", 4},   {"Int16", 2},
      {"UInt16", 2},  {"Int8", 1},  {"UInt8", 1},  {"Boolean", 1},  {"Int64", 8},   {"UInt64", 8},
      {"Currency", 8}, {"Single", 4}, {"Double", 8}, {"String", sizeof(void*)}, {"Ptr", sizeof(void*)},
      {"Variant", sizeof(void*)}, {"Object", sizeof(void*)}};
  for (auto& [n, s] : sizes)
    if (equalsIgnoreCase(t, n)) return s;
  return 0;
}

void checkZero(const uintptr_t* words, size_t from, size_t to, const std::string& record) {
  for (size_t w = from; w <= to; ++w)
    if (words[w] != 0) refuse(record + ": word " + std::to_string(w) + " must be 0");
}

void checkTable(const void* table, uintptr_t count, const std::string& what) {
  if (count > kMaxCount) refuse(what + " count " + std::to_string(count) + " is not believable");
  if (count > 0 && !table) refuse(what + " table is null but its count is " + std::to_string(count));
  if (count == 0 && table) refuse(what + " table is given but its count is 0");
}

Attributes readAttributes(const TavroAttribute* table, uintptr_t count, const std::string& owner) {
  checkTable(table, count, owner + " attribute");
  Attributes out;
  for (uintptr_t i = 0; i < count; ++i) {
    const std::string name = text(table[i].name, owner + " attribute " + std::to_string(i) + " name");
    if (!isIdentifier(name)) refuse(owner + " attribute name \"" + name + "\" is not a name");
    const std::string value = table[i].value ? table[i].value : "";
    if (!value.empty() && !(value.size() >= 2 && value.front() == '"' && value.back() == '"'))
      refuse(owner + " attribute " + name + " value " + value + " is not a literal in double quotes");
    out.emplace_back(name, value);
  }
  return out;
}

std::vector<ConstantInfo> readConstants(const TavroConstantEntry* table, uintptr_t count, uintptr_t flags,
                                        const std::string& owner) {
  checkTable(table, count, owner + " constant");
  std::vector<ConstantInfo> out;
  std::set<std::string, CaseLess> names;
  for (uintptr_t i = 0; i < count; ++i) {
    const TavroConstantEntry& e = table[i];
    const std::string where = owner + " constant " + std::to_string(i);
    ConstantInfo c;
    c.declaration = text(e.declaration, where + " declaration");
    try {
      auto [n, v] = parseConstant(c.declaration);
      c.name = n;
      c.value = v;
    } catch (const HostError& err) {
      refuse(where + ": " + err.what());
    }
    if (e.flags != flags) refuse(where + " (" + c.name + "): flags " + std::to_string(e.flags) + ", expected " + std::to_string(flags));
    if (e.reserved1 || e.reserved3 || e.reserved4) refuse(where + " (" + c.name + "): reserved words must be 0");
    if (!names.insert(c.name).second) refuse(owner + ": constant " + c.name + " is declared twice");
    c.flags = e.flags;
    out.push_back(std::move(c));
  }
  return out;
}

std::string pluginName(const char* name, const std::string& what) {
  std::string n = text(name, what);
  if (!isIdentifier(n)) refuse(what + " \"" + n + "\" is not a name");
  return n;
}

void record(HostState& st, const std::string& entryPoint, const std::string& subject, const Refusal* refusal) {
  RegistrationEvent e;
  e.entryPoint = entryPoint;
  e.subject = subject;
  if (refusal) {
    e.accepted = false;
    e.problem = refusal->why;
    st.loadProblems.push_back(entryPoint + (subject.empty() ? "" : " " + subject) + ": " + refusal->why);
  }
  st.events.push_back(std::move(e));
}

}  // namespace

void registerPluginVersion(int32_t version) {
  HostState* st = currentState();
  if (!st) return;
  std::lock_guard lock(st->mu);
  st->version = version;
  if (version != TAVRO_HOST_VERSION) {
    Refusal r{"version " + std::to_string(version) + " is not supported (this host speaks " +
              std::to_string(TAVRO_HOST_VERSION) + ")"};
    record(*st, "RegisterPluginVersion", std::to_string(version), &r);
  } else {
    record(*st, "RegisterPluginVersion", std::to_string(version), nullptr);
  }
}

// The engine and cursor records share one shape of checks: a null record,
// the version word, reserved words that must be 0, and no second registration.
template <typename Record, typename Entry>
void registerDatabaseRecord(Record* rec, std::vector<Entry> HostState::*registered, const char* kind,
                            const char* entryPoint, std::initializer_list<std::pair<size_t, size_t>> zeroWords) {
  HostState* st = currentState();
  if (!st) return;
  std::lock_guard lock(st->mu);
  try {
    if (!rec) refuse("record is null");
    const std::string what = std::string(kind) + " record";
    const auto* w = reinterpret_cast<const uintptr_t*>(rec);
    if (rec->version != TAVRO_DB_RECORD_VERSION)
      refuse(what + ": version word is " + std::to_string(rec->version) + ", expected 2");
    for (const auto& [from, to] : zeroWords) checkZero(w, from, to, what);
    auto& list = st->*registered;
    for (auto& e : list)
      if (e.record == rec) refuse(what + " registered twice");
    list.push_back({rec});
    record(*st, entryPoint, "", nullptr);
  } catch (const Refusal& r) {
    record(*st, entryPoint, "", &r);
  }
}

void registerCursor(TavroCursorRecord* rec) {
  registerDatabaseRecord(rec, &HostState::cursors, "cursor", "PluginRegisterDBCursor",
                         {{1, 1}, {7, 7}, {10, 11}, {18, 20}});
}

void registerEngine(TavroEngineRecord* rec) {
  registerDatabaseRecord(rec, &HostState::engines, "engine", "PluginRegisterDBEngine",
                         {{7, 7}, {10, 11}, {17, 17}, {19, 24}, {27, 27}});
}

void registerClass(TavroClassRecord* rec) {
  HostState* st = currentState();
  if (!st) return;
  std::lock_guard lock(st->mu);
  std::string name = rec && rec->name ? rec->name : "";
  try {
    if (!rec) refuse("record is null");
    const auto* w = reinterpret_cast<const uintptr_t*>(rec);
    if (rec->version != TAVRO_HOST_VERSION) refuse("version word is " + std::to_string(rec->version) + ", expected 13");
    name = pluginName(rec->name, "class name");
    if (!(rec->flags & TAVRO_FLAG_ENTRY)) refuse("flag 4 is not set in word 20");
    if (rec->dataOffset != 0) refuse("word 4 (instance data offset) must be 0 before registration");
    checkZero(w, 11, 14, "class record");
    checkZero(w, 16, 17, "class record");
    checkZero(w, 21, 28, "class record");
    if (rec->dataSize > kMaxDataSize) refuse("instance data size " + std::to_string(rec->dataSize) + " is not believable");
    if (findClassLocked(*st, name)) refuse("a class named " + name + " exists already");
    auto cls = std::make_unique<TavroClassImpl>();
    ClassInfo& info = cls->info;
    info.record = rec;
    info.name = name;
    info.dataSize = rec->dataSize;
    info.hasConstructor = rec->constructor != nullptr;
    info.hasDestructor = rec->destructor != nullptr;
    info.flags = rec->flags;
    if (rec->interfaces) info.interfaces = rec->interfaces;
    if (rec->superclass) {
      info.superclass = pluginName(rec->superclass, "superclass name");
      TavroClassImpl* super = findClassLocked(*st, info.superclass);
      if (!super) refuse("superclass " + info.superclass + " is unknown");
      if (!super->info.builtin || super->kind != ObjectKind::Instance)
        refuse("superclass " + info.superclass + " cannot be extended by a plug-in class");
      cls->super = super;
    }
    // Properties.
    checkTable(rec->properties, rec->propertyCount, "property");
    std::set<std::string, CaseLess> propNames;
    for (uintptr_t i = 0; i < rec->propertyCount; ++i) {
      const TavroPropertyEntry& e = rec->properties[i];
      PropertyInfo p;
      p.entry = &e;
      const std::string where = "property " + std::to_string(i);
      p.name = pluginName(e.name, where + " name");
      p.type = text(e.type, "property " + p.name + " type");
      const size_t size = directSize(p.type);
      if (!size) refuse("property " + p.name + ": type " + p.type + " is not a property type this host knows");
      if (e.flags != TAVRO_FLAG_ENTRY) refuse("property " + p.name + ": flags " + std::to_string(e.flags) + ", expected 4");
      if (e.reserved0 || e.reserved7 || e.reserved8 || e.reserved9) refuse("property " + p.name + ": reserved words must be 0");
      if (!e.getter) refuse("property " + p.name + ": getter word is 0");
      p.directGet = e.getter == kDirect;
      p.directSet = e.setter == kDirect;
      p.readOnly = e.setter == nullptr;
      p.getter = p.directGet ? nullptr : e.getter;
      p.setter = (p.directSet || p.readOnly) ? nullptr : e.setter;
      p.offset = e.offset;
      p.flags = e.flags;
      if ((p.directGet || p.directSet) && (e.offset > rec->dataSize || size > rec->dataSize - e.offset))
        refuse("property " + p.name + ": offset " + std::to_string(e.offset) + " with " + std::to_string(size) +
               " bytes lies outside the " + std::to_string(rec->dataSize) + "-byte instance data");
      if ((p.directGet || p.directSet) && directSize(p.type) == sizeof(void*) && e.offset % alignof(void*) != 0)
        refuse("property " + p.name + ": offset " + std::to_string(e.offset) + " is not pointer-aligned");
      p.attributes = readAttributes(e.attributes, e.attributeCount, "property " + p.name);
      if (!propNames.insert(p.name).second) refuse("property " + p.name + " is declared twice");
      info.properties.push_back(std::move(p));
    }
    // Methods.
    checkTable(rec->methods, rec->methodCount, "method");
    std::set<std::string> signatures;
    for (uintptr_t i = 0; i < rec->methodCount; ++i) {
      const TavroMethodEntry& e = rec->methods[i];
      MethodInfo m;
      m.entry = &e;
      m.declarationText = text(e.declaration, "method " + std::to_string(i) + " declaration");
      try {
        m.declaration = parseDeclaration(m.declarationText);
      } catch (const HostError& err) {
        refuse("method " + std::to_string(i) + ": " + err.what());
      }
      m.flags = e.flags;
      m.function = e.function;
      if (e.reserved1) refuse("method " + m.declarationText + ": word 1 must be 0");
      if (e.flags == TAVRO_FLAG_CONSTRUCTOR) {
        if (!equalsIgnoreCase(m.declaration.name, "Constructor"))
          refuse("method " + m.declarationText + ": flags 0x84 belong to a constructor entry");
      } else if (e.flags != TAVRO_FLAG_ENTRY) {
        refuse("method " + m.declarationText + ": flags " + std::to_string(e.flags) + ", expected 4");
      }
      // An entry without a function is kept (a plug-in under construction
      // registers its full table); calling it is refused.
      m.attributes = readAttributes(e.attributes, e.attributeCount, "method " + m.declarationText);
      std::string sig = m.declaration.name;
      for (auto& c : sig) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      for (const Parameter& p : m.declaration.parameters) sig += std::string(",") + abiKindName(p.abi) + (p.assigns ? "=" : "");
      if (!signatures.insert(sig).second) refuse("method " + m.declarationText + " duplicates an earlier overload");
      info.methods.push_back(std::move(m));
    }
    info.constants = readConstants(rec->constants, rec->constantCount, TAVRO_FLAG_ENTRY, "class " + name);
    // The plug-in finds its data at this offset in every instance.
    rec->dataOffset = kInstanceDataOffset;
    info.dataOffset = kInstanceDataOffset;
    st->pluginClasses.push_back(std::move(cls));
    record(*st, "PluginRegisterClass", name, nullptr);
  } catch (const Refusal& r) {
    record(*st, "PluginRegisterClass", name, &r);
  }
}

void registerModule(TavroModuleRecord* rec) {
  HostState* st = currentState();
  if (!st) return;
  std::lock_guard lock(st->mu);
  std::string name = rec && rec->name ? rec->name : "";
  try {
    if (!rec) refuse("record is null");
    const auto* w = reinterpret_cast<const uintptr_t*>(rec);
    if (rec->version != TAVRO_HOST_VERSION) refuse("version word is " + std::to_string(rec->version) + ", expected 13");
    name = pluginName(rec->name, "module name");
    checkZero(w, 2, 3, "module record");
    checkZero(w, 6, 23, "module record");
    for (auto& m : st->modules)
      if (equalsIgnoreCase(m->name, name)) refuse("a module named " + name + " exists already");
    if (findClassLocked(*st, name)) refuse("a class named " + name + " exists already");
    auto m = std::make_unique<ModuleInfo>();
    m->record = rec;
    m->name = name;
    m->constants = readConstants(rec->constants, rec->constantCount, 0, "module " + name);
    st->modules.push_back(std::move(m));
    record(*st, "PluginRegisterModule", name, nullptr);
  } catch (const Refusal& r) {
    record(*st, "PluginRegisterModule", name, &r);
  }
}

void registerDataSourceInterface(const char* title, TavroConnectionDialogFn fn) {
  HostState* st = currentState();
  if (!st) return;
  std::lock_guard lock(st->mu);
  std::string t = title ? title : "";
  try {
    t = text(title, "dialog title");
    for (auto& i : st->interfaces)
      if (i.title == t) refuse("a data-source command titled \"" + t + "\" exists already");
    st->interfaces.push_back({t, fn});
    record(*st, "RegisterDataSourceInterface", t, nullptr);
  } catch (const Refusal& r) {
    record(*st, "RegisterDataSourceInterface", t, &r);
  }
}

int32_t registerDataSource(const char* kind, TavroDataSourceOpenerFn fn) {
  HostState* st = currentState();
  if (!st) return 0;
  std::lock_guard lock(st->mu);
  std::string k = kind ? kind : "";
  try {
    k = text(kind, "data-source kind");
    for (auto& d : st->dataSources)
      if (d.kind == k) refuse("data sources of kind \"" + k + "\" have an opener already");
    st->dataSources.push_back({k, fn});
    record(*st, "RegisterDataSource", k, nullptr);
    return 1;
  } catch (const Refusal& r) {
    record(*st, "RegisterDataSource", k, &r);
    return 0;
  }
}

void finishRegistration(HostState& st) {
  std::lock_guard lock(st.mu);
  static const char* const known[] = {"Integer", "Int8", "Int16", "Int32", "Int64", "UInt8", "UInt16", "UInt32",
                                      "UInt64", "UInteger", "Single", "Double", "Currency", "Boolean", "String",
                                      "Text", "Color", "Variant", "Object", "Ptr", "Date", "RecordSet", "RowSet",
                                      "MemoryBlock", "Database", "DatabaseException", "RuntimeException"};
  auto isKnown = [&](const std::string& t) {
    for (const char* k : known)
      if (equalsIgnoreCase(t, k)) return true;
    return findClassLocked(st, t) != nullptr;
  };
  // Types are checked once everything is registered: a method may name a
  // class registered after its own. A class naming an unknown type is refused.
  std::vector<std::string> refused;
  for (auto& c : st.pluginClasses) {
    std::string problem;
    for (const MethodInfo& m : c->info.methods) {
      for (const Parameter& p : m.declaration.parameters)
        if (problem.empty() && !isKnown(p.type)) problem = "method " + m.declarationText + ": type " + p.type + " is unknown";
      if (problem.empty() && !m.declaration.returnType.empty() && !isKnown(m.declaration.returnType))
        problem = "method " + m.declarationText + ": result type " + m.declaration.returnType + " is unknown";
    }
    if (problem.empty()) continue;
    st.loadProblems.push_back("PluginRegisterClass " + c->info.name + ": " + problem);
    for (RegistrationEvent& e : st.events)
      if (e.entryPoint == "PluginRegisterClass" && e.subject == c->info.name) {
        e.accepted = false;
        e.problem = problem;
      }
    refused.push_back(c->info.name);
  }
  for (const std::string& name : refused)
    std::erase_if(st.pluginClasses, [&](const auto& c) { return c->info.name == name; });
}

}  // namespace tavro::internal

namespace tavro::entry {

void TAVRO_CALL RegisterPluginVersion(int32_t version) { internal::registerPluginVersion(version); }
void TAVRO_CALL RegisterDBCursor(TavroCursorRecord* record) { internal::registerCursor(record); }
void TAVRO_CALL RegisterDBEngine(TavroEngineRecord* record) { internal::registerEngine(record); }
void TAVRO_CALL RegisterClass(TavroClassRecord* record) { internal::registerClass(record); }
void TAVRO_CALL RegisterModule(TavroModuleRecord* record) { internal::registerModule(record); }
void TAVRO_CALL RegisterDataSourceInterface(const char* title, TavroConnectionDialogFn dialog) {
  internal::registerDataSourceInterface(title, dialog);
}
int32_t TAVRO_CALL RegisterDataSource(const char* kind, TavroDataSourceOpenerFn opener) {
  return internal::registerDataSource(kind, opener);
}

}  // namespace tavro::entry
