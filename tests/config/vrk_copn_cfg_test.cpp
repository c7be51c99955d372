// The CANopen configuration library's windows, through its exports as
// VRK_COPN calls them.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "canopen/copnapi.h"
#include "tests/config/dialogtest.h"
#include "tests/support/qx240bench.h"

namespace {

using namespace dialogtest;

struct CopnCfgLibrary : benchtest::BoundLibrary {
  CopnCfgLibrary() : BoundLibrary("VRK_COPN_CFG.dll") {}
  BOUND_EXPORT(CANopenConfigurationWindow, int(InterfaceConfiguration*, CANopenConfiguration*));
  BOUND_EXPORT(VRK_QX242_HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(VersionInformationWindow, int(int));
};

const CopnCfgLibrary& Library() {
  static const CopnCfgLibrary library;
  return library;
}

class CopnDialogTest : public ::testing::Test {
 protected:
  int NetworkWindow(const std::function<void(TForm&)>& act) {
    return WithWindow([&] { return Library().CANopenConfigurationWindow(&record, &network); }, act);
  }

  TScopedServices services;
  benchtest::RedirectedRegistry registry;
  InterfaceConfiguration record{};
  CANopenConfiguration network{};
};

TEST_F(CopnDialogTest, NetworkWindowShowsNodeAndRateAndOkReturnsThem) {
  struct Case {
    std::int32_t node, rate;
    const char* shownNode;
    const char* shownRate;
    std::int32_t okNode, okRate;
  };
  const Case cases[] = {
      {0, 800000, "127", "*800 kb*", 127, 800000},  // node 0 is taken as 127
      {5, 300000, "5", "125 kb", 5, 125000},        // a rate not listed shows 125 kb
      {1, 1000000, "1", "1 Mb", 1, 1000000},
  };
  record.InterfaceType = 0x40001;  // no item of the list: "VRK QX240" stays
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shownRate);
    network.NodeID = c.node;
    network.BaudRate = c.rate;
    ASSERT_EQ(NetworkWindow([&](TForm& window) {
                EXPECT_EQ(window.Caption(), "CANopen Interface Configuration");
                EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_COPNInterface")),
                          (std::vector<std::string>{"VRK QX242", "VRK QX240", "SST CAN2A", "AB 1770-KFD",
                                                    "IXXAT VCI"}));
                EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_BaudRate")),
                          (std::vector<std::string>{"10 kb", "20 kb", "50 kb", "100 kb", "125 kb", "250 kb",
                                                    "500 kb", "*800 kb*", "1 Mb"}));
                EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_NodeID")).size(), 127u);
                EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_COPNInterface")), "VRK QX240");
                EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_NodeID")), c.shownNode);
                EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_BaudRate")), c.shownRate);
                Press(window, "Button_Ok");
              }),
              1);
    EXPECT_EQ((std::array{network.NodeID, network.BaudRate}), (std::array{c.okNode, c.okRate}));
    EXPECT_EQ(record.InterfaceType, 1);
    record.InterfaceType = 0x40001;
  }
}

TEST_F(CopnDialogTest, OnlyAUsersChangeOfTypeClearsTheHardwareFields) {
  record.InterfaceType = 0x20001;
  record.ComPort = 2;
  record.ComBaud = 19200;
  std::strcpy(record.AccessPoint, "QX24X-0001");
  network.NodeID = 3;
  ASSERT_EQ(NetworkWindow([](TForm& window) { Press(window, "Button_Ok"); }), 1);
  EXPECT_EQ((std::array{record.InterfaceType, record.ComPort, record.ComBaud}), (std::array{0x20001, 2, 19200}));
  EXPECT_EQ(Text(record), "QX24X-0001");

  const InterfaceConfiguration before = record;
  ASSERT_EQ(NetworkWindow([](TForm& window) {
              Choose(window, "ComboBox_COPNInterface", "AB 1770-KFD");
              Press(window, "Button_Cancel");
            }),
            0);
  EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);

  ASSERT_EQ(NetworkWindow([](TForm& window) {
              Choose(window, "ComboBox_COPNInterface", "AB 1770-KFD");
              Press(window, "Button_Ok");
            }),
            1);
  EXPECT_EQ((std::array{record.InterfaceType, record.ComPort, record.ComBaud}), (std::array{0x20, 0, 0}));
  EXPECT_EQ(Text(record), "");
}

