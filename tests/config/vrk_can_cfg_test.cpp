// The CAN configuration library's windows, through its exports as VRK_CAN
// calls them, and their Test buttons against the bench's QX240 adapter.
#include <gtest/gtest.h>

#include <cstring>

#include "can/vrk_can.h"
#include "sim/qx240/qx240usbadapter.h"
#include "platform/osversion.h"
#include "platform/registry.h"
#include "tests/config/dialoglibraries.h"
#include "tests/config/dialogtest.h"
#include "tests/support/qx240bench.h"

namespace {

using namespace dialogtest;

const CanCfgLibrary& Library() { return CanCfg(); }

class CanDialogTest : public ::testing::Test {
 protected:
  // The records a caller hands in, with bytes in every field that no window
  // should touch.
  CanDialogTest() {
    std::memset(&record, 0x5A, sizeof record);
    std::memset(&network, 0x5A, sizeof network);
    record.AccessPoint[0] = '\0';
  }

  int NetworkWindow(const std::function<void(TForm&)>& act) {
    return WithWindow([&] { return Library().CANConfigurationWindow(&record, &network); }, act);
  }

  TScopedServices services;
  benchtest::RedirectedRegistry registry;
  InterfaceConfiguration record{};
  CANConfiguration network{};
};

TEST_F(CanDialogTest, NetworkWindowShowsTheRecordAndOkReturnsTheShownValues) {
  struct Case {
    std::int32_t type;
    std::int32_t rate;
    std::int32_t extended;
    const char* shownType;
    std::vector<std::string> rates;
    const char* shownRate;
    std::int32_t okRate;
    std::int32_t okStandard, okExtended;
  };
  const std::vector<std::string> allRates = {"10k", "20k", "50k", "100k", "125k", "250k", "500k", "1M",
                                             "User Defined"};
  const Case cases[] = {
      // The fixed-kind interfaces carry standard identifiers only.
      {0x20, 250000, 1, "AB 1770-KFD", {"125k", "250k", "500k"}, "250k", 250000, 1, 0},
      {0x10, 500000, 0, "SST CAN2A", {"125k", "250k", "500k", "User Defined"}, "500k", 500000, 1, 0},
      // A rate not listed shows entry 0; the QX240's check boxes keep both flags.
      {0x1, 800000, 1, "VRK QX240", allRates, "10k", 10000, 0, 1},
      {0x30, 1000000, 1, "IXXAT VCI", allRates, "1M", 1000000, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shownType);
    record.InterfaceType = c.type;
    network.BaudRate = c.rate;
    network.Standard = 0;
    network.Extended = c.extended;
    const CANConfiguration before = network;
    ASSERT_EQ(NetworkWindow([&](TForm& window) {
                EXPECT_EQ(window.Caption(), "CAN Interface Configuration");
                EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_CANInterface")),
                          (std::vector<std::string>{"VRK QX240", "SST CAN2A", "AB 1770-KFD", "IXXAT VCI"}));
                EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_CANInterface")), c.shownType);
                EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_BaudRate")), c.rates);
                EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_BaudRate")), c.shownRate);
                EXPECT_FALSE(Find<TEdit>(window, "Edit_BTR0")->Visible());
                EXPECT_EQ(Find<TButton>(window, "Button_ConfigureHardware")->Hint(), "Apply Hardware Settings");
                Press(window, "Button_Ok");
              }),
              1);
    EXPECT_EQ(record.InterfaceType, c.type);
    EXPECT_EQ(network.BaudRate, c.okRate);
    EXPECT_EQ(network.Standard, c.okStandard);
    EXPECT_EQ(network.Extended, c.okExtended);
    EXPECT_EQ(std::memcmp(network.Spare, before.Spare, sizeof network.Spare), 0);
  }
}

TEST_F(CanDialogTest, IdentifierKindFollowsTheInterfaceType) {
  record.InterfaceType = 0x20;
  network.BaudRate = 250000;
  ASSERT_EQ(NetworkWindow([](TForm& window) {
              EXPECT_TRUE(Find<TRadioButton>(window, "RadioButton_Standard")->Checked());
              EXPECT_FALSE(Find<TRadioButton>(window, "RadioButton_Extended")->Enabled());
              EXPECT_FALSE(Find<TCheckBox>(window, "CheckBox_Standard")->Visible());
              // The QX240 carries both kinds at once, through check boxes.
              Choose(window, "ComboBox_CANInterface", "VRK QX240");
              EXPECT_TRUE(Find<TCheckBox>(window, "CheckBox_Standard")->Visible());
              EXPECT_FALSE(Find<TRadioButton>(window, "RadioButton_Standard")->Visible());
              EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_BaudRate")), "250k");
              Find<TCheckBox>(window, "CheckBox_Standard")->SetChecked(true);
              Find<TCheckBox>(window, "CheckBox_Extended")->SetChecked(true);
              Choose(window, "ComboBox_BaudRate", "User Defined");
              EXPECT_TRUE(Find<TEdit>(window, "Edit_BTR0")->Visible());
              EXPECT_TRUE(Find<TLabel>(window, "Label_BTR1")->Visible());
              Press(window, "Button_Ok");
            }),
            1);
  EXPECT_EQ(record.InterfaceType, 1);
  EXPECT_EQ(network.BaudRate, 0);
  EXPECT_EQ(network.Standard, 1);
  EXPECT_EQ(network.Extended, 1);
}

