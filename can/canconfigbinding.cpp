#include "can/canconfigbinding.h"

#include "can/lazylibrary.h"

namespace {

CanConfigApi api{};
LazyLibrary library("VRK_CAN_CFG.dll");

void BindAll(platform::ModuleHandle module) {
  BindEntry(module, "CANConfigurationWindow", api.CANConfigurationWindow);
  BindEntry(module, "AB_KFD1770_HardwareConfigurationWindow", api.AB_KFD1770_HardwareConfigurationWindow);
  BindEntry(module, "SST_CAN2A_HardwareConfigurationWindow", api.SST_CAN2A_HardwareConfigurationWindow);
  BindEntry(module, "SaveConfiguration", api.SaveConfiguration);
  BindEntry(module, "ReadConfiguration", api.ReadConfiguration);
  BindEntry(module, "VersionInformationWindow", api.VersionInformationWindow);
  BindEntry(module, "GetInterfaceName", api.GetInterfaceName);
}

}  // namespace

const CanConfigApi* CanConfigLibrary() { return library.Ensure(BindAll) ? &api : nullptr; }
