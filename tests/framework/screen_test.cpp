// Windows on the screen: where a window may be shown, the busy cursor of a
// long step, message boxes sized for their captions, and the folder a file
// dialog opens in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QRegularExpression>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "framework/dialogs.h"
#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "tests/support/scratch.h"

namespace {

TEST(Screen, AWindowIsShownWithItsWholeFrameOnTheScreen) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    const char* name;
    int left, top;
    int expectedLeft, expectedTop;
  };
  const int w = 300, h = 200;
  const int right = area.x() + area.width() - w, bottom = area.y() + area.height() - h;
  const Case cases[] = {
      {"on the screen: exactly where it was put", area.x() + 40, area.y() + 30, area.x() + 40, area.y() + 30},
      {"title bar above the screen", area.x() + 40, area.y() - 25, area.x() + 40, area.y()},
      {"left of the screen", area.x() - 500, area.y() + 30, area.x(), area.y() + 30},
      {"past the bottom right corner", right + 200, bottom + 100, right, bottom},
      {"far beyond every edge", -2000000000, 2000000000, area.x(), bottom},
  };
  for (const Case& c : cases) {
    TForm form(nullptr);
    form.SetBounds(c.left, c.top, w, h);
    form.Show();
    EXPECT_EQ(form.Left(), c.expectedLeft) << c.name;
    EXPECT_EQ(form.Top(), c.expectedTop) << c.name;
    // Shown again, it stays where it was; the frame that the window system
    // has drawn around it since is kept on the screen as well.
    form.Hide();
    form.Show();
    harness::ProcessEvents();
    const QRect frame = form.Widget()->frameGeometry();
    EXPECT_EQ(form.Left(), std::min(c.expectedLeft, area.x() + area.width() - frame.width())) << c.name;
    EXPECT_EQ(form.Top(), std::min(c.expectedTop, area.y() + area.height() - frame.height())) << c.name;
    EXPECT_EQ(frame.topLeft(), QPoint(form.Left(), form.Top())) << c.name << ": Left and Top are the frame's";
  }
}

class CountingControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    TCustomControl::Paint();
  }
};

TEST(Screen, ABusyStepBeginsWithTheScreenUpToDateUnderTheHourglass) {
  TScopedServices services;
  TForm form(nullptr);
  auto* control = new CountingControl(&form);
  control->SetParent(&form);
  control->SetBounds(0, 0, 100, 50);
  form.Show();
  harness::ProcessEvents();
  const int paintsBefore = control->paints;
  control->Invalidate();
  {
    TBusyCursor busy;
    // The step would keep the window thread from here on: what was waiting
    // to be painted is on the screen already.
    EXPECT_EQ(control->paints, paintsBefore + 1);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    {
      TBusyCursor inner;
      EXPECT_EQ(Screen->Cursor(), crHourGlass);
    }
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(services->cursors, (std::vector<TCursor>{crHourGlass, crDefault}));
}

TEST(Screen, AMessageBoxIsWideEnoughForItsCaptionAndShowsTheArrowWhileBusy) {
  // The window system shows the caption with the application's name.
  QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  titleFont.setBold(true);
  const QString shownTitle = QStringLiteral("Success ") + QChar(0x2014) + " " + QApplication::applicationDisplayName();
  const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(shownTitle);

  Screen->SetCursor(crHourGlass);
  int boxWidth = 0;
  Qt::CursorShape cursorInBox = Qt::BlankCursor;
  harness::WhenIdle([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    boxWidth = box->width();
    if (const QCursor* cursor = QGuiApplication::overrideCursor()) cursorInBox = cursor->shape();
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(Services().MessageBox("Sector Erased!", "Success", MB_OK), IDOK);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Screen->SetCursor(crDefault);
  EXPECT_GT(boxWidth, titleWidth);
  EXPECT_EQ(cursorInBox, Qt::ArrowCursor);
}

// The file type list shows the description once, as written (the dialog
// folds runs of blanks); the patterns behind it match either case.
TEST(Dialogs, TheFileTypeShowsItsDescriptionOnceAndMatchesEitherCase) {
  TOpenDialog open(nullptr);
  open.Filter = "Hex Files  (*.HEX,*.H86)|*.H86;*.HEX";
  std::vector<std::string> shown;
  QString filter;
  harness::WhenIdle([&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    for (const QComboBox* combo : dialog->findChildren<QComboBox*>())
      for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i).contains("Hex")) shown.push_back(combo->itemText(i).toStdString());
    ASSERT_EQ(dialog->nameFilters().size(), 1);
    filter = dialog->nameFilters().front();
    dialog->reject();
  });
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(shown, std::vector<std::string>{"Hex Files (*.HEX,*.H86)"});

  // The patterns Qt reads from the filter: those in its last parentheses.
  const QString patterns = filter.mid(filter.lastIndexOf('(') + 1).chopped(1);
  auto matched = [&](const QString& name) {
    for (const QString& pattern : patterns.split(' ', Qt::SkipEmptyParts))
      if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern)).match(name).hasMatch())
        return true;
    return false;
  };
  for (const char* name : {"node.h86", "NODE.H86", "node.HEX", "Node.Hex"}) EXPECT_TRUE(matched(name)) << name;
  for (const char* name : {"node.txt", "node.h86.bak"}) EXPECT_FALSE(matched(name)) << name;
}

TEST(Dialogs, AWindowsInitialFolderOpensTheUsersDocumentsOrHome) {
  benchtest::TempDir home;
  benchtest::ScopedEnv homeVariable("HOME", home.Path().string());
  benchtest::ScopedEnv configVariable("XDG_CONFIG_HOME", home.File("config"));
  TScopedServices services;
  TOpenDialog open(nullptr);
  auto initialFolder = [&](const AnsiString& folder) {
    open.InitialDir = folder;
    services->CancelFileDialog();
    open.Execute();
    return services->fileRequests.back().initialDir;
  };
  EXPECT_EQ(initialFolder("c:\\My Documents"), home.Path().string());
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(home.File("Documents"))));
  EXPECT_EQ(initialFolder("c:\\My Documents"), home.File("Documents"));
  EXPECT_EQ(initialFolder("D:\\Firmware"), home.File("Documents"));
  // A folder of this system is kept, and none given leaves the choice to the dialog.
  EXPECT_EQ(initialFolder(home.Path().string()), home.Path().string());
  EXPECT_EQ(initialFolder(""), "");
  EXPECT_EQ(open.FileName, "");
}

}  // namespace
