// Start-up, the bus selection, the interface group of the main window and
// the small windows, without the bench.
#include <cstring>

#include "app/Flashwright.h"
#include "app/Form_about.h"
#include "app/Form_downloadprogress_file.h"
#include "app/Form_main.h"
#include "app/Form_networkselect_file.h"
#include "bindings/Form_versioninformation_file.h"
#include "tests/app/windowtestsupport.h"

namespace {

TEST(StartUp, TheFirstCharacterOfTheCommandLineChoosesTheBus) {
  const std::pair<const char*, int> cases[] = {{"d", 1}, {"D", 1}, {"dxyz", 1}, {"c", 2}, {"C", 2}, {"u", 3},
                                               {"U", 3}, {"x", 0}, {"", 0},     {" d", 0}};
  for (const auto& [line, bus] : cases) EXPECT_EQ(BusFromCommandLine(line), bus) << '"' << line << '"';
}

TEST(StartUp, SelectNodeTypeGivesTheChosenBusOrNoneWhenCancelled) {
  // Each case acts on the window once it is shown.
  const std::pair<std::function<void(TForm_NetworkSelect&)>, int> cases[] = {
      {[](TForm_NetworkSelect& w) { harness::Click(w.Button_Ok); }, 1},
      {[](TForm_NetworkSelect& w) {
         w.RadioButton_CANopen->SetChecked(true);
         harness::Click(w.Button_Ok);
       },
       2},
      {[](TForm_NetworkSelect& w) {
         w.RadioButton_QX24X->SetChecked(true);
         harness::Click(w.Button_Ok);
       },
       3},
      {[](TForm_NetworkSelect& w) { harness::Click(w.Button_Cancel); }, 0},
      {[](TForm_NetworkSelect& w) { harness::PressKey(w.Button_Ok, Qt::Key_Escape); }, 0},
  };
  for (const auto& [act, bus] : cases) {
    harness::WhenIdle([&act = act] {
      for (int i = 0; i < Application->ComponentCount(); ++i) {
        auto* select = dynamic_cast<TForm_NetworkSelect*>(Application->Components(i));
        if (select != nullptr && select->Visible()) {
          EXPECT_TRUE(select->RadioButton_DeviceNet->Checked());
          act(*select);
        }
      }
    });
    EXPECT_EQ(AskForBus(), bus);
    harness::ProcessEvents();
  }
}

// A downloader that reports a given interface record and nothing else.
class RecordOnly : public TFlashwright {
 public:
  explicit RecordOnly(const InterfaceConfiguration& record) : record_(record) {}
  int GetInterfaceConfiguration(InterfaceConfiguration* record) override {
    *record = record_;
    return 1;
  }
  int GetInterfaceName(char* name) override {
    std::strcpy(name, "VRK QX240");
    return 1;
  }
  std::string GetBaudRateText() override { return "125k"; }
  std::string GetInterfaceAddressText() override { return "0"; }

 private:
  InterfaceConfiguration record_;
};

class MainWithRecord : public TForm_FW_Download_Main {
 public:
  MainWithRecord(const InterfaceConfiguration& record, std::uint8_t mode)
      : TForm_FW_Download_Main(nullptr), record_(record) {
    SetMode(mode);
    AfterConstruction();
    Show();
  }

 protected:
  std::unique_ptr<TFlashwright> CreateDownloader(std::uint8_t) override {
    return std::make_unique<RecordOnly>(record_);
  }

 private:
  InterfaceConfiguration record_;
};

TEST(MainWindow, ShowsTheInterfaceRecord) {
  struct Case {
    const char* name;
    const char* accessPoint;
    int port, irq, comPort, comBaud;
    std::uint8_t mode;
    const char* label1;
    const char* value1;
    bool secondLine;
    const char* value2;
  };
  const Case cases[] = {
      {"access point wins", "AP1", 0x300, 5, 3, 9600, 1, "Access Point:", "AP1", false, ""},
      {"port with IRQ", "", 0x300, 5, 0, 0, 1, "Port:", "768", true, "5"},
      {"port without IRQ", "", 0x300, 0, 0, 0, 1, "Port:", "768", false, ""},
      {"COM port", "", 0, 0, 3, 57600, 2, "COM Port:", "COM3", true, "57600"},
      {"unconfigured", "", 0, 0, 0, 0, 3, "Not Configured", "", false, ""},
  };
  for (const Case& k : cases) {
    InterfaceConfiguration record{};
    record.InterfaceType = 1;
    std::strcpy(record.AccessPoint, k.accessPoint);
    record.Port = k.port;
    record.Irq = k.irq;
    record.ComPort = k.comPort;
    record.ComBaud = k.comBaud;
    MainWithRecord window(record, k.mode);
    EXPECT_EQ(window.StaticText_InterfaceType->Caption(), "VRK QX240") << k.name;
    EXPECT_EQ(window.StaticText_InterfaceConfigLabel1->Caption(), k.label1) << k.name;
    EXPECT_EQ(window.StaticText_InterfaceConfig1->Caption(), k.value1) << k.name;
    EXPECT_EQ(window.StaticText_InterfaceConfig2->Visible(), k.secondLine) << k.name;
    if (k.secondLine) {
      EXPECT_EQ(window.StaticText_InterfaceConfig2->Caption(), k.value2) << k.name;
    }
    const bool networkLines = k.mode != TForm_FW_Download_Main::kQx24x;
    EXPECT_EQ(window.StaticText_NetworkBaud->Visible(), networkLines) << k.name;
    EXPECT_EQ(window.StaticText4->Visible(), networkLines) << k.name;
    EXPECT_EQ(window.StaticText4->Caption(), k.mode == TForm_FW_Download_Main::kCANopen ? "NodeID:" : "MacId:")
        << k.name;
  }
}

// A downloader whose present nodes the test sets.
class SetNodes : public TFlashwright {
 public:
  void Present(int count) {
    for (std::size_t node = 0; node < kNodeEntries; ++node) present_[node] = node < std::size_t(count) ? 1 : 0;
  }
  int GetNodeCount(std::uint16_t* count) override {
    *count = kNodeEntries;
    return 1;
  }
  std::string GetNodeText(int node) override { return std::to_string(node); }
};

class MainWithNodes : public TForm_FW_Download_Main {
 public:
  MainWithNodes() : TForm_FW_Download_Main(nullptr) {
    SetMode(kCANopen);
    AfterConstruction();
    Show();
  }
  SetNodes& Nodes() { return static_cast<SetNodes&>(*Downloader()); }

