// The four configuration libraries' exports by name, and their windows in a
// process that has no window application: no window, result 0, the caller's
// records untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/interfaceconfiguration.h"
#include "tests/support/boundlibrary.h"

namespace {

struct Exports {
  const char* library;
  std::vector<std::string> names;
};

const Exports kExports[] = {
    {"VRK_CAN_CFG.dll",
     {"CANConfigurationWindow", "SST_CAN2A_HardwareConfigurationWindow", "AB_KFD1770_HardwareConfigurationWindow",
      "VRK_QX240S_HardwareConfigurationWindow", "VRK_QX240U_HardwareConfigurationWindow", "VersionInformationWindow",
      "GetInterfaceName", "ReadConfiguration", "SaveConfiguration"}},
    {"VRK_DNET_CFG.dll",
     {"DeviceNetConfigurationWindow", "VRK_QX241S_HardwareConfigurationWindow",
      "VRK_QX241U_HardwareConfigurationWindow", "SST_DNSCAN_HardwareConfigurationWindow", "VersionInformationWindow",
      "GetInterfaceName", "GetInterfaceType", "ReadConfiguration", "SaveConfiguration"}},
    {"VRK_COPN_CFG.dll",
     {"CANopenConfigurationWindow", "VRK_QX242_HardwareConfigurationWindow", "VersionInformationWindow",
      "GetInterfaceName", "GetInterfaceType", "ReadConfiguration", "SaveConfiguration"}},
    {"VRK_QX24X_CFG.dll",
     {"VRK_QX24X_HardwareConfigurationWindow", "VersionInformationWindow", "GetInterfaceName", "GetInterfaceType",
      "ReadConfiguration", "SaveConfiguration"}},
};

TEST(DialogExports, EachLibraryExportsItsOwnWindowsAndNoOthers) {
  std::vector<std::string> every;
  for (const Exports& exports : kExports) every.insert(every.end(), exports.names.begin(), exports.names.end());
  for (const Exports& exports : kExports) {
    const benchtest::BoundLibrary library(exports.library);
    ASSERT_TRUE(library.Loaded()) << exports.library;
    for (const std::string& name : every) {
      const bool expected = std::find(exports.names.begin(), exports.names.end(), name) != exports.names.end();
      EXPECT_EQ(library.Entry<void()>(name.c_str()) != nullptr, expected) << exports.library << " " << name;
    }
  }
}

TEST(DialogExports, WithoutAWindowApplicationNoWindowOpensAndNothingIsConfirmed) {
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_QX240;
  record.ComPort = 2;
  std::uint8_t network[52] = {1, 2, 3};
  const InterfaceConfiguration recordBefore = record;
  const benchtest::BoundLibrary can("VRK_CAN_CFG.dll");
  const benchtest::BoundLibrary dnet("VRK_DNET_CFG.dll");
  const benchtest::BoundLibrary copn("VRK_COPN_CFG.dll");
  const benchtest::BoundLibrary qx24x("VRK_QX24X_CFG.dll");
  using NetworkWindow = int(InterfaceConfiguration*, void*);
  using HardwareWindow = int(InterfaceConfiguration*);
  EXPECT_EQ(can.Entry<NetworkWindow>("CANConfigurationWindow")(&record, network), 0);
  EXPECT_EQ(dnet.Entry<NetworkWindow>("DeviceNetConfigurationWindow")(&record, network), 0);
  EXPECT_EQ(copn.Entry<NetworkWindow>("CANopenConfigurationWindow")(&record, network), 0);
  EXPECT_EQ(can.Entry<HardwareWindow>("AB_KFD1770_HardwareConfigurationWindow")(&record), 0);
  EXPECT_EQ(dnet.Entry<int(int)>("VRK_QX241U_HardwareConfigurationWindow")(0), 0);
  EXPECT_EQ(copn.Entry<HardwareWindow>("VRK_QX242_HardwareConfigurationWindow")(&record), 0);
  int out = -3;
  EXPECT_EQ(qx24x.Entry<int(const char*, const char*, int*, InterfaceConfiguration*)>(
                "VRK_QX24X_HardwareConfigurationWindow")("VRK QX24X Configuration", "QX24X.DLL", &out, &record),
            0);
  EXPECT_EQ(out, -3);
  for (const auto* library : {&can, &dnet, &copn}) {
    EXPECT_EQ(library->Entry<int(int)>("VersionInformationWindow")(0), 0);
  }
  EXPECT_EQ(std::memcmp(&record, &recordBefore, sizeof record), 0);
  EXPECT_EQ((std::vector<std::uint8_t>(network, network + 3)), (std::vector<std::uint8_t>{1, 2, 3}));
}

}  // namespace
