// The program's windows in CANopen and QX24X mode, end to end: a full update
// of a CANopen node through VRK_COPN and of a QX24X module over serial and
// USB through the QX24X driver, each ending with the image in the bench's
// flash under a valid checksum and the new sector booted.
#include <cstdio>
#include <cstring>

#include "framework/codec.h"

#include "sim/canbus.h"
#include "sim/canopen/canopenslave.h"
#include "sim/qx240/qx240adapter.h"
#include "sim/qx24x/qx24xmodule.h"
#include "sim/qx24x/qx24xserialport.h"
#include "sim/qx24x/qx24xusbdevice.h"
#include "tests/app/windowtestsupport.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/scratch.h"

namespace {

using windowtest::MainWindowDriver;
using windowtest::PumpUntil;
using windowtest::SettingsStore;

constexpr std::uint8_t kSector = 2;

// A CANopen node on the bench, reached through the QX240 adapter on COM1.
class CopnWindowTest : public testing::Test {
 protected:
  static constexpr std::uint32_t kPassword = 0x1234ABCD;

  void SetUp() override {
    ASSERT_TRUE(adapter.Start());
    adapter.AttachToBus(bus);
    setenv("FLASHWRIGHT_COM1", adapter.SlavePath().c_str(), 1);
    sim::CanopenSlaveConfig config;
    config.node = 7;
    config.password = kPassword;
    config.deviceName = "CANopen Node";
    node = std::make_unique<sim::CanopenSlave>(bus, config);
  }

  ScopedTimeScale fast{2};
  sim::CanBus bus;
  sim::Qx240Adapter adapter;
  std::unique_ptr<sim::CanopenSlave> node;
};

TEST_F(CopnWindowTest, UpdatesANodeFromTheTable) {
  MainWindowDriver app(TForm_FW_Download_Main::kCANopen, SettingsStore::CANopen());
  EXPECT_EQ(app.window->GroupBox_Interface->Caption(), "CANopen Interface:");
  EXPECT_EQ(app.window->VudUvizidIzed_NodesOnline->GetCellEx(0, 0), "Node ID");
  EXPECT_EQ(app.window->StaticText4->Caption(), "NodeID:");
  app.GoOnline({7});
  EXPECT_EQ(app.window->VudUvizidIzed_NodesOnline->GetCellEx(6, 1), "CANopen Node");

  const std::vector<std::uint8_t> image = apptest::Image(3000, 5);
  app.UpdateNode(1, "1234abcd", app.HexFile(image));
  EXPECT_TRUE(app.Shown("Download Successful")) << app.AllTexts();
  const sim::FirmwareFlash flash = node->Flash();
  const auto written = flash.Image(kSector);
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_TRUE(flash.ChecksumValid(kSector));
  EXPECT_EQ(flash.BootSector(), kSector);
  EXPECT_TRUE(PumpUntil([&] { return node->Mode() == sim::FlashMode::Application; })) << app.AllTexts();
  app.window.reset();
}

// Each bad file is chosen for the node right after it was updated and reset
// into its new firmware: every attempt ends in its own message, and the image
// of the update stays the node's boot image.
TEST_F(CopnWindowTest, BadFilesRightAfterAnUpdateAreRefusedWithTheirCause) {
  MainWindowDriver app(TForm_FW_Download_Main::kCANopen, SettingsStore::CANopen());
  app.GoOnline({7});
  const std::string goodFile = app.HexFile(apptest::Image(2000, 5));
  for (const auto& bad : app.BadHexFiles()) {
    app.Rescript();
    app.UpdateNode(1, "1234abcd", goodFile);
    ASSERT_TRUE(app.Shown("Download Successful")) << bad.name << app.AllTexts();
    app.Rescript();
    app.UpdateNode(1, "1234abcd", bad.path);
    EXPECT_TRUE(app.Shown(bad.message)) << bad.name << app.AllTexts();
    EXPECT_FALSE(app.Shown("Download Successful")) << bad.name;
  }
  const sim::FirmwareFlash flash = node->Flash();
  EXPECT_TRUE(flash.ChecksumValid(kSector));
  EXPECT_EQ(flash.BootSector(), kSector);
  app.window.reset();
}

enum class Link { kSerial, kUsb };

// The bench's module on the test's link: COM2 or USB.
class Qx24xWindowTest : public testing::TestWithParam<Link> {
 protected:
  void SetUp() override {
    benchtest::UseOwnUsbDirectory();
    if (GetParam() == Link::kSerial) {
      serial = std::make_unique<sim::Qx24xSerialPort>(module);
      ASSERT_TRUE(serial->Start());
      setenv("FLASHWRIGHT_COM2", serial->SlavePath().c_str(), 1);
      comPort = 2;
    } else {
      usb = std::make_unique<sim::Qx24xUsbDevice>(module);
      ASSERT_TRUE(usb->Start());
    }
  }

  // The module is unplugged: its port or its USB device is gone. (The
  // pseudo-terminal's name goes back to the system, which may hand it to
  // anyone: the port is pointed where no device can appear.)
  void Unplug() {
    if (serial) {
      serial->Stop();
      setenv("FLASHWRIGHT_COM2", "/nonexistent/ttyS1", 1);
    }
    if (usb) usb->Stop();
  }

