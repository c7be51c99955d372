#pragma once
// The calls of VRK_DNET's own, beside the DeviceNet API it forwards
// (dnetapi.h): opening a card slot from an interface record, and the
// configuration calls served by "VRK_DNET_CFG.dll".
#include <cstdint>

#include "config/interfaceconfiguration.h"
#include "devicenet/dnetapi.h"

extern "C" {
#pragma GCC visibility push(default)

int OpenInterface(std::int32_t* card, const InterfaceConfiguration* cfg);
int CloseInterface(std::int32_t card);
int GetInterfaceConfiguration(std::int32_t card, InterfaceConfiguration* out);
int DeviceNetConfigurationWindow(InterfaceConfiguration* cfg, DeviceNetConfiguration* net);
int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg, DeviceNetConfiguration* net);
int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg, DeviceNetConfiguration* net);
int GetInterfaceName(std::int32_t interfaceType, char* name);
int VersionInformationWindow(std::int32_t card);

#pragma GCC visibility pop
}  // extern "C"
