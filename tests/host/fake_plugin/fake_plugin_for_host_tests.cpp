// FakePluginForHostTests: a small plug-in that exists only to exercise the
// substitute host. It registers a class with every kind of property, a
// Database subclass with an engine over an in-memory table and a cursor
// record, a module, a connection dialog and a data-source opener, and calls
// the host's string, variant, array, exception and thread services.
#include <tavro/plugin_sdk.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

TavroResolver g_resolve = nullptr;

template <class Fn>
Fn host(const char* name) {
  return reinterpret_cast<Fn>(g_resolve(name));
}

TavroString makeString(const std::string& bytes, uint32_t encoding = TAVRO_ENCODING_UTF8) {
  TavroString s = host<TavroBuildStringFn>("VANTBuildString")(bytes.data(), static_cast<int32_t>(bytes.size()));
  host<TavroSetStringEncodingFn>("VANTSetStringEncoding")(s, encoding);
  return s;
}

std::string bytesOf(TavroString s, uint32_t encoding) {
  TavroStringData d{};
  if (!host<TavroGetStringDataFn>("PluginGetStringData")(s, encoding, &d)) return "<no data>";
  std::string out(d.data ? d.data : "", d.length);
  host<TavroDisposeStringDataFn>("PluginDisposeStringData")(&d);
  return out;
}

std::atomic<int> g_destructorCalls{0};
std::atomic<int> g_cursorDestroys{0};
std::atomic<bool> g_released{false};

// ---- FakeCounter ------------------------------------------------------------

struct CounterData {
  int32_t count;
  TavroString label;
  bool flag;
  double ratio;
};

TavroClassRecord g_counterClass;
TavroClassRecord g_databaseClass;

CounterData* dataOf(TavroObject self, const TavroClassRecord& cls) {
  return reinterpret_cast<CounterData*>(reinterpret_cast<char*>(self) + cls.dataOffset);
}

void TAVRO_CALL counterConstructor(TavroObject self) {
  CounterData* d = dataOf(self, g_counterClass);
  d->count = 7;
  d->flag = true;
  d->ratio = 0.5;
}
void TAVRO_CALL counterDestructor(TavroObject) { ++g_destructorCalls; }

double TAVRO_CALL getRatio(TavroObject self) { return dataOf(self, g_counterClass)->ratio; }
void TAVRO_CALL setRatio(TavroObject self, double v) { dataOf(self, g_counterClass)->ratio = v; }

int32_t TAVRO_CALL add(TavroObject self, int32_t amount) { return dataOf(self, g_counterClass)->count += amount; }

TavroString TAVRO_CALL utf16Of(TavroObject, TavroString s) {
  return makeString(bytesOf(s, TAVRO_ENCODING_UTF16), TAVRO_ENCODING_UTF16);
}
TavroString TAVRO_CALL latin1Of(TavroObject, TavroString s) {
  return makeString(bytesOf(s, TAVRO_ENCODING_WINLATIN1), TAVRO_ENCODING_WINLATIN1);
}

int32_t TAVRO_CALL lenOf(TavroObject, TavroString s) {
  auto lenB = reinterpret_cast<TavroLenBFn>(
      host<TavroLoadGlobalMethodFn>("VANTLoadGlobalMethod")(nullptr, "LenB( s as string ) as integer"));
  return lenB ? lenB(s) : -1;
}

void TAVRO_CALL fail(TavroObject, int32_t code) {
  TavroClass cls = host<TavroObjectTypeFn>("pluginObjectType")("DatabaseException");
  TavroObject ex = host<TavroCreateInstanceFn>("CreateInstance")(cls);
  TavroString message = makeString("fake failure");
  host<TavroSetPropStringFn>("VANTSetPropValueString")(ex, "Message", message);
  host<TavroSetPropIntegerFn>("VANTSetPropValueInteger")(ex, "ErrorNumber", code);
  host<TavroUnlockStringFn>("VANTUnlockString")(message);
  host<TavroRaiseExceptionFn>("RuntimeRaiseException")(ex);  // the host takes over this reference
}

int32_t TAVRO_CALL sumIntegers(TavroObject, TavroArray values) {
  const int32_t ubound = host<TavroUBoundFn>("RuntimeUBound")(values);
  auto getter = reinterpret_cast<TavroIntegerElementGetter>(
      host<TavroIntegerArrayGetProcFn>("PluginIntegerArrayGetProc")(values));
  if (!getter) return -1;
  int32_t sum = 0;
  for (int32_t i = 0; i <= ubound; ++i) sum += getter(values, i);
  return sum;
}

