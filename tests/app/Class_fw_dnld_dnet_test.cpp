// The DeviceNet downloader end to end: VRK_DNET loaded by name, over the real
// master stack, CAN layer and QX240 driver, to simulated slaves on the bench.
#include "app/Class_fw_dnld_dnet.h"

#include "app/Class_intelhexfile.h"
#include "app/Thread_download_file.h"
#include "bindings/versioninformation.h"
#include "tests/app/apptestsupport.h"
#include "tests/devicenet/dnetbench.h"

namespace {

using apptest::Eventually;
using apptest::NodePoller;
using apptest::ScriptedPrompt;

constexpr std::uint32_t kPassword = 0x1234ABCD;
constexpr std::uint8_t kSector = 2;

class DnetDownloaderTest : public dnettest::DnetBench {
 protected:
  void Configure(TDNet_Downloader& downloader) const {
    downloader.Binding().Interface() = Interface();
    downloader.Binding().Network().MacId = dnettest::kMasterMac;
    downloader.Binding().Network().BaudRate = 125000;
  }

  // Online with the poller running, and the node present.
  std::unique_ptr<NodePoller> Online(TDNet_Downloader& downloader, std::uint8_t mac) {
    Configure(downloader);
    return apptest::OnlineWithNode(downloader, mac);
  }

  // Online with the node present and the browse period over, as the main
  // window has it before it opens the download window: the absent MACs have
  // left the scanlist, so the master's scan no longer spends its rounds on
  // their allocation attempts while it releases and brings back the node.
  std::unique_ptr<NodePoller> OnlineAfterBrowse(TDNet_Downloader& downloader, std::uint8_t mac) {
    auto poller = Online(downloader, mac);
    EXPECT_EQ(downloader.StopBrowse(), 1);
    return poller;
  }

  // Enters download mode as the window does. The node comes back through
  // the Group 2 only port, whose 100 ms reply time-out ends on a round trip
  // through the bench in real time: the clock runs at real speed meanwhile,
  // since a sped-up one leaves a loaded machine only a part of that time,
  // and every miss costs the node a 5 s round of allocation attempts.
  static int EnterDownloadMode(TDNet_Downloader& downloader) {
    ScopedTimeScale realTime(1);
    return downloader.SetDownloadMode(1, kPassword);
  }

  // Runs both passes over the file as the download thread does.
  std::unique_ptr<TDownloadPasses> Download(TDNet_Downloader& downloader, const std::vector<std::uint8_t>& image,
                                            std::size_t recordBytes, TDownloadObserver* observer = nullptr) {
    return apptest::RunPasses(downloader, kSector, reader, dir.File("image.hex"), image, recordBytes, observer);
  }

