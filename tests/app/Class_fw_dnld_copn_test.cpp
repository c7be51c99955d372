// The CANopen downloader end to end: VRK_COPN loaded by name, over the real
// master stack, CAN layer and QX240 driver, to simulated slaves on the bench.
#include "app/Class_fw_dnld_copn.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/Class_intelhexfile.h"
#include "app/Thread_download_file.h"
#include "sim/canopen/canopenslave.h"
#include "tests/app/apptestsupport.h"
#include "tests/support/qx240bench.h"

namespace {

using apptest::Eventually;
using apptest::NodePoller;
using apptest::ScriptedPrompt;

constexpr std::uint32_t kPassword = 0x1234ABCD;
constexpr std::uint8_t kSector = 2;

class CopnDownloaderTest : public benchtest::Qx240Bench {
 protected:
  sim::CanopenSlave& AddSlave(std::uint8_t node, std::string name = "Flashwright CANopen Node") {
    sim::CanopenSlaveConfig config;
    config.node = node;
    config.password = kPassword;
    config.serial = 0x1000 + node;
    config.deviceName = std::move(name);
    slaves.push_back(std::make_unique<sim::CanopenSlave>(bus, config));
    return *slaves.back();
  }

  static void Configure(TCOPN_Downloader& downloader) {
    downloader.Binding().Interface() = Interface();
    downloader.Binding().Network().NodeID = 1;
    downloader.Binding().Network().BaudRate = 500000;
  }

  std::unique_ptr<NodePoller> Online(TCOPN_Downloader& downloader, std::uint8_t node) {
    Configure(downloader);
    return apptest::OnlineWithNode(downloader, node);
  }

  bool InDownloadMode(TCOPN_Downloader& downloader) {
    int inDownloadMode = 0;
    return downloader.GetDownloadMode(&inDownloadMode) == 1 && inDownloadMode == 1;
  }

  void EnterDownloadMode(TCOPN_Downloader& downloader, std::uint8_t node) {
    ASSERT_EQ(downloader.SetDownloadMode(1, kPassword), 1);
    ASSERT_TRUE(Eventually([&] { return downloader.PresentWord(node) != 0 && InDownloadMode(downloader); }));
  }

  std::unique_ptr<TDownloadPasses> Download(TCOPN_Downloader& downloader, const std::vector<std::uint8_t>& image,
                                            std::size_t recordBytes, TDownloadObserver* observer = nullptr) {
    return apptest::RunPasses(downloader, kSector, reader, dir.File("image.hex"), image, recordBytes, observer);
  }