// "type:value" per element, joined with "|"; the value read through the
// property that matches the variant's type.
TavroString TAVRO_CALL describeVariants(TavroObject, TavroArray values) {
  const int32_t ubound = host<TavroUBoundFn>("RuntimeUBound")(values);
  auto getter = reinterpret_cast<TavroObjectElementGetter>(
      host<TavroObjectArrayGetProcFn>("PluginObjectArrayGetProc")(values));
  auto getInt = host<TavroGetPropIntegerFn>("VANTGetPropValueInteger");
  std::string out;
  for (int32_t i = 0; i <= ubound; ++i) {
    TavroObject v = getter(values, i);
    if (i) out += "|";
    if (!v) {
      out += "nil";
      continue;
    }
    int32_t type = -1;
    getInt(v, "Type", &type);
    out += std::to_string(type) + ":";
    if (type == TAVRO_VARIANT_INTEGER) {
      int32_t n = 0;
      getInt(v, "IntegerValue", &n);
      out += std::to_string(n);
    } else if (type == TAVRO_VARIANT_DOUBLE) {
      double d = 0;
      host<TavroGetPropDoubleFn>("VANTGetPropValueDouble")(v, "DoubleValue", &d);
      out += std::to_string(d);
    } else if (type == TAVRO_VARIANT_STRING) {
      TavroString s = nullptr;
      host<TavroGetPropStringFn>("VANTGetPropValueString")(v, "StringValue", &s);
      out += bytesOf(s, TAVRO_ENCODING_UTF8);
      host<TavroUnlockStringFn>("VANTUnlockString")(s);
    } else if (type == TAVRO_VARIANT_DATE) {
      TavroObject date = nullptr;
      host<TavroGetPropObjectFn>("VANTGetPropValueObject")(v, "DateValue", &date);
      int32_t y = 0, m = 0, d = 0;
      getInt(date, "Year", &y);
      getInt(date, "Month", &m);
      getInt(date, "Day", &d);
      out += std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
      host<TavroUnlockObjectFn>("VANTUnlockObject")(date);
    } else if (type == TAVRO_VARIANT_OBJECT) {
      static TavroClass memoryBlock = host<TavroObjectTypeFn>("pluginObjectType")("MemoryBlock");
      const bool isBlock = host<TavroObjectIsaFn>("RuntimeObjectIsa")(v, memoryBlock);
      TavroString s = nullptr;
      host<TavroGetPropStringFn>("VANTGetPropValueString")(v, "StringValue", &s);
      out += std::string(isBlock ? "block " : "object ") + bytesOf(s, 0);
      host<TavroUnlockStringFn>("VANTUnlockString")(s);
    }
    host<TavroUnlockObjectFn>("VANTUnlockObject")(v);
  }
  return makeString(out);
}

// Gives up the runtime until another thread calls Release (or 5 s pass).
bool TAVRO_CALL waitDetached(TavroObject) {
  g_released = false;
  void* token = host<TavroDetachThreadFn>("_UnsafeDetachCurrentThread")();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!g_released && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  host<TavroAttachThreadFn>("_UnsafeAttachCurrentThread")(token);
  return g_released;
}
void TAVRO_CALL release(TavroObject) { g_released = true; }

// Detaches and returns without attaching again.
void TAVRO_CALL forgetToAttach(TavroObject) { host<TavroDetachThreadFn>("_UnsafeDetachCurrentThread")(); }

// Reads a string's length while detached: a mistake the host must catch.
int32_t TAVRO_CALL lenWhileDetached(TavroObject, TavroString s) {
  void* token = host<TavroDetachThreadFn>("_UnsafeDetachCurrentThread")();
  const int32_t n = host<TavroLockStringFn>("VANTLockString")(s);
  host<TavroAttachThreadFn>("_UnsafeAttachCurrentThread")(token);
  return n;
}

