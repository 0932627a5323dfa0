// The host entry points a plug-in reaches through the resolver, with the
// argument lists of the plug-in SDK.
#pragma once

#include <tavro/plugin_sdk.h>

namespace tavro::entry {

// Strings.
TavroString TAVRO_CALL BuildString(const void* bytes, int32_t length);
void TAVRO_CALL SetStringEncoding(TavroString s, uint32_t encoding);
uint32_t TAVRO_CALL GetStringEncoding(TavroString s);
const char* TAVRO_CALL StringGetCString(TavroString s);
bool TAVRO_CALL GetStringData(TavroString s, uint32_t encoding, TavroStringData* out);
void TAVRO_CALL DisposeStringData(TavroStringData* data);
int32_t TAVRO_CALL LockString(TavroString s);
int32_t TAVRO_CALL UnlockString(TavroString s);
int32_t TAVRO_CALL LenB(TavroString s);
void* TAVRO_CALL LoadGlobalMethod(void* reserved, const char* declaration);

// Objects, classes, exceptions, variants, arrays.
void TAVRO_CALL LockObject(TavroObject o);
void TAVRO_CALL UnlockObject(TavroObject o);
TavroClass TAVRO_CALL ObjectType(const char* className);
TavroObject TAVRO_CALL CreateInstance(TavroClass cls);
TavroObject TAVRO_CALL NewInstanceOfClass(TavroClassRecord* record);
bool TAVRO_CALL ObjectIsa(TavroObject o, TavroClass cls);
void TAVRO_CALL RaiseException(TavroObject exception);
int32_t TAVRO_CALL UBound(TavroArray array);
void* TAVRO_CALL IntegerArrayGetProc(TavroArray array);
void* TAVRO_CALL ObjectArrayGetProc(TavroArray array);
void* TAVRO_CALL ArrayDirectGetGetProc(TavroArray array);
bool TAVRO_CALL GetPropInteger(TavroObject o, const char* name, int32_t* out);
bool TAVRO_CALL GetPropInt64(TavroObject o, const char* name, int64_t* out);
bool TAVRO_CALL GetPropSingle(TavroObject o, const char* name, float* out);
bool TAVRO_CALL GetPropDouble(TavroObject o, const char* name, double* out);
bool TAVRO_CALL GetPropString(TavroObject o, const char* name, TavroString* out);
bool TAVRO_CALL GetPropObject(TavroObject o, const char* name, TavroObject* out);
bool TAVRO_CALL SetPropInteger(TavroObject o, const char* name, int32_t value);
bool TAVRO_CALL SetPropString(TavroObject o, const char* name, TavroString value);
TavroObject TAVRO_CALL IntegerToVariant(int32_t value);
TavroObject TAVRO_CALL StringToVariant(TavroString value);

// Registration.
void TAVRO_CALL RegisterPluginVersion(int32_t version);
void TAVRO_CALL RegisterDBCursor(TavroCursorRecord* record);
void TAVRO_CALL RegisterDBEngine(TavroEngineRecord* record);
void TAVRO_CALL RegisterClass(TavroClassRecord* record);
void TAVRO_CALL RegisterModule(TavroModuleRecord* record);
void TAVRO_CALL RegisterDataSourceInterface(const char* title, TavroConnectionDialogFn dialog);
int32_t TAVRO_CALL RegisterDataSource(const char* kind, TavroDataSourceOpenerFn opener);

// Databases, cursors, dialogs, data sources.
void TAVRO_CALL DesignAddDataSource(const char* identifier, const char* kind, const void* data, int32_t length);
TavroDialog TAVRO_CALL DialogCreate();
void TAVRO_CALL DialogAddField(TavroDialog dialog, TavroString label, int32_t reserved, int32_t isPassword);
TavroString TAVRO_CALL DialogShow(TavroDialog dialog, TavroString title);
void TAVRO_CALL DialogDelete(TavroDialog dialog);
int32_t TAVRO_CALL ConstructDBDatabase(TavroObject instance, TavroDatabase db, TavroEngineRecord* engine);
TavroObject TAVRO_CALL DatabaseFromDB(TavroDatabase db, TavroEngineRecord* engine);
TavroDatabase TAVRO_CALL DBFromDatabase(TavroObject database);
TavroString TAVRO_CALL GetDBHost(TavroObject database);
TavroString TAVRO_CALL GetDBUserName(TavroObject database);
TavroString TAVRO_CALL GetDBPassword(TavroObject database);
TavroString TAVRO_CALL GetDBDatabaseName(TavroObject database);
void TAVRO_CALL SetDBIsConnected(TavroObject database, bool connected);
TavroObject TAVRO_CALL CursorToRecordSet(TavroCursorHandle* handle, TavroCursorRecord* record);
TavroObject TAVRO_CALL CursorToRowSet(TavroCursorHandle* handle, TavroCursorRecord* record);

// Threads.
void* TAVRO_CALL DetachCurrentThread();
void TAVRO_CALL AttachCurrentThread(void* token);

}  // namespace tavro::entry
