// The sector download steps: the sector tables against a scripted node, and
// the whole standard update through the DeviceNet downloader on the bench.
#include "app/sectordownload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "app/Class_fw_dnld_copn.h"
#include "app/Class_fw_dnld_dnet.h"
#include "platform/lasterror.h"
#include "sim/canopen/canopenslave.h"
#include "tests/app/apptestsupport.h"
#include "tests/devicenet/dnetbench.h"
#include "tests/support/qx240bench.h"

namespace {

using apptest::ScriptedPrompt;
using Table = TSectorDownload::Table;

// Runs the passes on the calling thread and can stand in for the open dialog.
class SynchronousView : public TSectorDownloadView, private TDownloadObserver {
 public:
  bool ChooseHexFile(std::string& path) override {
    ++dialogs;
    if (file.empty()) return false;
    path = file;
    return true;
  }
  TDownloadVerdict RunDownload(const TDownloadJob& job) override {
    TDownloadPasses passes(job, this);
    running_ = &passes;
    passes.Execute();
    running_ = nullptr;
    return passes.Verdict();
  }

  std::string file;
  int dialogs = 0;
  // Runs at the download's progress reports (the user's Cancel, a power cut).
  std::function<void(TDownloadPasses&)> onProgress;

 private:
  void Progress(std::uint8_t) override {
    if (onProgress) onProgress(*running_);
  }
  void VerifyStarted() override {}
  void Finished() override {}

  TDownloadPasses* running_ = nullptr;
};

// A node whose sectors the test describes.
class ScriptedNode : public TFlashwright {
 public:
  struct Sector {
    std::uint32_t revision = 0x00010002;
    bool readable = true;
    bool checksumGood = true;
    bool checksumAnswered = true;  // false: the query fails with a code
    const char* name = "App";
  };

  int GetSectorCount(std::uint8_t* count) override {
    *count = static_cast<std::uint8_t>(sectors.size());
    return 1;
  }
  int GetSectorDescription(std::uint8_t sector, SectorDescription* description) override {
    if (sector >= sectors.size() || !sectors[sector].readable) return 0;
    *description = {};
    std::strcpy(description->Name, sectors[sector].name);
    description->Revision = sectors[sector].revision;
    return 1;
  }
  int GetSectorSize(std::uint8_t, std::uint32_t* size) override {
    *size = 0x2FFFF;
    return 1;
  }
  int ChecksumOk(std::uint8_t sector, std::uint32_t* ok) override {
    if (!sectors.at(sector).checksumAnswered) {
      platform::SetLastError(platform::kErrorTimeout);
      return 0;
    }
    *ok = sectors.at(sector).checksumGood ? 1 : 0;
    return 1;
  }
  int GetBootSector(std::uint8_t* sector) override {
    *sector = boot;
    return 1;
  }

  std::vector<Sector> sectors = std::vector<Sector>(4);
  std::uint8_t boot = 2;
};

class SectorTableTest : public ::testing::Test {
 protected:
  SectorTableTest() { sequence.SetDownloader(&node); }

