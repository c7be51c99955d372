// The interface set-up through the program's own menus, end to end: the
// configuration libraries' windows opened from the main window, the bench's
// QX240 port chosen and tested in them, stored, and used by the next
// "Start Network Access"; the version window over the program's online card.
#include <fstream>
#include <sstream>

#include "app/Form_main.h"
#include "sim/canopen/canopenslave.h"
#include "sim/qx24x/qx24xmodule.h"
#include "sim/qx24x/qx24xserialport.h"
#include "tests/app/windowtestsupport.h"
#include "tests/config/dialogtest.h"
#include "tests/devicenet/dnetbench.h"

namespace {

using windowtest::MainWindowDriver;
using windowtest::PumpUntil;
using windowtest::SettingsStore;

// The lines of the version window that Help, Version Information opens.
std::vector<std::string> VersionLines(TForm_FW_Download_Main& window) {
  std::vector<std::string> lines;
  dialogtest::WithWindow(
      [&] {
        window.VersionInfo1->Click();
        return 0;
      },
      [&](TForm& version) { lines = dialogtest::Entries(dialogtest::Find<TListBox>(version, "ListBox_Version")); });
  return lines;
}

class ConfigurationWindowTest : public dnettest::DnetBench {
 protected:
  void SetUp() override {
    dnettest::DnetBench::SetUp();
    // No settings prepared: the user sets the interface up in the windows.
    app = std::make_unique<windowtest::MainWindowDriver>(TForm_FW_Download_Main::kDeviceNet, "");
    window = app->window.get();
  }
  void TearDown() override {
    app.reset();
    dnettest::DnetBench::TearDown();
  }

  std::string StoredSettings() const {
    std::ifstream file(getenv("FLASHWRIGHT_REGISTRY"));
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  // Network, Configuration: act runs in the network window it opens.
  void InConfigurationWindow(const std::function<void(TForm&)>& act) {
    dialogtest::WithWindow(
        [&] {
          window->Configuration2->Click();
          return 0;
        },
        act);
  }

  bool NodeListed(std::uint32_t node) {
    for (int row = 1; window->RowNode(row) != TForm_FW_Download_Main::kNoNode; ++row) {
      if (window->RowNode(row) == node) return true;
    }
    return false;
  }

  ScopedTimeScale milder{2};
  std::unique_ptr<windowtest::MainWindowDriver> app;
  TForm_FW_Download_Main* window = nullptr;
};

TEST_F(ConfigurationWindowTest, BenchPortSetUpInTheWindowsTakesTheProgramOnline) {
  AddSlave(Slave(5));
  InConfigurationWindow([](TForm& network) {
    using namespace dialogtest;
    EXPECT_EQ(network.Caption(), "DeviceNet Interface Configuration");
    Choose(network, "ComboBox_DNETInterface", "VRK QX240");
    Choose(network, "ComboBox_MasterMacID", "0");
    OnNextWindow([](TForm& adapter) {
      EXPECT_EQ(adapter.Caption(), "VRK QX240 Configuration");
      Click(adapter, "RadioButton_RS232");
      Choose(adapter, "ComboBox_ComPort", "COM1");
      Choose(adapter, "ComboBox_ComBaud", "57600");
      Press(adapter, "Button_TestInterface");
      Press(adapter, "Button_Ok");
    });
    Press(network, "Button_ConfigureHardware");
    Press(network, "Button_Ok");
  });
  EXPECT_TRUE(app->Shown("Interface Opened")) << app->AllTexts();
  EXPECT_EQ(window->StaticText_InterfaceType->Caption(), "VRK QX240");
  EXPECT_EQ(window->StaticText_InterfaceConfig1->Caption(), "COM1");
  EXPECT_EQ(window->StaticText_InterfaceConfig2->Caption(), "57600");
  const std::string stored = StoredSettings();
  EXPECT_NE(stored.find("Interface Configuration\\VRK QX240]"), std::string::npos) << stored;
  EXPECT_NE(stored.find("\"ComPort\"=dword:00000001"), std::string::npos) << stored;

  app->Rescript();
  app->GoOnline({5});

  // The version window lists the stack below the program's own card and
  // leaves that card online: a node that joins afterwards is still found.
  const std::vector<std::string> lines = VersionLines(*window);
  ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0].rfind("VRK_DNET.DLL Version=", 0), 0u);
  EXPECT_EQ(lines[3].rfind("QX240.DLL Version=", 0), 0u);
  EXPECT_NE(lines[4], "Hardware Revision=Not Available");

