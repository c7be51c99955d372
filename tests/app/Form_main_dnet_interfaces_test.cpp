// The program in DeviceNet mode over each interface kind besides the QX240
// adapter: the SST CAN2A card, the IXXAT board and the 1770-KFD module (each
// under the stack's own master), and the SST scanner (itself the master). The
// settings name the interface as the configuration windows store it; the
// window goes online and lists the bench's nodes with their names.
#include <optional>

#include "sim/kfd/kfdmodule.h"
#include "tests/app/windowtestsupport.h"
#include "tests/devicenet/dnetbench.h"
#include "tests/support/ixxatbench.h"
#include "tests/support/scratch.h"
#include "tests/support/sstbench.h"

namespace {

using windowtest::InterfaceKind;
using windowtest::PrintKind;
using windowtest::SettingsStore;

class DnetInterfaceWindowTest : public dnettest::DnetBench, public ::testing::WithParamInterface<InterfaceKind> {
 protected:
  void SetUp() override {
    dnettest::DnetBench::SetUp();
    ASSERT_TRUE(sst.Start());
    // The KFD module answers on COM2, beside the QX240 adapter on COM1.
    ASSERT_TRUE(kfd.Start());
    kfd.AttachToBus(bus);
    kfdPort.emplace("FLASHWRIGHT_COM2", kfd.SlavePath());
  }
  void TearDown() override {
    app.reset();
    dnettest::DnetBench::TearDown();
  }

  benchtest::SstBusEndpoint sst{bus};
  sim::KfdModule kfd;
  std::optional<benchtest::ScopedEnv> kfdPort;
  ScopedTimeScale milder{2};
  std::unique_ptr<windowtest::MainWindowDriver> app;
};

TEST_P(DnetInterfaceWindowTest, GoesOnlineAndListsTheNodes) {
  AddSlave(Slave(5));
  AddSlave(Slave(9, "Second Node"));
  app = std::make_unique<windowtest::MainWindowDriver>(
      TForm_FW_Download_Main::kDeviceNet, SettingsStore::DeviceNet(GetParam().type, GetParam().interfaceKey));
  TForm_FW_Download_Main* window = app->window.get();

  EXPECT_EQ(window->StaticText_InterfaceType->Caption(), GetParam().shownType);
  app->GoOnline({5, 9});
  EXPECT_EQ(window->VudUvizidIzed_NodesOnline->GetCellEx(6, 1), "Flashwright Node");
  EXPECT_EQ(window->VudUvizidIzed_NodesOnline->GetCellEx(6, 2), "Second Node");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DnetInterfaceWindowTest,
    ::testing::Values(
        InterfaceKind{"SstCan2a", CAN_INTERFACE_SST_CAN2A,
                      SettingsStore::Interface("SST CAN2A", "\"Access Point\"=\"CAN2A-1\"\n"), "SST CAN2A"},
        // The DeviceNet store has no name for IXXAT boards (so the window
        // shows none) and skips zero fields: board 0 of type 0 needs no key.
        InterfaceKind{"IxxatVci", CAN_INTERFACE_IXXAT_VCI, "", "None"},
        InterfaceKind{"Kfd", CAN_INTERFACE_AB_KFD,
                      SettingsStore::Interface("AB 1770-KFD",
                                               "\"ComPort\"=dword:00000002\n\"ComBaud\"=dword:0000e100\n"),
                      "AB 1770-KFD"},
        InterfaceKind{"SstScanner", DNET_INTERFACE_SST_DNSCAN,
                      SettingsStore::Interface("SST DNSCAN", "\"Access Point\"=\"DNSCAN-1\"\n"), "SST DNSCAN"}),
    PrintKind);

}  // namespace