  ScriptedPrompt prompts;
  SynchronousView view;
  ScriptedNode node;
  TSectorDownload sequence{view};
};

TEST_F(SectorTableTest, ShowsEachSectorWithItsStateAndColours) {
  node.sectors[1].revision = kSectorEmpty;
  node.sectors[3].checksumGood = false;
  node.sectors.push_back({});
  node.sectors[4].checksumAnswered = false;
  sequence.RefreshSectorGrid();
  EXPECT_EQ(sequence.Rows(Table::Advanced)[5][2], "<unknown>") << "an unanswered checksum query says nothing good";
  node.sectors.pop_back();
  sequence.RefreshSectorGrid();

  const auto& advanced = sequence.Rows(Table::Advanced);
  const auto& standard = sequence.Rows(Table::Standard);
  ASSERT_EQ(advanced.size(), 5u);
  ASSERT_EQ(standard.size(), 4u);
  EXPECT_EQ(advanced[0][7], "Revision");
  EXPECT_EQ(advanced[1], (TSectorDownload::Row{"0", "02FFFF", "<ok>", "App", "", "", "", "1.2"}));
  EXPECT_EQ(advanced[2], (TSectorDownload::Row{"1", "02FFFF", "<empty>", "", "", "", "", ""}));
  EXPECT_EQ(advanced[4][2], "<checksum error>");
  EXPECT_EQ(standard[1], advanced[2]) << "the standard table starts at sector 1";

  // Boot sector 2: row 3 of the advanced table, row 2 of the standard one.
  EXPECT_EQ(sequence.RowColours(Table::Advanced, 3)->brush, TSectorDownload::kLime);
  EXPECT_EQ(sequence.RowColours(Table::Standard, 2)->brush, TSectorDownload::kLime);
  EXPECT_EQ(sequence.RowColours(Table::Advanced, 4)->brush, TSectorDownload::kRed);
  EXPECT_FALSE(sequence.RowColours(Table::Advanced, 1).has_value());
  EXPECT_FALSE(sequence.RowColours(Table::Advanced, 0).has_value());
}

TEST_F(SectorTableTest, OddSectorCountsAndUnreadableSectorsStayInsideTheTables) {
  node.sectors.assign(12, {});
  sequence.RefreshSectorGrid();
  EXPECT_EQ(sequence.Rows(Table::Advanced).size(), 9u) << "room for 8 sectors";

  node.sectors.clear();
  sequence.RefreshSectorGrid();
  EXPECT_EQ(sequence.Rows(Table::Advanced).size(), 1u);
  EXPECT_EQ(sequence.Rows(Table::Standard).size(), 1u) << "the header row stays";
  EXPECT_EQ(sequence.Rows(Table::Standard)[0][0], "#");

  // A sector read before and unreadable now shows no stale data anywhere.
  node.sectors.assign(3, {});
  sequence.RefreshSectorGrid();
  node.sectors[1].readable = false;
  sequence.RefreshSectorGrid();
  EXPECT_EQ(sequence.Rows(Table::Advanced)[2][3], "Error");
  EXPECT_EQ(sequence.Rows(Table::Standard)[1][3], "Error");
  EXPECT_EQ(sequence.Status(1), TSectorDownload::kUnknown);
}

TEST_F(SectorTableTest, AdvancedOperationsRefuseWhatTheSectorCannotTake) {
  node.sectors[1].revision = kSectorEmpty;
  node.sectors[3].checksumGood = false;
  node.sectors.push_back({});  // sector 4: good, but the node refuses every boot sector
  sequence.RefreshSectorGrid();
  struct Case {
    std::function<void()> operation;
    std::string message;
  };
  const Case cases[] = {
      {[&] { sequence.ExecuteSector(0); }, "Active Sector already running.\r\n"},
      {[&] { sequence.ExecuteSector(3); }, "Cannot Execute Sector!\r\nChecksum Error!"},
      {[&] { sequence.ExecuteSector(1); }, "Sector Empty!\r\n Cannot make execute an empty sector!"},
      {[&] { sequence.MakeBootSector(1); }, "Sector Empty.\r\n Cannot make current sector the Boot Sector!"},
      {[&] { sequence.DownloadSector(2); }, "Sector Not Empty...\r\n\r\nErase Sector First!"},
      {[&] { sequence.MakeBootSector(3); }, "Cannot Make Sector Active!\r\nChecksum Error!"},
      {[&] { EXPECT_FALSE(sequence.ExecuteSector(4)) << "not started when it could not be made boot"; },
       "Cannot Make Sector Active!"},
  };
  for (const Case& c : cases) {
    const std::size_t before = prompts.Messages().size();
    c.operation();
    ASSERT_EQ(prompts.Messages().size(), before + 1);
    EXPECT_EQ(prompts.Messages().back(), c.message);
  }
  EXPECT_EQ(view.dialogs, 0);
}

TEST_F(SectorTableTest, ShowingTheWindowForAnotherNodeKeepsNothingOfThePrevious) {
  sequence.RefreshSectorGrid();
  ASSERT_TRUE(sequence.Valid());
  sequence.Reset();
  EXPECT_FALSE(sequence.Valid());
  EXPECT_EQ(sequence.Rows(Table::Advanced).size(), 2u);
  EXPECT_EQ(sequence.Rows(Table::Advanced)[0][0], "#");
  EXPECT_EQ(sequence.Rows(Table::Advanced)[1], TSectorDownload::Row{}) << "not even a sector number";
  EXPECT_EQ(sequence.Rows(Table::Standard).size(), 1u);
  EXPECT_EQ(sequence.Description(0).Name[0], '\0');
  EXPECT_EQ(TSectorDownload::ParsePassword(""), 0u);
  EXPECT_EQ(TSectorDownload::ParsePassword("1234abcd"), 0x1234ABCDu);
  EXPECT_EQ(TSectorDownload::ParsePassword("zz"), 0u);
}

// A node that does not answer the download-mode query at first, as one just
// restarted: it is asked again for a while, and only a node that never
// answers ends the step, with its message.
TEST_F(SectorTableTest, ANodeThatDoesNotAnswerAtOnceIsAskedAgainThenReported) {
  struct LateNode : ScriptedNode {
    int GetDownloadMode(int* on) override {
      *on = 1;
      return ++queries > silentQueries ? 1 : 0;
    }
    int silentQueries = 0;
    int queries = 0;
  };
  ScopedTimeScale fast{50};
  LateNode late;
  late.SetNodeNumber(5);
  sequence.SetDownloader(&late);
  late.silentQueries = 3;
  EXPECT_TRUE(sequence.Retrieve("1234ABCD"));
  EXPECT_TRUE(prompts.Messages().empty());

  late.queries = 0;
  late.silentQueries = 1000;
  EXPECT_FALSE(sequence.Retrieve("1234ABCD"));
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>{"Could Not Read Download Mode!\r\nNode 5 does not answer."});
  EXPECT_LT(late.queries, 1000) << "asked for a while, not for ever";
  EXPECT_EQ(prompts.BusyDepth(), 0);
}

