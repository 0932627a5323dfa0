// The substitute Tavro host: loads a plug-in, serves its entry points by
// name, keeps and checks what it registers, and lets C++ code (tests, the
// SQL shell) use the registered classes as host programs would.
//
// One Host exists at a time in a process (the resolver handed to plug-ins is
// a plain function). Every call the host makes into plug-in code runs under
// the runtime lock, which the plug-in may give up with
// _UnsafeDetachCurrentThread while it blocks.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

#include <tavro/plugin_sdk.h>

#include "tavro_host/errors.h"
#include "tavro_host/object.h"
#include "tavro_host/registry.h"
#include "tavro_host/string.h"
#include "tavro_host/value.h"

namespace tavro {

struct HostState;  // the implementation's

// A connection dialog the plug-in opened, as the host recorded it.
struct DialogField {
  std::string label;  // UTF-8
  int32_t reserved = 0;
  int32_t flag = 0;   // 1: password field
};
struct DialogRecord {
  std::vector<DialogField> fields;
  std::string title;
  int shown = 0;
  bool deleted = false;
};

// A DesignAddDataSource call as recorded.
struct DesignDataSource {
  std::string identifier;
  std::string kind;
  std::string data;  // the bytes, NULs included
};

// One node of a record-insertion list (engine word 8).
struct ColumnInput {
  std::string name;
  std::string value;  // UTF-8
  int32_t type = TAVRO_COLUMN_TEXT;
};

// Engine word 18's answer.
struct ColumnTypes {
  std::vector<int32_t> codes;
  std::string names;
  int32_t codeBytes = 0;
};

class Host;

namespace detail {
template <class T, class = void>
struct ArgTraits;
template <class R>
struct ResultTraits;
}  // namespace detail

class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The host of this process; throws HostError when there is none.
  static Host& current();

  // ---- Loading ---------------------------------------------------------
  // Loads the plug-in, calls VANTPluginMain with the resolver and checks
  // everything registered. Returns VANTPluginMain's result. Throws LoadError
  // naming the problem when the library or its export is missing or a record
  // was refused.
  int32_t load(const std::string& path);
  // The resolver the host hands to plug-ins (also usable directly by tests
  // that link plug-in code statically).
  static TavroResolver resolver() noexcept;
  // Runs the resolver-side part of a plug-in entry made without loading a
  // library (tests of statically linked plug-in code): `main` is called with
  // the resolver under the runtime lock and registrations are checked as by
  // load().
  int32_t runPluginMain(TavroPluginMainFn main);

  // ---- Resolver control ------------------------------------------------
  void withhold(const std::string& name);   // the resolver answers null for it
  void unwithhold(const std::string& name);
  int lookupCount(const std::string& name) const;  // how often the resolver was asked
  std::vector<std::string> lookupLog() const;      // every name asked, in order
  void resetLookupCounts();
  // Every entry-point name the resolver serves.
  static std::vector<std::string> servedNames();

  // ---- What was registered --------------------------------------------
  int32_t announcedVersion() const;  // -1 when never announced
  std::vector<RegistrationEvent> registrationLog() const;
  std::vector<const ClassInfo*> classes() const;  // plug-in classes, in order
  const ClassInfo* findClass(const std::string& name) const;  // plug-in or host class
  std::vector<const ModuleInfo*> modules() const;
  std::vector<EngineInfo> engines() const;
  std::vector<CursorInfo> cursors() const;
  std::vector<DataSourceInterfaceInfo> dataSourceInterfaces() const;
  std::vector<DataSourceInfo> dataSources() const;
  std::optional<int32_t> pluginMainResult() const;
  // A person-readable report of all of the above.
  void describe(std::ostream& out) const;

  // ---- Accounting and strictness --------------------------------------
  int64_t liveStrings() const;      // host strings alive
  int64_t liveObjects() const;      // host objects alive
  int64_t liveStringData() const;   // PluginGetStringData copies not yet disposed
  // Misuse the plug-in made of entry points (null string, wrong kind of
  // object, call while detached, ...): the entry point answered its default
  // and the problem was recorded here.
  std::vector<std::string> violations() const;
  void clearViolations();

  // ---- Values the host makes --------------------------------------------
  String makeString(std::string_view bytes, Encoding encoding = Encoding::Utf8);
  // A Variant for the value: a variant object for Nil, numbers, Boolean and
  // Text; a Date object for dates and times, a MemoryBlock for bytes and the
  // object itself for objects (objects answer "Type" and the value
  // properties themselves, as the runtime's variants of object type do).
  Object makeVariant(const Value& value);
  // A variant reporting `typeCode` as its "Type" (for codes a Value cannot
  // express: Currency 6, Text 37, arrays with 0x1000, ...); its typed value
  // properties answer from `value`.
  Object makeVariantOfType(int32_t typeCode, const Value& value);
  Object makeDate(const DateTime& dt);
  Object makeMemoryBlock(const Bytes& bytes);
  Object makeIntegerArray(const std::vector<int32_t>& elements);
  // Nil elements allowed. The element getter the plug-in obtains through
  // "PluginObjectArrayGetProc" hands out a NEW reference to the element,
  // which the plug-in releases (VANTUnlockObject) or keeps as its own: a
  // value array bound into a statement is released element by element.
  Object makeVariantArray(const std::vector<Object>& elements);
  // An instance of a plug-in or host class ("DatabaseException", ...);
  // runs the plug-in constructor.
  Object createInstance(const std::string& className);

