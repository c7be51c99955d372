// The small windows of the grid's hover feedback: the balloon tool tip,
// the mark-up hint window, the arrow windows and the pop-up caption.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <optional>

#include "framework/forms.h"
#include "framework/tooltips.h"
#include "grid/arrowwindow.h"
#include "grid/duruzav.h"
#include "grid/htmlhintwindow.h"
#include "framework/standardcontrols.h"
#include "grid/popupbutton.h"
#include "gridtesting.h"
#include "platform/clock.h"
#include "tests/grid/mousetesting.h"

namespace {

int ToolTipWindows() {
  int count = 0;
  for (QWidget* w : QApplication::allWidgets())
    if (w->objectName() == "Tooltips_Class32") ++count;
  return count;
}

// Serves events until done() holds or two seconds of real time passed.
template <typename Done>
bool ServeUntil(Done&& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return done();
}

class Balloons : public mousetesting::MouseGrid {
 protected:
  void SetUp() override {
    MouseGrid::SetUp();
    form.Show();
  }
  void TearDown() override { platform::SetTimeScale(1); }
};

TEST_F(Balloons, EnablingTwiceLeavesOneToolTipAndDisablingRemovesIt) {
  ASSERT_EQ(ToolTipWindows(), 0);
  grid.Balloon()->SetEnable(true);
  EXPECT_EQ(ToolTipWindows(), 1);
  grid.Balloon()->SetEnable(false);
  EXPECT_EQ(ToolTipWindows(), 0);
  EXPECT_EQ(grid.Hover().ToolTip(), nullptr);
  grid.Balloon()->SetEnable(true);
  grid.BalloonInit();
  EXPECT_EQ(ToolTipWindows(), 1);
  TToolTipWindow* tip = grid.Hover().ToolTip();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(tip->Style(), TTS_ALWAYSTIP | TTS_BALLOON);
  EXPECT_EQ(tip->Title(), "ToolTipText");
  EXPECT_EQ(tip->Icon(), TTI_ERROR);
  EXPECT_EQ(tip->Tool(), &grid);
}

TEST_F(Balloons, ToolTipIsMadeAndToldItsTitleStepByStep) {
  grid.AddToolTip(TTI_INFO, "DurUzav", "ignored");
  EXPECT_EQ(grid.Hover().ToolTip(), nullptr);
  grid.CreateToolTip();
  grid.AddToolTip(9, "DurUzav", "Title");
  ASSERT_NE(grid.Hover().ToolTip(), nullptr);
  EXPECT_EQ(grid.Hover().ToolTip()->Icon(), TTI_NONE);
  EXPECT_EQ(grid.Hover().ToolTip()->Title(), "Title");
  grid.DestroyToolTip();
  EXPECT_EQ(ToolTipWindows(), 0);
}

TEST_F(Balloons, TransparencyGivesTheWindowsOpacity) {
  struct Case {
    unsigned char transparency;
    double opacity;
  };
  for (const Case c : {Case{0, 1.0}, Case{55, 200 / 255.0}, Case{255, 0.0}}) {
    grid.Balloon()->Transparency = c.transparency;
    grid.Balloon()->SetEnable(true);
    EXPECT_NEAR(grid.Hover().ToolTip()->Opacity(), c.opacity, 0.01) << int{c.transparency};
    grid.Balloon()->SetEnable(false);
  }
}

TEST_F(Balloons, DelaysOfMinusOneKeepTheSystemDefaults) {
  grid.Balloon()->SetEnable(true);
  TToolTipWindow* tip = grid.Hover().ToolTip();
  EXPECT_EQ(tip->DelayTime(TTDT_INITIAL), 500);
  EXPECT_EQ(tip->DelayTime(TTDT_RESHOW), 100);
  EXPECT_EQ(tip->DelayTime(TTDT_AUTOPOP), 5000);
  grid.Balloon()->InitialDelay = 40;
  grid.Balloon()->AutoHideDelay = 3000;
  grid.BalloonInit();
  tip = grid.Hover().ToolTip();
  EXPECT_EQ(tip->DelayTime(TTDT_INITIAL), 40);
  EXPECT_EQ(tip->DelayTime(TTDT_RESHOW), 100);
  EXPECT_EQ(tip->DelayTime(TTDT_AUTOPOP), 3000);
}

TEST_F(Balloons, ShowsTheCellAfterTheDelayAndGoesWhenThePointerLeavesTheCell) {
  platform::SetTimeScale(1000);
  grid.SetCells(2, 3, "balloon text");
  grid.Balloon()->InitialDelay = 1000;
  grid.Balloon()->AutoHideDelay = 60000;
  grid.Balloon()->BackgroundColor = clYellow;
  grid.Balloon()->SetEnable(true);
  TToolTipWindow* tip = grid.Hover().ToolTip();
  Move(Middle(2, 3));
  EXPECT_FALSE(tip->IsShown());
  ASSERT_TRUE(ServeUntil([&] { return tip->IsShown(); }));
  EXPECT_EQ(tip->TipText(), "balloon text");
  EXPECT_EQ(tip->Color(), clYellow);
  EXPECT_EQ(grid.BalloonCell().X, 2);
  EXPECT_EQ(grid.BalloonCell().Y, 3);
  Move(Middle(3, 3));
  EXPECT_FALSE(tip->IsShown());
  EXPECT_EQ(grid.BalloonCell().X, -1);
}

TEST_F(Balloons, AutoHideDelayEndsTheTip) {
  platform::SetTimeScale(1000);
  grid.SetCells(2, 3, "text");
  grid.Balloon()->InitialDelay = 0;
  grid.Balloon()->AutoHideDelay = 2000;
  grid.Balloon()->SetEnable(true);
  TToolTipWindow* tip = grid.Hover().ToolTip();
  Move(Middle(2, 3));
  ASSERT_TRUE(tip->IsShown());
  EXPECT_TRUE(ServeUntil([&] { return !tip->IsShown(); }));
}

TEST_F(Balloons, LeavingTheGridPopsTheTip) {
  grid.SetCells(2, 3, "text");
  grid.Balloon()->InitialDelay = 0;
  grid.Balloon()->SetEnable(true);
  Move(Middle(2, 3));
  ASSERT_TRUE(grid.Hover().ToolTip()->IsShown());
  grid.Perform(CM_MOUSELEAVE);
  EXPECT_FALSE(grid.Hover().ToolTip()->IsShown());
}

TEST(ToolTipWindow, ShowsWhatItsToolAnswersAndGoesOnAPress) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 200);
  form.Show();
  TToolTipWindow tip(nullptr, TTS_BALLOON);
  AnsiString answer = "tip";
  tip.AddTool(&form, [&](TPoint) {
    TToolTipText text;
    text.Text = answer;
    return std::optional<TToolTipText>(text);
  });
  tip.SetTitle(7, "Title");
  EXPECT_EQ(tip.Icon(), TTI_NONE);
  tip.SetDelayTime(TTDT_INITIAL, 0);
  const auto relay = [&](unsigned msg) { tip.RelayEvent(TMessage{msg, 0, MakeLParam(10, 10), 0, false}); };
  relay(WM_MOUSEMOVE);
  ASSERT_TRUE(tip.IsShown());
  EXPECT_EQ(tip.TipText(), "tip");
  EXPECT_EQ(tip.Top(), form.ClientToScreen({10, 30}).Y);
  relay(WM_LBUTTONDOWN);
  EXPECT_FALSE(tip.IsShown());
  // An empty answer shows nothing.
  answer.clear();
  relay(CM_MOUSELEAVE);
  relay(WM_MOUSEMOVE);
  EXPECT_FALSE(tip.IsShown());
}