// A node whose long steps (entering the download mode, erasing) tell how
// many busy scopes were open when they ran.
class SlowNode : public ScriptedNode {
 public:
  explicit SlowNode(const ScriptedPrompt& prompts) : prompts_(prompts) {}
  int GetDownloadMode(int* on) override {
    *on = 0;
    return 1;
  }
  int SetDownloadMode(int, std::uint32_t) override { return Record("enter download mode"); }
  int EraseSector(std::uint8_t) override { return Record("erase"); }

  std::vector<std::pair<std::string, int>> busyAtStep;

 private:
  int Record(const char* step) {
    busyAtStep.emplace_back(step, prompts_.BusyDepth());
    return 1;
  }
  const ScriptedPrompt& prompts_;
};

TEST_F(SectorTableTest, EveryLongStepRunsUnderTheBusyCursor) {
  SlowNode slow(prompts);
  slow.sectors[3].revision = kSectorEmpty;
  sequence.SetDownloader(&slow);
  apptest::TempDir dir;
  view.file = dir.File("image.hex");
  apptest::WriteHexFile(view.file, apptest::Image(64), 16);
  EXPECT_NE(sequence.EnterDownloadMode("1234"), 0);
  sequence.RefreshSectorGrid();
  sequence.EraseSector(1);     // asked and erased
  // The file chosen and the sector erased; the node takes no data, and the
  // sector is erased again.
  sequence.DownloadSector(3);
  const std::vector<std::pair<std::string, int>> expected = {
      {"enter download mode", 1}, {"erase", 1}, {"erase", 1}, {"erase", 1}};
  EXPECT_EQ(slow.busyAtStep, expected);
  EXPECT_EQ(prompts.BusyDepth(), 0);
}

// The standard update of a DeviceNet node through the real libraries.
class StandardUpdateTest : public dnettest::DnetBench {
 protected:
  void SetUp() override {
    DnetBench::SetUp();
    node = &AddSlave(Slave(5));
    downloader.Binding().Interface() = Interface();
    downloader.Binding().Network().BaudRate = 125000;
    ASSERT_EQ(downloader.GoOnline(), 1);
    poller = std::make_unique<apptest::NodePoller>(downloader);
    ASSERT_TRUE(apptest::Eventually([&] { return downloader.PresentWord(5) != 0; }));
    downloader.SetNodeNumber(5);
    sequence.SetDownloader(&downloader);
    sequence.Reset();
  }
  void TearDown() override {
    poller.reset();
    downloader.GoOffline();
    DnetBench::TearDown();
  }