TEST_F(CanDialogTest, CancelLeavesTheCallersRecordsUntouched) {
  record.InterfaceType = 0x20;
  const InterfaceConfiguration recordBefore = record;
  const CANConfiguration networkBefore = network;
  EXPECT_EQ(NetworkWindow([](TForm& window) {
              Choose(window, "ComboBox_CANInterface", "IXXAT VCI");
              Press(window, "Button_Cancel");
            }),
            0);
  EXPECT_EQ(std::memcmp(&record, &recordBefore, sizeof record), 0);
  EXPECT_EQ(std::memcmp(&network, &networkBefore, sizeof network), 0);
}

TEST_F(CanDialogTest, ConfigureHardwareEditsTheWindowsCopyThroughVrkCan) {
  record.InterfaceType = 1;
  network.BaudRate = 125000;
  ASSERT_EQ(NetworkWindow([](TForm& window) {
              Choose(window, "ComboBox_CANInterface", "AB 1770-KFD");
              OnNextWindow([](TForm& kfd) {
                EXPECT_EQ(kfd.Caption(), "KFD-1770 Configuration");
                Choose(kfd, "ComboBox_ComPort", "COM3");
                Choose(kfd, "ComboBox_ComBaud", "9600");
                Press(kfd, "Button_Ok");
              });
              Press(window, "Button_ConfigureHardware");
              Press(window, "Button_Ok");
            }),
            1);
  EXPECT_EQ(record.InterfaceType, 0x20);
  EXPECT_EQ(record.ComPort, 3);
  EXPECT_EQ(record.ComBaud, 9600);
}

TEST_F(CanDialogTest, SerialAndUsbWindowsTakeTheirTypeAndTheListedValues) {
  struct Case {
    int (*const* window)(InterfaceConfiguration*);
    const char* caption;
    std::int32_t comPort, comBaud;
    const char* shownPort;
    const char* shownBaud;
    std::int32_t type;
  };
  const CanCfgLibrary& library = Library();
  const Case cases[] = {
      {&library.AB_KFD1770_HardwareConfigurationWindow, "KFD-1770 Configuration", 0, 0, "COM1", "57600", 0x20},
      {&library.VRK_QX240S_HardwareConfigurationWindow, "VRK QX240S Configuration", 2, 19200, "COM2", "19200", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    record.ComPort = c.comPort;
    record.ComBaud = c.comBaud;
    std::strcpy(record.AccessPoint, "old");
    ASSERT_EQ(WithWindow([&] { return (*c.window)(&record); },
                         [&](TForm& window) {
                           EXPECT_EQ(window.Caption(), c.caption);
                           EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_ComPort")),
                                     (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
                           EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_ComBaud")),
                                     (std::vector<std::string>{"9600", "19200", "38400", "57600"}));
                           EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_ComPort")), c.shownPort);
                           EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_ComBaud")), c.shownBaud);
                           EXPECT_TRUE(Find<TButton>(window, "Button_Test")->Default());
                           Press(window, "Button_Ok");
                         }),
              1);
    EXPECT_EQ(record.InterfaceType, c.type);
    EXPECT_EQ(record.ComPort, c.shownPort[3] - '0');
    EXPECT_EQ(record.ComBaud, std::stoi(c.shownBaud));
    EXPECT_EQ((std::array{record.Port, record.Irq}), (std::array{0, 0}));
    EXPECT_EQ(Text(record), "");
  }

  ASSERT_EQ(WithWindow([&] { return library.VRK_QX240U_HardwareConfigurationWindow(&record); },
                       [](TForm& window) {
                         EXPECT_EQ(window.Caption(), "VRK QX240U Configuration");
                         EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_AccessPoint")),
                                   std::vector<std::string>{"1"});
                         Press(window, "Button_Ok");
                       }),
            1);
  EXPECT_EQ(record.InterfaceType, 1);
  EXPECT_EQ((std::array{record.Port, record.Irq, record.ComPort, record.ComBaud}), (std::array{0, 0, 0, 0}));
  EXPECT_EQ(Text(record), "1");
}

