// The plug-in's only export: the host calls it once, right after loading.
#include <cstdint>

#include <tavro/plugin_sdk.h>

#include "connection_dialog.h"
#include "data_source_opener.h"
#include "host_api.h"
#include "host_binding.h"
#include "registration_records.h"

namespace sqelto {
namespace {

void RegisterHostVersion(TavroResolver resolver) {
  // Looked up directly, not through a slot: it is called exactly once. A host
  // without it is not one we can talk to, but calling null would crash it, so
  // the announcement is skipped and registration goes on.
  auto announce = reinterpret_cast<TavroRegisterPluginVersionFn>(resolver("RegisterPluginVersion"));
  if (announce != nullptr) announce(TAVRO_HOST_VERSION);
}

void RegisterClassRecord(TavroClassRecord &record) {
  record.flags |= TAVRO_FLAG_ENTRY;
  host::RegisterClass(&record);
}

int32_t StartPlugin(TavroResolver resolver) {
  if (resolver == nullptr) return 0;
  host::SetResolver(resolver);
  RegisterHostVersion(resolver);

  // The host's order: cursor, engine, the two classes, the module, then the
  // design-time connection dialog and the data-source opener.
  host::RegisterDBCursor(&CursorRecord());
  host::RegisterDBEngine(&EngineRecord());
  RegisterClassRecord(ODBCDatabaseClass());
  RegisterClassRecord(ODBCPreparedStatementClass());
  host::RegisterModule(&ODBCConstantModule());
  host::RegisterDataSourceInterface(kConnectionDialogTitle, ODBCConnectionDialog);
  return host::RegisterDataSource(kDataSourceKind, ODBCOpenDataSource);
}

}  // namespace
}  // namespace sqelto

extern "C" TAVRO_EXPORT int32_t TAVRO_CALL VANTPluginMain(TavroResolver resolver) {
  // Nothing thrown may reach the host; a plug-in that could not start says 0.
  try {
    return sqelto::StartPlugin(resolver);
  } catch (...) {
    return 0;
  }
}