// ---- The mark-up hint window ----

class MarkupHint : public ::testing::Test {
 protected:
  THTMLHintWindow hint{nullptr};
};

TEST_F(MarkupHint, TakesTheMeasuredSizeWithItsMargins) {
  hint.ActivateHint({10, 20, 11, 21}, "<b>size</b> me");
  EXPECT_TRUE(hint.IsShown());
  EXPECT_GT(hint.TextWidth(), 0);
  EXPECT_GT(hint.TextHeight(), 0);
  EXPECT_EQ(hint.Left(), 10);
  EXPECT_EQ(hint.Top(), 20);
  EXPECT_EQ(hint.Width(), hint.TextWidth() + 16);
  EXPECT_EQ(hint.Height(), hint.TextHeight() + 4);
  const TRect calc = hint.CalcHintRect(200, "<b>size</b> me");
  EXPECT_EQ(calc.Width(), hint.TextWidth());
  hint.ReleaseHint();
}

TEST_F(MarkupHint, StaysTwoPixelsInsideTheScreensRightAndBottomEdges) {
  const int w = Screen->Width(), h = Screen->Height();
  hint.ActivateHint({w - 5, h - 5, w, h}, "a longer hint text");
  EXPECT_EQ(hint.Left() + hint.Width(), w - 2);
  EXPECT_EQ(hint.Top() + hint.Height(), h - 2);
  hint.ReleaseHint();
}

