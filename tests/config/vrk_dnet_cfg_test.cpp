// The DeviceNet configuration library's windows, through its exports as
// VRK_DNET calls them.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/osversion.h"
#include "tests/config/dialoglibraries.h"
#include "tests/config/dialogtest.h"
#include "tests/devicenet/dnetbench.h"

namespace {

using namespace dialogtest;

const DnetCfgLibrary& Library() { return DnetCfg(); }

class DnetDialogTest : public ::testing::Test {
 protected:
  DnetDialogTest() { std::memset(&network, 0x5A, sizeof network); }
  ~DnetDialogTest() override { platform::SetOsVersionForTesting(std::nullopt); }

  int NetworkWindow(const std::function<void(TForm&)>& act) {
    return WithWindow([&] { return Library().DeviceNetConfigurationWindow(&record, &network); }, act);
  }

  TScopedServices services;
  benchtest::RedirectedRegistry registry;
  InterfaceConfiguration record{};
  DeviceNetConfiguration network{};
};

TEST_F(DnetDialogTest, NetworkWindowShowsTheRecordAndOkKeepsWhatWasShown) {
  record.InterfaceType = 0x10010;
  record.Port = 0x300;
  std::strcpy(record.AccessPoint, "CardA");
  network.MacId = 5;
  network.BaudRate = 500000;
  network.ScanInterval = 100;
  ASSERT_EQ(NetworkWindow([](TForm& window) {
              EXPECT_EQ(window.Caption(), "DeviceNet Interface Configuration");
              const auto macs = Entries(Find<TComboBox>(window, "ComboBox_MasterMacID"));
              ASSERT_EQ(macs.size(), 64u);
              EXPECT_EQ(macs.front(), "0");
              EXPECT_EQ(macs.back(), "63");
              EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_DNETInterface")),
                        (std::vector<std::string>{"VRK QX241", "SST DNSCAN", "VRK QX240", "SST CAN2A",
                                                  "AB 1770-KFD", "IXXAT VCI"}));
              EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_DNETInterface")), "SST DNSCAN");
              EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_MasterMacID")), "5");
              EXPECT_TRUE(Find<TRadioButton>(window, "RadioButton_500k")->Checked());
              EXPECT_EQ(Find<TGroupBox>(window, "GroupBox_BaudRate")->Caption(), "Baud Rate:");
              Press(window, "Button_Ok");
            }),
            1);
  // Showing the record is no change of type: its hardware fields stay.
  EXPECT_EQ(record.InterfaceType, 0x10010);
  EXPECT_EQ(record.Port, 0x300);
  EXPECT_EQ(Text(record), "CardA");
  EXPECT_EQ((std::array{network.MacId, network.BaudRate, network.ScanInterval}), (std::array{5, 500000, 100}));
}

TEST_F(DnetDialogTest, AUsersChangeOfTypeClearsTheHardwareFields) {
  record.InterfaceType = 0x10010;
  record.Port = 0x300;
  record.Irq = 5;
  record.ComPort = 2;
  record.ComBaud = 19200;
  std::strcpy(record.AccessPoint, "CardA");
  network.BaudRate = 1000000;  // not a DeviceNet rate: the form's 125k stays
  ASSERT_EQ(NetworkWindow([](TForm& window) {
              EXPECT_TRUE(Find<TRadioButton>(window, "RadioButton_125k")->Checked());
              Choose(window, "ComboBox_DNETInterface", "VRK QX241");
              Choose(window, "ComboBox_MasterMacID", "63");
              Press(window, "Button_Ok");
            }),
            1);
  EXPECT_EQ(record.InterfaceType, 0x10001);
  EXPECT_EQ((std::array{record.Port, record.Irq, record.ComPort, record.ComBaud}), (std::array{0, 0, 0, 0}));
  EXPECT_EQ(Text(record), "");
  EXPECT_EQ(network.MacId, 63);
  EXPECT_EQ(network.BaudRate, 125000);
}

