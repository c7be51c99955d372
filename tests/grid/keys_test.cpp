// The grid's keys as the keyboard delivers them: editing permission,
// check boxes, radio groups and buttons, Home and End, skipping fixed cells,
// appending, inserting and deleting rows, the clipboard, select-all,
// disjunct row selection, the Tab walk and the lookup text.
#include <QMouseEvent>
#include <vector>

#include "tests/grid/edit_fixture.h"
#include "tests/grid/gridtesting.h"

namespace {

class KeysTest : public EditGridTest {
 protected:
  KeysTest() : EditGridTest(5, 8) {
    for (int r = 0; r < grid->RowCount(); ++r)
      for (int c = 0; c < grid->ColCount(); ++c) grid->SetCells(c, r, IntToStr(c) + ":" + IntToStr(r));
    grid->OnKeyDown = [this](TObject*, unsigned short& key, TShiftState) { keysSeen.push_back(key); };
  }
  ~KeysTest() override { ReleaseModifiers(); }

  // A key press with modifiers; they are let go again afterwards.
  void Press(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    harness::PressKey(grid, qtKey, modifiers);
    ReleaseModifiers();
  }
  void ReleaseModifiers() { gridtesting::SendMouse(grid, QEvent::MouseMove, Qt::NoButton, 1, 1); }
  void Goto(int col, int row) {
    grid->SetCol(col);
    grid->SetRow(row);
  }

