#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHelpEvent>

#include "framework/hints.h"
#include "framework/testing/harness.h"

namespace {

// A control with a hint whose CM_HINTSHOW handling a test decides.
class HintedControl : public TCustomControl {
 public:
  HintedControl() : TCustomControl(nullptr) {
    SetBounds(0, 0, 100, 50);
    SetHint("Short text|The long text");
    SetShowHint(true);
    const TWndMethod inherited = WindowProc;
    WindowProc = [this, inherited](TMessage& m) {
      if (m.Msg == CM_HINTSHOW) {
        ++hintShows;
        auto* info = reinterpret_cast<THintInfo*>(m.LParam);
        seenCursor = info->CursorPos;
        seenControl = info->HintControl;
        if (onHintShow) m.Result = onHintShow(*info);
        return;
      }
      inherited(m);
    };
  }
  // Rests the mouse on the client point until the tool-tip delay passes.
  void RestMouseAt(int x, int y) {
    QHelpEvent e(QEvent::ToolTip, QPoint(x, y), Widget()->mapToGlobal(QPoint(x, y)));
    QCoreApplication::sendEvent(Widget(), &e);
  }
  std::function<LRESULT(THintInfo&)> onHintShow;
  int hintShows = 0;
  TPoint seenCursor;
  TControl* seenControl = nullptr;
};

class Hints : public ::testing::Test {
 protected:
  ~Hints() override {
    CancelHint();
    SetHintWindowClass(nullptr);
  }
};

TEST_F(Hints, ShowTheShortHintInTheHintWindow) {
  HintedControl control;
  control.RestMouseAt(10, 20);
  EXPECT_EQ(control.hintShows, 1);
  EXPECT_EQ(control.seenControl, &control);
  EXPECT_EQ(control.seenCursor.X, 10);
  EXPECT_EQ(control.seenCursor.Y, 20);
  THintWindow* window = ShownHintWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Text(), "Short text");
  EXPECT_GT(window->Width(), window->Canvas()->TextWidth("Short text"));

  // Leaving the control takes the hint away.
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(control.Widget(), &leave);
  EXPECT_EQ(ShownHintWindow(), nullptr);
}

TEST_F(Hints, TheControlAdjustsOrRefusesTheHint) {
  HintedControl control;
  control.onHintShow = [](THintInfo& info) {
    info.HintStr = "Cell text";
    info.HintPos = {300, 200};
    info.HintColor = clYellow;
    return LRESULT{0};
  };
  control.RestMouseAt(5, 5);
  THintWindow* window = ShownHintWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Text(), "Cell text");
  EXPECT_EQ(window->Left(), 300);
  EXPECT_EQ(window->Top(), 200);
  window->Repaint();
  EXPECT_EQ(harness::PixelAt(window->BackingImage(), window->Width() - 3, 2), clYellow);

  struct Case { const char* name; std::function<LRESULT(THintInfo&)> handler; };
  const Case refusals[] = {
      {"non-zero result", [](THintInfo&) { return LRESULT{1}; }},
      {"text emptied", [](THintInfo& info) { info.HintStr.clear(); return LRESULT{0}; }},
  };
  for (const Case& k : refusals) {
    control.onHintShow = k.handler;
    control.RestMouseAt(5, 5);
    EXPECT_EQ(ShownHintWindow(), nullptr) << k.name;
  }
}

TEST_F(Hints, NoPipelineWithoutShowHint) {
  HintedControl control;
  control.SetShowHint(false);
  control.RestMouseAt(5, 5);
  EXPECT_EQ(control.hintShows, 0);
  EXPECT_EQ(ShownHintWindow(), nullptr);
}

TEST_F(Hints, UseTheApplicationsHintWindowClass) {
  class MarkedHintWindow : public THintWindow {
   public:
    using THintWindow::THintWindow;
  };
  SetHintWindowClass([](TComponent* owner) -> THintWindow* { return new MarkedHintWindow(owner); });
  HintedControl control;
  control.RestMouseAt(5, 5);
  EXPECT_NE(dynamic_cast<MarkedHintWindow*>(ShownHintWindow()), nullptr);
}

}  // namespace