TEST_F(DnetDialogTest, InitialInterfaceDependsOnTheSystemVersion) {
  struct Case {
    platform::OsVersion os;
    const char* shown;
  };
  const Case cases[] = {
      {{platform::kPlatformWin32Nt, 10, 0}, "SST CAN2A"},  {{platform::kPlatformWin32Nt, 5, 0}, "SST CAN2A"},
      {{platform::kPlatformWin32Nt, 4, 0}, "VRK QX240"},   {{platform::kPlatformWin32Windows, 4, 0}, "VRK QX240"},
      {{platform::kPlatformWin32Windows, 4, 10}, "SST CAN2A"},
  };
  record.InterfaceType = 0x40001;  // no item of the list
  for (const Case& c : cases) {
    platform::SetOsVersionForTesting(c.os);
    SCOPED_TRACE(std::to_string(c.os.PlatformId) + " " + std::to_string(c.os.MajorVersion));
    EXPECT_EQ(NetworkWindow([&](TForm& window) {
                EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_DNETInterface")), c.shown);
              }),
              0);
  }
  // The real answer on this system.
  platform::SetOsVersionForTesting(std::nullopt);
  NetworkWindow([](TForm& window) {
    EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_DNETInterface")), "SST CAN2A");
  });
}

TEST_F(DnetDialogTest, HardwareWindowsTakeTheirValuesAndReportMissingInterfaces) {
  record.ComPort = 3;
  record.ComBaud = 38400;
  std::strcpy(record.AccessPoint, "old");
  ASSERT_EQ(WithWindow([&] { return Library().VRK_QX241S_HardwareConfigurationWindow(&record); },
                       [](TForm& window) {
                         EXPECT_EQ(window.Caption(), "VRK QX241S Configuration");
                         EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_ComPort")), "COM3");
                         EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_ComBaud")), "38400");
                         Choose(window, "ComboBox_ComPort", "COM2");
                         Press(window, "Button_Test");  // the QX241 library is not there
                         Press(window, "Button_Ok");
                       }),
            1);
  EXPECT_EQ(record.InterfaceType, 0x10001);
  EXPECT_EQ((std::array{record.ComPort, record.ComBaud}), (std::array{2, 38400}));
  EXPECT_EQ(Text(record), "");

  EXPECT_EQ(WithWindow([&] { return Library().VRK_QX241U_HardwareConfigurationWindow(0); },
                       [](TForm& window) {
                         EXPECT_EQ(window.Caption(), "VRK QX241U Configuration");
                         EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_AccessPoint")),
                                   std::vector<std::string>{"1"});
                         Press(window, "Button_Ok");  // Ok tests and leaves the window open
                         EXPECT_TRUE(window.Modal());
                         EXPECT_EQ(window.ModalResult(), mrNone);
                         EXPECT_TRUE(Find<TButton>(window, "Button_Test")->Enabled());
                       }),
            0);

  InterfaceConfiguration sst{};
  sst.ComPort = 4;
  ASSERT_EQ(WithWindow([&] { return Library().SST_DNSCAN_HardwareConfigurationWindow(&sst); },
                       [](TForm& window) {
                         EXPECT_EQ(window.Caption(), "SST DNSCAN Configuration");
                         Press(window, "Button_Test");
                         Press(window, "Button_Ok");
                       }),
            1);
  EXPECT_EQ(sst.InterfaceType, 0x10010);
  EXPECT_EQ(sst.ComPort, 4);  // the other fields are kept

  std::vector<std::pair<std::string, std::string>> boxes;
  for (const auto& box : services->boxes) boxes.emplace_back(box.text, box.caption);
  EXPECT_EQ(boxes, (std::vector<std::pair<std::string, std::string>>{{"Cannot Open Card", "ERROR"},
                                                                       {"Cannot Open Card", "ERROR"},
                                                                       {"Cannot Open Interface", "ERROR"}}));
}

class DnetDialogBenchTest : public dnettest::DnetBench {
 protected:
  TScopedServices services;
  benchtest::RedirectedRegistry registry;
};

TEST_F(DnetDialogBenchTest, VersionWindowListsTheStackAndLeavesTheNetworkOnline) {
  AddSlave(Slave(5));
  GoOnlineAndBrowse();
  ASSERT_TRUE(WaitForNode(5));

  std::vector<std::string> lines;
  EXPECT_EQ(WithWindow([&] { return Library().VersionInformationWindow(card); },
                       [&](TForm& window) { lines = Entries(Find<TListBox>(window, "ListBox_Version")); }),
            1);
  ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0].rfind("VRK_DNET.DLL Version=", 0), 0u);
  EXPECT_EQ(lines[1].rfind("VRK_DNCN.DLL Version=", 0), 0u);
  EXPECT_EQ(lines[2].rfind("VRK_CAN.DLL Version=", 0), 0u);
  EXPECT_EQ(lines[3].rfind("QX240.DLL Version=", 0), 0u);

  std::int32_t online = 0;
  ASSERT_EQ(DNET(GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 1);
  EXPECT_TRUE(NodeIsOnline(5));
}

}  // namespace
