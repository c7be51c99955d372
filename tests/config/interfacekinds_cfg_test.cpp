// The configuration windows of the SST CAN2A card, the 1770-KFD module, the
// SST scanner and the IXXAT board against the bench: their Test buttons open
// the interface through the real libraries, and "Configure Hardware" on an
// IXXAT board runs the board selection of the bench's registration library.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "platform/registry.h"
#include "sim/canbus.h"
#include "sim/kfd/kfdmodule.h"
#include "tests/config/dialoglibraries.h"
#include "tests/config/dialogtest.h"
#include "tests/support/ixxatbench.h"
#include "tests/support/scratch.h"
#include "tests/support/sstbench.h"

namespace {

using namespace dialogtest;

// Each box's text and caption.
using BoxList = std::vector<std::pair<std::string, std::string>>;

class InterfaceKindDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(can.Loaded());
    ASSERT_TRUE(dnet.Loaded());
    ASSERT_TRUE(endpoint.Start());
    ASSERT_TRUE(kfd.Start());
    kfd.AttachToBus(bus);
    kfdPort.emplace("FLASHWRIGHT_COM1", kfd.SlavePath());
    // The SST driver's key lists the bench's card and scanner.
    platform::Registry keys;
    for (const char* card : {"CAN2A-1", "DNSCAN-1"}) {
      ASSERT_TRUE(keys.OpenKey(std::string("\\System\\CurrentControlSet\\Services\\ssTechDrvr\\Parameters\\") + card,
                               true));
    }
  }

  BoxList ShownBoxes() {
    BoxList boxes;
    for (const auto& box : services->boxes) boxes.emplace_back(box.text, box.caption);
    return boxes;
  }

  TScopedServices services;
  benchtest::RedirectedRegistry registry;
  sim::CanBus bus;
  benchtest::SstBusEndpoint endpoint{bus};
  sim::KfdModule kfd;
  std::optional<benchtest::ScopedEnv> kfdPort;
  const CanCfgLibrary& can = CanCfg();
  const DnetCfgLibrary& dnet = DnetCfg();
};

TEST_F(InterfaceKindDialogTest, TestButtonsOpenTheCardsOnTheBench) {
  InterfaceConfiguration sst{};
  ASSERT_EQ(WithWindow([&] { return can.SST_CAN2A_HardwareConfigurationWindow(&sst); },
                       [](TForm& window) {
                         Choose(window, "ComboBox_AccessPoint", "CAN2A-1");
                         Press(window, "Button_Test");
                         Press(window, "Button_Ok");
                       }),
            1);
  EXPECT_EQ(Text(sst), "CAN2A-1");

  InterfaceConfiguration kfdRecord{};
  ASSERT_EQ(WithWindow([&] { return can.AB_KFD1770_HardwareConfigurationWindow(&kfdRecord); },
                       [](TForm& window) {
                         Choose(window, "ComboBox_ComPort", "COM1");
                         Choose(window, "ComboBox_ComBaud", "57600");
                         Press(window, "Button_Test");
                         // A card that does not answer on its port fails.
                         Choose(window, "ComboBox_ComPort", "COM4");
                         Press(window, "Button_Test");
                       }),
            0);

  InterfaceConfiguration scanner{};
  ASSERT_EQ(WithWindow([&] { return dnet.SST_DNSCAN_HardwareConfigurationWindow(&scanner); },
                       [](TForm& window) {
                         Choose(window, "ComboBox_AccessPoint", "DNSCAN-1");
                         Press(window, "Button_Test");
                         Press(window, "Button_Ok");
                       }),
            1);
  EXPECT_EQ(scanner.InterfaceType, DNET_INTERFACE_SST_DNSCAN);
  EXPECT_EQ(Text(scanner), "DNSCAN-1");

  EXPECT_EQ(ShownBoxes(), (BoxList{{"Interface Opened Successfully", "SUCCESS"},
                                   {"Interface Opened Successfully", "SUCCESS"},
                                   {"Cannot Open Card", "ERROR"},
                                   {"Interface Opened Successfully", "SUCCESS"}}));
}

// IXXAT boards have no window of their own: both network windows reach the
// board selection through their library's hardware window.
TEST_F(InterfaceKindDialogTest, ConfigureHardwareSelectsAnIxxatBoard) {
  const auto choosesBoard = [](TForm& window, const char* list) {
    Choose(window, list, "IXXAT VCI");
    Press(window, "Button_ConfigureHardware");
    Press(window, "Button_Ok");
  };
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_QX240;
  CANConfiguration canNetwork{};
  ASSERT_EQ(WithWindow([&] { return can.CANConfigurationWindow(&record, &canNetwork); },
                       [&](TForm& window) { choosesBoard(window, "ComboBox_CANInterface"); }),
            1);
  EXPECT_EQ(record.InterfaceType, CAN_INTERFACE_IXXAT_VCI);
  EXPECT_EQ(record.SubType, sim::vcibench::kBoardType);
  EXPECT_STREQ(record.AccessPoint, "VCI bench board 0");

  record = InterfaceConfiguration{};
  record.InterfaceType = CAN_INTERFACE_QX240;
  DeviceNetConfiguration dnetNetwork{};
  ASSERT_EQ(WithWindow([&] { return dnet.DeviceNetConfigurationWindow(&record, &dnetNetwork); },
                       [&](TForm& window) { choosesBoard(window, "ComboBox_DNETInterface"); }),
            1);
  EXPECT_EQ(record.InterfaceType, CAN_INTERFACE_IXXAT_VCI);
  EXPECT_STREQ(record.AccessPoint, "VCI bench board 0");
  EXPECT_TRUE(services->boxes.empty());
}

}  // namespace