  ScriptedPrompt prompts;
  apptest::TempDir dir;
  SynchronousView view;
  TDNet_Downloader downloader;
  std::unique_ptr<apptest::NodePoller> poller;
  TSectorDownload sequence{view};
  sim::DeviceNetSlave* node = nullptr;
};

TEST_F(StandardUpdateTest, FlashesSectorTwoAndRestartsTheNode) {
  const std::vector<std::uint8_t> image = apptest::Image(2048, 5);
  view.file = dir.File("new.hex");
  apptest::WriteHexFile(view.file, image, 16);
  const std::size_t restarts = node->Restarts();

  EXPECT_TRUE(sequence.StandardUpdate("1234ABCD"));
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>{"Download Successful"});
  const std::vector<std::string> questions = [&] {
    std::vector<std::string> captions;
    for (const auto& box : prompts.Boxes()) captions.push_back(box.caption);
    return captions;
  }();
  EXPECT_EQ(questions, (std::vector<std::string>{"Warning", "Warning", "Warning", "Success", "Caution"}));
  const auto advanced = sequence.Rows(Table::Advanced);
  ASSERT_GT(advanced.size(), 3u);
  ASSERT_GT(advanced[3].size(), 2u);
  EXPECT_EQ(advanced[3][2], "<ok>");

  const sim::FirmwareFlash flash = node->Flash();
  EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.Image(2).begin()));
  EXPECT_TRUE(flash.ChecksumValid(2));
  EXPECT_EQ(flash.BootSector(), 2);
  EXPECT_TRUE(apptest::Eventually([&] { return node->Restarts() > restarts; }));
}

TEST_F(StandardUpdateTest, FailuresEndInTheirMessageNeverInSuccess) {
  // A wrong password: no erase.
  EXPECT_FALSE(sequence.StandardUpdate("1"));
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>{"Password Not Accepted\r\n"});
  EXPECT_EQ(view.dialogs, 0);

  // Cancelling the open dialog: no message at all.
  EXPECT_FALSE(sequence.StandardUpdate("1234ABCD"));
  EXPECT_EQ(prompts.Messages().size(), 1u);
  EXPECT_EQ(view.dialogs, 1);

  // A malformed HEX file.
  view.file = dir.File("broken.hex");
  apptest::WriteHexFile(view.file, apptest::Image(64), 16);
  {
    std::FILE* file = std::fopen(view.file.c_str(), "r+");
    std::fputs("x", file);
    std::fclose(file);
  }
  EXPECT_FALSE(sequence.StandardUpdate("1234ABCD"));
  EXPECT_EQ(prompts.Messages().back(),
            "Download Error\r\nLine 1 of " + view.file + ": the line does not start with \":\".");
  for (const std::string& message : prompts.Messages()) EXPECT_NE(message, "Download Successful");
}

// What the sector download needs of each network on the bench: its node,
// its downloader set up for the bench's adapter, and how the firmware
// command channel's frames to the node look.
constexpr std::uint32_t kNodePassword = 0x1234ABCD;
constexpr std::uint8_t kNodeAddress = 5;

struct DeviceNetNetwork {
  using Downloader = TDNet_Downloader;
  using Node = sim::DeviceNetSlave;
  static constexpr double kTimeScale = dnettest::kTimeScale;

  static std::unique_ptr<Node> AddNode(sim::CanBus& bus) {
    sim::DeviceNetSlaveConfig config;
    config.mac = kNodeAddress;
    config.password = kNodePassword;
    return std::make_unique<Node>(bus, config);
  }
  static void Configure(Downloader& downloader, const InterfaceConfiguration& record) {
    downloader.Binding().Interface() = record;
    downloader.Binding().Network().BaudRate = 125000;
  }
  // A middle fragment of an explicit request to the node: all data bytes.
  static bool CarriesWriteData(const sim::CanFrame& frame) {
    return frame.id == 0x400u + kNodeAddress * 8u + 4u && frame.dlc == 8 && (frame.data[0] & 0x80) != 0 &&
           (frame.data[1] & 0xC0) == 0x40;
  }
};

