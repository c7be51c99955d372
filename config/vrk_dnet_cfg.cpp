// VRK_DNET_CFG: the configuration library of the DeviceNet front-end: its
// windows and its registry store.
#include "config/configurationstore.h"
#include "config/dnetwindows.h"
#include "config/versionwindow.h"

using config::ConfigurationLibrary;

CONFIGURATION_EXPORT int DeviceNetConfigurationWindow(InterfaceConfiguration* cfg, DeviceNetConfiguration* net) {
  return dialogparts::ShowOnCopies<TForm_DeviceNetInterfaceConfiguration>(cfg, net);
}

CONFIGURATION_EXPORT int VRK_QX241S_HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  return dialogparts::ShowOnCopy<TForm_VRK_QX241S_CFG>(cfg);
}

// Tests the USB interface only: nothing is handed back.
CONFIGURATION_EXPORT int VRK_QX241U_HardwareConfigurationWindow(int) {
  if (dialogparts::WindowsAvailable()) TForm_VRK_QX241U_CFG(nullptr).ShowModal();
  return 0;
}

CONFIGURATION_EXPORT int SST_DNSCAN_HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  return dialogparts::ShowOnCopy<TForm_SST_DNSCAN_CFG>(cfg);
}

// Lists the levels of the stack below the caller's card; the card stays the
// caller's.
CONFIGURATION_EXPORT int VersionInformationWindow(int card) {
  if (!dialogparts::WindowsAvailable()) return 0;
  TVRK_DNET_Interface binding(TVRK_DNET_Interface::kLibraryName, binding::Use::kDialogs);
  binding.UseCard(card);
  TBindingVersionSource<TVRK_DNET_Interface> source(binding);
  dialogparts::ShowVersionWindow(&source, {".\\FORM.INI", "Form_VersionInformation", bsDialog});
  return 1;
}

CONFIGURATION_EXPORT int GetInterfaceName(int interfaceType, char* name) {
  return config::GetInterfaceName(ConfigurationLibrary::kDeviceNet, interfaceType, name);
}

// Kept for callers that bind it; it has nothing to answer.
CONFIGURATION_EXPORT int GetInterfaceType(int, int) { return 0; }

CONFIGURATION_EXPORT int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg,
                                           DeviceNetConfiguration* net) {
  return config::ReadConfiguration(ConfigurationLibrary::kDeviceNet, baseKey, cfg, net);
}

CONFIGURATION_EXPORT int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg,
                                           DeviceNetConfiguration* net) {
  return config::SaveConfiguration(ConfigurationLibrary::kDeviceNet, baseKey, cfg, net);
}
