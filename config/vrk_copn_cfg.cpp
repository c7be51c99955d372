// VRK_COPN_CFG: the configuration library of the CANopen front-end: its
// windows and its registry store.
#include "config/configurationstore.h"
#include "config/copnwindows.h"
#include "config/versionwindow.h"

using config::ConfigurationLibrary;

CONFIGURATION_EXPORT int CANopenConfigurationWindow(InterfaceConfiguration* cfg, CANopenConfiguration* net) {
  return dialogparts::ShowOnCopies<TForm_CANopenInterfaceConfiguration>(cfg, net);
}

CONFIGURATION_EXPORT int VRK_QX242_HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  return dialogparts::ShowOnCopy<TForm_VRK_QX242_CFG>(cfg);
}

// Lists the levels of the stack below the caller's interface; the interface
// stays the caller's.
CONFIGURATION_EXPORT int VersionInformationWindow(int card) {
  if (!dialogparts::WindowsAvailable()) return 0;
  const std::unique_ptr<TVRK_COPN_Interface> binding = CanopenDialogBinding();
  binding->UseCard(card);
  TBindingVersionSource<TVRK_COPN_Interface> source(*binding);
  dialogparts::ShowVersionWindow(&source, {".\\FORM.INI", "Form_VersionInformation", bsDialog});
  return 1;
}

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