  ScriptedPrompt prompts;
  apptest::TempDir dir;
  TIntelHexFile reader;
};

TEST_F(DnetDownloaderTest, FindsNodesAndRunsTheWholeUpdateOfOne) {
  sim::DeviceNetSlave& node = AddSlave(Slave(5));
  AddSlave(Slave(9, "Second Node"));
  TDNet_Downloader downloader;
  auto poller = Online(downloader, 5);
  // The poll marks each node present before it stores the count of the pass.
  ASSERT_TRUE(Eventually([&] { return downloader.PresentWord(9) != 0 && downloader.OnlineCount() == 2u; }));
  EXPECT_EQ(prompts.Boxes().at(0).caption, "Warning");
  EXPECT_EQ(prompts.Boxes().at(0).owner, prompt::Owner::None);

  // The node table's texts.
  EXPECT_EQ(downloader.GetNodeText(9), "9");
  EXPECT_EQ(downloader.GetVendorText(9), "1234");
  EXPECT_EQ(downloader.GetDeviceTypeText(9), "12");
  EXPECT_EQ(downloader.GetProductCodeText(9), "8162");
  EXPECT_EQ(downloader.GetRevisionText(9), "1.0");
  EXPECT_EQ(downloader.GetSerialNumberText(9), std::to_string(0x00A00009));
  EXPECT_EQ(downloader.GetProductNameText(9), "Second Node");
  EXPECT_EQ(downloader.GetProductNameText(5), "Flashwright Node");
  EXPECT_EQ(downloader.GetNodeText(64), "") << "no MAC beyond 63";
  EXPECT_EQ(downloader.GetBaudRateText(), "125k");
  // The version window's lines: every level of the stack, then the revisions.
  const std::vector<std::string> versions = versioninfo::Lines(&downloader.Binding());
  ASSERT_GE(versions.size(), 4u);
  EXPECT_EQ(versions[0].rfind("VRK_DNET.DLL Version=", 0), 0u) << versions[0];
  EXPECT_EQ(versions[versions.size() - 2].rfind("Hardware Revision=", 0), 0u);
  EXPECT_EQ(versions.back().rfind("Firmware Revision=", 0), 0u);
  std::uint16_t nodes = 0;
  EXPECT_EQ(downloader.GetNodeCount(&nodes), 1);
  EXPECT_EQ(nodes, 128);

  // The browse period ends: absent MACs leave the scanlist.
  EXPECT_EQ(downloader.StopBrowse(), 1);
  EXPECT_EQ(downloader.InScanlist(5), 1);
  EXPECT_EQ(downloader.InScanlist(6), 0);

  int inDownloadMode = -1;
  ASSERT_EQ(downloader.GetDownloadMode(&inDownloadMode), 1);
  EXPECT_EQ(inDownloadMode, 0);
  ASSERT_EQ(EnterDownloadMode(downloader), 1);
  ASSERT_EQ(downloader.GetDownloadMode(&inDownloadMode), 1);
  EXPECT_EQ(inDownloadMode, 1);
  // Back in the table with its boot loader's identity: the fixed sector sizes.
  ASSERT_TRUE(Eventually([&] { return downloader.PresentWord(5) != 0; }));
  std::uint32_t size = 0;
  EXPECT_EQ(downloader.GetSectorSize(kSector, &size), 1);
  EXPECT_EQ(size, 0x2FFFFu);
  std::uint8_t count = 0;
  ASSERT_EQ(downloader.GetSectorCount(&count), 1);
  EXPECT_EQ(count, 4);

  ASSERT_EQ(downloader.EraseSector(kSector), 1);
  const std::vector<std::uint8_t> image = apptest::Image(3000);
  const auto passes = Download(downloader, image, 32);
  EXPECT_TRUE(passes->DownloadPassed()) << std::hex << passes->DownloadStatus();
  EXPECT_TRUE(passes->VerifyPassed()) << "DeviceNet keeps no read-back to compare";
  ASSERT_EQ(downloader.WriteSectorChecksum(kSector), 1);
  ASSERT_EQ(downloader.SetBootSector(kSector), 1);
  std::uint8_t boot = 0;
  ASSERT_EQ(downloader.GetBootSector(&boot), 1);
  EXPECT_EQ(boot, kSector);
  SectorDescription description{};
  EXPECT_EQ(downloader.GetSectorDescription(kSector, &description), 1);

  const sim::FirmwareFlash flash = node.Flash();
  const auto written = flash.Image(kSector);
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_TRUE(flash.ChecksumValid(kSector));
  EXPECT_EQ(flash.BootSector(), kSector);

  const std::size_t restarts = node.Restarts();
  ASSERT_EQ(downloader.ExecuteSector(kSector), 1);
  EXPECT_TRUE(Eventually([&] { return node.Restarts() > restarts && downloader.PresentWord(5) != 0; }));
  EXPECT_EQ(node.Mode(), sim::FlashMode::Application);

  poller.reset();
  EXPECT_EQ(downloader.GoOffline(), 1);
  EXPECT_EQ(downloader.PresentWord(5), 0u);
  EXPECT_EQ(downloader.OnlineCount(), 0u);
}

// Executing a boot sector without a valid checksum restarts the node into its boot
// loader, back on the scanlist with the small explicit sizes; the password
// step must bring back sizes that take full 32-byte records.
TEST_F(DnetDownloaderTest, ANodeExecutedIntoItsBootLoaderTakesASecondDownload) {
  sim::DeviceNetSlave& node = AddSlave(Slave(5));
  TDNet_Downloader downloader;
  auto poller = OnlineAfterBrowse(downloader, 5);
  ASSERT_EQ(EnterDownloadMode(downloader), 1);
  ASSERT_EQ(downloader.EraseSector(kSector), 1);
  ASSERT_TRUE(Download(downloader, apptest::Image(640, 3), 32)->DownloadPassed());
  ASSERT_EQ(downloader.SetBootSector(kSector), 1);

  const std::size_t restarts = node.Restarts();
  ASSERT_EQ(downloader.ExecuteSector(kSector), 1);
  // The user goes on once the window can read the restarted node's mode.
  ASSERT_TRUE(Eventually([&] {
    int inDownloadMode = 0;
    return node.Restarts() > restarts && downloader.GetDownloadMode(&inDownloadMode) == 1 && inDownloadMode == 1;
  }));
  ASSERT_EQ(node.Mode(), sim::FlashMode::BootLoader);

  ASSERT_EQ(EnterDownloadMode(downloader), 1);
  ASSERT_EQ(downloader.EraseSector(kSector), 1);
  const std::vector<std::uint8_t> image = apptest::Image(640, 5);
  const auto passes = Download(downloader, image, 32);
  EXPECT_TRUE(passes->DownloadPassed()) << std::hex << passes->DownloadStatus();
  const sim::FirmwareFlash flash = node.Flash();
  const auto written = flash.Image(kSector);
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
}

TEST_F(DnetDownloaderTest, AWrongPasswordLeavesTheNodeInItsApplication) {
  AddSlave(Slave(5));
  TDNet_Downloader downloader;
  auto poller = OnlineAfterBrowse(downloader, 5);
  EXPECT_EQ(downloader.SetDownloadMode(1, kPassword + 1), 0);
  int inDownloadMode = -1;
  EXPECT_EQ(downloader.GetDownloadMode(&inDownloadMode), 1);
  EXPECT_EQ(inDownloadMode, 0);
}

TEST_F(DnetDownloaderTest, ANodeDroppingOffMidDownloadFailsThePass) {
  sim::DeviceNetSlave& node = AddSlave(Slave(5));
  TDNet_Downloader downloader;
  auto poller = OnlineAfterBrowse(downloader, 5);
  ASSERT_EQ(EnterDownloadMode(downloader), 1);
  ASSERT_EQ(downloader.EraseSector(kSector), 1);

  apptest::PowerCut cut(node);
  const auto passes = Download(downloader, apptest::Image(150 * 16), 16, &cut);
  EXPECT_FALSE(passes->DownloadPassed());
  EXPECT_NE(passes->DownloadStatus(), kHexStatusEndOfData);
}

TEST_F(DnetDownloaderTest, AFailedGoOnlineIsUndoneSoTheNextAttemptWorks) {
  AddSlave(Slave(5));
  TDNet_Downloader downloader;
  Configure(downloader);

  prompts.Answer(prompt::kAnswerNo);
  EXPECT_EQ(downloader.GoOnline(), 0);
  EXPECT_TRUE(prompts.Messages().empty());

  downloader.Binding().Network().MacId = 64;
  EXPECT_EQ(downloader.GoOnline(), 0);
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>{"Cannot Set MacID"});
  EXPECT_EQ(prompts.BusyDepth(), 0);