  ScopedTimeScale fast{4};
  ScriptedPrompt prompts;
  apptest::TempDir dir;
  TIntelHexFile reader;
  std::vector<std::unique_ptr<sim::CanopenSlave>> slaves;
};

TEST_F(CopnDownloaderTest, FindsNodesAndRunsTheWholeUpdateOfOne) {
  sim::CanopenSlave& node = AddSlave(5);
  AddSlave(9, "Second Node");
  TCOPN_Downloader downloader;
  auto poller = Online(downloader, 5);
  // The poll marks each node present before it stores the count of the pass.
  ASSERT_TRUE(Eventually([&] { return downloader.PresentWord(9) != 0 && downloader.OnlineCount() == 2u; }));
  EXPECT_EQ(prompts.Boxes().at(0).caption, "CAUTION");

  EXPECT_EQ(downloader.GetNodeText(9), "9");
  EXPECT_EQ(downloader.GetVendorText(9), "1234");
  EXPECT_EQ(downloader.GetDeviceTypeText(9), "0x00000191");
  EXPECT_EQ(downloader.GetProductCodeText(9), "8162");
  EXPECT_EQ(downloader.GetRevisionText(9), "1.00");
  EXPECT_EQ(downloader.GetSerialNumberText(9), std::to_string(0x1000 + 9));
  EXPECT_EQ(downloader.GetProductNameText(9), "Second Node");
  EXPECT_EQ(downloader.GetInterfaceAddressText(), "1");
  EXPECT_EQ(downloader.GetBaudRateText(), "500k");
  EXPECT_FALSE(InDownloadMode(downloader));

  EnterDownloadMode(downloader, 5);
  EXPECT_EQ(downloader.GetProductCodeText(5), "0");
  std::uint8_t count = 0;
  ASSERT_EQ(downloader.GetSectorCount(&count), 1);
  EXPECT_EQ(count, 4);
  std::uint32_t size = 0;
  ASSERT_EQ(downloader.GetSectorSize(kSector, &size), 1);
  EXPECT_EQ(size, 0x2FFFFu);

  ASSERT_EQ(downloader.EraseSector(kSector), 1);
  // A length the firmware object cannot carry is refused, not cut to its low byte.
  const std::vector<std::uint8_t> block(256, 0);
  for (const std::uint16_t length : {33, 256}) {
    EXPECT_EQ(downloader.WriteMemory(kSector, 0, length, block.data()), 0);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  }
  const std::vector<std::uint8_t> image = apptest::Image(3000);
  const auto passes = Download(downloader, image, 32);
  EXPECT_TRUE(passes->DownloadPassed()) << std::hex << passes->DownloadStatus();
  EXPECT_TRUE(passes->VerifyPassed());
  ASSERT_EQ(downloader.WriteSectorChecksum(kSector), 1);
  std::uint32_t checksumGood = 0;
  ASSERT_EQ(downloader.ChecksumOk(kSector, &checksumGood), 1);
  EXPECT_NE(checksumGood, 0u);
  ASSERT_EQ(downloader.SetBootSector(kSector), 1);
  std::uint8_t boot = 0;
  ASSERT_EQ(downloader.GetBootSector(&boot), 1);
  EXPECT_EQ(boot, kSector);
  SectorDescription description{};
  EXPECT_EQ(downloader.GetSectorDescription(0, &description), 1);
  EXPECT_EQ(description.Name[sizeof description.Name - 1], '\0');

  const sim::FirmwareFlash flash = node.Flash();
  const auto written = flash.Image(kSector);
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_TRUE(flash.ChecksumValid(kSector));

  ASSERT_EQ(downloader.ExecuteSector(kSector), 1);
  EXPECT_TRUE(Eventually([&] { return downloader.PresentWord(5) != 0 && downloader.GetProductCodeText(5) == "8162"; }));
  EXPECT_EQ(node.Mode(), sim::FlashMode::Application);

  poller.reset();
  EXPECT_EQ(downloader.GoOffline(), 1);
  EXPECT_EQ(downloader.PresentWord(5), 0u);
}

TEST_F(CopnDownloaderTest, AWrongPasswordIsRefusedAndTheNodeStaysInItsApplication) {
  AddSlave(5);
  TCOPN_Downloader downloader;
  auto poller = Online(downloader, 5);
  EXPECT_EQ(downloader.SetDownloadMode(1, kPassword + 1), 0);
  EXPECT_FALSE(InDownloadMode(downloader));
}

TEST_F(CopnDownloaderTest, ANodeDroppingOffMidDownloadFailsThePass) {
  sim::CanopenSlave& node = AddSlave(5);
  TCOPN_Downloader downloader;
  auto poller = Online(downloader, 5);
  EnterDownloadMode(downloader, 5);
  ASSERT_EQ(downloader.EraseSector(kSector), 1);

  apptest::PowerCut cut(node);
  // The library leaves the same -1 for its failure as the reader does for
  // the end of the data; the pass must still fail.
  const auto passes = Download(downloader, apptest::Image(150 * 16), 16, &cut);
  EXPECT_FALSE(passes->DownloadPassed()) << std::hex << passes->DownloadStatus();
}

TEST_F(CopnDownloaderTest, DecliningOrMissingTheLibraryLeavesTheNetworkAlone) {
  AddSlave(5);
  {
    TCOPN_Downloader downloader;
    Configure(downloader);
    prompts.Answer(prompt::kAnswerCancel);
    EXPECT_EQ(downloader.GoOnline(), 0);
    EXPECT_TRUE(prompts.Messages().empty());
    // Declining the browse resets nobody.
    prompts.Answer(prompt::kAnswerNo);
    EXPECT_EQ(downloader.StartBrowse(), 0);

    // A failed GoOnline closes what it opened: the next attempt works.
    downloader.Binding().Network().NodeID = 200;
    EXPECT_EQ(downloader.GoOnline(), 0);
    EXPECT_EQ(prompts.Messages(), std::vector<std::string>{"Cannot Set Node ID"});
    downloader.Binding().Network().NodeID = 1;
    EXPECT_EQ(downloader.GoOnline(), 1);
    EXPECT_EQ(downloader.GoOffline(), 1);
  }
  TCOPN_Downloader missing("VRK_COPN_MISSING.dll");
  EXPECT_EQ(missing.GoOnline(), 0);
  EXPECT_EQ(prompts.Messages().back(), "Cannot Open Interface");
  EXPECT_EQ(missing.GetNodeText(3), "3");
  EXPECT_EQ(missing.GetVendorText(3), "");
  std::uint16_t count = 1;
  EXPECT_EQ(missing.GetNodeCount(&count), 0);
  int inDownloadMode = 0;
  EXPECT_EQ(missing.GetDownloadMode(&inDownloadMode), 0);
}

}  // namespace
