// The program's windows in DeviceNet mode, end to end: the main window reads
// its settings from a store of the test's own, goes online through VRK_DNET
// and the whole stack to simulated slaves, and the sector download window
// runs the update sequence with the progress window, the user's answers and
// file choices scripted.
#include <chrono>
#include <filesystem>

#include "app/Form_FW_Download.h"
#include "app/Form_downloadprogress_file.h"
#include "app/Form_main.h"
#include "app/Class_fw_dnld_dnet.h"
#include "tests/app/windowtestsupport.h"
#include "tests/devicenet/dnetbench.h"

namespace {

using windowtest::PumpUntil;
using windowtest::SettingsStore;
using windowtest::Shown;

constexpr const char* kPasswordText = "1234ABCD";
constexpr std::uint8_t kSector = 2;

class DnetWindowTest : public dnettest::DnetBench {
 protected:
  void SetUp() override {
    dnettest::DnetBench::SetUp();
    app = std::make_unique<windowtest::MainWindowDriver>(TForm_FW_Download_Main::kDeviceNet,
                                                         SettingsStore::DeviceNet());
    window = app->window.get();
  }
  void TearDown() override {
    app.reset();
    dnettest::DnetBench::TearDown();
  }
  TScriptedServices& services() { return app->services(); }

  // Presses Cancel in the progress window as soon as it is shown.
  static void CancelProgressOnceShown() {
    harness::WhenIdle([] {
      for (int i = 0; i < Application->ComponentCount(); ++i) {
        auto* progress = dynamic_cast<TForm_DownloadProgress*>(Application->Components(i));
        if (progress != nullptr && progress->Modal()) {
          harness::Click(progress->Button_Cancel);
          return;
        }
      }
      platform::Sleep(5);
      CancelProgressOnceShown();
    });
  }