 protected:
  std::unique_ptr<TFlashwright> CreateDownloader(std::uint8_t) override { return std::make_unique<SetNodes>(); }
};

TEST(MainWindow, MoreThanSixtyFourNodesGrowTheTableAndItShrinksBack) {
  MainWithNodes window;
  TVudUvizidIzed* table = window.VudUvizidIzed_NodesOnline;
  window.Nodes().Present(70);
  window.RefreshNodeGrid();
  EXPECT_EQ(table->GetRowCountEx(), 71);
  EXPECT_EQ(table->GetCellEx(0, 70), "69");
  EXPECT_EQ(window.RowNode(70), 69u);
  EXPECT_TRUE(window.Button_DownloadFirmware->Enabled());

  window.Nodes().Present(2);
  window.RefreshNodeGrid();
  EXPECT_EQ(table->GetRowCountEx(), 65);
  EXPECT_EQ(window.RowNode(2), 1u);
  EXPECT_EQ(window.RowNode(3), TForm_FW_Download_Main::kNoNode);
  EXPECT_EQ(table->GetCellEx(0, 3), "");
  // The button stays as it was; choosing a row without a node does nothing.
  window.VudUvizidIzed_NodesOnline->SetRow(5);
  window.Button_DownloadFirmwareClick(nullptr);
  EXPECT_EQ(window.DownloadWindow(), nullptr);
}

TEST(ProgressWindow, ACloseBeforeTheWindowIsShownStillEndsIt) {
  TForm_DownloadProgress progress(nullptr);
  progress.AfterConstruction();
  EXPECT_EQ(progress.Caption(), "Download Progress");
  progress.CloseProgress();
  EXPECT_EQ(progress.ShowModal(), mrCancel);
  EXPECT_FALSE(progress.CancelRequested());

  TForm_DownloadProgress cancelled(nullptr);
  cancelled.AfterConstruction();
  harness::WhenIdle([&] { harness::Click(cancelled.Button_Cancel); });
  EXPECT_EQ(cancelled.ShowModal(), mrCancel);
  EXPECT_TRUE(cancelled.CancelRequested());
}

// A library stack of a given depth; levels from failingVersion on have no version.
class FakeStack : public TVersionSource {
 public:
  FakeStack(int depth, int failingVersion) : depth_(depth), failingVersion_(failingVersion) {}
  int GetOnline(int* online) override {
    *online = 1;
    return 1;
  }
  int DLL_Name(int level, char* name) override {
    if (level >= depth_) return 0;
    std::snprintf(name, 256, "LEVEL%d", level);
    return 1;
  }
  int DLL_Version(int level, int* major, int* minor) override {
    *major = level;
    *minor = 5;
    return level < failingVersion_ ? 1 : 0;
  }
  int Hardware_Version(int* major, int* minor) override {
    *major = 2;
    *minor = 1;
    return 1;
  }
  int Firmware_Version(int*, int*) override { return 0; }

 private:
  int depth_;
  int failingVersion_;
};

std::vector<std::string> ShownLines(TVersionSource* source) {
  TForm_VersionInformation window(nullptr);
  window.AfterConstruction();
  window.Binding2 = source;
  window.Show();
  std::vector<std::string> lines;
  for (int i = 0; i < window.ListBox_Version->Items()->Count(); ++i) {
    lines.push_back(window.ListBox_Version->Items()->Get(i));
  }
  return lines;
}

TEST(VersionWindow, ListsEachLevelThenTheRevisions) {
  FakeStack twoLevels(2, 1);
  EXPECT_EQ(ShownLines(&twoLevels),
            (std::vector<std::string>{"LEVEL0.DLL Version=0.5", "LEVEL1.DLL Version=Not Available",
                                      "Hardware Revision=2.1", "Firmware Revision=Not Available"}));
  FakeStack deep(12, 12);
  EXPECT_EQ(ShownLines(&deep).size(), 12u) << "ten levels and two revisions";
  FakeStack none(0, 0);
  EXPECT_EQ(ShownLines(&none).size(), 2u);
  EXPECT_TRUE(ShownLines(nullptr).empty());
}

TEST(AboutBox, OpensTheWebSiteThroughTheShell) {
  TScopedServices services;
  TAboutBox about(nullptr);
  about.AfterConstruction();
  EXPECT_EQ(about.Caption(), "About");
  EXPECT_EQ(about.VersionNumber->Caption(), "2.04");
  harness::WhenIdle([&] {
    harness::Click(about.WebSiteLink);
    harness::Click(about.OKButton);
  });
  EXPECT_EQ(about.ShowModal(), mrOk);
  EXPECT_EQ(services->openedUrls, std::vector<AnsiString>{TAboutBox::kWebSite});
}

}  // namespace
