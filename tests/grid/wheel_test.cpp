// The grid's window procedure: the wheel and Ctrl+wheel, wheel-click
// panning, the grid timer's blinking and hovering, the commands of the
// child controls, and the version text.
#include <QWheelEvent>
#include <vector>

#include "framework/forms.h"
#include "framework/messaging.h"
#include "framework/resources.h"
#include "grid/duruzav_input.h"
#include "grid/gridcombo.h"
#include "grid/popupbutton.h"
#include "tests/grid/edit_fixture.h"
#include "tests/grid/gridtesting.h"

namespace {

WPARAM WheelParam(int delta, unsigned keys = 0) {
  return (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16) | keys;
}

class WheelTest : public EditGridTest {
 protected:
  WheelTest() : EditGridTest(4, 50) {}
  // Notches towards the user are negative.
  void Turn(int delta, unsigned keys = 0) { grid->Perform(WM_MOUSEWHEEL, WheelParam(delta, keys), 0); }
};

TEST_F(WheelTest, ANotchMovesTheRowByWheelIncrementOnce) {
  grid->MouseActions()->WheelIncrement = 2;
  grid->SetRow(5);
  Turn(-120);
  EXPECT_EQ(grid->Row(), 7);
  Turn(120);
  EXPECT_EQ(grid->Row(), 5);
  // Without an increment a notch moves the system's wheel lines.
  grid->MouseActions()->WheelIncrement = 0;
  Turn(-120);
  EXPECT_EQ(grid->Row(), 8);
}

TEST_F(WheelTest, ScrollingMovesTheTopRowAndKeepsTheRow) {
  grid->MouseActions()->WheelIncrement = 2;
  grid->MouseActions()->WheelAction = waScroll;
  grid->SetRow(5);
  ASSERT_EQ(grid->TopRow(), 1);
  Turn(-120);
  EXPECT_EQ(grid->TopRow(), 3);
  EXPECT_EQ(grid->Row(), 5);
  // Back up stops at the first normal row, also from an odd place.
  grid->SetTopRow(2);
  Turn(120);
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_EQ(grid->Row(), 5);
}

TEST_F(WheelTest, TheRowStaysOutOfTheFixedAndFooterRows) {
  grid->MouseActions()->WheelIncrement = 5;
  grid->SetFixedFooters(1);
  grid->SetRow(3);
  Turn(120);
  EXPECT_EQ(grid->Row(), 1);
  grid->SetRow(46);
  Turn(-120);
  EXPECT_EQ(grid->Row(), 48);
}

TEST_F(WheelTest, PartsOfANotchAddUp) {
  grid->MouseActions()->WheelIncrement = 1;
  grid->SetRow(5);
  Turn(-40);
  Turn(-40);
  EXPECT_EQ(grid->Row(), 5);
  Turn(-40);
  EXPECT_EQ(grid->Row(), 6);
}

TEST_F(WheelTest, CtrlWheelZoomsWithoutMovingTheRow) {
  grid->SetRow(5);
  const int height = grid->RowHeights(2);
  Turn(-120, MK_CONTROL);
  EXPECT_EQ(grid->Row(), 5);
  EXPECT_EQ(grid->ZoomLevel(), 3);
  EXPECT_GT(grid->RowHeights(2), height);
}

TEST_F(WheelTest, WheelOffLeavesTheFrameworkMoveByOne) {
  grid->Props().EnableWheel = false;
  grid->MouseActions()->WheelIncrement = 4;
  grid->SetRow(5);
  Turn(-120);
  EXPECT_EQ(grid->Row(), 6);
}

TEST_F(WheelTest, AGridOfFixedRowsOnlyTakesTheWheel) {
  grid->SetRowCount(1);
  Turn(-120);
  Turn(120);
  EXPECT_EQ(grid->RowCount(), 1);
}

TEST_F(WheelTest, QtWheelEventsReachTheGridAsOneNotch) {
  grid->MouseActions()->WheelIncrement = 2;
  grid->SetRow(5);
  QWidget* w = grid->Widget();
  const QPointF local(50, 50);
  QWheelEvent event(local, w->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w, &event);
  EXPECT_EQ(grid->Row(), 7);
}

// ---- Panning ----

class PanTest : public WheelTest {
 protected:
  void PressMiddle(int x, int y) { grid->Perform(WM_MBUTTONDOWN, MK_MBUTTON, MakeLParam(x, y)); }
  void Tick() { grid->Perform(WM_TIMER, TGridInputState::kPanTimer); }
  void PointAt(int x, int y) { SetCursorPos(grid->ClientToScreen({x, y})); }
};

TEST_F(PanTest, VerticalPanningFollowsTheMouseDownwardsOnly) {
  grid->SetRow(5);
  grid->SetCol(2);
  const TCursor before = grid->Cursor();
  PressMiddle(100, 100);
  EXPECT_EQ(grid->Cursor(), LoadCursorResource(8000));
  PointAt(140, 100);
  Tick();
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Cursor(), LoadCursorResource(8000));
  PointAt(140, 110);
  Tick();
  Tick();
  EXPECT_EQ(grid->Row(), 7);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Cursor(), LoadCursorResource(8001));
  // A key ends panning: the cursor comes back and ticks move nothing.
  grid->Perform(WM_KEYDOWN, VK_SHIFT);
  EXPECT_EQ(grid->Cursor(), before);
  Tick();
  EXPECT_EQ(grid->Row(), 7);
}

