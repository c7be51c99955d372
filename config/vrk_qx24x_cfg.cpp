// VRK_QX24X_CFG: the configuration library of the maker's USB/RS-232
// interfaces. It keeps no network settings, and the caller's record names the
// interface type.
#include <memory>

#include "config/configurationstore.h"
#include "config/qx24xwindow.h"
#include "config/versionwindow.h"

using config::ConfigurationLibrary;

// caption and driverLibrary name the interface; *out receives the card handle
// of the window's last Test (0 when none ran).
CONFIGURATION_EXPORT int VRK_QX24X_HardwareConfigurationWindow(const char* caption, const char* driverLibrary,
                                                               int* out, InterfaceConfiguration* cfg) {
  if (caption == nullptr || driverLibrary == nullptr || out == nullptr || cfg == nullptr) return 0;
  if (!dialogparts::WindowsAvailable()) return 0;
  auto window = std::make_unique<TForm_VRK_QX24X_CFG>(nullptr, driverLibrary);
  window->SetCaption(caption);
  window->Record = *cfg;
  if (window->ShowModal() != mrOk) return 0;
  *out = window->TestedCard();
  *cfg = window->Record;
  return 1;
}

// The window has no stack to list here.
CONFIGURATION_EXPORT int VersionInformationWindow(int) {
  if (dialogparts::WindowsAvailable()) dialogparts::ShowVersionWindow(nullptr, {});
  return 0;
}

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