struct CanopenNetwork {
  using Downloader = TCOPN_Downloader;
  using Node = sim::CanopenSlave;
  static constexpr double kTimeScale = 4;

  static std::unique_ptr<Node> AddNode(sim::CanBus& bus) {
    sim::CanopenSlaveConfig config;
    config.node = kNodeAddress;
    config.password = kNodePassword;
    return std::make_unique<Node>(bus, config);
  }
  static void Configure(Downloader& downloader, const InterfaceConfiguration& record) {
    downloader.Binding().Interface() = record;
    downloader.Binding().Network().NodeID = 1;
    downloader.Binding().Network().BaudRate = 500000;
  }
  // A full download segment of an SDO transfer to the node that is not its last.
  static bool CarriesWriteData(const sim::CanFrame& frame) {
    return frame.id == 0x600u + kNodeAddress && frame.dlc == 8 && (frame.data[0] & 0xE1) == 0x00;
  }
};

// The sector download on a node of the network, online and picked.
template <typename Network>
class NetworkSectorDownloadTest : public benchtest::Qx240Bench {
 protected:
  void SetUp() override {
    Qx240Bench::SetUp();
    node = Network::AddNode(bus);
    Network::Configure(downloader, Interface());
    poller = apptest::OnlineWithNode(downloader, kNodeAddress);
    // The main window ends the browse period before it opens the download
    // window: absent MACs leave the scanlist, and the master's scan no
    // longer spends its rounds on them while it brings the node back.
    downloader.StopBrowse();
    sequence.SetDownloader(&downloader);
    sequence.Reset();
  }
  void TearDown() override {
    poller.reset();
    downloader.GoOffline();
  }

  // Flips one data bit in the nth frame that carries firmware data to the
  // node; nothing on the bus notices.
  void CorruptWriteData(int nth) {
    auto seen = std::make_shared<int>(0);
    bus.AddFault(sim::Fault::Corrupt(
        [seen, nth](const sim::CanFrame& frame, sim::PeerId) {
          return Network::CarriesWriteData(frame) && ++*seen == nth;
        },
        8 * 7 + 2, 1));
  }

  std::string HexFile(const std::vector<std::uint8_t>& image, const char* name = "new.hex") {
    const std::string path = dir.File(name);
    apptest::WriteHexFile(path, image, 32);
    return path;
  }

  ScopedTimeScale fast{Network::kTimeScale};
  ScriptedPrompt prompts;
  apptest::TempDir dir;
  SynchronousView view;
  std::unique_ptr<typename Network::Node> node;
  typename Network::Downloader downloader;
  std::unique_ptr<apptest::NodePoller> poller;
  TSectorDownload sequence{view};
};

using Networks = ::testing::Types<DeviceNetNetwork, CanopenNetwork>;
TYPED_TEST_SUITE(NetworkSectorDownloadTest, Networks);

TYPED_TEST(NetworkSectorDownloadTest, ACorruptedImageIsNeverReportedAsSuccessNorMadeTheBootSector) {
  const std::vector<std::uint8_t> image = apptest::Image(2048, 5);
  this->view.file = this->HexFile(image);
  this->CorruptWriteData(100);

  EXPECT_FALSE(this->sequence.StandardUpdate("1234ABCD"));
  const sim::FirmwareFlash flash = this->node->Flash();
  ASSERT_FALSE(std::equal(image.begin(), image.end(), flash.Image(2).begin())) << "the fault hit no data";
  ASSERT_FALSE(this->prompts.Messages().empty());
  for (const std::string& message : this->prompts.Messages()) EXPECT_NE(message, "Download Successful");
  EXPECT_FALSE(flash.ChecksumValid(2));
  EXPECT_NE(flash.BootSector(), 2);
}

