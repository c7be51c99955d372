// Where the configuration windows keep their places: each under its own key
// in its library's placement file in the working folder, with the size only
// where the window keeps it.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/interfaceconfiguration.h"
#include "platform/inifile.h"
#include "tests/config/dialogtest.h"
#include "tests/support/scratch.h"

namespace {

using namespace dialogtest;

// The forms of window export: one record, a record and a network record, an
// integer, or the module window's caption, driver, card and record.
int OneRecord(const benchtest::BoundLibrary& library, const char* name) {
  InterfaceConfiguration record{};
  return library.Entry<int(InterfaceConfiguration*)>(name)(&record);
}
int WithNetwork(const benchtest::BoundLibrary& library, const char* name) {
  InterfaceConfiguration record{};
  std::uint8_t network[52] = {};
  return library.Entry<int(InterfaceConfiguration*, void*)>(name)(&record, network);
}
int Integer(const benchtest::BoundLibrary& library, const char* name) {
  return library.Entry<int(int)>(name)(0);
}
int ModuleWindow(const benchtest::BoundLibrary& library, const char* name) {
  InterfaceConfiguration record{};
  int card = 0;
  return library.Entry<int(const char*, const char*, int*, InterfaceConfiguration*)>(name)(
      "VRK QX24X Configuration", "QX24X_MISSING.DLL", &card, &record);
}

struct Placement {
  const char* library;
  const char* window;
  int (*show)(const benchtest::BoundLibrary&, const char*);
  const char* file;
  const char* key;
  bool sizeSaved;
};

const Placement kPlacements[] = {
    {"VRK_CAN_CFG.dll", "CANConfigurationWindow", WithNetwork, "WindowPositions.INI", "VRK_CAN_Configuration", false},
    {"VRK_CAN_CFG.dll", "SST_CAN2A_HardwareConfigurationWindow", OneRecord, "WindowPositions.INI", "SST_CAN2A", false},
    {"VRK_CAN_CFG.dll", "AB_KFD1770_HardwareConfigurationWindow", OneRecord, "WindowPositions.INI", "AB_KFD1770", false},
    {"VRK_CAN_CFG.dll", "VRK_QX240S_HardwareConfigurationWindow", OneRecord, "WindowPositions.INI", "VRK_QX240S", false},
    {"VRK_CAN_CFG.dll", "VRK_QX240U_HardwareConfigurationWindow", OneRecord, "WindowPositions.INI", "VRK_QX240U", false},
    {"VRK_CAN_CFG.dll", "VersionInformationWindow", Integer, "WindowPositions.INI", "VersionInformation", false},
    {"VRK_DNET_CFG.dll", "DeviceNetConfigurationWindow", WithNetwork, "WindowPositions.INI", "Form_DeviceNetInterfaceConfiguration",
     false},
    {"VRK_DNET_CFG.dll", "VRK_QX241S_HardwareConfigurationWindow", OneRecord, "FORM.INI", "Form_VRK_QX241S_CFG", true},
    {"VRK_DNET_CFG.dll", "VRK_QX241U_HardwareConfigurationWindow", Integer, "FORM.INI", "Form_VRK_QX241U_CFG", false},
    {"VRK_DNET_CFG.dll", "SST_DNSCAN_HardwareConfigurationWindow", OneRecord, "FORM.INI", "Form_SST_DNSCAN_CFG", false},
    {"VRK_DNET_CFG.dll", "VersionInformationWindow", Integer, "FORM.INI", "Form_VersionInformation", false},
    {"VRK_COPN_CFG.dll", "CANopenConfigurationWindow", WithNetwork, "FORM.INI", "Form_DeviceNetInterfaceConfiguration", false},
    {"VRK_COPN_CFG.dll", "VRK_QX242_HardwareConfigurationWindow", OneRecord, "FORM.INI", "Form_VRK_QX242_CFG", true},
    {"VRK_COPN_CFG.dll", "VersionInformationWindow", Integer, "FORM.INI", "Form_VersionInformation", false},
    {"VRK_QX24X_CFG.dll", "VRK_QX24X_HardwareConfigurationWindow", ModuleWindow, "FORM.INI", "Form_VRK_QX242_CFG",
     true},
};

TEST(DialogPlacement, EachWindowKeepsItsPlaceUnderItsKey) {
  const std::filesystem::path folder = std::filesystem::current_path();
  TScopedServices services;
  benchtest::RedirectedRegistry registry;
  for (const Placement& placement : kPlacements) {
    SCOPED_TRACE(placement.window);
    std::filesystem::remove(folder / "WindowPositions.INI");
    std::filesystem::remove(folder / "FORM.INI");
    const benchtest::BoundLibrary library(placement.library);
    WithWindow([&] { return placement.show(library, placement.window); }, [](TForm&) {});
    const platform::IniFile ini(".\\" + std::string(placement.file));
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{placement.key});
    const std::vector<std::string> keys = ini.ReadSection(placement.key);
    EXPECT_NE(std::find(keys.begin(), keys.end(), "Left"), keys.end());
    EXPECT_EQ(std::find(keys.begin(), keys.end(), "Right") != keys.end(), placement.sizeSaved);
  }
}

}  // namespace
