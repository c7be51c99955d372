#pragma once
// The registry store of the interface and network settings, shared by the
// four configuration libraries. Each library keeps its settings in its own way
// (which interface types it can name, which values it reads and writes, in
// which order, with which defaults); those differences are one policy per
// library, and one engine serves them all.
//
// Layout below the caller's base key (which ends in a backslash):
//   base + "<Bus> Configuration"                       the network key: the current
//                                                      interface type and the bus settings
//   base + "Interface Configuration\" + display name   one interface key per kind
#include <cstdint>

#include "config/interfaceconfiguration.h"

// The configuration libraries' exports: C names, visible from the plug-in.
#define CONFIGURATION_EXPORT extern "C" __attribute__((visibility("default")))

namespace config {

enum class ConfigurationLibrary { kCan, kDeviceNet, kCANopen, kQx24x };

// Copies the display name of the type into name (at most
// kInterfaceNameCapacity bytes with the NUL). A type the library does not
// know gives "" and 0.
int GetInterfaceName(ConfigurationLibrary library, std::int32_t interfaceType, char* name);

// Fills the records from the registry. network is the library's network
// record (null for QX24X). 1 when the interface key could be opened.
int ReadConfiguration(ConfigurationLibrary library, const char* baseKey, InterfaceConfiguration* cfg,
                      void* network);

// Writes the records to the registry, creating keys. 1 when the interface key
// could be opened or created.
int SaveConfiguration(ConfigurationLibrary library, const char* baseKey, const InterfaceConfiguration* cfg,
                      const void* network);

}  // namespace config