// An image of a sector's firmware with its description record at 0x400.
std::vector<std::uint8_t> DescribedImage(std::size_t size = 0x600) {
  std::vector<std::uint8_t> image = apptest::Image(size, 9);
  std::uint8_t* record = image.data() + sim::FirmwareFlash::kDescriptionAddress;
  std::fill_n(record, sim::FirmwareFlash::kDescriptionSize, 0);
  std::strcpy(reinterpret_cast<char*>(record), "Fresh");
  std::strcpy(reinterpret_cast<char*>(record + 16), "Advanced cycle image");
  std::strcpy(reinterpret_cast<char*>(record + 48), "Dec 10 2026");
  std::strcpy(reinterpret_cast<char*>(record + 60), "19:30:00");
  const std::uint8_t revision[] = {0x03, 0x00, 0x02, 0x00};  // 2.3
  std::copy(std::begin(revision), std::end(revision), record + 72);
  return image;
}

TYPED_TEST(NetworkSectorDownloadTest, TheAdvancedCycleErasesDownloadsBootsAndExecutesASector) {
  auto& sequence = this->sequence;
  this->view.file = this->HexFile(DescribedImage(), "described.hex");
  ASSERT_TRUE(sequence.Retrieve("1234ABCD"));
  ASSERT_NE(sequence.Status(2), TSectorDownload::kEmpty) << "the node's sector starts described by its layout";

  sequence.EraseSector(2);
  EXPECT_EQ(sequence.Status(2), TSectorDownload::kEmpty);
  EXPECT_EQ(sequence.Rows(Table::Advanced)[3], (TSectorDownload::Row{"2", "02FFFF", "<empty>", "", "", "", "", ""}));

  sequence.DownloadSector(2);
  EXPECT_EQ(sequence.Rows(Table::Advanced)[3],
            (TSectorDownload::Row{"2", "02FFFF", "<ok>", "Fresh", "Advanced cycle image", "Dec 10 2026", "19:30:00",
                                  "2.3"}));
  sequence.MakeBootSector(2);
  EXPECT_EQ(sequence.BootSector(), 2);
  EXPECT_EQ(this->prompts.Messages(), (std::vector<std::string>{"Sector Erased!", "Download Successful"}));

  EXPECT_TRUE(sequence.ExecuteSector(2));
  EXPECT_TRUE(apptest::Eventually([&] { return this->node->Mode() == sim::FlashMode::Application; }));
  EXPECT_EQ(this->node->Flash().BootSector(), 2);
  EXPECT_TRUE(this->node->Flash().ChecksumValid(2));
}

// The nodes report a sector's size as the offset of its last byte: sector 3
// holds 64 KiB. An image that fills it is taken whole; one byte more is
// refused before anything is written.
TYPED_TEST(NetworkSectorDownloadTest, AnImageThatFillsASectorExactlyIsTakenAndOneByteMoreIsNot) {
  constexpr std::uint8_t kSector = 3;
  auto& sequence = this->sequence;
  ASSERT_TRUE(sequence.Retrieve("1234ABCD"));
  EXPECT_EQ(sequence.Rows(Table::Advanced)[kSector + 1][1], "00FFFF");
  sequence.EraseSector(kSector);
  const std::vector<std::uint8_t> full = apptest::Image(0x10000, 11);
  this->view.file = this->HexFile(full, "full.hex");
  sequence.DownloadSector(kSector);
  EXPECT_EQ(this->prompts.Messages(), (std::vector<std::string>{"Sector Erased!", "Download Successful"}));
  const sim::FirmwareFlash filled = this->node->Flash();
  EXPECT_TRUE(std::ranges::equal(filled.Image(kSector), full));
  EXPECT_TRUE(filled.ChecksumValid(kSector));

  sequence.EraseSector(kSector);
  std::vector<std::uint8_t> over = full;
  over.push_back(0x5A);
  this->view.file = this->HexFile(over, "over.hex");
  sequence.DownloadSector(kSector);
  // 2048 records fill the sector; the address record and the one byte follow.
  EXPECT_EQ(this->prompts.Messages().back(), "Download Error\r\nLine 2050 of " + this->view.file +
                                                  ": the data at 0x010000 lie outside sector 3 (0x010000 bytes).");
  const sim::FirmwareFlash erased = this->node->Flash();
  EXPECT_TRUE(std::ranges::all_of(erased.Image(kSector), [](std::uint8_t b) { return b == 0xFF; }));
}

