// VRK_QX24X_CFG: the configuration library of the maker's USB/RS-232
// interfaces. It keeps no network settings, and the caller's record names the
// interface type.
#include "config/configurationstore.h"

using config::ConfigurationLibrary;

CONFIGURATION_EXPORT int GetInterfaceName(int interfaceType, char* name) {
  return config::GetInterfaceName(ConfigurationLibrary::kQx24x, interfaceType, name);
}

// Kept for callers that bind it; it has nothing to answer.
CONFIGURATION_EXPORT int GetInterfaceType(int, int) { return 0; }

CONFIGURATION_EXPORT int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg) {
  return config::ReadConfiguration(ConfigurationLibrary::kQx24x, baseKey, cfg, nullptr);
}

CONFIGURATION_EXPORT int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg) {
  return config::SaveConfiguration(ConfigurationLibrary::kQx24x, baseKey, cfg, nullptr);
}
