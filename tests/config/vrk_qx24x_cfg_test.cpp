// The module window of the QX24X configuration library, as the drivers call
// it, testing through the real driver library against the bench's QX24X
// module on a pseudo-terminal and on USB.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "config/dialogparts.h"
#include "sim/qx24x/qx24xmodule.h"
#include "sim/qx24x/qx24xserialport.h"
#include "sim/qx24x/qx24xusbdevice.h"
#include "tests/config/dialogtest.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/scratch.h"

namespace {

using namespace dialogtest;

struct Qx24xCfgLibrary : benchtest::BoundLibrary {
  Qx24xCfgLibrary() : BoundLibrary("VRK_QX24X_CFG.dll") {}
  BOUND_EXPORT(VRK_QX24X_HardwareConfigurationWindow, int(const char*, const char*, int*, InterfaceConfiguration*));
  BOUND_EXPORT(VersionInformationWindow, int(int));
};

const Qx24xCfgLibrary& Library() {
  static const Qx24xCfgLibrary library;
  return library;
}

constexpr std::int32_t kNoCard = -7;

class Qx24xDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    benchtest::UseOwnUsbDirectory();
    record.InterfaceType = INTERFACE_QX24X;
  }

  int ModuleWindow(const std::function<void(TForm&)>& act, const char* driver = "QX24X.DLL") {
    return WithWindow(
        [&] { return Library().VRK_QX24X_HardwareConfigurationWindow("VRK QX24X Configuration", driver, &out, &record); },
        act);
  }

  std::vector<std::pair<std::string, std::string>> Boxes() {
    std::vector<std::pair<std::string, std::string>> boxes;
    for (const auto& box : services->boxes) boxes.emplace_back(box.text, box.caption);
    return boxes;
  }

  ScopedTimeScale fast{2};
  TScopedServices services;
  sim::Qx24xModule module;
  InterfaceConfiguration record{};
  int out = kNoCard;
};

TEST_F(Qx24xDialogTest, SerialRecordStartsInRs232AndSwitchingToUsbListsTheDevices) {
  sim::Qx24xModule second;
  sim::Qx24xUsbDevice first(module, "QX24X-0001");
  sim::Qx24xUsbDevice other(second, "QX24X-0002");
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(other.Start());
  record.ComPort = 2;
  record.ComBaud = 19200;
  ASSERT_EQ(ModuleWindow([](TForm& window) {
              EXPECT_EQ(window.Caption(), "VRK QX24X Configuration");
              EXPECT_EQ(window.BorderIcons(), 0u);
              EXPECT_TRUE(Find<TRadioButton>(window, "RadioButton_RS232")->Checked());
              EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_ComPort")), "COM2");
              EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_ComBaud")), "19200");
              EXPECT_FALSE(Find<TComboBox>(window, "ComboBox_AccessPoint")->Visible());
              Click(window, "RadioButton_USB");
              EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_AccessPoint")),
                        (std::vector<std::string>{"QX24X-0001", "QX24X-0002"}));
              EXPECT_FALSE(Find<TComboBox>(window, "ComboBox_ComPort")->Visible());
              Choose(window, "ComboBox_AccessPoint", "QX24X-0002");
              Press(window, "Button_Ok");
            }),
            1);
  EXPECT_EQ((std::array{record.InterfaceType, record.ComPort, record.ComBaud}), (std::array{INTERFACE_QX24X, 0, 0}));
  EXPECT_EQ(Text(record), "QX24X-0002");
  EXPECT_EQ(out, 0);  // no Test ran
}

TEST_F(Qx24xDialogTest, TestOpensTheModuleOnUsbAndOnTheSerialLineShown) {
  sim::Qx24xUsbDevice usb(module, "QX24X-0001");
  ASSERT_TRUE(usb.Start());
  std::strcpy(record.AccessPoint, "QX24X-0001");
  ASSERT_EQ(ModuleWindow([](TForm& window) {
              EXPECT_EQ(Selected(Find<TComboBox>(window, "ComboBox_AccessPoint")), "QX24X-0001");
              Press(window, "Button_TestInterface");
              Press(window, "Button_Ok");
            }),
            1);
  EXPECT_EQ(Boxes(), (std::vector<std::pair<std::string, std::string>>{{"Interface Opened", "Success"}}));

  // The port chosen in the list is the one tested, before any Ok.
  sim::Qx24xSerialPort serial(module);
  ASSERT_TRUE(serial.Start());
  benchtest::ScopedEnv com3("FLASHWRIGHT_COM3", serial.SlavePath());
  record = {};
  record.InterfaceType = INTERFACE_QX24X;
  services->boxes.clear();
  ASSERT_EQ(ModuleWindow([](TForm& window) {
              Click(window, "RadioButton_RS232");
              Press(window, "Button_TestInterface");  // COM1: nothing there
              Choose(window, "ComboBox_ComPort", "COM3");
              Press(window, "Button_TestInterface");
              Press(window, "Button_Ok");
            }),
            1);
  EXPECT_EQ(Boxes(), (std::vector<std::pair<std::string, std::string>>{{"Cannot Open Interface", "ERROR"},
                                                                         {"Interface Opened", "Success"}}));
  EXPECT_EQ((std::array{record.InterfaceType, record.ComPort, record.ComBaud}),
            (std::array{INTERFACE_QX24X, 3, 57600}));
  EXPECT_EQ(Text(record), "");
  EXPECT_NE(out, kNoCard);
}

TEST_F(Qx24xDialogTest, WithoutTheDriverLibraryTestReportsItAndCancelHandsNothingBack) {
  std::strcpy(record.AccessPoint, "QX24X-0001");
  const InterfaceConfiguration before = record;
  EXPECT_EQ(ModuleWindow(
                [](TForm& window) {
                  EXPECT_EQ(Entries(Find<TComboBox>(window, "ComboBox_AccessPoint")), std::vector<std::string>{"1"});
                  Press(window, "Button_TestInterface");
                  Press(window, "Button_Cancel");
                },
                "QX2XX_MISSING.DLL"),
            0);
  EXPECT_EQ(Boxes(), (std::vector<std::pair<std::string, std::string>>{{"Cannot Find Driver", "ERROR"}}));
  EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
  EXPECT_EQ(out, kNoCard);
}

TEST(Qx24xVersionWindow, ShowsAnEmptyList) {
  std::vector<std::string> lines{"not read"};
  EXPECT_EQ(WithWindow([] { return Library().VersionInformationWindow(3); },
                       [&](TForm& window) { lines = Entries(Find<TListBox>(window, "ListBox_Version")); }),
            0);
  EXPECT_TRUE(lines.empty());
}

TEST(UsbDeviceNames, StayWithinTheBufferWhateverCountTheDriverReports) {
  struct Case {
    std::string bytes;  // the buffer's whole content
    std::uint32_t count;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {std::string("A-1\0B-2\0", 8), 2, {"A-1", "B-2"}},
      {std::string("A-1\0B-2\0", 8), 1, {"A-1"}},
      {std::string("A-1\0B-2\0\0\0\0\0", 12), 4000, {"A-1", "B-2"}},  // an empty name ends the list
      {std::string("A-1\0B-2", 7), 2, {"A-1"}},                      // a name cut by the buffer's end
      {std::string(512, 'x'), 1, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dialogparts::UsbDeviceNames(c.bytes.data(), c.bytes.size(), c.count), c.names)
        << ::testing::PrintToString(c.bytes);
  }
}

}  // namespace
