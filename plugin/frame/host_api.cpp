// Each wrapper: bind its slot (host_binding), return the default when the host
// lacks the entry point, otherwise forward the arguments unchanged.
#include "host_api.h"

#include "host_binding.h"

namespace sqelto::host {
namespace {

EntryPointSlot g_registerDBCursor{"PluginRegisterDBCursor"};
EntryPointSlot g_registerDBEngine{"PluginRegisterDBEngine"};
EntryPointSlot g_registerClass{"PluginRegisterClass"};
EntryPointSlot g_registerModule{"PluginRegisterModule"};
EntryPointSlot g_registerDataSourceInterface{"RegisterDataSourceInterface"};
EntryPointSlot g_registerDataSource{"RegisterDataSource"};
EntryPointSlot g_designAddDataSource{"DesignAddDataSource"};
EntryPointSlot g_dialogCreate{"VANTDBConnectionDialogCreate"};
EntryPointSlot g_dialogAddField{"VANTDBConnectionDialogAddField"};
EntryPointSlot g_dialogShow{"VANTDBConnectionDialogShow"};
EntryPointSlot g_dialogDelete{"VANTDBConnectionDialogDelete"};
EntryPointSlot g_constructDBDatabase{"VANTConstructDBDatabase"};
EntryPointSlot g_databaseFromDB{"VANTdbDatabaseFromDBDatabase"};
EntryPointSlot g_dbFromDatabase{"VANTGetDBFromVANTdbDatabase"};
EntryPointSlot g_getDBHost{"VANTGetDBHost"};
EntryPointSlot g_getDBUserName{"VANTGetDBUserName"};
EntryPointSlot g_getDBPassword{"VANTGetDBPassword"};
EntryPointSlot g_getDBDatabaseName{"VANTGetDBDatabaseName"};
EntryPointSlot g_setDBIsConnected{"VANTSetDBIsConnected"};
EntryPointSlot g_cursorFromDBCursor{"VANTdbCursorFromDBCursor"};
EntryPointSlot g_rowSetFromDBCursor{"NewRowSetFromDBCursor"};
EntryPointSlot g_getStringEncoding{"VANTGetStringEncoding"};
EntryPointSlot g_stringGetCString{"StringGetCString"};
EntryPointSlot g_getStringData{"PluginGetStringData"};
EntryPointSlot g_disposeStringData{"PluginDisposeStringData"};
EntryPointSlot g_lockString{"VANTLockString"};
EntryPointSlot g_objectType{"pluginObjectType"};
EntryPointSlot g_createInstance{"CreateInstance"};
EntryPointSlot g_newInstanceOfClass{"PluginNewInstanceOfClass"};
EntryPointSlot g_objectIsa{"RuntimeObjectIsa"};
EntryPointSlot g_raiseException{"RuntimeRaiseException"};
EntryPointSlot g_uBound{"RuntimeUBound"};
EntryPointSlot g_integerArrayGetProc{"PluginIntegerArrayGetProc", "RuntimeArrayDirectGetGetProc"};
EntryPointSlot g_objectArrayGetProc{"PluginObjectArrayGetProc", "RuntimeArrayDirectGetGetProc"};
EntryPointSlot g_setPropInteger{"VANTSetPropValueInteger", "VANTSetPropValueInt"};
EntryPointSlot g_setPropString{"VANTSetPropValueString"};
EntryPointSlot g_integerToVariant{"IntegerToVariant", "Int32ToVariant"};
EntryPointSlot g_stringToVariant{"StringToVariant"};
EntryPointSlot g_loadGlobalMethod{"VANTLoadGlobalMethod"};
EntryPointSlot g_detachThread{"_UnsafeDetachCurrentThread"};
EntryPointSlot g_attachThread{"_UnsafeAttachCurrentThread"};

// The one host global method the plug-in uses, bound like an entry point but
// through "VANTLoadGlobalMethod" instead of the resolver.
// Its slot sits in the slot list only so that it is unbound with the others.
constexpr const char *kLenBDeclaration = "LenB( s as string ) as integer";
EntryPointSlot g_lenB{kLenBDeclaration};

}  // namespace

namespace hot {
EntryPointSlot g_buildString{"VANTBuildString"};
EntryPointSlot g_setStringEncoding{"VANTSetStringEncoding"};
EntryPointSlot g_unlockString{"VANTUnlockString"};
EntryPointSlot g_lockObject{"VANTLockObject"};
EntryPointSlot g_unlockObject{"VANTUnlockObject"};
EntryPointSlot g_getPropInteger{"VANTGetPropValueInteger", "VANTGetPropValueInt"};
EntryPointSlot g_getPropInt64{"VANTGetPropValueInt64"};
EntryPointSlot g_getPropSingle{"VANTGetPropValueSingle"};
EntryPointSlot g_getPropDouble{"VANTGetPropValueDouble"};
EntryPointSlot g_getPropString{"VANTGetPropValueString"};
EntryPointSlot g_getPropObject{"VANTGetPropValueObject"};
}  // namespace hot

void RegisterDBCursor(TavroCursorRecord *record) {
  if (auto fn = BindAs<TavroRegisterDBCursorFn>(g_registerDBCursor)) fn(record);
}

void RegisterDBEngine(TavroEngineRecord *record) {
  if (auto fn = BindAs<TavroRegisterDBEngineFn>(g_registerDBEngine)) fn(record);
}

void RegisterClass(TavroClassRecord *record) {
  if (auto fn = BindAs<TavroRegisterClassFn>(g_registerClass)) fn(record);
}

void RegisterModule(TavroModuleRecord *record) {
  if (auto fn = BindAs<TavroRegisterModuleFn>(g_registerModule)) fn(record);
}

void RegisterDataSourceInterface(const char *title, TavroConnectionDialogFn dialog) {
  if (auto fn = BindAs<TavroRegisterDataSourceInterfaceFn>(g_registerDataSourceInterface)) fn(title, dialog);
}

int32_t RegisterDataSource(const char *kind, TavroDataSourceOpenerFn opener) {
  auto fn = BindAs<TavroRegisterDataSourceFn>(g_registerDataSource);
  return fn != nullptr ? fn(kind, opener) : 0;
}

void DesignAddDataSource(const char *identifier, const char *kind, const void *data, int32_t length) {
  if (auto fn = BindAs<TavroDesignAddDataSourceFn>(g_designAddDataSource)) fn(identifier, kind, data, length);
}

TavroDialog DBConnectionDialogCreate() {
  auto fn = BindAs<TavroDialogCreateFn>(g_dialogCreate);
  return fn != nullptr ? fn() : nullptr;
}

void DBConnectionDialogAddField(TavroDialog dialog, TavroString label, int32_t reserved, int32_t isPassword) {
  if (auto fn = BindAs<TavroDialogAddFieldFn>(g_dialogAddField)) fn(dialog, label, reserved, isPassword);
}

TavroString DBConnectionDialogShow(TavroDialog dialog, TavroString title) {
  auto fn = BindAs<TavroDialogShowFn>(g_dialogShow);
  return fn != nullptr ? fn(dialog, title) : nullptr;
}

void DBConnectionDialogDelete(TavroDialog dialog) {
  if (auto fn = BindAs<TavroDialogDeleteFn>(g_dialogDelete)) fn(dialog);
}

int32_t ConstructDBDatabase(TavroObject instance, TavroDatabase db, TavroEngineRecord *engine) {
  auto fn = BindAs<TavroConstructDBDatabaseFn>(g_constructDBDatabase);
  return fn != nullptr ? fn(instance, db, engine) : 0;
}

TavroObject DatabaseFromDBDatabase(TavroDatabase db, TavroEngineRecord *engine) {
  auto fn = BindAs<TavroDatabaseFromDBFn>(g_databaseFromDB);
  return fn != nullptr ? fn(db, engine) : nullptr;
}

TavroDatabase GetDBFromDatabase(TavroObject database) {
  auto fn = BindAs<TavroDBFromDatabaseFn>(g_dbFromDatabase);
  return fn != nullptr ? fn(database) : nullptr;
}

TavroString GetDBHost(TavroObject database) {
  auto fn = BindAs<TavroDatabaseStringFn>(g_getDBHost);
  return fn != nullptr ? fn(database) : nullptr;
}

TavroString GetDBUserName(TavroObject database) {
  auto fn = BindAs<TavroDatabaseStringFn>(g_getDBUserName);
  return fn != nullptr ? fn(database) : nullptr;
}

TavroString GetDBPassword(TavroObject database) {
  auto fn = BindAs<TavroDatabaseStringFn>(g_getDBPassword);
  return fn != nullptr ? fn(database) : nullptr;
}

TavroString GetDBDatabaseName(TavroObject database) {
  auto fn = BindAs<TavroDatabaseStringFn>(g_getDBDatabaseName);
  return fn != nullptr ? fn(database) : nullptr;
}

void SetDBIsConnected(TavroObject database, bool connected) {
  if (auto fn = BindAs<TavroSetDBIsConnectedFn>(g_setDBIsConnected)) fn(database, connected);
}

TavroObject CursorFromDBCursor(TavroCursorHandle *handle, TavroCursorRecord *record) {
  auto fn = BindAs<TavroCursorToObjectFn>(g_cursorFromDBCursor);
  return fn != nullptr ? fn(handle, record) : nullptr;
}

TavroObject NewRowSetFromDBCursor(TavroCursorHandle *handle, TavroCursorRecord *record) {
  auto fn = BindAs<TavroCursorToObjectFn>(g_rowSetFromDBCursor);
  return fn != nullptr ? fn(handle, record) : nullptr;
}


uint32_t GetStringEncoding(TavroString s) {
  auto fn = BoundSlot<TavroGetStringEncodingFn>(g_getStringEncoding);
  return fn != nullptr ? fn(s) : 0;
}

const char *StringGetCString(TavroString s) {
  auto fn = BoundSlot<TavroStringGetCStringFn>(g_stringGetCString);
  return fn != nullptr ? fn(s) : nullptr;
}

bool GetStringData(TavroString s, uint32_t encoding, TavroStringData *out) {
  auto fn = BindAs<TavroGetStringDataFn>(g_getStringData);
  return fn != nullptr && fn(s, encoding, out);
}

void DisposeStringData(TavroStringData *data) {
  if (auto fn = BindAs<TavroDisposeStringDataFn>(g_disposeStringData)) fn(data);
}

int32_t LockString(TavroString s) {
  auto fn = BoundSlot<TavroLockStringFn>(g_lockString);
  return fn != nullptr ? fn(s) : 0;
}


TavroClass ObjectType(const char *className) {
  auto fn = BindAs<TavroObjectTypeFn>(g_objectType);
  return fn != nullptr ? fn(className) : nullptr;
}

TavroObject CreateInstance(TavroClass cls) {
  // No class, no host call: not even the lookup.
  if (cls == nullptr) return nullptr;
  auto fn = BindAs<TavroCreateInstanceFn>(g_createInstance);
  return fn != nullptr ? fn(cls) : nullptr;
}

TavroObject NewInstanceOfClass(TavroClassRecord *record) {
  auto fn = BindAs<TavroNewInstanceOfClassFn>(g_newInstanceOfClass);
  return fn != nullptr ? fn(record) : nullptr;
}

bool ObjectIsa(TavroObject o, TavroClass cls) {
  auto fn = BindAs<TavroObjectIsaFn>(g_objectIsa);
  return fn != nullptr && fn(o, cls);
}

void RaiseException(TavroObject exception) {
  if (auto fn = BindAs<TavroRaiseExceptionFn>(g_raiseException)) fn(exception);
}

int32_t UBound(TavroArray array) {
  auto fn = BindAs<TavroUBoundFn>(g_uBound);
  return fn != nullptr ? fn(array) : 0;
}

void IntegerArrayGet(TavroArray array, int32_t index, int32_t *out) {
  auto getProc = BindAs<TavroIntegerArrayGetProcFn>(g_integerArrayGetProc);
  if (getProc == nullptr || out == nullptr) return;
  auto getter = reinterpret_cast<TavroIntegerElementGetter>(getProc(array));
  if (getter != nullptr) *out = getter(array, index);
}

void ObjectArrayGet(TavroArray array, int32_t index, TavroObject *out) {
  auto getter = ObjectArrayGetter(array);
  if (getter != nullptr && out != nullptr) *out = getter(array, index);
}

TavroObjectElementGetter ObjectArrayGetter(TavroArray array) {
  auto getProc = BindAs<TavroObjectArrayGetProcFn>(g_objectArrayGetProc);
  return getProc != nullptr ? reinterpret_cast<TavroObjectElementGetter>(getProc(array)) : nullptr;
}

bool SetPropValueInteger(TavroObject o, const char *name, int32_t value) {
  auto fn = BindAs<TavroSetPropIntegerFn>(g_setPropInteger);
  return fn != nullptr && fn(o, name, value);
}

bool SetPropValueString(TavroObject o, const char *name, TavroString value) {
  auto fn = BindAs<TavroSetPropStringFn>(g_setPropString);
  return fn != nullptr && fn(o, name, value);
}

TavroObject IntegerToVariant(int32_t value) {
  auto fn = BindAs<TavroIntegerToVariantFn>(g_integerToVariant);
  return fn != nullptr ? fn(value) : nullptr;
}

TavroObject StringToVariant(TavroString value) {
  auto fn = BindAs<TavroStringToVariantFn>(g_stringToVariant);
  return fn != nullptr ? fn(value) : nullptr;
}

void *LoadGlobalMethod(void *reserved, const char *declaration) {
  auto fn = BindAs<TavroLoadGlobalMethodFn>(g_loadGlobalMethod);
  return fn != nullptr ? fn(reserved, declaration) : nullptr;
}

int32_t LenB(TavroString s) {
  void *address = g_lenB.address.load(std::memory_order_acquire);
  if (address == nullptr) {
    address = LoadGlobalMethod(nullptr, kLenBDeclaration);
    if (address == nullptr) return 0;
    g_lenB.address.store(address, std::memory_order_release);
  }
  return reinterpret_cast<TavroLenBFn>(address)(s);
}

void *DetachCurrentThread() {
  auto fn = BindAs<TavroDetachThreadFn>(g_detachThread);
  return fn != nullptr ? fn() : nullptr;
}

void AttachCurrentThread(void *token) {
  if (auto fn = BindAs<TavroAttachThreadFn>(g_attachThread)) fn(token);
}

}  // namespace sqelto::host
