#pragma once
// The configuration library of the CAN access layer (windows and registry
// store), bound by name at the first configuration call.
#include <cstdint>

#include "config/interfaceconfiguration.h"

struct CanConfigApi {
  int (*CANConfigurationWindow)(InterfaceConfiguration* configuration, CANConfiguration* network);
  int (*AB_KFD1770_HardwareConfigurationWindow)(InterfaceConfiguration* configuration);
  int (*SST_CAN2A_HardwareConfigurationWindow)(InterfaceConfiguration* configuration);
  int (*SaveConfiguration)(const char* baseKey, InterfaceConfiguration* configuration,
                           CANConfiguration* network);
  int (*ReadConfiguration)(const char* baseKey, InterfaceConfiguration* configuration,
                           CANConfiguration* network);
  int (*VersionInformationWindow)(std::int32_t card);
  int (*GetInterfaceName)(std::int32_t interfaceType, char* name);
};

// The bound entry points (each null when missing), or null while the library
// cannot be loaded; a failed load is tried again at the next call.
const CanConfigApi* CanConfigLibrary();

// Calls an entry point of the configuration library; 0 when the library or
// the entry point is missing.
template <typename Fn, typename... Args>
int CallCanConfig(Fn CanConfigApi::*entry, Args... args) {
  const CanConfigApi* api = CanConfigLibrary();
  if (api == nullptr || api->*entry == nullptr) return 0;
  return (api->*entry)(args...);
}