TEST_F(CopnDialogTest, Qx242WindowKeepsItsModeAndTestsThroughVrkCopn) {
  record.ComPort = 2;
  record.ComBaud = 19200;
  ASSERT_EQ(WithWindow([&] { return Library().VRK_QX242_HardwareConfigurationWindow(&record); },
                       [](TForm& window) {
                         EXPECT_EQ(window.Caption(), "VRK QX242 Configuration");
                         EXPECT_TRUE(Find<TRadioButton>(window, "RadioButton_RS232")->Checked());
                         EXPECT_TRUE(Find<TComboBox>(window, "ComboBox_ComPort")->Visible());
                         EXPECT_FALSE(Find<TComboBox>(window, "ComboBox_AccessPoint")->Visible());
                         EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_ComPort")), "COM2");
                         EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_ComBaud")), "19200");
                         Press(window, "Button_Test");  // VRK_COPN refuses the QX242
                         Click(window, "RadioButton_USB");
                         EXPECT_TRUE(Find<TComboBox>(window, "ComboBox_AccessPoint")->Visible());
                         EXPECT_FALSE(Find<TComboBox>(window, "ComboBox_ComPort")->Visible());
                         Press(window, "Button_Ok");
                       }),
            1);
  // USB is kept as USB: a serial port in the record would mean RS232.
  EXPECT_EQ((std::array{record.InterfaceType, record.ComPort, record.ComBaud}), (std::array{0x20001, 0, 0}));
  ASSERT_EQ(services->boxes.size(), 1u);
  EXPECT_EQ(services->boxes[0].text, "Cannot Open Interface");
  EXPECT_EQ(services->boxes[0].caption, "ERROR");
}

TEST_F(CopnDialogTest, ConfigureHardwareOfTheQx242OpensTheModuleWindow) {
  network.NodeID = 1;
  ASSERT_EQ(NetworkWindow([](TForm& window) {
              Choose(window, "ComboBox_COPNInterface", "VRK QX242");
              OnNextWindow([](TForm& hardware) {
                EXPECT_EQ(hardware.Caption(), "VRK QX242 Configuration");
                EXPECT_NE(hardware.FindComponent("Button_TestInterface"), nullptr);
                Press(hardware, "Button_TestInterface");  // there is no QX242 driver library
                Click(hardware, "RadioButton_RS232");
                Choose(hardware, "ComboBox_ComPort", "COM3");
                Press(hardware, "Button_Ok");
              });
              Press(window, "Button_ConfigureHardware");
              Press(window, "Button_Ok");
            }),
            1);
  EXPECT_EQ((std::array{record.InterfaceType, record.ComPort, record.ComBaud}), (std::array{0x20001, 3, 57600}));
  ASSERT_EQ(services->boxes.size(), 1u);
  EXPECT_EQ(services->boxes[0].text, "Cannot Find Driver");
}

class CopnDialogBenchTest : public benchtest::CardBench<> {
 protected:
  CopnDialogBenchTest() : CardBench("VRK_COPN.dll") {}
  TScopedServices services;
  benchtest::RedirectedRegistry registry;
};

TEST_F(CopnDialogBenchTest, VersionWindowListsTheStackAndLeavesTheInterfaceOnline) {
  OpenCard();
  ASSERT_EQ(BOUND_ENTRY(library, SetBaud)(card, 500000), 1);
  ASSERT_EQ(BOUND_ENTRY(library, SetOnline)(card, 1), 1);

  std::vector<std::string> lines;
  EXPECT_EQ(WithWindow([&] { return Library().VersionInformationWindow(card); },
                       [&](TForm& window) { lines = Entries(Find<TListBox>(window, "ListBox_Version")); }),
            1);
  ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0].rfind("VRK_COPN.DLL Version=", 0), 0u);
  EXPECT_EQ(lines[1].rfind("VRK_COCN.DLL Version=", 0), 0u);

  std::int32_t online = 0;
  ASSERT_EQ(BOUND_ENTRY(library, GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 1);
  EXPECT_TRUE(benchtest::Eventually([&] { return adapter.State().online; }));
}

}  // namespace