  // The windows add a polling thread and the window thread's own work to the
  // stack's: a milder speed-up keeps the stack's reply waits comfortable.
  ScopedTimeScale milder{2};
  std::unique_ptr<windowtest::MainWindowDriver> app;
  TForm_FW_Download_Main* window = nullptr;
};

// The window reads the sector table while the download thread writes: both
// use the node's one explicit connection, one exchange at a time.
TEST_F(DnetWindowTest, ShowsTheBenchNodesAndUpdatesOneOfThem) {
  AddSlave(Slave(5));
  sim::DeviceNetSlave& node = AddSlave(Slave(9, "Second Node"));
  EXPECT_EQ(window->GroupBox_Interface->Caption(), "DeviceNet Interface:");
  EXPECT_EQ(window->StaticText_InterfaceType->Caption(), "VRK QX240");
  EXPECT_EQ(window->StaticText_InterfaceConfigLabel1->Caption(), "COM Port:");
  EXPECT_EQ(window->StaticText_InterfaceConfig1->Caption(), "COM1");
  EXPECT_EQ(window->StaticText_InterfaceConfig2->Caption(), "57600");
  EXPECT_EQ(window->StaticText_NetworkBaud->Caption(), "125k");
  EXPECT_EQ(window->StaticText4->Caption(), "MacId:");

  app->GoOnline({5, 9});
  TVudUvizidIzed* table = window->VudUvizidIzed_NodesOnline;
  EXPECT_EQ(table->GetCellEx(0, 0), "Node");
  EXPECT_EQ(table->GetCellEx(0, 2), "9");
  EXPECT_EQ(table->GetCellEx(6, 2), "Second Node");
  EXPECT_EQ(window->RowNode(3), TForm_FW_Download_Main::kNoNode);
  // An empty row or the header row cannot be chosen.
  for (int row : {0, 3}) {
    window->VudUvizidIzed_NodesOnlineClickCell(table, row, 0);
    EXPECT_FALSE(window->Button_DownloadFirmware->Enabled()) << row;
  }
  window->VudUvizidIzed_NodesOnlineClickCell(table, 2, 0);
  EXPECT_TRUE(window->Button_DownloadFirmware->Enabled());

  const std::vector<std::uint8_t> image = apptest::Image(4000);
  const std::string hexFile = app->HexFile(image);
  const std::size_t restarts = node.Restarts();
  app->InSectorWindow(2, [&](TForm_FW_Download& sectors) {
    EXPECT_EQ(sectors.StaticText_NodeNumber->Caption(), "9");
    app->UpgradeFirmware(sectors, kPasswordText, hexFile);
  });

  EXPECT_TRUE(Shown(services(), "Download Successful")) << ::testing::PrintToString(windowtest::Texts(services()));
  const sim::FirmwareFlash flash = node.Flash();
  const auto written = flash.Image(kSector);
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_TRUE(flash.ChecksumValid(kSector));
  EXPECT_EQ(flash.BootSector(), kSector);
  EXPECT_TRUE(PumpUntil([&] { return node.Restarts() > restarts && node.Mode() == sim::FlashMode::Application; }))
      << ::testing::PrintToString(windowtest::Texts(services()));
  // The sector window showed the progress window on the way and is closed now.
  ASSERT_NE(window->DownloadWindow(), nullptr) << "no sector window was opened";
  EXPECT_FALSE(window->DownloadWindow()->Visible());
  ASSERT_FALSE(services().fileRequests.empty());
  EXPECT_EQ(services().fileRequests.back().title, "Open Hex File");
  // The dialog opens in a folder of this system (the user's), not in the
  // Windows folder the window names.
  EXPECT_TRUE(std::filesystem::is_directory(services().fileRequests.back().initialDir))
      << services().fileRequests.back().initialDir;
}

// A node started in its application, among nodes set up alike as on the
// bench: from the mode switch on, the Standard table shows the node's sectors
// behind every question and message of the update, not only once the update
// has ended (which, when the new firmware is started, closes the window).
TEST_F(DnetWindowTest, StandardTableShowsTheSectorsThroughTheUpdate) {
  for (std::uint8_t mac : {5, 9, 12}) {
    sim::DeviceNetSlaveConfig config;
    config.mac = mac;
    config.password = 0x1234ABCD;
    AddSlave(config);
  }
  app->GoOnline({5, 9, 12});
  const std::string hexFile = app->HexFile(apptest::Image(2000));
  // Per box: its text, then the sector number and status of each table row.
  std::vector<std::string> seen;
  app->InSectorWindow(1, [&](TForm_FW_Download& sectors) {
    services().whileShown = [&](const TScriptedServices::Box& box) {
      TVudUvizidIzed* table = sectors.VudUvizidIzed_Standard;
      std::string rows;
      for (int row = 1; row < table->GetRowCountEx(); ++row) {
        rows += " | " + std::string(table->GetCellEx(0, row)) + " " + std::string(table->GetCellEx(2, row));
      }
      seen.push_back(std::string(box.text) + ":" + rows);
    };
    app->UpgradeFirmware(sectors, kPasswordText, hexFile);
  });
  services().whileShown = nullptr;
  ASSERT_EQ(seen.size(), 4u) << ::testing::PrintToString(seen);
  EXPECT_EQ(seen[0].find(" | "), std::string::npos) << "before the switch nothing of the node is known: " << seen[0];
  for (std::size_t box = 1; box < seen.size(); ++box) {
    EXPECT_NE(seen[box].find(": | 1 <ok> | 2 <ok> | 3 <ok>"), std::string::npos) << seen[box];
  }
}

TEST_F(DnetWindowTest, FailedUpdatesEndInTheirMessageAndLeaveTheWindowUsable) {
  sim::DeviceNetSlave& node = AddSlave(Slave(5));
  app->GoOnline({5});
  const std::string goodFile = app->HexFile(apptest::Image(2000));
  const std::string badFile = app->dir.File("bad.hex");
  {
    std::FILE* file = std::fopen(badFile.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(":10000000000102030405060708090A0B0C0D0E0F78\nthis is no record\n:00000001FF\n", file);
    std::fclose(file);
  }
  const std::string largeFile = app->HexFile(apptest::Image(64 * 1024), "large.hex");

  struct Case {
    const char* name;
    const char* password;
    std::string file;
    bool cancel;
    std::string message;
  };
  const Case cases[] = {
      {"wrong password", "1", goodFile, false, "Password Not Accepted\r\n"},
      {"malformed HEX file", kPasswordText, badFile, false,
       "Download Error\r\nLine 2 of " + badFile + ": the line does not start with \":\"."},
      {"Cancel in the progress window", kPasswordText, largeFile, true, "Download Error\r\nCancelled."},
  };
  for (const Case& k : cases) {
    app->Rescript();
    app->InSectorWindow(1, [&](TForm_FW_Download& sectors) {
      if (k.cancel) CancelProgressOnceShown();
      app->UpgradeFirmware(sectors, k.password, k.file);
      EXPECT_TRUE(sectors.Visible()) << k.name;
    });
    EXPECT_TRUE(Shown(services(), k.message)) << k.name << ::testing::PrintToString(windowtest::Texts(services()));
    EXPECT_FALSE(Shown(services(), "Download Successful")) << k.name;
  }
  EXPECT_FALSE(node.Flash().ChecksumValid(kSector));

  // Still usable: the node, in download mode now, shows its sectors.
  app->Rescript();
  app->InSectorWindow(1, [&](TForm_FW_Download& sectors) {
    harness::Click(sectors.Button_Retrieve);
    EXPECT_TRUE(sectors.Button_EraseModule->Enabled());
    EXPECT_EQ(sectors.VudUvizidIzed_Modules->GetRowCountEx(), 5) << "header and sectors 0 to 3";
    EXPECT_EQ(sectors.VudUvizidIzed_Modules->GetCellEx(0, 3), "2");
  });
  EXPECT_TRUE(app->services().boxes.empty()) << app->AllTexts();
}

// The Advanced tab: a 128 KiB download into sector 1 is cancelled. Whether
// Make Boot Sector and Execute Sector come at once or after a Retrieve
// Configuration, the table shows the sector empty and neither takes it.
TEST_F(DnetWindowTest, ACancelledSectorDownloadNeverBecomesTheBootSector) {
  sim::DeviceNetSlave& node = AddSlave(Slave(5));
  app->GoOnline({5});
  std::vector<std::uint8_t> image = apptest::Image(128 * 1024);
  const char description[] = "Cancelled image";
  std::copy(std::begin(description), std::end(description), image.begin() + 0x400 + 16);
  const std::string hexFile = app->HexFile(image);
  std::size_t restarts = 0;
  app->InSectorWindow(1, [&](TForm_FW_Download& sectors) {
    sectors.Edit_Password->SetText(kPasswordText);
    services().Answer(IDYES);  // enter download mode
    harness::Click(sectors.Button_Retrieve);
    ASSERT_TRUE(sectors.Button_EraseModule->Enabled()) << app->AllTexts();
    restarts = node.Restarts();
    for (const bool retrieveFirst : {false, true}) {
      SCOPED_TRACE(retrieveFirst ? "after Retrieve Configuration" : "at once");
      sectors.VudUvizidIzed_Modules->SetRowEx(2);  // sector 1
      services().Answer(IDYES);                    // erase sector 1
      harness::Click(sectors.Button_EraseModule);
      CancelProgressOnceShown();
      services().Answer(IDYES);  // download into sector 1
      services().ChooseFiles({hexFile});
      harness::Click(sectors.Button_Upgrade);
      EXPECT_TRUE(Shown(services(), "Download Error\r\nCancelled.")) << app->AllTexts();

      if (retrieveFirst) harness::Click(sectors.Button_Retrieve);
      EXPECT_EQ(sectors.VudUvizidIzed_Modules->GetCellEx(2, 2), "<empty>");
      EXPECT_EQ(sectors.VudUvizidIzed_Modules->GetCellEx(4, 2), "");
      services().boxes.clear();
      sectors.VudUvizidIzed_Modules->SetRowEx(2);
      harness::Click(sectors.Button_MakeActive);
      harness::Click(sectors.Button_Execute);
      EXPECT_EQ(windowtest::Texts(services()),
                (std::vector<std::string>{"Sector Empty.\r\n Cannot make current sector the Boot Sector!",
                                          "Sector Empty!\r\n Cannot make execute an empty sector!"}));
      EXPECT_TRUE(sectors.Visible());
    }
  });
  const sim::FirmwareFlash flash = node.Flash();
  EXPECT_EQ(flash.BootSector(), 0);
  EXPECT_EQ(node.Restarts(), restarts);
  EXPECT_EQ(node.Mode(), sim::FlashMode::BootLoader);
}

// Each bad file is chosen for the node right after it was updated and reset
// into its new firmware: every attempt ends in its own message, and the image
// of the update stays the node's boot image.
TEST_F(DnetWindowTest, BadFilesRightAfterAnUpdateAreRefusedWithTheirCause) {
  sim::DeviceNetSlave& node = AddSlave(Slave(5));
  app->GoOnline({5});
  const std::vector<std::uint8_t> image = apptest::Image(2000);
  const std::string goodFile = app->HexFile(image);
  for (const auto& bad : app->BadHexFiles()) {
    app->Rescript();
    app->UpdateNode(1, kPasswordText, goodFile);
    ASSERT_TRUE(Shown(services(), "Download Successful")) << bad.name << app->AllTexts();
    app->Rescript();
    app->UpdateNode(1, kPasswordText, bad.path);
    EXPECT_TRUE(Shown(services(), bad.message)) << bad.name << app->AllTexts();
    EXPECT_FALSE(Shown(services(), "Download Successful")) << bad.name;
  }
  const sim::FirmwareFlash flash = node.Flash();
  EXPECT_TRUE(flash.ChecksumValid(kSector));
  EXPECT_EQ(flash.BootSector(), kSector);
}

TEST_F(DnetWindowTest, StoppingAndClosingReturnPromptly) {
  AddSlave(Slave(5));
  app->GoOnline({5});
  using Clock = std::chrono::steady_clock;
  const auto before = Clock::now();
  harness::Click(window->Button_NetworkStop);
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(10));
  EXPECT_TRUE(window->Button_NetworkStart->Enabled());
  EXPECT_FALSE(window->Button_NetworkStop->Enabled());
  EXPECT_FALSE(window->Button_DownloadFirmware->Enabled());
  EXPECT_EQ(window->RowNode(1), TForm_FW_Download_Main::kNoNode);

  app->GoOnline({5});
  const auto closing = Clock::now();
  window->Close();
  EXPECT_LT(Clock::now() - closing, std::chrono::seconds(10));
}

// The adapter is unplugged while online: the node polling learns of it, the
// window goes offline with the message a start without the adapter gives,
// and a new start gives it again.
TEST_F(DnetWindowTest, UnpluggedAdapterIsReportedAsAtStart) {
  AddSlave(Slave(5));
  app->GoOnline({5});
  app->Rescript();
  adapter.Stop();
  // Its pseudo-terminal's name goes back to the system, which may hand it to
  // anyone: the port is pointed where no device can appear.
  benchtest::ScopedEnv gone("FLASHWRIGHT_COM1", "/nonexistent/ttyS0");
  EXPECT_TRUE(PumpUntil([&] { return window->Button_NetworkStart->Enabled(); }));
  EXPECT_FALSE(window->Button_NetworkStop->Enabled());
  EXPECT_EQ(window->RowNode(1), TForm_FW_Download_Main::kNoNode);
  EXPECT_EQ(windowtest::Texts(services()), std::vector<std::string>{"Cannot Open Interface"});

  app->Rescript();
  services().Answer(IDYES);
  harness::Click(window->Button_NetworkStart);
  EXPECT_TRUE(Shown(services(), "Cannot Open Interface")) << app->AllTexts();
  EXPECT_TRUE(window->Button_NetworkStart->Enabled());
}

// Unplugged while the sector download window is open: the window keeps the
// network until the sector window has closed, then goes offline.
TEST_F(DnetWindowTest, UnpluggedAdapterIsReportedOnceTheSectorWindowCloses) {
  AddSlave(Slave(5));
  app->GoOnline({5});
  app->Rescript();
  app->InSectorWindow(1, [&](TForm_FW_Download&) {
    adapter.Stop();
    EXPECT_TRUE(PumpUntil([&] { return window->RowNode(1) == TForm_FW_Download_Main::kNoNode; }));
    PumpUntil([] { return false; }, 500);  // the refresh's queued call has run
    EXPECT_TRUE(window->Button_NetworkStop->Enabled());
    EXPECT_TRUE(services().boxes.empty()) << app->AllTexts();
  });
  EXPECT_TRUE(PumpUntil([&] { return window->Button_NetworkStart->Enabled(); }));
  EXPECT_FALSE(window->Button_NetworkStop->Enabled());
  EXPECT_EQ(windowtest::Texts(services()), std::vector<std::string>{"Cannot Open Interface"});
}

// A main window whose DeviceNet library is not there.
class WithoutLibrary : public TForm_FW_Download_Main {
 public:
  using TForm_FW_Download_Main::TForm_FW_Download_Main;