  downloader.Binding().Network().MacId = dnettest::kMasterMac;
  ASSERT_EQ(downloader.GoOnline(), 1);
  NodePoller poller(downloader);
  EXPECT_TRUE(Eventually([&] { return downloader.PresentWord(5) != 0; }));
}

TEST_F(DnetDownloaderTest, WithoutTheLibraryEverythingFailsAndNothingBreaks) {
  TDNet_Downloader downloader("VRK_DNET_MISSING.dll");
  EXPECT_FALSE(downloader.Binding().Loaded());
  EXPECT_EQ(versioninfo::Lines(&downloader.Binding()),
            (std::vector<std::string>{"Hardware Revision=Not Available", "Firmware Revision=Not Available"}));
  EXPECT_TRUE(versioninfo::Lines<TVRK_DNET_Interface>(nullptr).empty());
  EXPECT_EQ(downloader.GoOnline(), 0);
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>{"Cannot Open Interface"});
  EXPECT_EQ(downloader.ReadConfiguration(kFlashwrightRegistryKey), 0);
  EXPECT_EQ(downloader.ConfigurationWindow(), 0);
  const std::uint8_t data[4] = {};
  EXPECT_EQ(downloader.WriteMemory(kSector, 0, 4, data), 0);
  int changed = 1;
  EXPECT_EQ(downloader.PollNodeChanges(&changed), 0);
  EXPECT_EQ(changed, 0);
  EXPECT_EQ(downloader.GetNodeText(1), "");
  EXPECT_EQ(downloader.GoOffline(), 0);
}

TEST_F(DnetDownloaderTest, SettingsGoToTheRegistryAndComeBack) {
  const benchtest::RedirectedRegistry registry;
  {
    TDNet_Downloader downloader;
    Configure(downloader);
    downloader.Binding().Network().MacId = 7;
    ASSERT_EQ(downloader.SaveConfiguration(kFlashwrightRegistryKey), 1);
  }
  TDNet_Downloader downloader;
  ASSERT_EQ(downloader.ReadConfiguration(kFlashwrightRegistryKey), 1);
  InterfaceConfiguration record{};
  ASSERT_EQ(downloader.GetInterfaceConfiguration(&record), 1);
  EXPECT_EQ(record.InterfaceType, CAN_INTERFACE_QX240);
  EXPECT_EQ(record.ComPort, 1);
  EXPECT_EQ(downloader.GetInterfaceAddressText(), "7");
  char name[256] = {};
  EXPECT_EQ(downloader.GetInterfaceName(name), 1);
  EXPECT_STREQ(name, "VRK QX240");
}

}  // namespace