// A download cancelled part way, its description record already written,
// leaves nothing that could pass for firmware: the table read at once after
// it shows the sector empty, and it neither becomes the boot sector nor runs.
TYPED_TEST(NetworkSectorDownloadTest, ACancelledDownloadLeavesTheSectorEmpty) {
  constexpr std::uint8_t kSector = 1;
  auto& sequence = this->sequence;
  ASSERT_TRUE(sequence.Retrieve("1234ABCD"));
  const std::uint8_t boot = this->node->Flash().BootSector();
  sequence.EraseSector(kSector);
  this->view.file = this->HexFile(DescribedImage(0x20000), "large.hex");
  this->view.onProgress = [](TDownloadPasses& passes) { passes.Cancel(); };
  sequence.DownloadSector(kSector);
  EXPECT_EQ(this->prompts.Messages().back(), "Download Error\r\nCancelled.");

  ASSERT_TRUE(sequence.Retrieve("1234ABCD"));
  EXPECT_EQ(sequence.Rows(Table::Advanced)[kSector + 1],
            (TSectorDownload::Row{"1", "02FFFF", "<empty>", "", "", "", "", ""}));
  sequence.MakeBootSector(kSector);
  EXPECT_FALSE(sequence.ExecuteSector(kSector));
  const std::vector<std::string> messages = this->prompts.Messages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2], "Sector Empty.\r\n Cannot make current sector the Boot Sector!");
  EXPECT_EQ(messages.back(), "Sector Empty!\r\n Cannot make execute an empty sector!");
  const sim::FirmwareFlash flash = this->node->Flash();
  EXPECT_EQ(flash.BootSector(), boot);
  EXPECT_TRUE(std::ranges::all_of(flash.Image(kSector), [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(this->node->Mode(), sim::FlashMode::BootLoader);
}

// The node loses power part way: the sector cannot be erased again, and
// once the node is back the window holds it for damaged, whatever the node
// says of it, until it is erased.
TYPED_TEST(NetworkSectorDownloadTest, ASectorLeftPartlyWrittenIsHeldDamagedUntilErased) {
  constexpr std::uint8_t kSector = 1;
  auto& sequence = this->sequence;
  ASSERT_TRUE(sequence.Retrieve("1234ABCD"));
  sequence.EraseSector(kSector);
  this->view.file = this->HexFile(DescribedImage(0x4000), "cut.hex");
  this->view.onProgress = [&](TDownloadPasses&) { this->node->PowerOff(); };
  sequence.DownloadSector(kSector);
  const std::string failed = this->prompts.Messages().back();
  EXPECT_EQ(failed.rfind("Download Error\r\n", 0), 0u) << failed;
  EXPECT_NE(failed.find("\r\nSector 1 could not be erased again: it holds part of the file."), std::string::npos)
      << failed;

  this->view.onProgress = nullptr;
  this->node->PowerOn();
  ASSERT_TRUE(apptest::Eventually([&] {
    int inDownloadMode = 0;
    return this->downloader.PresentWord(kNodeAddress) != 0 && this->downloader.GetDownloadMode(&inDownloadMode) != 0;
  }));
  ASSERT_TRUE(sequence.Retrieve("1234ABCD"));
  EXPECT_EQ(sequence.Status(kSector), TSectorDownload::kChecksumError);
  EXPECT_EQ(sequence.Rows(Table::Advanced)[kSector + 1][2], "<checksum error>");
  sequence.MakeBootSector(kSector);
  EXPECT_FALSE(sequence.ExecuteSector(kSector));
  const std::vector<std::string> messages = this->prompts.Messages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2], "Cannot Make Sector Active!\r\nChecksum Error!");
  EXPECT_EQ(messages.back(), "Cannot Execute Sector!\r\nChecksum Error!");
  EXPECT_NE(this->node->Flash().BootSector(), kSector);

  sequence.EraseSector(kSector);
  EXPECT_EQ(sequence.Status(kSector), TSectorDownload::kEmpty);
}

