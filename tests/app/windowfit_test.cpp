// The program's windows as the user reads them: every caption shows whole
// in the faces the windows are drawn with, and the tables' headers and cells
// fit their columns on one line. Run offscreen and, with the same fonts, on
// a real display.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFontInfo>

#include "app/Form_FW_Download.h"
#include "app/Form_downloadprogress_file.h"
#include "app/Form_main.h"
#include "framework/graphics.h"
#include "sim/canopen/canopenslave.h"
#include "tests/app/windowtestsupport.h"
#include "tests/support/qx240bench.h"

namespace {

TEST(WindowText, FontsOfTheDesignAreTheRegisteredFaces) {
  if (!QDir(kWindowFontFolder).exists()) GTEST_SKIP() << "no face folder " << kWindowFontFolder;
  TForm_DownloadProgress progress(nullptr);
  EXPECT_EQ(QFontInfo(progress.Button_Cancel->Widget()->font()).family().toStdString(), "MS Sans Serif");
  TVudUvizidIzed grid(nullptr);
  EXPECT_EQ(QFontInfo(grid.FixedFont()->ToQFont()).family().toStdString(), "Tahoma");
}

TEST(WindowText, EveryCaptionOfTheMainDownloadAndProgressWindowsFits) {
  struct Mode {
    std::uint8_t mode;
    std::string settings;
  };
  const Mode modes[] = {{TForm_FW_Download_Main::kDeviceNet, windowtest::SettingsStore::DeviceNet()},
                        {TForm_FW_Download_Main::kCANopen, windowtest::SettingsStore::CANopen()}};
  for (const Mode& m : modes) {
    windowtest::MainWindowDriver app(m.mode, m.settings);
    EXPECT_EQ(harness::CutCaptions(app.window.get()), std::vector<AnsiString>{}) << "mode " << int{m.mode};
  }

  TForm_FW_Download sectors(nullptr);
  sectors.AfterConstruction();
  sectors.Show();
  for (TTabSheet* page : {sectors.TabSheet_Standard, sectors.TabSheet_Advanced}) {
    sectors.PageControl1->SetActivePage(page);
    harness::ProcessEvents();
    EXPECT_EQ(harness::CutCaptions(&sectors), std::vector<AnsiString>{}) << page->Caption();
  }
  // The row of advanced buttons stays inside its page, and the page is no
  // wider than the row or the table needs.
  const int rowRight = sectors.Button_RebootNode->Left() + sectors.Button_RebootNode->Width();
  const int tableRight = sectors.VudUvizidIzed_Modules->Left() + sectors.VudUvizidIzed_Modules->Width();
  EXPECT_LE(rowRight, sectors.TabSheet_Advanced->ClientWidth());
  EXPECT_LT(sectors.TabSheet_Advanced->ClientWidth() - std::max(rowRight, tableRight), 40);
  sectors.Hide();

  TForm_DownloadProgress progress(nullptr);
  progress.AfterConstruction();
  EXPECT_EQ(harness::CutCaptions(&progress), std::vector<AnsiString>{});
}

// What a node reports shows whole in the node table, and the node's sector
// texts in the sector window's tables: each row one line.
class TablesOfANode : public benchtest::Qx240Bench {
 protected:
  ScopedTimeScale fast{2};
};

TEST_F(TablesOfANode, ShowWhatTheNodeReportsOnOneLine) {
  sim::CanopenSlaveConfig config;
  config.node = 7;
  config.deviceName = "Flashwright CANopen Node";
  sim::CanopenSlave node(bus, config);
  // A name with a tab shows at once, the text after the tab at its stop.
  config.node = 9;
  config.deviceName = "QX\t24";
  sim::CanopenSlave tabbed(bus, config);

  windowtest::MainWindowDriver app(TForm_FW_Download_Main::kCANopen, windowtest::SettingsStore::CANopen());
  app.GoOnline({7, 9});
  ASSERT_EQ(app.window->VudUvizidIzed_NodesOnline->GetCellEx(6, 1), "Flashwright CANopen Node");
  ASSERT_EQ(app.window->VudUvizidIzed_NodesOnline->GetCellEx(6, 2), "QX\t24");
  EXPECT_EQ(harness::CutCaptions(app.window.get()), std::vector<AnsiString>{});
  app.InSectorWindow(1, [](TForm_FW_Download& sectors) {
    for (TTabSheet* page : {sectors.TabSheet_Standard, sectors.TabSheet_Advanced}) {
      sectors.PageControl1->SetActivePage(page);
      harness::ProcessEvents();
      EXPECT_EQ(harness::CutCaptions(&sectors), std::vector<AnsiString>{}) << page->Caption();
    }
  });
  app.window.reset();
}

}  // namespace
