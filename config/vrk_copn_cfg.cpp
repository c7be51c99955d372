// VRK_COPN_CFG: the configuration library of the CANopen front-end.
#include "config/configurationstore.h"

using config::ConfigurationLibrary;

CONFIGURATION_EXPORT int GetInterfaceName(int interfaceType, char* name) {
  return config::GetInterfaceName(ConfigurationLibrary::kCANopen, interfaceType, name);
}

// Kept for callers that bind it; it has nothing to answer.
CONFIGURATION_EXPORT int GetInterfaceType(int, int) { return 0; }

CONFIGURATION_EXPORT int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg,
                                           CANopenConfiguration* net) {
  return config::ReadConfiguration(ConfigurationLibrary::kCANopen, baseKey, cfg, net);
}

CONFIGURATION_EXPORT int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg,
                                           CANopenConfiguration* net) {
  return config::SaveConfiguration(ConfigurationLibrary::kCANopen, baseKey, cfg, net);
}
