// VRK_CAN_CFG: the configuration library of the CAN access library.
#include "config/configurationstore.h"

using config::ConfigurationLibrary;

CONFIGURATION_EXPORT int GetInterfaceName(int interfaceType, char* name) {
  return config::GetInterfaceName(ConfigurationLibrary::kCan, interfaceType, name);
}

CONFIGURATION_EXPORT int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg, CANConfiguration* net) {
  return config::ReadConfiguration(ConfigurationLibrary::kCan, baseKey, cfg, net);
}

CONFIGURATION_EXPORT int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg, CANConfiguration* net) {
  return config::SaveConfiguration(ConfigurationLibrary::kCan, baseKey, cfg, net);
}