  // The serial link's reply waits are short: the clock runs only a little fast there.
  ScopedTimeScale fast{GetParam() == Link::kSerial ? 2.0 : 10.0};
  sim::Qx24xModule module;
  std::unique_ptr<sim::Qx24xSerialPort> serial;
  std::unique_ptr<sim::Qx24xUsbDevice> usb;
  int comPort = 0;
};

TEST_P(Qx24xWindowTest, UpdatesTheModule) {
  MainWindowDriver app(TForm_FW_Download_Main::kQx24x, SettingsStore::Qx24x(comPort));
  EXPECT_EQ(app.window->GroupBox_Interface->Caption(), "QX24X Interface:");
  EXPECT_FALSE(app.window->StaticText_NetworkBaud->Visible());
  app.GoOnline({0});

  char password[16];
  std::snprintf(password, sizeof password, "%X", sim::Qx24xModuleOptions{}.password);
  const std::vector<std::uint8_t> image = apptest::Image(1000, 11);
  app.InSectorWindow(1, [&](TForm_FW_Download& sectors) {
    EXPECT_TRUE(sectors.MenuItem_SetSerialNumber->Visible());
    app.UpgradeFirmware(sectors, password, app.HexFile(image));
  });
  EXPECT_TRUE(app.Shown("Download Successful")) << app.AllTexts();
  const auto flashed = module.SectorImage(kSector);
  ASSERT_GE(flashed.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), flashed.begin()));
  EXPECT_EQ(module.State().bootSector, kSector);
  app.window.reset();
}

// The sector window names the module as the main table does, and shows each
// sector's description record field by field, its bytes as characters of the
// code page: the module's factory sectors and a sector written from a file
// whose record holds bytes that are not text.
TEST(Qx24xSectorWindow, ShowsTheModuleAndItsSectorDescriptions) {
  ScopedTimeScale fast{10.0};
  benchtest::UseOwnUsbDirectory();
  sim::Qx24xModule module;
  sim::Qx24xUsbDevice usb(module);
  ASSERT_TRUE(usb.Start());
  MainWindowDriver app(TForm_FW_Download_Main::kQx24x, SettingsStore::Qx24x(0));
  app.GoOnline({0});
  const std::string tableNode = app.window->VudUvizidIzed_NodesOnline->GetCellEx(0, 1);
  EXPECT_EQ(tableNode, "1");

  constexpr std::size_t kRecord = 0x400;
  std::vector<std::uint8_t> image = apptest::Image(kRecord + 76, 7);
  const std::string name = "Lift \xB5" "C \x80";
  std::copy(name.begin(), name.end(), image.begin() + kRecord);
  image[kRecord + name.size()] = 0;
  const auto shownField = [&](std::size_t offset, std::size_t size) {
    const char* field = reinterpret_cast<const char*>(image.data() + kRecord + offset);
    return Win1252ToUtf8(std::string(field, strnlen(field, size - 1)));
  };

  char password[16];
  std::snprintf(password, sizeof password, "%X", sim::Qx24xModuleOptions{}.password);
  app.InSectorWindow(1, [&](TForm_FW_Download& sectors) {
    EXPECT_EQ(sectors.StaticText_NodeNumber->Caption(), tableNode);
    // The standard update up to its last question; the window stays open
    // with the tables read after the download.
    sectors.Edit_Password->SetText(password);
    app.services().Answer(IDYES);
    app.services().Answer(IDYES);
    app.services().ChooseFiles({app.HexFile(image)});
    app.services().Answer(IDOK);
    app.services().Answer(IDNO);
    harness::Click(sectors.Button1);
    ASSERT_TRUE(app.Shown("Download Successful")) << app.AllTexts();

    TVudUvizidIzed* table = sectors.VudUvizidIzed_Modules;
    const auto row = [&](int r) {
      std::vector<std::string> texts;
      for (int col = 3; col < 8; ++col) texts.push_back(table->GetCellEx(col, r));
      return texts;
    };
    using Texts = std::vector<std::string>;
    EXPECT_EQ(row(1), (Texts{"Boot Loader", "QX24X boot loader", "Nov 04 2026", "09:12:44", "3.2"}));
    EXPECT_EQ(row(2), (Texts{"Application", "QX24X application", "Nov 04 2026", "09:14:02", "3.2"}));
    const Texts written = row(3);
    EXPECT_EQ(written[0], "Lift \u00B5C \u20AC");
    EXPECT_EQ(written[1], shownField(16, 32));
    EXPECT_EQ(written[2], shownField(48, 12));
    EXPECT_EQ(written[3], shownField(60, 12));
  });
  app.window.reset();
}

// An unplugged module leaves the table at the next poll and the window goes
// offline, as a start without the module would leave it (in this mode with
// no message); a new start then finds no module.
TEST_P(Qx24xWindowTest, UnpluggedModuleLeavesTheTable) {
  MainWindowDriver app(TForm_FW_Download_Main::kQx24x, SettingsStore::Qx24x(comPort));
  app.GoOnline({0});
  Unplug();
  EXPECT_TRUE(PumpUntil([&] { return app.window->Button_NetworkStart->Enabled(); }, 5000));
  EXPECT_FALSE(app.window->Button_NetworkStop->Enabled());
  EXPECT_EQ(app.window->RowNode(1), TForm_FW_Download_Main::kNoNode);
  EXPECT_EQ(app.window->VudUvizidIzed_NodesOnline->GetCellEx(0, 1), "");

  app.services().Answer(IDYES);
  harness::Click(app.window->Button_NetworkStart);
  EXPECT_TRUE(app.window->Button_NetworkStart->Enabled()) << "no module to open";
  EXPECT_EQ(app.window->RowNode(1), TForm_FW_Download_Main::kNoNode);
  EXPECT_TRUE(app.services().boxes.empty()) << app.AllTexts();
  app.window.reset();
}

INSTANTIATE_TEST_SUITE_P(Links, Qx24xWindowTest, testing::Values(Link::kSerial, Link::kUsb),
                         [](const testing::TestParamInfo<Link>& info) {
                           return info.param == Link::kSerial ? "Serial" : "Usb";
                         });

}  // namespace
