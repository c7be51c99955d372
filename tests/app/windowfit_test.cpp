// The program's windows as the user reads them: every caption shows whole
// in the faces the windows are drawn with, and the table headers fit their
// columns. Run offscreen and, with the same fonts, on a real display.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>

#include "app/Form_FW_Download.h"
#include "app/Form_downloadprogress_file.h"
#include "app/Form_main.h"
#include "framework/graphics.h"
#include "tests/app/windowtestsupport.h"

namespace {

// The header titles of the grid that its columns cut: the grid draws a
// cell's text 2 pixels in from each side.
std::vector<std::string> CutHeaders(TVudUvizidIzed* grid) {
  const QFontMetrics metrics(grid->FixedFont()->ToQFont());
  std::vector<std::string> cut;
  for (int col = 0; col < grid->ColCount(); ++col) {
    const std::string title = grid->GetCellEx(col, 0);
    const int needed = metrics.horizontalAdvance(QString::fromStdString(title));
    if (needed > grid->ColWidths(col) - 4) cut.push_back(title + " needs " + std::to_string(needed));
  }
  return cut;
}

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
    EXPECT_EQ(CutHeaders(app.window->VudUvizidIzed_NodesOnline), std::vector<std::string>{}) << "mode " << int{m.mode};
  }

  TForm_FW_Download sectors(nullptr);
  sectors.AfterConstruction();
  sectors.Show();
  for (TTabSheet* page : {sectors.TabSheet_Standard, sectors.TabSheet_Advanced}) {
    sectors.PageControl1->SetActivePage(page);
    harness::ProcessEvents();
    EXPECT_EQ(harness::CutCaptions(&sectors), std::vector<AnsiString>{}) << page->Caption();
  }
  for (TVudUvizidIzed* grid : {sectors.VudUvizidIzed_Standard, sectors.VudUvizidIzed_Modules})
    EXPECT_EQ(CutHeaders(grid), std::vector<std::string>{});
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

}  // namespace