  AddSlave(Slave(9));
  EXPECT_TRUE(PumpUntil([&] { return NodeListed(9); }));
  EXPECT_TRUE(NodeListed(5));
}

// Network, Configuration, Configure Hardware, Test while the program is
// online on the adapter: the window's own text, and why on a second line.
TEST_F(ConfigurationWindowTest, TestWhileOnlineSaysTheProgramHoldsThePort) {
  AddSlave(Slave(5));
  app.reset();
  app = std::make_unique<windowtest::MainWindowDriver>(TForm_FW_Download_Main::kDeviceNet, SettingsStore::DeviceNet());
  window = app->window.get();
  app->GoOnline({5});
  InConfigurationWindow([](TForm& network) {
    using namespace dialogtest;
    OnNextWindow([](TForm& adapter) {
      EXPECT_EQ(adapter.Caption(), "VRK QX240 Configuration");
      Press(adapter, "Button_TestInterface");
      Press(adapter, "Button_Cancel");
    });
    Press(network, "Button_ConfigureHardware");
    Press(network, "Button_Cancel");
  });
  EXPECT_TRUE(app->Shown("Cannot Open Interface\r\nCOM1 is in use by this program.")) << app->AllTexts();
  EXPECT_TRUE(NodeListed(5)) << "the program stays online";
}

TEST(CanopenConfigurationWindow, VersionWindowListsTheStackOfTheOnlineInterface) {
  ScopedTimeScale fast{2};
  sim::CanBus bus;
  sim::Qx240Adapter adapter;
  ASSERT_TRUE(adapter.Start());
  adapter.AttachToBus(bus);
  benchtest::ScopedEnv com1("FLASHWRIGHT_COM1", adapter.SlavePath());
  sim::CanopenSlaveConfig config;
  config.node = 7;
  sim::CanopenSlave node(bus, config);

  MainWindowDriver app(TForm_FW_Download_Main::kCANopen, SettingsStore::CANopen());
  app.GoOnline({7});
  const std::vector<std::string> lines = VersionLines(*app.window);
  ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0].rfind("VRK_COPN.DLL Version=", 0), 0u);
  EXPECT_EQ(lines[1].rfind("VRK_COCN.DLL Version=", 0), 0u);
  EXPECT_EQ(lines[2].rfind("VRK_CAN.DLL Version=", 0), 0u);
  EXPECT_EQ(lines[3].rfind("QX240.DLL Version=", 0), 0u);
  EXPECT_TRUE(adapter.State().online);
  app.window.reset();
}

TEST(Qx24xConfigurationWindow, ModulePortSetUpInTheWindowTakesTheProgramOnline) {
  ScopedTimeScale fast{2};
  sim::Qx24xModule module;
  sim::Qx24xSerialPort serial(module);
  ASSERT_TRUE(serial.Start());
  benchtest::ScopedEnv com2("FLASHWRIGHT_COM2", serial.SlavePath());

  MainWindowDriver app(TForm_FW_Download_Main::kQx24x, "");
  dialogtest::WithWindow(
      [&] {
        app.window->Configuration2->Click();
        return 0;
      },
      [](TForm& window) {
        using namespace dialogtest;
        EXPECT_EQ(window.Caption(), "VRK QX24X Configuration");
        Click(window, "RadioButton_RS232");
        Choose(window, "ComboBox_ComPort", "COM2");
        Press(window, "Button_Ok");
      });
  EXPECT_EQ(app.window->StaticText_InterfaceConfig1->Caption(), "COM2");
  app.GoOnline({0});

  const std::vector<std::string> lines = VersionLines(*app.window);
  ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0].rfind("QX24X.DLL Version=", 0), 0u);
  EXPECT_NE(lines[1], "Hardware Revision=Not Available");
  EXPECT_NE(lines[2], "Firmware Revision=Not Available");
  app.window.reset();
}

}  // namespace