  std::vector<unsigned short> keysSeen;
};

TEST_F(KeysTest, EnterAndF2OnAReadOnlyCellAreSwallowed) {
  grid->OnCanEditCell = [](TObject*, int, int, bool& canEdit) { canEdit = false; };
  Goto(2, 2);
  for (int key : {Qt::Key_Return, Qt::Key_F2}) {
    keysSeen.clear();
    Press(key);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(Current(), (TGridCoord{2, 2}));
    ASSERT_EQ(keysSeen.size(), 1u);
  }
}

TEST_F(KeysTest, F2OnAMarkupCellWithAFormControlNeverOpensTheTextEditor) {
  grid->SetCells(2, 2, "<P>Name <CONTROL TYPE=\"EDIT\" ID=\"n\" VALUE=\"x\"></P>");
  Goto(2, 2);
  Press(Qt::Key_F2);
  EXPECT_FALSE(grid->EditorMode());
}

TEST_F(KeysTest, SpaceWorksCheckBoxesAndRadioGroupsEnterPressesButtons) {
  grid->ShowModified()->Enabled = true;
  grid->AddCheckBox(2, 2, false, false);
  std::vector<std::tuple<int, int, bool>> checks;
  grid->OnCheckBoxClick = [&](TObject*, int col, int row, bool state) { checks.emplace_back(col, row, state); };
  Goto(2, 2);
  Press(Qt::Key_Space);
  Press(Qt::Key_Space);
  EXPECT_EQ(checks, (std::vector<std::tuple<int, int, bool>>{{2, 2, true}, {2, 2, false}}));
  EXPECT_TRUE(grid->GetRowModified(2));

  TStringList items;
  items.Add("a");
  items.Add("b");
  grid->AddRadio(3, 3, 0, 0, &items);
  std::vector<int> radio;
  grid->OnRadioClick = [&](TObject*, int, int, int index) { radio.push_back(index); };
  Goto(3, 3);
  Press(Qt::Key_Space);
  Press(Qt::Key_Space);
  EXPECT_EQ(radio, (std::vector<int>{1, 0}));

  grid->AddButton(1, 4, 40, 16, "Go", haCenter, vaCenter);
  std::vector<TGridCoord> buttons;
  grid->OnButtonClick = [&](TObject*, int col, int row) { buttons.push_back({col, row}); };
  Goto(1, 4);
  Press(Qt::Key_Return);
  Press(Qt::Key_Space);
  EXPECT_EQ(buttons, (std::vector<TGridCoord>{{1, 4}, {1, 4}}));
}

TEST_F(KeysTest, HomeAndEndByRowStopBeforeTheFooter) {
  grid->Navigation()->HomeEndKey = heFirstLastRow;
  Goto(3, 4);
  Press(Qt::Key_End);
  EXPECT_EQ(Current(), (TGridCoord{3, 7}));
  Press(Qt::Key_Home);
  EXPECT_EQ(Current(), (TGridCoord{3, 1}));
  grid->FloatingFooter()->SetVisible(true);
  Press(Qt::Key_End);
  EXPECT_EQ(grid->Row(), 6);
  grid->FloatingFooter()->SetVisible(false);
  grid->SetFixedFooters(2);
  Goto(3, 1);
  Press(Qt::Key_End);
  EXPECT_EQ(grid->Row(), 5);
  // Every row fits: the view never scrolls into the fixed row.
  EXPECT_EQ(grid->TopRow(), 1);
}

TEST_F(KeysTest, EndWithRowSelectionNeverScrollsIntoTheFixedColumns) {
  grid->SetOptions(grid->Options() | goRowSelect);
  grid->SetFixedCols(2);
  Goto(2, 3);
  Press(Qt::Key_End);
  EXPECT_EQ(grid->Col(), 4);
  EXPECT_GE(grid->LeftCol(), 2);
  Press(Qt::Key_Home);
  EXPECT_EQ(grid->Col(), 2);
}

TEST_F(KeysTest, ArrowsJumpOverFixedCells) {
  grid->Navigation()->SkipFixedCells = true;
  grid->OnIsFixedCell = [](TObject*, int row, int col, bool& fixed) { fixed = col == 2 || col == 3 || row == 5; };
  Goto(1, 2);
  Press(Qt::Key_Right);
  EXPECT_EQ(Current(), (TGridCoord{4, 2}));
  Goto(1, 4);
  Press(Qt::Key_Down);
  EXPECT_EQ(Current(), (TGridCoord{1, 6}));
  // Only fixed cells follow: the cell stays, and the key went to OnKeyDown.
  grid->OnIsFixedCell = [](TObject*, int, int col, bool& fixed) { fixed = col >= 2; };
  Goto(1, 2);
  keysSeen.clear();
  Press(Qt::Key_Right);
  EXPECT_EQ(Current(), (TGridCoord{1, 2}));
  EXPECT_EQ(keysSeen, std::vector<unsigned short>{VK_RIGHT});
}

TEST_F(KeysTest, DownOnTheLastRowAppendsUnlessRefused) {
  grid->Navigation()->AppendOnArrowDown = true;
  std::vector<int> added;
  grid->OnAutoAddRow = [&](TObject*, int row) { added.push_back(row); };
  Goto(2, 7);
  Press(Qt::Key_Down);
  EXPECT_EQ(grid->RowCount(), 9);
  EXPECT_EQ(Current(), (TGridCoord{2, 8}));
  EXPECT_EQ(added, std::vector<int>{8});

  grid->OnCanAddRow = [](TObject*, bool& canAdd) { canAdd = false; };
  Press(Qt::Key_Down);
  EXPECT_EQ(grid->RowCount(), 9);
}

TEST_F(KeysTest, DownBeforeAFloatingFooterAppendsAboveIt) {
  grid->Navigation()->AppendOnArrowDown = true;
  grid->FloatingFooter()->SetVisible(true);
  grid->SetCells(1, 7, "total");
  Goto(1, 6);
  Press(Qt::Key_Down);
  EXPECT_EQ(grid->RowCount(), 9);
  EXPECT_EQ(grid->Row(), 7);
  EXPECT_EQ(grid->Cells(1, 7), "");
  EXPECT_EQ(grid->Cells(1, 8), "total");
}

TEST_F(KeysTest, ClipboardShortCutsAskTheirEventFirst) {
  grid->Navigation()->AllowClipboardShortCuts = true;
  bool allow = true;
  int asked = 0;
  const TClipboardEvent ask = [&](TObject*, bool& a) {
    ++asked;
    a = allow;
  };
  grid->OnClipboardCopy = grid->OnClipboardCut = grid->OnClipboardPaste = ask;
  const struct {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* cellAfter;
    const char* clipboardAfter;
  } cases[] = {
      {"Ctrl+C copies", Qt::Key_C, Qt::ControlModifier, "2:2", "2:2"},
      {"Ctrl+Insert copies", Qt::Key_Insert, Qt::ControlModifier, "2:2", "2:2"},
      {"Ctrl+X cuts", Qt::Key_X, Qt::ControlModifier, "", "2:2"},
      {"Shift+Delete cuts", Qt::Key_Delete, Qt::ShiftModifier, "", "2:2"},
      {"Ctrl+V pastes", Qt::Key_V, Qt::ControlModifier, "pasted", "pasted"},
      {"Shift+Insert pastes", Qt::Key_Insert, Qt::ShiftModifier, "pasted", "pasted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool allowed : {false, true}) {
      allow = allowed;
      grid->SetCells(2, 2, "2:2");
      services->SetClipboardText("pasted");
      Goto(2, 2);
      asked = 0;
      Press(c.key, c.modifiers);
      EXPECT_EQ(asked, 1);
      EXPECT_EQ(grid->Cells(2, 2), allowed ? c.cellAfter : "2:2");
      EXPECT_EQ(services->clipboard, allowed ? c.clipboardAfter : "pasted");
    }
  }
}

TEST_F(KeysTest, InsertAddsARowBeforeOrAfterTheCurrentOne) {
  grid->Navigation()->AllowInsertRow = true;
  Goto(2, 3);
  Press(Qt::Key_Insert);
  EXPECT_EQ(grid->RowCount(), 9);
  EXPECT_EQ(grid->Cells(2, 3), "");
  EXPECT_EQ(grid->Cells(2, 4), "2:3");

  grid->Navigation()->InsertPosition = pInsertAfter;
  Goto(2, 4);
  Press(Qt::Key_Insert);
  EXPECT_EQ(grid->RowCount(), 10);
  EXPECT_EQ(grid->Cells(2, 5), "");
  EXPECT_EQ(grid->Row(), 5);

  grid->OnCanInsertRow = [](TObject*, int, bool& can) { can = false; };
  Press(Qt::Key_Insert);
  EXPECT_EQ(grid->RowCount(), 10);
}

TEST_F(KeysTest, DeleteRemovesTheRowUnlessRefusedOrNoneIsLeft) {
  grid->Navigation()->AllowDeleteRow = true;
  std::vector<int> asked;
  bool allow = false;
  grid->OnCanDeleteRow = [&](TObject*, int row, bool& can) {
    asked.push_back(row);
    can = allow;
  };
  Goto(2, 3);
  Press(Qt::Key_Delete);
  EXPECT_EQ(grid->RowCount(), 8);
  allow = true;
  Press(Qt::Key_Delete);
  EXPECT_EQ(grid->RowCount(), 7);
  EXPECT_EQ(grid->Cells(2, 3), "2:4");
  EXPECT_EQ(asked, (std::vector<int>{3, 3}));

  // Only the fixed row and a footer row are left: nothing to delete, nothing asked.
  grid->SetRowCount(2);
  grid->SetFixedFooters(1);
  asked.clear();
  Press(Qt::Key_Delete);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(grid->RowCount(), 2);
}

TEST_F(KeysTest, CtrlASelectsTheBodyOnlyWithRangeOrRowSelection) {
  grid->SetOptions(grid->Options() & ~goRangeSelect);
  Goto(2, 2);
  Press(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 2, 2, 2}));
  grid->SetOptions(grid->Options() | goRangeSelect);
  Press(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 4, 7}));
}