  // ---- Properties ------------------------------------------------------
  // By name, through the class records (direct at the offset, or
  // getter/setter). Throws HostError for unknown or read-only properties.
  Value getProperty(const Object& object, const std::string& name);
  void setProperty(const Object& object, const std::string& name, const Value& value);
  // Module or class constant; throws HostError when unknown.
  int64_t constant(const std::string& moduleOrClass, const std::string& name) const;

  // ---- Methods -----------------------------------------------------------
  // Calls a plug-in method by name. The overload is chosen by the argument
  // kinds; the call is refused with HostError when no declaration matches
  // the arguments and the result type R. Strings may be passed as
  // std::string / const char* (UTF-8), objects as Object or nullptr. R is
  // void, bool, int32_t, int64_t, float, double, String or Object (string
  // and object results are references the caller now owns). A plug-in
  // exception surfaces as RaisedException after the plug-in has returned.
  template <class R = void, class... A>
  R call(const Object& self, std::string_view method, A&&... args);

  // ---- Data sources and the connection dialog ------------------------
  // What VANTDBConnectionDialogShow answers next (the stored data-source
  // bytes, e.g. std::string("dsn\0user\0pw\0", 12)); empty = cancelled.
  void scriptConnectionDialog(std::string result);
  std::vector<DialogRecord> dialogs() const;
  std::vector<DesignDataSource> designDataSources() const;
  // Runs the dialog function registered under `title`.
  void runDataSourceInterface(const std::string& title);
  // Runs the opener registered for `kind` with the stored bytes.
  Object openDataSource(const std::string& kind, const std::string& data);

  // ---- Cursors -----------------------------------------------------------
  // When set, VANTdbCursorFromDBCursor and NewRowSetFromDBCursor refuse
  // (answer 0 without taking the handle).
  void refuseCursorWrap(bool refuse);

  // ---- Runtime lock --------------------------------------------------------
  // Tries to take the runtime lock on this thread within `wait`; true when
  // it was taken (and released again) or this thread holds it already.
  // Lets a test prove that another thread gave up the lock.
  bool tryRuntimeLock(std::chrono::milliseconds wait);
  int64_t detachCount() const;  // successful _UnsafeDetachCurrentThread calls

  // Used by call<>() and the wrappers in database.h.
  class CallScope {
   public:
    explicit CallScope(Host& host);
    ~CallScope();
    // Throws RaisedException when the plug-in raised one during the scope.
    void finish();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

   private:
    Host& host_;
    bool locked_ = false;
    bool enteredDetached_ = false;
  };
  const MethodInfo& resolveMethod(const Object& self, std::string_view method,
                                  const std::vector<AbiKind>& args, AbiKind result) const;
  // The runtime passes only values of a parameter's declared type: an array
  // of the element type for "values() As T" and ParamArray, an instance of
  // the class (or Nil) for a class type; anything for Variant. Throws
  // HostError for an argument the runtime would refuse (index: the
  // parameter's position; non-object arguments are null and not looked at).
  void checkObjectArguments(const MethodInfo& method, const std::vector<TavroObject>& objects) const;
  // An object result of another class than the declared one is the
  // plug-in's fault: recorded as a violation.
  void checkObjectResult(const MethodInfo& method, TavroObject result);

  HostState& state() noexcept { return *state_; }
  const HostState& state() const noexcept { return *state_; }

 private:
  std::unique_ptr<HostState> state_;
};

// Puts the process into a UTF-8 locale (C.UTF-8, else any UTF-8 locale);
// drivers convert text with the process's LC_CTYPE. Returns false when none
// could be set.
bool useUtf8Locale();