// Misuse on purpose: the host must answer defaults and record it.
void TAVRO_CALL misuse(TavroObject) {
  host<TavroSetStringEncodingFn>("VANTSetStringEncoding")(nullptr, TAVRO_ENCODING_UTF8);
  TavroString notAnArray = makeString("not an array");
  host<TavroUBoundFn>("RuntimeUBound")(reinterpret_cast<TavroObject>(notAnArray));
  host<TavroUnlockStringFn>("VANTUnlockString")(notAnArray);
  host<TavroAttachThreadFn>("_UnsafeAttachCurrentThread")(nullptr);
}

// Text without an encoding, and null strings where text is needed: the host
// must answer defaults and record each.
TavroString TAVRO_CALL rawString(TavroObject) {
  return host<TavroBuildStringFn>("VANTBuildString")("raw", 3);
}
int32_t TAVRO_CALL nullStrings(TavroObject) {
  int32_t answers = 0;
  answers += host<TavroStringGetCStringFn>("StringGetCString")(nullptr) != nullptr;
  answers += host<TavroGetStringEncodingFn>("VANTGetStringEncoding")(nullptr) != 0;
  TavroStringData data{};
  answers += host<TavroGetStringDataFn>("PluginGetStringData")(nullptr, TAVRO_ENCODING_UTF8, &data);
  TavroString raw = host<TavroBuildStringFn>("VANTBuildString")("raw", 3);
  answers += host<TavroGetStringDataFn>("PluginGetStringData")(raw, TAVRO_ENCODING_UTF8, &data);
  host<TavroUnlockStringFn>("VANTUnlockString")(raw);
  return answers;
}

// Calls entry points of every family with the runtime given up: each must
// answer its default. Answers that are not defaults are released again and
// counted.
int32_t TAVRO_CALL callWhileDetached(TavroObject self) {
  TavroClass exceptionClass = host<TavroObjectTypeFn>("pluginObjectType")("DatabaseException");
  void* token = host<TavroDetachThreadFn>("_UnsafeDetachCurrentThread")();
  int32_t answered = 0;
  if (TavroString s = host<TavroBuildStringFn>("VANTBuildString")("x", 1)) {
    ++answered;
    host<TavroUnlockStringFn>("VANTUnlockString")(s);
  }
  if (TavroObject v = host<TavroIntegerToVariantFn>("IntegerToVariant")(1)) {
    ++answered;
    host<TavroUnlockObjectFn>("VANTUnlockObject")(v);
  }
  if (TavroObject e = host<TavroCreateInstanceFn>("CreateInstance")(exceptionClass)) {
    ++answered;
    host<TavroUnlockObjectFn>("VANTUnlockObject")(e);
  }
  answered += host<TavroObjectTypeFn>("pluginObjectType")("MemoryBlock") != nullptr;
  if (TavroDialog d = host<TavroDialogCreateFn>("VANTDBConnectionDialogCreate")()) {
    ++answered;
    host<TavroDialogDeleteFn>("VANTDBConnectionDialogDelete")(d);
  }
  host<TavroDesignAddDataSourceFn>("DesignAddDataSource")("Detached", "FAKE", "x", 1);
  host<TavroLockObjectFn>("VANTLockObject")(self);
  host<TavroAttachThreadFn>("_UnsafeAttachCurrentThread")(token);
  return answered;
}

// Sets properties by name that the target does not have, or with values of
// another type; answers how many setters said yes.
int32_t TAVRO_CALL setBadProperties(TavroObject, TavroObject target) {
  auto setInteger = host<TavroSetPropIntegerFn>("VANTSetPropValueInteger");
  TavroString text = makeString("text");
  int32_t accepted = 0;
  accepted += setInteger(target, "Label", 5);     // a String property
  accepted += setInteger(target, "NoSuchProperty", 1);
  accepted += host<TavroSetPropStringFn>("VANTSetPropValueString")(target, "Count", text);  // an Integer
  host<TavroUnlockStringFn>("VANTUnlockString")(text);
  return accepted;
}

// Whether PluginGetStringData copies the string in the given encoding.
bool TAVRO_CALL hasDataIn(TavroObject, TavroString s, int32_t encoding) {
  TavroStringData d{};
  if (!host<TavroGetStringDataFn>("PluginGetStringData")(s, static_cast<uint32_t>(encoding), &d)) return false;
  host<TavroDisposeStringDataFn>("PluginDisposeStringData")(&d);
  return true;
}