TEST_F(PanTest, PanningStaysOutOfFootersAndFixedRightColumns) {
  grid->Props().IntelliPan = ipBoth;
  grid->SetFixedFooters(2);
  grid->SetFixedRightCols(1);
  grid->SetRow(46);
  grid->SetCol(2);
  PressMiddle(100, 100);
  PointAt(200, 200);
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(grid->Row(), 47);
  EXPECT_EQ(grid->Col(), 2);
  grid->Perform(WM_LBUTTONDOWN, 0, MakeLParam(5, 5));
}

TEST_F(PanTest, NoPanningWithIntelliPanOff) {
  grid->Props().IntelliPan = ipNone;
  PressMiddle(100, 100);
  EXPECT_NE(grid->Cursor(), LoadCursorResource(8000));
}

// ---- The grid timer ----

TEST_F(WheelTest, HoveringMakesTheCellUnderTheMouseCurrentButNotAFixedOne) {
  grid->Props().Hovering = true;
  const TRect cell = grid->CellRect(2, 3);
  SetCursorPos(grid->ClientToScreen({cell.Left + 3, cell.Top + 3}));
  grid->Perform(WM_TIMER, TGridInputState::kGridTimer);
  EXPECT_EQ(Current(), (TGridCoord{2, 3}));
  const TRect fixed = grid->CellRect(0, 5);
  SetCursorPos(grid->ClientToScreen({fixed.Left + 3, fixed.Top + 3}));
  grid->Perform(WM_TIMER, TGridInputState::kGridTimer);
  EXPECT_EQ(Current(), (TGridCoord{2, 3}));
}

TEST_F(WheelTest, BlinkingTextShowsEveryOtherTick) {
  grid->SetCells(2, 2, "<P><BLINK>XXXXXXXX</BLINK></P>");
  harness::ProcessEvents();
  const int shown = InkIn(2, 2);
  EXPECT_GT(shown, 0);
  grid->Props().EnableBlink = true;
  grid->Perform(WM_TIMER, TGridInputState::kGridTimer);
  harness::ProcessEvents();
  EXPECT_LT(InkIn(2, 2), shown);
  grid->Perform(WM_TIMER, TGridInputState::kGridTimer);
  harness::ProcessEvents();
  EXPECT_EQ(InkIn(2, 2), shown);
}

// ---- A cancelled move ----

TEST_F(WheelTest, ACancelledColumnMoveEndsWithTheDragCursorAndTheMovingCell) {
  grid->SetOptions(grid->Options() | goColMoving);
  const TRect header = grid->CellRect(2, 0);
  gridtesting::SendMouse(grid, QEvent::MouseButtonPress, Qt::LeftButton, header.Left + 10, header.Top + 5);
  ASSERT_EQ(grid->GridState(), gsColMoving);
  Screen->SetCursor(crDrag);
  TPopupButton* movingCell = grid->Hover().MovingCell();
  movingCell->Show();
  grid->Perform(WM_CANCELMODE);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_FALSE(movingCell->Visible());
}

// ---- Commands of the child controls ----

// A control that counts the commands it gets back.
class CountingEdit : public TEdit {
 public:
  using TEdit::TEdit;
  int commands = 0;

 protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_COMMAND) ++commands;
    TEdit::WndProc(message);
  }
};

TEST_F(WheelTest, AnEditChangeGoesBackToItsControlOnce) {
  auto* edit = new CountingEdit(&form);
  edit->SetParent(&form);
  grid->Perform(WM_COMMAND, WheelParam(EN_CHANGE), reinterpret_cast<LPARAM>(edit));
  EXPECT_EQ(edit->commands, 1);
}