// Writes text as a file in the test's folder.
std::string TextFile(apptest::TempDir& dir, const char* name, const std::string& text) {
  const std::string path = dir.File(name);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return path;
}

std::string FileText(const std::string& path) {
  std::string text;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

TYPED_TEST(NetworkSectorDownloadTest, AFileThatCannotBeDownloadedWholeIsRefusedBeforeAnythingIsErased) {
  const std::vector<std::uint8_t> image = apptest::Image(1024, 3);
  this->view.file = this->HexFile(image, "good.hex");
  ASSERT_TRUE(this->sequence.StandardUpdate("1234ABCD"));
  ASSERT_TRUE(this->node->Flash().ChecksumValid(2));
  // The node restarts into its new firmware; wait until it answers again.
  ASSERT_TRUE(apptest::Eventually([&] {
    int inDownloadMode = 1;
    return this->node->Mode() == sim::FlashMode::Application && this->downloader.PresentWord(kNodeAddress) != 0 &&
           this->downloader.GetDownloadMode(&inDownloadMode) != 0 && inDownloadMode == 0;
  }));

  const std::string goodText = FileText(this->view.file);
  std::string badChecksum = goodText;
  badChecksum[badChecksum.find('\n', badChecksum.find('\n') + 1) - 1] ^= 1;  // line 2's last digit
  struct Case {
    std::string file;  // empty: the open dialog is cancelled
    std::string cause;
  };
  auto& dir = this->dir;
  const std::string empty = TextFile(dir, "empty.hex", "");
  const std::string endOnly = TextFile(dir, "end.hex", ":00000001FF\n");
  const std::string checksum = TextFile(dir, "checksum.hex", badChecksum);
  const std::string outside = TextFile(dir, "outside.hex", ":0100000011EE\n:020000040003F7\n:0100000022DD\n");
  std::size_t lineTen = 0;
  for (int line = 0; line < 9; ++line) lineTen = goodText.find('\n', lineTen) + 1;
  const std::string truncated = TextFile(dir, "truncated.hex", goodText.substr(0, lineTen + 20));
  const std::string cutAtRecord = TextFile(dir, "cut.hex", goodText.substr(0, lineTen));
  const std::string binary = TextFile(dir, "image.bin", std::string("\x7F" "ELF\x02\x01\x01\0", 8));
  const Case cases[] = {
      {"", ""},
      {empty, empty + ": the file ends without its end record: it may be cut short."},
      {endOnly, endOnly + ": the file holds no data to download."},
      {checksum, "Line 2 of " + checksum + ": the record's checksum does not match."},
      {outside, "Line 3 of " + outside + ": the data at 0x030000 lie outside sector 2 (0x030000 bytes)."},
      {truncated, "Line 10 of " + truncated + ": the record's data are cut short or not hex digits."},
      {cutAtRecord, cutAtRecord + ": the file ends without its end record: it may be cut short."},
      {binary, "Line 1 of " + binary + ": the line does not start with \":\"."},
  };
  for (const Case& refused : cases) {
    SCOPED_TRACE(refused.file);
    this->view.file = refused.file;
    const std::size_t messages = this->prompts.Messages().size();
    EXPECT_FALSE(this->sequence.StandardUpdate("1234ABCD"));
    const std::vector<std::string> shown = this->prompts.Messages();
    if (refused.cause.empty()) {
      EXPECT_EQ(shown.size(), messages) << "a cancelled dialog shows nothing";
    } else {
      ASSERT_EQ(shown.size(), messages + 1);
      EXPECT_EQ(shown.back().rfind("Download Error\r\n", 0), 0u) << shown.back();
      EXPECT_NE(shown.back().find(refused.cause), std::string::npos) << shown.back();
    }
    const sim::FirmwareFlash flash = this->node->Flash();
    EXPECT_TRUE(flash.ChecksumValid(2)) << "sector 2 was erased";
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.Image(2).begin()));
  }
}

}  // namespace
