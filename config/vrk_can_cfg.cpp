// VRK_CAN_CFG: the configuration library of the CAN access library: its
// windows and its registry store.
#include "config/canwindows.h"
#include "config/configurationstore.h"
#include "config/versionwindow.h"

using config::ConfigurationLibrary;

CONFIGURATION_EXPORT int CANConfigurationWindow(InterfaceConfiguration* cfg, CANConfiguration* net) {
  return dialogparts::ShowOnCopies<TForm_CAN_CFG>(cfg, net);
}

CONFIGURATION_EXPORT int SST_CAN2A_HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  return dialogparts::ShowOnCopy<TForm_SST_CAN2A_CFG>(cfg);
}

CONFIGURATION_EXPORT int AB_KFD1770_HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  return dialogparts::ShowOnCopy<TForm_AB_KFD1770_CFG>(cfg);
}

CONFIGURATION_EXPORT int VRK_QX240S_HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  return dialogparts::ShowOnCopy<TForm_VRK_QX240S_CFG>(cfg);
}

CONFIGURATION_EXPORT int VRK_QX240U_HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  return dialogparts::ShowOnCopy<TForm_VRK_QX240U_CFG>(cfg);
}

// Lists the levels of the stack below the caller's card; the card stays the
// caller's.
CONFIGURATION_EXPORT int VersionInformationWindow(int card) {
  if (!dialogparts::WindowsAvailable()) return 0;
  TVRK_CAN_Interface binding;
  binding.UseCard(card);
  TBindingVersionSource<TVRK_CAN_Interface> source(binding);
  dialogparts::ShowVersionWindow(&source, {".\\WindowPositions.INI", "VersionInformation", bsSingle});
  return 1;
}

CONFIGURATION_EXPORT int GetInterfaceName(int interfaceType, char* name) {
  return config::GetInterfaceName(ConfigurationLibrary::kCan, interfaceType, name);
}

CONFIGURATION_EXPORT int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg, CANConfiguration* net) {
  return config::ReadConfiguration(ConfigurationLibrary::kCan, baseKey, cfg, net);
}

CONFIGURATION_EXPORT int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg, CANConfiguration* net) {
  return config::SaveConfiguration(ConfigurationLibrary::kCan, baseKey, cfg, net);
}
