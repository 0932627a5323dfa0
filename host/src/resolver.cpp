// The resolver handed to plug-ins: entry-point name in, host function out
// (behind the calling-thread check of entry_guard.h), with per-name lookup
// counts and names the host has been told to withhold.
#include <map>
#include <string>

#include "entry_guard.h"
#include "entry_points.h"
#include "host_state.h"

namespace tavro::internal {
namespace {

template <class F>
void* fn(F* f) {
  return reinterpret_cast<void*>(f);
}

const std::map<std::string, void*>& table() {
  using namespace tavro::entry;
  static const std::map<std::string, void*> t = {
      {"RegisterPluginVersion", guarded<"RegisterPluginVersion", &RegisterPluginVersion>()},
      {"PluginRegisterDBCursor", guarded<"PluginRegisterDBCursor", &RegisterDBCursor>()},
      {"PluginRegisterDBEngine", guarded<"PluginRegisterDBEngine", &RegisterDBEngine>()},
      {"PluginRegisterClass", guarded<"PluginRegisterClass", &RegisterClass>()},
      {"PluginRegisterModule", guarded<"PluginRegisterModule", &RegisterModule>()},
      {"RegisterDataSourceInterface", guarded<"RegisterDataSourceInterface", &RegisterDataSourceInterface>()},
      {"RegisterDataSource", guarded<"RegisterDataSource", &RegisterDataSource>()},
      {"DesignAddDataSource", guarded<"DesignAddDataSource", &DesignAddDataSource>()},
      {"VANTDBConnectionDialogCreate", guarded<"VANTDBConnectionDialogCreate", &DialogCreate>()},
      {"VANTDBConnectionDialogAddField", guarded<"VANTDBConnectionDialogAddField", &DialogAddField>()},
      {"VANTDBConnectionDialogShow", guarded<"VANTDBConnectionDialogShow", &DialogShow>()},
      {"VANTDBConnectionDialogDelete", guarded<"VANTDBConnectionDialogDelete", &DialogDelete>()},
      {"VANTConstructDBDatabase", guarded<"VANTConstructDBDatabase", &ConstructDBDatabase>()},
      {"VANTdbDatabaseFromDBDatabase", guarded<"VANTdbDatabaseFromDBDatabase", &DatabaseFromDB>()},
      {"VANTGetDBFromVANTdbDatabase", guarded<"VANTGetDBFromVANTdbDatabase", &DBFromDatabase>()},
      {"VANTGetDBHost", guarded<"VANTGetDBHost", &GetDBHost>()},
      {"VANTGetDBUserName", guarded<"VANTGetDBUserName", &GetDBUserName>()},
      {"VANTGetDBPassword", guarded<"VANTGetDBPassword", &GetDBPassword>()},
      {"VANTGetDBDatabaseName", guarded<"VANTGetDBDatabaseName", &GetDBDatabaseName>()},
      {"VANTSetDBIsConnected", guarded<"VANTSetDBIsConnected", &SetDBIsConnected>()},
      {"VANTdbCursorFromDBCursor", guarded<"VANTdbCursorFromDBCursor", &CursorToRecordSet>()},
      {"NewRowSetFromDBCursor", guarded<"NewRowSetFromDBCursor", &CursorToRowSet>()},
      {"VANTBuildString", guarded<"VANTBuildString", &BuildString>()},
      {"VANTSetStringEncoding", guarded<"VANTSetStringEncoding", &SetStringEncoding>()},
      {"VANTGetStringEncoding", guarded<"VANTGetStringEncoding", &GetStringEncoding>()},
      {"StringGetCString", guarded<"StringGetCString", &StringGetCString>()},
      {"PluginGetStringData", guarded<"PluginGetStringData", &GetStringData>()},
      {"PluginDisposeStringData", guarded<"PluginDisposeStringData", &DisposeStringData>()},
      {"VANTLockString", guarded<"VANTLockString", &LockString>()},
      {"VANTUnlockString", guarded<"VANTUnlockString", &UnlockString>()},
      {"VANTLockObject", guarded<"VANTLockObject", &LockObject>()},
      {"VANTUnlockObject", guarded<"VANTUnlockObject", &UnlockObject>()},
      {"pluginObjectType", guarded<"pluginObjectType", &ObjectType>()},
      {"CreateInstance", guarded<"CreateInstance", &CreateInstance>()},
      {"PluginNewInstanceOfClass", guarded<"PluginNewInstanceOfClass", &NewInstanceOfClass>()},
      {"RuntimeObjectIsa", guarded<"RuntimeObjectIsa", &ObjectIsa>()},
      {"RuntimeRaiseException", guarded<"RuntimeRaiseException", &RaiseException>()},
      {"RuntimeUBound", guarded<"RuntimeUBound", &UBound>()},
      {"PluginIntegerArrayGetProc", guarded<"PluginIntegerArrayGetProc", &IntegerArrayGetProc>()},
      {"PluginObjectArrayGetProc", guarded<"PluginObjectArrayGetProc", &ObjectArrayGetProc>()},
      {"RuntimeArrayDirectGetGetProc", guarded<"RuntimeArrayDirectGetGetProc", &ArrayDirectGetGetProc>()},
      {"VANTGetPropValueInteger", guarded<"VANTGetPropValueInteger", &GetPropInteger>()},
      {"VANTGetPropValueInt", guarded<"VANTGetPropValueInt", &GetPropInteger>()},
      {"VANTGetPropValueInt64", guarded<"VANTGetPropValueInt64", &GetPropInt64>()},
      {"VANTGetPropValueSingle", guarded<"VANTGetPropValueSingle", &GetPropSingle>()},
      {"VANTGetPropValueDouble", guarded<"VANTGetPropValueDouble", &GetPropDouble>()},
      {"VANTGetPropValueString", guarded<"VANTGetPropValueString", &GetPropString>()},
      {"VANTGetPropValueObject", guarded<"VANTGetPropValueObject", &GetPropObject>()},
      {"VANTSetPropValueInteger", guarded<"VANTSetPropValueInteger", &SetPropInteger>()},
      {"VANTSetPropValueInt", guarded<"VANTSetPropValueInt", &SetPropInteger>()},
      {"VANTSetPropValueString", guarded<"VANTSetPropValueString", &SetPropString>()},
      {"IntegerToVariant", guarded<"IntegerToVariant", &IntegerToVariant>()},
      {"Int32ToVariant", guarded<"Int32ToVariant", &IntegerToVariant>()},
      {"StringToVariant", guarded<"StringToVariant", &StringToVariant>()},
      {"VANTLoadGlobalMethod", guarded<"VANTLoadGlobalMethod", &LoadGlobalMethod>()},
      {"_UnsafeDetachCurrentThread", guarded<"_UnsafeDetachCurrentThread", &DetachCurrentThread>()},
      // Called detached, and checks its token itself.
      {"_UnsafeAttachCurrentThread", fn(&AttachCurrentThread)},
  };
  return t;
}

}  // namespace

void* resolve(const char* name) {
  if (!name) {
    violation("resolver: null name");
    return nullptr;
  }
  HostState* st = currentState();
  if (!st) return nullptr;
  {
    std::lock_guard lock(st->mu);
    ++st->lookups[name];
    st->lookupLog.emplace_back(name);
    if (st->withheld.count(name)) return nullptr;
  }
  auto it = table().find(name);
  return it == table().end() ? nullptr : it->second;
}

std::vector<std::string> servedNames() {
  std::vector<std::string> names;
  for (auto& [n, f] : table()) names.push_back(n);
  return names;
}

}  // namespace tavro::internal