TEST_F(CanDialogTest, SstAccessPointsComeFromTheDriversKeyOfTheSystemFamily) {
  {
    platform::Registry keys;
    ASSERT_TRUE(keys.OpenKey("\\System\\CurrentControlSet\\Services\\ssTechDrvr\\Parameters\\CardA", true));
    ASSERT_TRUE(keys.OpenKey("\\System\\CurrentControlSet\\Services\\ssTechDrvr\\Parameters\\CardB", true));
    ASSERT_TRUE(keys.OpenKey("\\Software\\ssTech\\Cards\\Old95Card", true));
    ASSERT_TRUE(keys.OpenKey("\\Software\\ssTech\\Cards\\" + std::string(300, 'Z'), true));
  }
  const auto accessPoints = [&](std::optional<platform::OsVersion> os) {
    platform::SetOsVersionForTesting(os);
    std::vector<std::string> shown;
    std::strcpy(record.AccessPoint, "CardB");
    WithWindow([&] { return Library().SST_CAN2A_HardwareConfigurationWindow(&record); },
               [&](TForm& window) {
                 EXPECT_EQ(window.Caption(), "SST CAN2A Configuration");
                 shown = Entries(Find<TComboBox>(window, "ComboBox_AccessPoint"));
                 Press(window, "Button_Ok");
               });
    platform::SetOsVersionForTesting(std::nullopt);
    return shown;
  };
  EXPECT_EQ(accessPoints(std::nullopt), (std::vector<std::string>{"CardA", "CardB"}));
  EXPECT_EQ(record.InterfaceType, 0x10);
  EXPECT_EQ(Text(record), "CardB");
  const std::vector<std::string> old = accessPoints(platform::OsVersion{platform::kPlatformWin32Windows, 4, 10});
  ASSERT_EQ(old.size(), 2u);
  EXPECT_EQ(old[0], "Old95Card");
  EXPECT_EQ(Text(record), "Old95Card");

  // A name longer than the field is cut to 255 characters and its NUL.
  platform::SetOsVersionForTesting(platform::OsVersion{platform::kPlatformWin32Windows, 4, 10});
  WithWindow([&] { return Library().SST_CAN2A_HardwareConfigurationWindow(&record); },
             [](TForm& window) {
               Choose(window, "ComboBox_AccessPoint", std::string(300, 'Z'));
               Press(window, "Button_Ok");
             });
  platform::SetOsVersionForTesting(std::nullopt);
  EXPECT_EQ(Text(record), std::string(255, 'Z'));
}

TEST_F(CanDialogTest, TestsOfInterfacesWithoutABackEndFailCleanly) {
  std::strcpy(record.AccessPoint, "CardA");
  ASSERT_EQ(WithWindow([&] { return Library().SST_CAN2A_HardwareConfigurationWindow(&record); },
                       [&](TForm& window) {
                         EXPECT_TRUE(Entries(Find<TComboBox>(window, "ComboBox_AccessPoint")).empty());
                         Press(window, "Button_Test");
                         Press(window, "Button_Ok");
                       }),
            1);
  InterfaceConfiguration kfd{};
  WithWindow([&] { return Library().AB_KFD1770_HardwareConfigurationWindow(&kfd); },
             [](TForm& window) { Press(window, "Button_Test"); });
  ASSERT_EQ(services->boxes.size(), 2u);
  for (const auto& box : services->boxes) {
    EXPECT_EQ(box.text, "Cannot Open Card");
    EXPECT_EQ(box.caption, "ERROR");
  }
  EXPECT_EQ(services->cursors, (std::vector<TCursor>{crHourGlass, crDefault, crHourGlass, crDefault}));
  // No access point to choose: the caller's stays.
  EXPECT_EQ(Text(record), "CardA");
}

// The bench's adapter on COM1, and the stack's own card on it where a test
// needs the program's network online.
class CanDialogBenchTest : public benchtest::CardBench<> {
 protected:
  CanDialogBenchTest() : CardBench("VRK_CAN.dll") {}

  TScopedServices services;
  benchtest::RedirectedRegistry registry;
};

