// A plug-in whose entry point announces the host version and answers 0: it
// did not start, and a host must not take it for one that did.
#include <tavro/plugin_sdk.h>

extern "C" TAVRO_EXPORT int32_t TAVRO_CALL VANTPluginMain(TavroResolver resolver) {
  auto announce = reinterpret_cast<TavroRegisterPluginVersionFn>(resolver("RegisterPluginVersion"));
  if (announce) announce(TAVRO_HOST_VERSION);
  return 0;
}
