#pragma once
// The CAN and DeviceNet configuration libraries as their callers bind them,
// each loaded once for the test binary.
#include "config/interfaceconfiguration.h"
#include "tests/support/boundlibrary.h"

namespace dialogtest {

struct CanCfgLibrary : benchtest::BoundLibrary {
  CanCfgLibrary() : BoundLibrary("VRK_CAN_CFG.dll") {}
  BOUND_EXPORT(CANConfigurationWindow, int(InterfaceConfiguration*, CANConfiguration*));
  BOUND_EXPORT(SST_CAN2A_HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(AB_KFD1770_HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(VRK_QX240S_HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(VRK_QX240U_HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(VersionInformationWindow, int(int));
};

struct DnetCfgLibrary : benchtest::BoundLibrary {
  DnetCfgLibrary() : BoundLibrary("VRK_DNET_CFG.dll") {}
  BOUND_EXPORT(DeviceNetConfigurationWindow, int(InterfaceConfiguration*, DeviceNetConfiguration*));
  BOUND_EXPORT(VRK_QX241S_HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(VRK_QX241U_HardwareConfigurationWindow, int(int));
  BOUND_EXPORT(SST_DNSCAN_HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(VersionInformationWindow, int(int));
};

inline const CanCfgLibrary& CanCfg() {
  static const CanCfgLibrary library;
  return library;
}

inline const DnetCfgLibrary& DnetCfg() {
  static const DnetCfgLibrary library;
  return library;
}

}  // namespace dialogtest