 protected:
  std::unique_ptr<TFlashwright> CreateDownloader(std::uint8_t) override {
    return std::make_unique<TDNet_Downloader>("VRK_DNET_MISSING.dll");
  }
};

TEST(DnetWindowWithoutLibrary, StaysOfflineAndUsable) {
  TScopedServices scoped;
  TScriptedServices& services = *scoped;
  TWindowPrompt prompt;
  WithoutLibrary window(nullptr);
  window.SetMode(TForm_FW_Download_Main::kDeviceNet);
  window.AfterConstruction();
  window.Show();
  EXPECT_EQ(window.StaticText_InterfaceType->Caption(), "None");
  for (int attempt = 0; attempt < 2; ++attempt) {
    services.boxes.clear();
    services.Answer(IDYES);
    harness::Click(window.Button_NetworkStart);
    EXPECT_TRUE(Shown(services, "Cannot Open Interface")) << ::testing::PrintToString(windowtest::Texts(services));
    EXPECT_TRUE(window.Button_NetworkStart->Enabled());
    EXPECT_FALSE(window.Button_NetworkStop->Enabled());
  }
  // The configuration window's entry point is missing too: a clean failure.
  window.Configuration2->Click();
  window.VersionInfo1->Click();
  EXPECT_TRUE(window.Button_NetworkStart->Enabled());
}

}  // namespace
