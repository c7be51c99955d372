// The program in CANopen mode over each interface kind that serves CANopen:
// the QX240 adapter, the SST CAN2A card and the IXXAT board, each under the
// stack's own master. The settings name the interface as the configuration
// window stores it; the window goes online, lists the bench's nodes with
// their names and updates one of them with the typed password, and the node
// stays supervised and reachable while the network runs. A start that cannot
// go online always says why.
#include "sim/canopen/canopenslave.h"
#include "tests/app/windowtestsupport.h"
#include "tests/support/qx240bench.h"
#include "tests/support/sstbench.h"

namespace {

using windowtest::InterfaceKind;
using windowtest::MainWindowDriver;
using windowtest::PrintKind;
using windowtest::PumpUntil;
using windowtest::SettingsStore;

constexpr std::uint32_t kPassword = 0x1234ABCD;
constexpr std::uint8_t kSector = 2;

// The bench's CANopen network at 500 kbit/s: the QX240 adapter on COM1 and
// the bus offered to the bench libraries of the SST and IXXAT cards.
class CopnInterfaceBench : public benchtest::Qx240Bench {
 protected:
  CopnInterfaceBench() : Qx240Bench(sim::BusOptions{.bitRate = 500'000}) {}

  void SetUp() override {
    Qx240Bench::SetUp();
    ASSERT_TRUE(sst.Start());
  }
  void TearDown() override {
    app.reset();
    nodes.clear();
  }

  sim::CanopenSlave& AddNode(std::uint8_t id, std::string name = "Flashwright CANopen Node") {
    sim::CanopenSlaveConfig config;
    config.node = id;
    config.password = kPassword;
    config.serial = 0x1000u + id;
    config.deviceName = std::move(name);
    nodes.push_back(std::make_unique<sim::CanopenSlave>(bus, config));
    return *nodes.back();
  }

  void Open(std::uint32_t type, const std::string& interfaceKey) {
    app = std::make_unique<MainWindowDriver>(TForm_FW_Download_Main::kCANopen, SettingsStore::CANopen(type, interfaceKey));
    window = app->window.get();
  }

  benchtest::SstBusEndpoint sst{bus};
  // The windows add a polling thread and the window thread's own work to the
  // stack's: a mild speed-up keeps the stack's reply waits comfortable.
  ScopedTimeScale milder{2};
  std::vector<std::unique_ptr<sim::CanopenSlave>> nodes;
  std::unique_ptr<MainWindowDriver> app;
  TForm_FW_Download_Main* window = nullptr;
};

class CopnInterfaceWindowTest : public CopnInterfaceBench, public ::testing::WithParamInterface<InterfaceKind> {};

TEST_P(CopnInterfaceWindowTest, GoesOnlineListsTheNodesAndUpdatesOne) {
  AddNode(5);
  sim::CanopenSlave& target = AddNode(9, "Second Node");
  Open(GetParam().type, GetParam().interfaceKey);
  EXPECT_EQ(window->StaticText_InterfaceType->Caption(), GetParam().shownType);

  app->GoOnline({5, 9});
  TVudUvizidIzed* table = window->VudUvizidIzed_NodesOnline;
  EXPECT_EQ(table->GetCellEx(6, 1), "Flashwright CANopen Node");
  EXPECT_EQ(table->GetCellEx(6, 2), "Second Node");
  EXPECT_EQ(table->GetCellEx(5, 2), std::to_string(0x1000 + 9));
  // The nodes stay listed once their guarding has begun.
  PumpUntil([] { return false; }, 3000);
  EXPECT_EQ(window->RowNode(1), 5u);
  EXPECT_EQ(window->RowNode(2), 9u);

  const std::vector<std::uint8_t> image = apptest::Image(3000, 9);
  app->UpdateNode(2, "1234ABCD", app->HexFile(image));
  EXPECT_TRUE(app->Shown("Download Successful")) << app->AllTexts();
  windowtest::ExpectBootedImage(target.Flash(), kSector, image);
  EXPECT_TRUE(PumpUntil([&] { return target.Mode() == sim::FlashMode::Application; })) << app->AllTexts();
}

// A start that cannot go online says why, every time: an interface the
// CANopen library refuses, and a card that cannot join a bus of another rate.
TEST_F(CopnInterfaceBench, AStartThatCannotGoOnlineAlwaysSaysWhy) {
  AddNode(5);
  std::string otherRate = SettingsStore::CANopen(CAN_INTERFACE_SST_CAN2A,
                                                 SettingsStore::Interface("SST CAN2A", "\"Access Point\"=\"CAN2A-1\"\n"));
  otherRate.replace(otherRate.find("0007a120"), 8, "0003d090");  // 250 kbit/s
  const struct {
    const char* what;
    std::string settings;
    const char* message;
  } cases[] = {
      {"the QX242", SettingsStore::CANopen(0x20001, SettingsStore::Interface("VRK QX242", "\"ComPort\"=dword:00000001\n")),
       "Cannot Open Interface"},
      {"another bit rate", otherRate, "Cannot Go Online"},
  };
  for (const auto& c : cases) {
    app = std::make_unique<MainWindowDriver>(TForm_FW_Download_Main::kCANopen, c.settings);
    window = app->window.get();
    for (int start = 1; start <= 2; ++start) {
      app->Rescript();
      app->services().Answer(IDYES);
      harness::Click(window->Button_NetworkStart);
      const std::vector<std::string> texts = windowtest::Texts(app->services());
      ASSERT_EQ(texts.size(), 2u) << c.what << ", start " << start << ": " << app->AllTexts();
      EXPECT_EQ(texts[1], c.message) << c.what << ", start " << start;
      EXPECT_TRUE(window->Button_NetworkStart->Enabled()) << c.what;
      EXPECT_FALSE(window->Button_NetworkStop->Enabled()) << c.what;
    }
    app.reset();
  }
}

// The adapter is unplugged while online: the node polling learns of it, the
// window goes offline with the message a start without the adapter gives,
// and a new start gives it again.
TEST_F(CopnInterfaceBench, UnpluggedAdapterIsReportedAsAtStart) {
  AddNode(5);
  Open(CAN_INTERFACE_QX240,
       SettingsStore::Interface("VRK QX240", "\"ComPort\"=dword:00000001\n\"ComBaud\"=dword:0000e100\n"));
  app->GoOnline({5});
  app->Rescript();
  adapter.Stop();
  // Its pseudo-terminal's name goes back to the system, which may hand it to
  // anyone: the port is pointed where no device can appear.
  benchtest::ScopedEnv gone("FLASHWRIGHT_COM1", "/nonexistent/ttyS0");
  app->ExpectLostAsAtStart("Cannot Open Interface");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CopnInterfaceWindowTest,
    ::testing::Values(
        InterfaceKind{"Qx240", CAN_INTERFACE_QX240,
                      SettingsStore::Interface("VRK QX240", "\"ComPort\"=dword:00000001\n\"ComBaud\"=dword:0000e100\n"),
                      "VRK QX240"},
        InterfaceKind{"SstCan2a", CAN_INTERFACE_SST_CAN2A,
                      SettingsStore::Interface("SST CAN2A", "\"Access Point\"=\"CAN2A-1\"\n"), "SST CAN2A"},
        // Board 0 of type 0: every field 0, an empty key.
        InterfaceKind{"IxxatVci", CAN_INTERFACE_IXXAT_VCI, SettingsStore::Interface("IXXAT VCI", ""), "IXXAT VCI"}),
    PrintKind);

}  // namespace