// ---------------------------------------------------------------------------
// Implementation of Host::call
// ---------------------------------------------------------------------------
namespace detail {

// A string a plug-in method returned: adopted, and recorded as misuse when
// it carries no encoding.
String adoptResultString(TavroString raw);

template <class Raw, AbiKind K>
struct PlainArg {
  static constexpr AbiKind kind = K;
  using abi = Raw;
  struct Holder {
    Raw value;
    Holder(Host&, Raw v) : value(v) {}
    Raw get() const { return value; }
  };
};

template <class T>
struct ArgTraits<T, std::enable_if_t<std::is_same_v<T, bool>>> : PlainArg<bool, AbiKind::Boolean> {};
template <class T>
struct ArgTraits<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> && sizeof(T) <= 4>>
    : PlainArg<int32_t, AbiKind::Int32> {};
template <class T>
struct ArgTraits<T, std::enable_if_t<std::is_integral_v<T> && sizeof(T) == 8>> : PlainArg<int64_t, AbiKind::Int64> {};
template <>
struct ArgTraits<float> : PlainArg<float, AbiKind::Single> {};
template <>
struct ArgTraits<double> : PlainArg<double, AbiKind::Double> {};
template <>
struct ArgTraits<TavroString> : PlainArg<TavroString, AbiKind::String> {};
template <>
struct ArgTraits<TavroObject> : PlainArg<TavroObject, AbiKind::Object> {};

template <>
struct ArgTraits<String> {
  static constexpr AbiKind kind = AbiKind::String;
  using abi = TavroString;
  struct Holder {
    TavroString value;
    Holder(Host&, const String& s) : value(s.get()) {}
    TavroString get() const { return value; }
  };
};
struct TextArg {
  static constexpr AbiKind kind = AbiKind::String;
  using abi = TavroString;
  struct Holder {
    String value;
    Holder(Host& host, std::string_view text) : value(host.makeString(text)) {}
    TavroString get() const { return value.get(); }
  };
};
template <>
struct ArgTraits<std::string> : TextArg {};
template <>
struct ArgTraits<std::string_view> : TextArg {};
template <>
struct ArgTraits<const char*> : TextArg {};
template <>
struct ArgTraits<char*> : TextArg {};
template <>
struct ArgTraits<Object> {
  static constexpr AbiKind kind = AbiKind::Object;
  using abi = TavroObject;
  struct Holder {
    TavroObject value;
    Holder(Host&, const Object& o) : value(o.get()) {}
    TavroObject get() const { return value; }
  };
};
template <>
struct ArgTraits<std::nullptr_t> : PlainArg<TavroObject, AbiKind::Object> {};

template <>
struct ResultTraits<void> {
  static constexpr AbiKind kind = AbiKind::Void;
  using abi = void;
};
template <>
struct ResultTraits<bool> {
  static constexpr AbiKind kind = AbiKind::Boolean;
  using abi = bool;
  static bool adopt(bool v) { return v; }
};
template <>
struct ResultTraits<int32_t> {
  static constexpr AbiKind kind = AbiKind::Int32;
  using abi = int32_t;
  static int32_t adopt(int32_t v) { return v; }
};
template <>
struct ResultTraits<int64_t> {
  static constexpr AbiKind kind = AbiKind::Int64;
  using abi = int64_t;
  static int64_t adopt(int64_t v) { return v; }
};
template <>
struct ResultTraits<float> {
  static constexpr AbiKind kind = AbiKind::Single;
  using abi = float;
  static float adopt(float v) { return v; }
};
template <>
struct ResultTraits<double> {
  static constexpr AbiKind kind = AbiKind::Double;
  using abi = double;
  static double adopt(double v) { return v; }
};
template <>
struct ResultTraits<String> {
  static constexpr AbiKind kind = AbiKind::String;
  using abi = TavroString;
  static String adopt(TavroString v) { return adoptResultString(v); }
};
template <>
struct ResultTraits<Object> {
  static constexpr AbiKind kind = AbiKind::Object;
  using abi = TavroObject;
  static Object adopt(TavroObject v) { return Object::adopt(v); }
};

template <class T>
using Arg = ArgTraits<std::remove_cv_t<std::decay_t<T>>>;

template <class H>
TavroObject objectArgumentOf(const H& holder) {
  if constexpr (std::is_same_v<decltype(holder.get()), TavroObject>)
    return holder.get();
  else
    return nullptr;
}

}  // namespace detail

template <class R, class... A>
R Host::call(const Object& self, std::string_view method, A&&... args) {
  using Result = detail::ResultTraits<R>;
  const MethodInfo& info = resolveMethod(self, method, {detail::Arg<A>::kind...}, Result::kind);
  std::tuple<typename detail::Arg<A>::Holder...> holders{typename detail::Arg<A>::Holder(*this, args)...};
  std::apply([&](const auto&... h) { checkObjectArguments(info, {detail::objectArgumentOf(h)...}); }, holders);
  using Fn = typename Result::abi(TAVRO_CALL*)(TavroObject, typename detail::Arg<A>::abi...);
  auto fn = reinterpret_cast<Fn>(const_cast<void*>(info.function));
  CallScope scope(*this);
  if constexpr (std::is_void_v<R>) {
    std::apply([&](auto&... h) { fn(self.get(), h.get()...); }, holders);
    scope.finish();
  } else {
    R result = std::apply([&](auto&... h) { return Result::adopt(fn(self.get(), h.get()...)); }, holders);
    if constexpr (std::is_same_v<R, Object>) checkObjectResult(info, result.get());
    scope.finish();
    return result;
  }
}

}  // namespace tavro