TEST_F(WheelTest, TheTextEditorsChangeReachesOnSetEditText) {
  std::vector<AnsiString> texts;
  grid->OnSetEditText = [&](TObject*, int col, int row, const AnsiString& text) {
    texts.push_back(IntToStr(col) + "," + IntToStr(row) + ":" + text);
  };
  TZurInplaceEdit* editor = OpenEditor(2, 3);
  ASSERT_NE(editor, nullptr);
  editor->SetText("typed");
  grid->Perform(WM_COMMAND, WheelParam(EN_CHANGE), reinterpret_cast<LPARAM>(editor));
  EXPECT_EQ(texts, std::vector<AnsiString>{"2,3:typed"});
}

TEST_F(WheelTest, ComboChangesReportTheItemAndNeverReadItemMinusOne) {
  grid->SetCol(2);
  grid->SetRow(3);
  grid->HideColumn(1);
  TGridCombo* combo = grid->EditControls().combo;
  combo->Items()->Add("one");
  combo->Items()->Add("two");
  std::vector<AnsiString> changes;
  grid->OnComboChange = [&](TObject*, int col, int row, int index, AnsiString text) {
    changes.push_back(IntToStr(col) + "," + IntToStr(row) + ":" + IntToStr(index) + ":" + text);
  };
  std::vector<TObject*> objects;
  grid->OnComboObjectChange = [&](TObject*, int, int, int, AnsiString, TObject* object) { objects.push_back(object); };
  std::vector<AnsiString> closed;
  grid->OnComboCloseUp = [&](TObject*, int row, int col) { closed.push_back(IntToStr(row) + "," + IntToStr(col)); };

  combo->SetItemIndex(1);
  grid->Perform(WM_COMMAND, WheelParam(CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  // The grid's column 2 is data column 3 with column 1 hidden.
  EXPECT_EQ(changes, std::vector<AnsiString>{"3,3:1:two"});
  changes.clear();
  combo->SetItemIndex(-1);
  grid->Perform(WM_COMMAND, WheelParam(CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(changes, std::vector<AnsiString>{"3,3:-1:"});
  EXPECT_EQ(objects, (std::vector<TObject*>{nullptr, nullptr}));
  grid->Perform(WM_COMMAND, WheelParam(CBN_CLOSEUP), reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(closed, std::vector<AnsiString>{"3,3"});
}

TEST_F(WheelTest, ChoosingAComboItemReportsItOnce) {
  grid->SetOptions(grid->Options() | goEditing);
  grid->OnGetEditorType = [](TObject*, int, int, TEditorType& editor) { editor = edComboList; };
  grid->AddComboString("one");
  grid->AddComboString("two");
  std::vector<AnsiString> changes;
  grid->OnComboChange = [&](TObject*, int col, int row, int index, AnsiString text) {
    changes.push_back(IntToStr(col) + "," + IntToStr(row) + ":" + IntToStr(index) + ":" + text);
  };
  grid->SetCellEx(2, 3, "one");
  grid->SetCol(2);
  grid->SetRow(3);
  harness::PressKey(grid, Qt::Key_F2);
  TGridCombo* combo = grid->EditControls().combo;
  ASSERT_TRUE(combo->Visible());
  harness::ChooseItem(combo, 1);
  EXPECT_EQ(changes, std::vector<AnsiString>{"2,3:1:two"});
}

// ---- The view scrolled ----

TEST_F(WheelTest, ScrollingHidesEditorControlsAndMovesCellControls) {
  auto* button = new TButton(&form);
  grid->SetCellControls(2, 4, button);
  grid->SetOptions(grid->Options() | goEditing);
  grid->OnGetEditorType = [](TObject*, int, int, TEditorType& editor) { editor = edComboList; };
  grid->AddComboString("one");
  grid->SetCol(1);
  grid->SetRow(3);
  harness::PressKey(grid, Qt::Key_F2);
  TGridCombo* combo = grid->EditControls().combo;
  ASSERT_TRUE(combo->Visible());
  grid->SetTopRow(3);
  EXPECT_FALSE(combo->Visible());
  EXPECT_TRUE(button->Visible());
  EXPECT_EQ(button->Top(), grid->CellRect(2, 4).Top);
  grid->SetTopRow(10);
  EXPECT_FALSE(button->Visible());
}

TEST_F(WheelTest, TheVersionReadsNumberAndDate) { EXPECT_EQ(grid->GetVersionString(), "3.3.2.9 May, 2006"); }

}  // namespace