TEST_F(MarkupHint, PaintsTheTextOnItsColour) {
  hint.SetColor(clYellow);
  hint.ActivateHint({0, 0, 1, 1}, "<font color=\"clRed\">WWWW</font>");
  hint.Repaint();
  const QImage& image = hint.BackingImage();
  bool red = false;
  for (int x = 0; x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y)
      if (hint.Canvas()->Pixels(x, y) == clRed) red = true;
  EXPECT_TRUE(red);
  EXPECT_EQ(hint.Canvas()->Pixels(hint.Width() / 2, 1), clYellow);
  hint.ReleaseHint();
}

// ---- Arrow windows ----

TEST(ArrowWindow, IsCutToItsArrowInTheTopLeftCorner) {
  struct Case {
    TArrowDirection direction;
    TPoint tip;
  };
  for (const Case c : {Case{arrUp, {5, 1}}, Case{arrDown, {5, 7}}, Case{arrLeft, {7, 5}}, Case{arrRight, {1, 5}}}) {
    TArrowWindow arrow(nullptr, c.direction);
    EXPECT_FALSE(arrow.Visible());
    EXPECT_EQ(arrow.Direction(), c.direction);
    arrow.SetBounds(0, 0, 40, 40);
    const QRegion mask = arrow.Widget()->mask();
    EXPECT_TRUE(mask.contains(QPoint(c.tip.X, c.tip.Y))) << c.direction;
    EXPECT_FALSE(mask.contains(QPoint(0, 0)) && mask.contains(QPoint(10, 10))) << c.direction;
    EXPECT_FALSE(mask.contains(QPoint(20, 20))) << c.direction;
  }
  TArrowWindow up(nullptr, arrUp);
  EXPECT_EQ(up.Vertices()[0].X, 5);
  EXPECT_EQ(up.Vertices()[6].Y, 5);
  EXPECT_EQ(up.Color(), TColor{0x0000FF00});
}

// ---- The pop-up caption ----

TEST(PopupButton, FlatWithoutGradientShowsOnlyItsCaptionOnItsBackground) {
  TPopupButton button(nullptr);
  EXPECT_FALSE(button.Visible());
  EXPECT_FALSE(button.Enabled());
  EXPECT_EQ(button.GradFrom(), clNone);
  EXPECT_EQ(button.GradTo(), clNone);
  button.SetBounds(0, 0, 80, 20);
  button.SetFlat(true);
  button.Repaint();
  EXPECT_EQ(button.Canvas()->Pixels(0, 0), button.Canvas()->Pixels(79, 19));
  EXPECT_EQ(button.Canvas()->Pixels(0, 0), ColorToRGB(clBtnFace));
  button.SetFlat(false);
  button.Repaint();
  EXPECT_EQ(button.Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(button.Canvas()->Pixels(79, 19), clGray);
}

TEST(PopupButton, GradientRunsFromTopToBottom) {
  TPopupButton button(nullptr);
  button.SetBounds(0, 0, 80, 64);
  button.SetFlat(true);
  button.SetGradFrom(clRed);
  button.SetGradTo(clBlue);
  button.Repaint();
  EXPECT_EQ(button.Canvas()->Pixels(2, 0), clRed);
  EXPECT_NE(button.Canvas()->Pixels(2, 62), clRed);
  EXPECT_EQ(button.Canvas()->Pixels(2, 0), button.Canvas()->Pixels(77, 0));
}

TEST(PopupButton, CaptionIsPlainOrMarkup) {
  for (const char* caption : {"Plain", "<b>Marked</b>"}) {
    TPopupButton button(nullptr);
    button.SetBounds(0, 0, 100, 20);
    button.SetFlat(true);
    button.SetCaption(caption);
    button.Font()->SetColor(clRed);
    button.Repaint();
    bool red = false;
    for (int x = 0; x < 100; ++x)
      for (int y = 0; y < 20; ++y)
        if (button.Canvas()->Pixels(x, y) == clRed) red = true;
    EXPECT_TRUE(red) << caption;
  }
}

// ---- The cursor of each mouse move ----

TEST(CursorShape, WrappedWidgetKeepsTheShapeItChoseItself) {
  TForm form(nullptr);
  TEdit edit(&form);
  edit.SetParent(&form);
  edit.SetBounds(0, 0, 100, 24);
  form.Show();
  ASSERT_EQ(edit.Widget()->cursor().shape(), Qt::IBeamCursor);
  gridtesting::SendMouse(&edit, QEvent::MouseMove, Qt::NoButton, 10, 10);
  EXPECT_EQ(edit.Widget()->cursor().shape(), Qt::IBeamCursor);
  edit.SetCursor(crHandPoint);
  gridtesting::SendMouse(&edit, QEvent::MouseMove, Qt::NoButton, 10, 10);
  EXPECT_EQ(edit.Widget()->cursor().shape(), Qt::PointingHandCursor);
}

}  // namespace
