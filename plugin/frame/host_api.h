// Wrappers for the host entry points the plug-in calls.
//
// The plug-in imports nothing from the host at link time. Each wrapper binds
// its entry point by name through the resolver the host handed to
// VANTPluginMain on first use, keeps the address in its own slot for the rest
// of the process, and forwards its arguments unchanged. When the host lacks a
// name the wrapper returns the default noted beside it (0, null, false or
// nothing) and asks again on the next call: a missing entry point is never an
// error. Boolean results are normalised to true/false.
#ifndef SQELTO_FRAME_HOST_API_H
#define SQELTO_FRAME_HOST_API_H

#include <cstdint>

#include <tavro/plugin_sdk.h>

#include "host_binding.h"

namespace sqelto::host {

// Slots of the wrappers a cursor calls for every text value it hands over,
// and of those a prepared statement calls for every parameter of every run;
// those wrappers are inline so the value path pays a slot read and one call.
namespace hot {
extern EntryPointSlot g_buildString;
extern EntryPointSlot g_setStringEncoding;
extern EntryPointSlot g_unlockString;
extern EntryPointSlot g_lockObject;
extern EntryPointSlot g_unlockObject;
extern EntryPointSlot g_getPropInteger;
extern EntryPointSlot g_getPropInt64;
extern EntryPointSlot g_getPropSingle;
extern EntryPointSlot g_getPropDouble;
extern EntryPointSlot g_getPropString;
extern EntryPointSlot g_getPropObject;
}  // namespace hot

// Registration ("PluginRegisterDBCursor", "PluginRegisterDBEngine",
// "PluginRegisterClass", "PluginRegisterModule"); default: nothing.
void RegisterDBCursor(TavroCursorRecord *record);
void RegisterDBEngine(TavroEngineRecord *record);
void RegisterClass(TavroClassRecord *record);
void RegisterModule(TavroModuleRecord *record);

// "RegisterDataSourceInterface"; default: nothing.
void RegisterDataSourceInterface(const char *title, TavroConnectionDialogFn dialog);
// "RegisterDataSource"; default: 0.
int32_t RegisterDataSource(const char *kind, TavroDataSourceOpenerFn opener);
// "DesignAddDataSource"; default: nothing.
void DesignAddDataSource(const char *identifier, const char *kind, const void *data, int32_t length);

// The host's connection dialog ("VANTDBConnectionDialogCreate", "...AddField",
// "...Show", "...Delete"); defaults: null, nothing, null, nothing.
TavroDialog DBConnectionDialogCreate();
void DBConnectionDialogAddField(TavroDialog dialog, TavroString label, int32_t reserved, int32_t isPassword);
TavroString DBConnectionDialogShow(TavroDialog dialog, TavroString title);
void DBConnectionDialogDelete(TavroDialog dialog);

// Database objects.
// "VANTConstructDBDatabase"; default: 0.
int32_t ConstructDBDatabase(TavroObject instance, TavroDatabase db, TavroEngineRecord *engine);
// "VANTdbDatabaseFromDBDatabase"; default: null.
TavroObject DatabaseFromDBDatabase(TavroDatabase db, TavroEngineRecord *engine);
// "VANTGetDBFromVANTdbDatabase"; default: null.
TavroDatabase GetDBFromDatabase(TavroObject database);
// "VANTGetDBHost", "VANTGetDBUserName", "VANTGetDBPassword",
// "VANTGetDBDatabaseName"; default: null. The caller owns the reference.
TavroString GetDBHost(TavroObject database);
TavroString GetDBUserName(TavroObject database);
TavroString GetDBPassword(TavroObject database);
TavroString GetDBDatabaseName(TavroObject database);
// "VANTSetDBIsConnected"; default: nothing.
void SetDBIsConnected(TavroObject database, bool connected);
// "VANTdbCursorFromDBCursor" (a RecordSet), "NewRowSetFromDBCursor" (a
// RowSet); default: null.
TavroObject CursorFromDBCursor(TavroCursorHandle *handle, TavroCursorRecord *record);
TavroObject NewRowSetFromDBCursor(TavroCursorHandle *handle, TavroCursorRecord *record);

// Strings.
// "VANTBuildString"; default: null. The caller owns the new reference.
inline TavroString BuildString(const void *bytes, int32_t length) {
  auto fn = BoundSlot<TavroBuildStringFn>(hot::g_buildString);
  return fn != nullptr ? fn(bytes, length) : nullptr;
}
// "VANTSetStringEncoding"; default: nothing.
inline void SetStringEncoding(TavroString s, uint32_t encoding) {
  if (auto fn = BoundSlot<TavroSetStringEncodingFn>(hot::g_setStringEncoding)) fn(s, encoding);
}
// "VANTGetStringEncoding"; default: 0.
uint32_t GetStringEncoding(TavroString s);
// "StringGetCString"; default: null. Borrowed bytes.
const char *StringGetCString(TavroString s);
// "PluginGetStringData"; default: false (out untouched).
bool GetStringData(TavroString s, uint32_t encoding, TavroStringData *out);
// "PluginDisposeStringData"; default: nothing.
void DisposeStringData(TavroStringData *data);
// "VANTLockString", "VANTUnlockString"; default: 0.
int32_t LockString(TavroString s);
inline int32_t UnlockString(TavroString s) {
  auto fn = BoundSlot<TavroUnlockStringFn>(hot::g_unlockString);
  return fn != nullptr ? fn(s) : 0;
}

// Objects and classes.
// "VANTLockObject", "VANTUnlockObject"; default: nothing.
inline void LockObject(TavroObject o) {
  if (auto fn = BoundSlot<TavroLockObjectFn>(hot::g_lockObject)) fn(o);
}
inline void UnlockObject(TavroObject o) {
  if (auto fn = BoundSlot<TavroUnlockObjectFn>(hot::g_unlockObject)) fn(o);
}
// "pluginObjectType"; default: null.
TavroClass ObjectType(const char *className);
// "CreateInstance"; default: null. A null class returns null without
// consulting the host.
TavroObject CreateInstance(TavroClass cls);
// "PluginNewInstanceOfClass"; default: null.
TavroObject NewInstanceOfClass(TavroClassRecord *record);
// "RuntimeObjectIsa"; default: false.
bool ObjectIsa(TavroObject o, TavroClass cls);
// "RuntimeRaiseException"; default: nothing.
void RaiseException(TavroObject exception);

// Arrays.
// "RuntimeUBound"; default: 0 (the host answers -1 for an empty array).
int32_t UBound(TavroArray array);
// Element reads through "PluginIntegerArrayGetProc" / "PluginObjectArrayGetProc"
// (second name "RuntimeArrayDirectGetGetProc"): the bound entry point hands out
// the array's element getter, which is then called with the array and index.
// With no getter or a null out pointer nothing is stored. An object element
// comes with a reference of its own, which the caller releases.
void IntegerArrayGet(TavroArray array, int32_t index, int32_t *out);
void ObjectArrayGet(TavroArray array, int32_t index, TavroObject *out);
// The element getter of one Variant array, for reading all of its elements
// (null when the host has none); each element comes with a reference of its
// own.
TavroObjectElementGetter ObjectArrayGetter(TavroArray array);

// Properties by name; default: false (out untouched).
namespace detail {
template <typename Fn, typename T>
inline bool GetPropValue(EntryPointSlot &slot, TavroObject o, const char *name, T *out) {
  auto fn = BoundSlot<Fn>(slot);
  return fn != nullptr && fn(o, name, out);
}
}  // namespace detail
// "VANTGetPropValueInteger" (second name "VANTGetPropValueInt").
inline bool GetPropValueInteger(TavroObject o, const char *name, int32_t *out) {
  return detail::GetPropValue<TavroGetPropIntegerFn>(hot::g_getPropInteger, o, name, out);
}
// "VANTGetPropValueInt64", "VANTGetPropValueSingle", "VANTGetPropValueDouble".
inline bool GetPropValueInt64(TavroObject o, const char *name, int64_t *out) {
  return detail::GetPropValue<TavroGetPropInt64Fn>(hot::g_getPropInt64, o, name, out);
}
inline bool GetPropValueSingle(TavroObject o, const char *name, float *out) {
  return detail::GetPropValue<TavroGetPropSingleFn>(hot::g_getPropSingle, o, name, out);
}
inline bool GetPropValueDouble(TavroObject o, const char *name, double *out) {
  return detail::GetPropValue<TavroGetPropDoubleFn>(hot::g_getPropDouble, o, name, out);
}
// "VANTGetPropValueString", "VANTGetPropValueObject": the caller owns *out.
inline bool GetPropValueString(TavroObject o, const char *name, TavroString *out) {
  return detail::GetPropValue<TavroGetPropStringFn>(hot::g_getPropString, o, name, out);
}
inline bool GetPropValueObject(TavroObject o, const char *name, TavroObject *out) {
  return detail::GetPropValue<TavroGetPropObjectFn>(hot::g_getPropObject, o, name, out);
}
// "VANTSetPropValueInteger" (second name "VANTSetPropValueInt").
bool SetPropValueInteger(TavroObject o, const char *name, int32_t value);
bool SetPropValueString(TavroObject o, const char *name, TavroString value);  // "VANTSetPropValueString"

// Variants; default: null. The caller owns the new variant.
// "IntegerToVariant" (second name "Int32ToVariant").
TavroObject IntegerToVariant(int32_t value);
TavroObject StringToVariant(TavroString value);  // "StringToVariant"

// "VANTLoadGlobalMethod"(null, declaration); default: null.
void *LoadGlobalMethod(void *reserved, const char *declaration);
// The host global method "LenB( s as string ) as integer", loaded once into
// its own slot; default: 0.
int32_t LenB(TavroString s);

// "_UnsafeDetachCurrentThread" (default: null token) and
// "_UnsafeAttachCurrentThread" (default: nothing), around blocking calls.
void *DetachCurrentThread();
void AttachCurrentThread(void *token);

}  // namespace sqelto::host

#endif  // SQELTO_FRAME_HOST_API_H