// The named property read through the 32-bit Integer getter; -999 when the
// getter said no.
int32_t TAVRO_CALL readInteger(TavroObject, TavroObject target, TavroString name) {
  int32_t n = 0;
  const char* text = host<TavroStringGetCStringFn>("StringGetCString")(name);
  return host<TavroGetPropIntegerFn>("VANTGetPropValueInteger")(target, text, &n) ? n : -999;
}

TavroObject TAVRO_CALL boxInteger(TavroObject, int32_t n) {
  return host<TavroIntegerToVariantFn>("IntegerToVariant")(n);
}
TavroObject TAVRO_CALL boxString(TavroObject, TavroString s) {
  return host<TavroStringToVariantFn>("StringToVariant")(s);
}
TavroObject TAVRO_CALL newCounter(TavroObject) {
  return host<TavroNewInstanceOfClassFn>("PluginNewInstanceOfClass")(&g_counterClass);
}

int32_t TAVRO_CALL destructorCalls(TavroObject) { return g_destructorCalls; }
int32_t TAVRO_CALL cursorDestroys(TavroObject) { return g_cursorDestroys; }

TavroAttribute g_deprecatedAdd[] = {{"Deprecated", "\"Add\""}};

TavroMethodEntry g_counterMethods[] = {
    {reinterpret_cast<void*>(&add), 0, "Add(amount as Integer) as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&add), 0, "Increment(amount As Integer) As Integer", 4, 1, g_deprecatedAdd},
    {reinterpret_cast<void*>(&utf16Of), 0, "Utf16Of(s as String) as String", 4, 0, nullptr},
    {reinterpret_cast<void*>(&latin1Of), 0, "Latin1Of(s as String) as String", 4, 0, nullptr},
    {reinterpret_cast<void*>(&lenOf), 0, "LenOf(s as String) as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&fail), 0, "Fail(code as Integer)", 4, 0, nullptr},
    {reinterpret_cast<void*>(&sumIntegers), 0, "Sum(values() As Integer) as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&describeVariants), 0, "Describe(values() As Variant) as String", 4, 0, nullptr},
    {reinterpret_cast<void*>(&waitDetached), 0, "WaitDetached() as Boolean", 4, 0, nullptr},
    {reinterpret_cast<void*>(&release), 0, "Release()", 4, 0, nullptr},
    {reinterpret_cast<void*>(&forgetToAttach), 0, "ForgetToAttach()", 4, 0, nullptr},
    {reinterpret_cast<void*>(&lenWhileDetached), 0, "LockWhileDetached(s as String) as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&misuse), 0, "Misuse()", 4, 0, nullptr},
    {reinterpret_cast<void*>(&rawString), 0, "RawString() as String", 4, 0, nullptr},
    {reinterpret_cast<void*>(&nullStrings), 0, "NullStrings() as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&boxInteger), 0, "Box(n as Integer) as Variant", 4, 0, nullptr},
    {reinterpret_cast<void*>(&boxString), 0, "Box(s as String) as Variant", 4, 0, nullptr},
    {reinterpret_cast<void*>(&newCounter), 0, "NewCounter() as FakeCounter", 4, 0, nullptr},
    {reinterpret_cast<void*>(&destructorCalls), 0, "DestructorCalls() as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&cursorDestroys), 0, "CursorDestroys() as Integer", 4, 0, nullptr},
    {nullptr, 0, "Constructor", 0x84, 0, nullptr},
    {reinterpret_cast<void*>(&callWhileDetached), 0, "CallWhileDetached() as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&setBadProperties), 0, "SetBadProperties(target as FakeCounter) as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&hasDataIn), 0, "HasDataIn(s as String, encoding as Integer) as Boolean", 4, 0, nullptr},
    {reinterpret_cast<void*>(&readInteger), 0, "ReadInteger(target as Variant, name as String) as Integer", 4, 0, nullptr},
    // Declared to give a FakeCounter, gives a Variant: a plug-in fault.
    {reinterpret_cast<void*>(&boxInteger), 0, "WrongCounter(n as Integer) as FakeCounter", 4, 0, nullptr},
};

TavroPropertyEntry g_counterProperties[] = {
    {0, "Count", "Integer", 4, TAVRO_DIRECT_ACCESS, TAVRO_DIRECT_ACCESS, offsetof(CounterData, count), 0, 0, 0, 0, nullptr},
    {0, "Label", "String", 4, TAVRO_DIRECT_ACCESS, TAVRO_DIRECT_ACCESS, offsetof(CounterData, label), 0, 0, 0, 0, nullptr},
    {0, "Flag", "Boolean", 4, TAVRO_DIRECT_ACCESS, nullptr, offsetof(CounterData, flag), 0, 0, 0, 0, nullptr},
    {0, "Ratio", "Double", 4, reinterpret_cast<void*>(&getRatio), reinterpret_cast<void*>(&setRatio), 0, 0, 0, 0, 0,
     nullptr},
};

TavroConstantEntry g_counterConstants[] = {{"START = 7", 0, 4, 0, 0}};

// ---- FakeDatabase: an engine over an in-memory table -------------------------

struct FakeDb {
  int32_t lastError;
  int32_t executed;
};

struct FakeCursor {
  int row = -1;  // before the first row
};

constexpr int kRows = 3;
constexpr int kColumns = 7;
const char* const kNames[kColumns] = {"id", "name", "born", "score", "data", "at", "missing"};
const int32_t kTypes[kColumns] = {3, 5, 8, 7, 14, 10, 3};

TavroString g_valueSlot = nullptr;  // the process-wide string slot, as a cursor keeps it
int32_t g_intValue;
double g_doubleValue;
unsigned char g_dateValue[16];
unsigned char g_blob[3];
unsigned char g_nullValue[4];

void TAVRO_CALL cursorDestroy(TavroCursorHandle* h) {
  ++g_cursorDestroys;
  delete static_cast<FakeCursor*>(h->cursor);
  delete h;
}
int32_t TAVRO_CALL cursorColumnCount(TavroCursorHandle* h) { return h->cursor ? kColumns : 0; }
int32_t TAVRO_CALL cursorRecordCount(TavroCursorHandle* h) { return h->cursor ? kRows : 0; }
TavroString TAVRO_CALL cursorColumnName(TavroCursorHandle*, int32_t column) {
  if (column < 0 || column >= kColumns) return nullptr;
  return makeString(kNames[column]);
}
int32_t TAVRO_CALL cursorColumnType(TavroCursorHandle*, int32_t column) {
  return column >= 0 && column < kColumns ? kTypes[column] : 255;
}
bool TAVRO_CALL cursorNext(TavroCursorHandle* h) {
  auto* c = static_cast<FakeCursor*>(h->cursor);
  if (!c || c->row >= kRows) return false;
  return ++c->row < kRows;
}
void TAVRO_CALL cursorFirst(TavroCursorHandle* h) { static_cast<FakeCursor*>(h->cursor)->row = 0; }
void TAVRO_CALL cursorLast(TavroCursorHandle* h) { static_cast<FakeCursor*>(h->cursor)->row = kRows - 1; }
void TAVRO_CALL cursorPrevious(TavroCursorHandle* h) {
  auto* c = static_cast<FakeCursor*>(h->cursor);
  if (c->row > 0) --c->row;
}

void putBigEndian(unsigned char* p, int v) {
  p[0] = static_cast<unsigned char>(v >> 8);
  p[1] = static_cast<unsigned char>(v & 0xFF);
}

void TAVRO_CALL cursorColumnValue(TavroCursorHandle* h, int32_t column, void** value, uint8_t* type, int32_t* length) {
  auto* c = static_cast<FakeCursor*>(h->cursor);
  *value = nullptr;
  *type = 0;
  *length = 0;
  if (column >= 90) {  // malformed answers the host must refuse
    static int32_t integer = 5;
    static unsigned char dirtyNull[4] = {1, 0, 0, 0};
    static TavroString nullSlot = nullptr;
    static char invalidText[] = "a\xC3(b";
    switch (column) {
      case 90: *type = 3, *length = 4; break;                              // no bytes
      case 91: *value = &integer, *type = 3, *length = 2; break;           // short integer
      case 92: *value = &g_valueSlot, *type = 18, *length = 8; break;      // slot of the wrong length
      case 93: *value = &nullSlot, *type = 18, *length = 4; break;         // slot holding no string
      case 94: *value = dirtyNull, *type = 0, *length = 0; break;          // NULL with bytes
      case 95: *type = 5, *length = 0; break;                              // empty text, no pointer
      case 96: *type = 16, *length = 0; break;                             // empty long binary, no pointer
      case 97:                                                             // a string without an encoding
        host<TavroUnlockStringFn>("VANTUnlockString")(g_valueSlot);
        g_valueSlot = host<TavroBuildStringFn>("VANTBuildString")("raw", 3);
        *value = &g_valueSlot, *type = 18, *length = 4;
        break;
      case 98: *value = &integer, *type = 77, *length = 4; break;          // no such type
      case 99:                                                             // a UTF-8 string that is not UTF-8
        host<TavroUnlockStringFn>("VANTUnlockString")(g_valueSlot);
        g_valueSlot = makeString("Zo\xEB");
        *value = &g_valueSlot, *type = 18, *length = 4;
        break;
      case 100:                                                            // UTF-16 of an odd byte count
        host<TavroUnlockStringFn>("VANTUnlockString")(g_valueSlot);
        g_valueSlot = makeString(std::string("A\0B", 3), TAVRO_ENCODING_UTF16);
        *value = &g_valueSlot, *type = 18, *length = 4;
        break;
      default: *value = invalidText, *type = 5, *length = 4; break;        // text bytes that are not UTF-8
    }
    return;
  }
  if (!c || c->row < 0 || c->row >= kRows || column < 0 || column >= kColumns) return;
  const int row = c->row;
  switch (column) {
    case 0:
      g_intValue = 100 + row;
      *value = &g_intValue;
      *type = 3;
      *length = 4;
      break;
    case 1: {
      static const char* const names[kRows] = {"Ann", "Zoë", ""};
      host<TavroUnlockStringFn>("VANTUnlockString")(g_valueSlot);
      g_valueSlot = makeString(names[row]);
      *value = &g_valueSlot;
      *type = 18;
      *length = 4;
      break;
    }
    case 2:
      putBigEndian(g_dateValue, 2021);
      putBigEndian(g_dateValue + 2, 3);
      putBigEndian(g_dateValue + 4, 4 + row);
      *value = g_dateValue;
      *type = 8;
      *length = 6;
      break;
    case 3:
      g_doubleValue = 1.5 * row;
      *value = &g_doubleValue;
      *type = 7;
      *length = 8;
      break;
    case 4:
      g_blob[0] = 0xDE;
      g_blob[1] = 0xAD;
      g_blob[2] = static_cast<unsigned char>(row);
      *value = g_blob;
      *type = 14;
      *length = 3;
      break;
    case 5: {
      const int fields[6] = {2020, 12, 31, 23, 59, 58};
      for (int i = 0; i < 6; ++i) putBigEndian(g_dateValue + 2 * i, fields[i]);
      const uint32_t fraction = 123456;
      std::memcpy(g_dateValue + 12, &fraction, 4);
      *value = g_dateValue;
      *type = 10;
      *length = 16;
      break;
    }
    default:
      std::memset(g_nullValue, 0, sizeof g_nullValue);
      *value = g_nullValue;  // NULL: type 0, length 0
      break;
  }
}

TavroCursorRecord g_cursorRecord = {2, 0, &cursorDestroy, &cursorColumnCount, &cursorColumnName, &cursorRecordCount,
                                    &cursorColumnValue, 0, &cursorNext, nullptr, {0, 0}, nullptr, nullptr,
                                    &cursorPrevious, &cursorFirst, &cursorLast, &cursorColumnType, {0, 0, 0}};

FakeDb* dbOf(TavroDatabase db) { return static_cast<FakeDb*>(db); }

TavroObject TAVRO_CALL engineSelect(TavroDatabase db, TavroString sql) {
  dbOf(db)->lastError = 0;
  if (bytesOf(sql, TAVRO_ENCODING_UTF8) != "SELECT * FROM t") {
    dbOf(db)->lastError = 42;
    return nullptr;
  }
  auto* handle = new TavroCursorHandle{new FakeCursor, 0};
  TavroObject rs = host<TavroCursorToObjectFn>("VANTdbCursorFromDBCursor")(handle, &g_cursorRecord);
  if (!rs) cursorDestroy(handle);  // refused: the handle is still ours
  return rs;
}
// Word 9: the same table as a RowSet.
TavroObject TAVRO_CALL engineSelectRows(TavroDatabase db, TavroString, TavroArray) {
  dbOf(db)->lastError = 0;
  auto* handle = new TavroCursorHandle{new FakeCursor, 0};
  TavroObject rows = host<TavroCursorToObjectFn>("NewRowSetFromDBCursor")(handle, &g_cursorRecord);
  if (!rows) cursorDestroy(handle);
  return rows;
}
void TAVRO_CALL engineExecute(TavroDatabase db, TavroString sql) {
  dbOf(db)->lastError = bytesOf(sql, TAVRO_ENCODING_UTF8) == "fail" ? 42 : 0;
  ++dbOf(db)->executed;
}
int32_t TAVRO_CALL engineLastErrorCode(TavroDatabase db) { return dbOf(db)->lastError; }
TavroString TAVRO_CALL engineLastErrorString(TavroDatabase db) {
  return makeString(dbOf(db)->lastError ? "fake error" : "");
}
const int32_t kCodes[3] = {3, 5, 7};
void TAVRO_CALL engineColumnTypes(const int32_t** codes, const char** names, int32_t* bytes) {
  *codes = kCodes;
  *names = "integer,text,double";
  *bytes = sizeof kCodes;
}
void TAVRO_CALL engineClose(TavroDatabase db) { dbOf(db)->lastError = 0; }

TavroEngineRecord g_engine = {2, 0x400, &engineClose, nullptr, nullptr, &engineSelect, &engineExecute, 0, nullptr,
                              &engineSelectRows, {0, 0}, nullptr, &engineLastErrorCode, &engineLastErrorString, nullptr, nullptr,
                              0, &engineColumnTypes, {0, 0, 0, 0, 0, 0}, nullptr, nullptr, 0};

void TAVRO_CALL databaseConstructor(TavroObject self) {
  auto* db = reinterpret_cast<FakeDb*>(reinterpret_cast<char*>(self) + g_databaseClass.dataOffset);
  host<TavroConstructDBDatabaseFn>("VANTConstructDBDatabase")(self, db, &g_engine);
}

int32_t TAVRO_CALL executedCount(TavroObject self) {
  auto* db = static_cast<FakeDb*>(host<TavroDBFromDatabaseFn>("VANTGetDBFromVANTdbDatabase")(self));
  return db ? db->executed : -1;
}

// What the host would have accepted twice stays here, never released: the
// second owner would free what the first still uses.
TavroObject g_secondOwners[4];
int g_secondOwnerCount = 0;

void keepSecondOwner(TavroObject o) {
  if (o && g_secondOwnerCount < 4) g_secondOwners[g_secondOwnerCount++] = o;
}

// Hands one cursor handle over twice; answers how many hand-overs the host took.
int32_t TAVRO_CALL handCursorOverTwice(TavroObject) {
  auto* handle = new TavroCursorHandle{new FakeCursor, 0};
  TavroObject first = host<TavroCursorToObjectFn>("VANTdbCursorFromDBCursor")(handle, &g_cursorRecord);
  TavroObject second = host<TavroCursorToObjectFn>("NewRowSetFromDBCursor")(handle, &g_cursorRecord);
  keepSecondOwner(second);
  if (first) host<TavroUnlockObjectFn>("VANTUnlockObject")(first);
  else cursorDestroy(handle);
  return (first != nullptr) + (second != nullptr);
}

// Hands this instance's own database record to the host again, as a
// stand-alone database and bound to a new host Database instance; answers
// how many the host took.
int32_t TAVRO_CALL handRecordOverAgain(TavroObject self) {
  TavroDatabase own = host<TavroDBFromDatabaseFn>("VANTGetDBFromVANTdbDatabase")(self);
  TavroObject wrapped = host<TavroDatabaseFromDBFn>("VANTdbDatabaseFromDBDatabase")(own, &g_engine);
  keepSecondOwner(wrapped);
  TavroClass databaseClass = host<TavroObjectTypeFn>("pluginObjectType")("Database");
  TavroObject other = host<TavroCreateInstanceFn>("CreateInstance")(databaseClass);
  const int32_t bound = host<TavroConstructDBDatabaseFn>("VANTConstructDBDatabase")(other, own, &g_engine);
  if (bound) keepSecondOwner(other);
  else host<TavroUnlockObjectFn>("VANTUnlockObject")(other);
  return (wrapped != nullptr) + bound;
}

TavroMethodEntry g_databaseMethods[] = {
    {reinterpret_cast<void*>(&executedCount), 0, "ExecutedCount() as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&handCursorOverTwice), 0, "HandCursorOverTwice() as Integer", 4, 0, nullptr},
    {reinterpret_cast<void*>(&handRecordOverAgain), 0, "HandRecordOverAgain() as Integer", 4, 0, nullptr},
};

// ---- Dialog and data source ------------------------------------------------

FakeDb g_standalone;

void TAVRO_CALL connectionDialog() {
  TavroDialog dialog = host<TavroDialogCreateFn>("VANTDBConnectionDialogCreate")();
  TavroString label = makeString("Name:");
  host<TavroDialogAddFieldFn>("VANTDBConnectionDialogAddField")(dialog, label, 0, 0);
  host<TavroUnlockStringFn>("VANTUnlockString")(label);
  TavroString title = makeString("Fake");
  TavroString result = host<TavroDialogShowFn>("VANTDBConnectionDialogShow")(dialog, title);
  host<TavroUnlockStringFn>("VANTUnlockString")(title);
  host<TavroDialogDeleteFn>("VANTDBConnectionDialogDelete")(dialog);
  const std::string bytes = bytesOf(result, 0);
  if (!bytes.empty())
    host<TavroDesignAddDataSourceFn>("DesignAddDataSource")("FakeSource", "FAKE", bytes.data(),
                                                            static_cast<int32_t>(bytes.size()));
  host<TavroUnlockStringFn>("VANTUnlockString")(result);
}

TavroObject TAVRO_CALL openDataSource(const char* stored) {
  g_standalone.executed = static_cast<int32_t>(std::strlen(stored));
  return host<TavroDatabaseFromDBFn>("VANTdbDatabaseFromDBDatabase")(&g_standalone, &g_engine);
}

TavroConstantEntry g_moduleConstants[] = {{"ANSWER = 42", 0, 0, 0, 0}, {"NEGATIVE   =  -7", 0, 0, 0, 0}};
TavroModuleRecord g_module = {13, "FakeConstants", {0, 0}, g_moduleConstants, 2, {}};

}  // namespace

extern "C" TAVRO_EXPORT int32_t TAVRO_CALL VANTPluginMain(TavroResolver resolver) {
  g_resolve = resolver;
  host<TavroRegisterPluginVersionFn>("RegisterPluginVersion")(TAVRO_HOST_VERSION);

  host<TavroRegisterDBCursorFn>("PluginRegisterDBCursor")(&g_cursorRecord);
  host<TavroRegisterDBEngineFn>("PluginRegisterDBEngine")(&g_engine);

  g_counterClass = TavroClassRecord{};
  g_counterClass.version = TAVRO_HOST_VERSION;
  g_counterClass.name = "FakeCounter";
  g_counterClass.dataSize = sizeof(CounterData);
  g_counterClass.constructor = reinterpret_cast<void*>(&counterConstructor);
  g_counterClass.destructor = reinterpret_cast<void*>(&counterDestructor);
  g_counterClass.properties = g_counterProperties;
  g_counterClass.propertyCount = sizeof g_counterProperties / sizeof g_counterProperties[0];
  g_counterClass.methods = g_counterMethods;
  g_counterClass.methodCount = sizeof g_counterMethods / sizeof g_counterMethods[0];
  g_counterClass.constants = g_counterConstants;
  g_counterClass.constantCount = 1;
  g_counterClass.flags |= TAVRO_FLAG_ENTRY;
  host<TavroRegisterClassFn>("PluginRegisterClass")(&g_counterClass);

  g_databaseClass = TavroClassRecord{};
  g_databaseClass.version = TAVRO_HOST_VERSION;
  g_databaseClass.name = "FakeDatabase";
  g_databaseClass.superclass = "Database";
  g_databaseClass.dataSize = sizeof(FakeDb);
  g_databaseClass.constructor = reinterpret_cast<void*>(&databaseConstructor);
  g_databaseClass.methods = g_databaseMethods;
  g_databaseClass.methodCount = sizeof g_databaseMethods / sizeof g_databaseMethods[0];
  g_databaseClass.flags |= TAVRO_FLAG_ENTRY;
  host<TavroRegisterClassFn>("PluginRegisterClass")(&g_databaseClass);

  host<TavroRegisterModuleFn>("PluginRegisterModule")(&g_module);
  host<TavroRegisterDataSourceInterfaceFn>("RegisterDataSourceInterface")("Fake dialog...", &connectionDialog);
  auto registerDataSource = host<TavroRegisterDataSourceFn>("RegisterDataSource");
  return registerDataSource ? registerDataSource("FAKE", &openDataSource) : 0;
}