TEST_F(CanDialogBenchTest, RepeatedTestsReopenThePortAndTheWindowClosesItsOwnCard) {
  InterfaceConfiguration record{};
  ASSERT_EQ(WithWindow([&] { return Library().VRK_QX240S_HardwareConfigurationWindow(&record); },
                       [&](TForm& window) {
                         // The serial port opens exclusively: a second Test
                         // succeeds only when the first one's card was closed.
                         Press(window, "Button_Test");
                         Press(window, "Button_Test");
                         Press(window, "Button_Ok");
                       }),
            1);
  ASSERT_EQ(services->boxes.size(), 2u);
  for (const auto& box : services->boxes) {
    EXPECT_EQ(box.text, "Interface Opened Successfully");
    EXPECT_EQ(box.caption, "SUCCESS");
  }
  // The window's card went with it: the port is free for the stack again.
  OpenCard(record);
}

// While the stack holds the port (the program online on it), a Test cannot
// open it again, and the box says so on its second line.
TEST_F(CanDialogBenchTest, TestOfThePortTheStackHoldsSaysWhoHoldsIt) {
  OpenCard();
  InterfaceConfiguration record{};
  record.ComPort = 1;
  WithWindow([&] { return Library().VRK_QX240S_HardwareConfigurationWindow(&record); },
             [](TForm& window) { Press(window, "Button_Test"); });
  ASSERT_EQ(services->boxes.size(), 1u);
  EXPECT_EQ(services->boxes[0].text, "Cannot Open Card\r\nCOM1 is in use by this program.");
  EXPECT_EQ(services->boxes[0].caption, "ERROR");
}

TEST_F(CanDialogBenchTest, WindowsLeaveTheCallersOnlineCardAsItWas) {
  OpenCard();
  ASSERT_EQ(BOUND_ENTRY(library, CAN_SetBaud)(card, 125000), 1);
  ASSERT_EQ(BOUND_ENTRY(library, CAN_SetOnline)(card, 1), 1);

  std::vector<std::string> lines;
  EXPECT_EQ(WithWindow([&] { return Library().VersionInformationWindow(card); },
                       [&](TForm& window) {
                         EXPECT_EQ(window.Caption(), "Version Information");
                         lines = Entries(Find<TListBox>(window, "ListBox_Version"));
                       }),
            1);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "VRK_CAN.DLL Version=1.4");
  EXPECT_EQ(lines[1].rfind("QX240.DLL Version=", 0), 0u) << lines[1];
  EXPECT_EQ(lines[lines.size() - 2].rfind("Hardware Revision=", 0), 0u);
  EXPECT_EQ(lines.back().rfind("Firmware Revision=", 0), 0u);

  // A window that opened nothing closes nothing either.
  InterfaceConfiguration record = benchtest::Qx240OnCom1();
  EXPECT_EQ(WithWindow([&] { return Library().AB_KFD1770_HardwareConfigurationWindow(&record); },
                       [](TForm&) {}),
            0);

  std::int32_t online = 0;
  ASSERT_EQ(BOUND_ENTRY(library, CAN_GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 1);
  EXPECT_TRUE(benchtest::Eventually([&] { return adapter.State().online; }));
}

TEST(CanDialogUsbTest, TheUsbAdapterOpensFromBothItsWindows) {
  benchtest::UseOwnUsbDirectory();
  sim::CanBus bus;
  sim::Qx240UsbAdapter adapter;
  ASSERT_TRUE(adapter.Start());
  adapter.AttachToBus(bus);
  TScopedServices services;

  InterfaceConfiguration record{};
  ASSERT_EQ(WithWindow([&] { return Library().VRK_QX240U_HardwareConfigurationWindow(&record); },
                       [](TForm& window) {
                         Press(window, "Button_Test");
                         Press(window, "Button_Ok");
                       }),
            1);

  // The adapter's own hardware window, as the QX240 driver shows it for VRK_CAN.
  const benchtest::BoundLibrary modules("VRK_QX24X_CFG.dll");
  auto moduleWindow = modules.Entry<int(const char*, const char*, int*, InterfaceConfiguration*)>(
      "VRK_QX24X_HardwareConfigurationWindow");
  int card = 0;
  std::vector<std::string> devices;
  ASSERT_EQ(WithWindow([&] { return moduleWindow("VRK QX240 Configuration", "QX240.DLL", &card, &record); },
                       [&](TForm& window) {
                         EXPECT_TRUE(Find<TRadioButton>(window, "RadioButton_USB")->Checked());
                         devices = Entries(Find<TComboBox>(window, "ComboBox_AccessPoint"));
                         Press(window, "Button_TestInterface");
                         Press(window, "Button_Ok");
                       }),
            1);
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(Text(record), devices[0]);
  EXPECT_EQ(record.InterfaceType, 1);

  std::vector<std::string> texts;
  for (const auto& box : services->boxes) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Interface Opened Successfully", "Interface Opened"}));
}

}  // namespace
