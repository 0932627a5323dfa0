// The resolver handed to plug-ins: entry-point name in, host function out,
// with per-name lookup counts and names the host has been told to withhold.
#include <map>
#include <string>

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
      {"RegisterPluginVersion", fn(&RegisterPluginVersion)},
      {"PluginRegisterDBCursor", fn(&RegisterDBCursor)},
      {"PluginRegisterDBEngine", fn(&RegisterDBEngine)},
      {"PluginRegisterClass", fn(&RegisterClass)},
      {"PluginRegisterModule", fn(&RegisterModule)},
      {"RegisterDataSourceInterface", fn(&RegisterDataSourceInterface)},
      {"RegisterDataSource", fn(&RegisterDataSource)},
      {"DesignAddDataSource", fn(&DesignAddDataSource)},
      {"VANTDBConnectionDialogCreate", fn(&DialogCreate)},
      {"VANTDBConnectionDialogAddField", fn(&DialogAddField)},
      {"VANTDBConnectionDialogShow", fn(&DialogShow)},
      {"VANTDBConnectionDialogDelete", fn(&DialogDelete)},
      {"VANTConstructDBDatabase", fn(&ConstructDBDatabase)},
      {"VANTdbDatabaseFromDBDatabase", fn(&DatabaseFromDB)},
      {"VANTGetDBFromVANTdbDatabase", fn(&DBFromDatabase)},
      {"VANTGetDBHost", fn(&GetDBHost)},
      {"VANTGetDBUserName", fn(&GetDBUserName)},
      {"VANTGetDBPassword", fn(&GetDBPassword)},
      {"VANTGetDBDatabaseName", fn(&GetDBDatabaseName)},
      {"VANTSetDBIsConnected", fn(&SetDBIsConnected)},
      {"VANTdbCursorFromDBCursor", fn(&CursorToRecordSet)},
      {"NewRowSetFromDBCursor", fn(&CursorToRowSet)},
      {"VANTBuildString", fn(&BuildString)},
      {"VANTSetStringEncoding", fn(&SetStringEncoding)},
      {"VANTGetStringEncoding", fn(&GetStringEncoding)},
      {"StringGetCString", fn(&StringGetCString)},
      {"PluginGetStringData", fn(&GetStringData)},
      {"PluginDisposeStringData", fn(&DisposeStringData)},
      {"VANTLockString", fn(&LockString)},
      {"VANTUnlockString", fn(&UnlockString)},
      {"VANTLockObject", fn(&LockObject)},
      {"VANTUnlockObject", fn(&UnlockObject)},
      {"pluginObjectType", fn(&ObjectType)},
      {"CreateInstance", fn(&CreateInstance)},
      {"PluginNewInstanceOfClass", fn(&NewInstanceOfClass)},
      {"RuntimeObjectIsa", fn(&ObjectIsa)},
      {"RuntimeRaiseException", fn(&RaiseException)},
      {"RuntimeUBound", fn(&UBound)},
      {"PluginIntegerArrayGetProc", fn(&IntegerArrayGetProc)},
      {"PluginObjectArrayGetProc", fn(&ObjectArrayGetProc)},
      {"RuntimeArrayDirectGetGetProc", fn(&ArrayDirectGetGetProc)},
      {"VANTGetPropValueInteger", fn(&GetPropInteger)},
      {"VANTGetPropValueInt", fn(&GetPropInteger)},
      {"VANTGetPropValueInt64", fn(&GetPropInt64)},
      {"VANTGetPropValueSingle", fn(&GetPropSingle)},
      {"VANTGetPropValueDouble", fn(&GetPropDouble)},
      {"VANTGetPropValueString", fn(&GetPropString)},
      {"VANTGetPropValueObject", fn(&GetPropObject)},
      {"VANTSetPropValueInteger", fn(&SetPropInteger)},
      {"VANTSetPropValueInt", fn(&SetPropInteger)},
      {"VANTSetPropValueString", fn(&SetPropString)},
      {"IntegerToVariant", fn(&IntegerToVariant)},
      {"Int32ToVariant", fn(&IntegerToVariant)},
      {"StringToVariant", fn(&StringToVariant)},
      {"VANTLoadGlobalMethod", fn(&LoadGlobalMethod)},
      {"_UnsafeDetachCurrentThread", fn(&DetachCurrentThread)},
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
