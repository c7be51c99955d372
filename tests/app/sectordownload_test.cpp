// The sector download steps: the sector tables against a scripted node, and
// the whole standard update through the DeviceNet downloader on the bench.
#include "app/sectordownload.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/Class_fw_dnld_dnet.h"
#include "tests/app/apptestsupport.h"
#include "tests/devicenet/dnetbench.h"

namespace {

using apptest::ScriptedPrompt;
using Table = TSectorDownload::Table;

// Runs the passes on the calling thread and can stand in for the open dialog.
class SynchronousView : public TSectorDownloadView {
 public:
  bool ChooseHexFile(std::string& path) override {
    ++dialogs;
    if (file.empty()) return false;
    path = file;
    return true;
  }
  TDownloadVerdict RunDownload(const TDownloadJob& job) override {
    TDownloadPasses passes(job, nullptr);
    passes.Execute();
    return {passes.DownloadPassed(), passes.VerifyPassed()};
  }

  std::string file;
  int dialogs = 0;
};

// A node whose sectors the test describes.
class ScriptedNode : public TFlashwright {
 public:
  struct Sector {
    std::uint32_t revision = 0x00010002;
    bool readable = true;
    bool checksumGood = true;
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
  EXPECT_EQ(sequence.Rows(Table::Advanced)[1], (TSectorDownload::Row{"0", "", "", "", "", "", "", ""}));
  EXPECT_EQ(sequence.Rows(Table::Standard).size(), 1u);
  EXPECT_EQ(sequence.Description(0).Name[0], '\0');
  EXPECT_EQ(TSectorDownload::ParsePassword(""), 0u);
  EXPECT_EQ(TSectorDownload::ParsePassword("1234abcd"), 0x1234ABCDu);
  EXPECT_EQ(TSectorDownload::ParsePassword("zz"), 0u);
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
  sequence.DownloadSector(3);  // the file chosen and the sector erased (the node takes no data)
  const std::vector<std::pair<std::string, int>> expected = {
      {"enter download mode", 1}, {"erase", 1}, {"erase", 1}};
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

  // Cancelling the open dialog after the erase: no message at all.
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
  EXPECT_EQ(prompts.Messages().back(), "Download Error");
  for (const std::string& message : prompts.Messages()) EXPECT_NE(message, "Download Successful");
}

}  // namespace