TEST_F(KeysTest, DisjunctRowSelectionFollowsTheArrowsAndSpace) {
  grid->MouseActions()->SetDisjunctRowSelect(true);
  grid->SetOptions(grid->Options() & ~goEditing);
  Goto(1, 2);
  Press(Qt::Key_Down);
  EXPECT_FALSE(grid->GetRowSelect(2));
  EXPECT_TRUE(grid->GetRowSelect(3));
  Press(Qt::Key_Space);
  EXPECT_FALSE(grid->GetRowSelect(3));
}

TEST_F(KeysTest, SelectionChangesAreReportedOnce) {
  std::vector<TGridRect> changes;
  grid->OnSelectionChanged = [&](TObject*, int l, int t, int r, int b) { changes.push_back({l, t, r, b}); };
  Goto(1, 1);
  changes.clear();
  Press(Qt::Key_Down);
  EXPECT_EQ(changes, (std::vector<TGridRect>{{1, 2, 1, 2}}));
}

TEST_F(KeysTest, TabOverAGridWithoutTabStopsEnds) {
  grid->SetOptions((grid->Options() | goTabs) & ~goEditing);
  Goto(2, 2);
  grid->OnIsFixedCell = [](TObject*, int, int, bool& fixed) { fixed = true; };
  Press(Qt::Key_Tab);
  EXPECT_EQ(Current(), (TGridCoord{2, 2}));
  Press(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(Current(), (TGridCoord{2, 2}));
  grid->OnIsFixedCell = nullptr;
  Press(Qt::Key_Tab);
  EXPECT_EQ(Current(), (TGridCoord{3, 2}));
}

TEST_F(KeysTest, WithAlwaysEditTheEditorReopensAfterAnArrow) {
  grid->Navigation()->AlwaysEdit = true;
  Goto(2, 2);
  Press(Qt::Key_Down);
  EXPECT_EQ(Current(), (TGridCoord{2, 3}));
  EXPECT_TRUE(grid->EditorMode());
}

// The lookup text is typed letter by letter; a navigation key and the
// grid timer (four ticks) start it afresh.
TEST_F(KeysTest, LookupTextEndsOnNavigationKeysAndAfterFourTicks) {
  grid->SetOptions(grid->Options() & ~goEditing);
  grid->Navigation()->AutoGotoWhenSorted = true;
  grid->Navigation()->AutoGotoIncremental = true;
  const char* names[] = {"ab", "b", "ba", "c", "ca", "d", "da"};
  for (int r = 1; r < 8; ++r) grid->SetCells(1, r, names[r - 1]);
  auto typeTwo = [&](const std::function<void()>& between) {
    Goto(1, 7);
    Press(Qt::Key_Left);
    harness::TypeText(grid, "b");
    between();
    harness::TypeText(grid, "a");
    return grid->Row();
  };
  EXPECT_EQ(typeTwo([] {}), 3);
  EXPECT_EQ(typeTwo([&] { Press(Qt::Key_Left); }), 1);
  EXPECT_EQ(typeTwo([&] {
              for (int i = 0; i < 4; ++i) grid->Perform(WM_TIMER, 111);
            }),
            1);
  EXPECT_EQ(typeTwo([&] {
              for (int i = 0; i < 3; ++i) grid->Perform(WM_TIMER, 111);
            }),
            3);
}

}  // namespace
