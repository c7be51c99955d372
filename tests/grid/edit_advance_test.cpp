// The advance after an edit and the Tab walk: both go to the next editable
// cell in their direction, wrap at the grid's ends, may append a row or
// column, and leave the current cell where it is when no cell qualifies.
#include <vector>

#include "tests/grid/edit_fixture.h"

namespace {

class AdvanceTest : public EditGridTest {
 protected:
  AdvanceTest() { grid->Navigation()->AdvanceOnEnter = true; }
  // Only the listed columns can be edited.
  void EditableColumns(std::vector<int> cols) {
    grid->OnCanEditCell = [cols](TObject*, int, int col, bool& canEdit) {
      canEdit = std::find(cols.begin(), cols.end(), col) != cols.end();
    };
  }
};

TEST_F(AdvanceTest, EnterInTheLastCellWrapsToTheFirst) {
  TZurInplaceEdit* editor = OpenEditor(3, 3);
  ASSERT_NE(editor, nullptr);
  harness::PressKey(editor, Qt::Key_Return);
  EXPECT_EQ(Current(), (TGridCoord{1, 1}));
  EXPECT_EQ(grid->RowCount(), 4);
}

TEST_F(AdvanceTest, AdvanceInsertAppendsARowAndReportsIt) {
  grid->Navigation()->AdvanceInsert = true;
  std::vector<int> added;
  grid->OnAutoAddRow = [&](TObject*, int row) { added.push_back(row); };
  TZurInplaceEdit* editor = OpenEditor(3, 3);
  ASSERT_NE(editor, nullptr);
  harness::PressKey(editor, Qt::Key_Return);
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(added, std::vector<int>{4});
  EXPECT_EQ(Current(), (TGridCoord{1, 4}));

  // A refused row is not added; the walk goes on in the last row.
  grid->OnCanAddRow = [](TObject*, bool& canAdd) { canAdd = false; };
  grid->AdvanceEdit(3, 4, false, false, true, false);
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(Current(), (TGridCoord{1, 4}));
}

TEST_F(AdvanceTest, WalksByDirectionSkippingCellsThatCannotBeEdited) {
  const struct {
    const char* name;
    TAdvanceDirection direction;
    bool forward;
    TGridCoord from, to;
    std::vector<int> editable;
  } cases[] = {
      {"right", adLeftRight, true, {1, 1}, {2, 1}, {1, 2, 3}},
      {"right over a read-only column", adLeftRight, true, {1, 1}, {3, 1}, {1, 3}},
      {"down", adTopBottom, true, {1, 1}, {1, 2}, {1, 2, 3}},
      {"down from the bottom to the next column", adTopBottom, true, {1, 3}, {2, 1}, {1, 2, 3}},
      {"down from the last cell wraps", adTopBottom, true, {3, 3}, {1, 1}, {1, 2, 3}},
      {"back from the first cell wraps", adLeftRight, false, {1, 1}, {3, 3}, {1, 2, 3}},
      {"up from the top to the previous column", adTopBottom, false, {2, 1}, {1, 3}, {1, 2, 3}},
      {"back over the row start", adLeftRight, false, {1, 2}, {3, 1}, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    grid->Navigation()->AdvanceDirection = c.direction;
    EditableColumns(c.editable);
    grid->SetCol(c.from.X), grid->SetRow(c.from.Y);
    grid->AdvanceEdit(c.from.X, c.from.Y, false, false, c.forward, false);
    EXPECT_EQ(Current(), c.to);
  }
}

TEST_F(AdvanceTest, MergedCellIsPassedAsAWhole) {
  grid->SetColCount(6);
  grid->MergeCells(1, 1, 3, 1);
  grid->AdvanceEdit(1, 1, false, false, true, false);
  EXPECT_EQ(Current(), (TGridCoord{4, 1}));
}

TEST_F(AdvanceTest, NoEditableCellLeavesTheCurrentCell) {
  grid->SetCol(2), grid->SetRow(2);
  EditableColumns({});
  for (const bool forward : {true, false}) {
    grid->AdvanceEdit(2, 2, true, false, forward, false);
    EXPECT_EQ(Current(), (TGridCoord{2, 2}));
  }
  // The only editable cell is the one left: the walk comes back to it.
  grid->OnCanEditCell = [](TObject*, int row, int col, bool& canEdit) { canEdit = col == 2 && row == 2; };
  grid->AdvanceEdit(2, 2, true, false, true, false);
  EXPECT_EQ(Current(), (TGridCoord{2, 2}));
}

TEST_F(AdvanceTest, ColumnAppendedOnlyWhileItHasAnEditableCell) {
  grid->Navigation()->AdvanceDirection = adTopBottom;
  grid->Navigation()->AdvanceInsert = true;
  std::vector<int> inserted;
  grid->OnAutoInsertCol = [&](TObject*, int col) { inserted.push_back(col); };
  grid->SetCol(3), grid->SetRow(3);
  grid->AdvanceEdit(3, 3, false, false, true, false);
  EXPECT_EQ(grid->ColCount(), 5);
  EXPECT_EQ(inserted, std::vector<int>{4});
  EXPECT_EQ(Current(), (TGridCoord{4, 1}));

  EditableColumns({1});
  grid->AdvanceEdit(4, 3, false, false, true, false);
  EXPECT_EQ(grid->ColCount(), 6) << "one column appended, none after it";
  EXPECT_EQ(Current(), (TGridCoord{4, 1}));
}

TEST_F(AdvanceTest, AutoAdvanceMayRedirectOrRefuse) {
  grid->OnAutoAdvance = [](TObject*, int, int, int& newRow, int& newCol, bool&) { newRow = 3, newCol = 2; };
  grid->AdvanceEdit(1, 1, false, false, true, false);
  EXPECT_EQ(Current(), (TGridCoord{2, 3}));
  grid->OnAutoAdvance = nullptr;
  grid->OnCellChanging = [](TObject*, int, int, int, int, bool& allow) { allow = false; };
  grid->AdvanceEdit(2, 3, false, false, true, false);
  EXPECT_EQ(Current(), (TGridCoord{2, 3}));
}

TEST_F(AdvanceTest, WithoutAdvanceOnEnterOnlyAForcedAdvanceMoves) {
  grid->Navigation()->AdvanceOnEnter = false;
  grid->AdvanceEdit(1, 1, false, false, true, false);
  EXPECT_EQ(Current(), (TGridCoord{1, 1}));
  grid->AdvanceEdit(1, 1, true, true, true, false);
  EXPECT_EQ(Current(), (TGridCoord{2, 1}));
  EXPECT_NE(Editor(), nullptr) << "edit opens the editor there";
}

TEST_F(AdvanceTest, EditorControlEndsItsEditWithAKey) {
  ASSERT_NE(OpenEditor(1, 1), nullptr);
  grid->DoneInplaceEdit(VK_RETURN, 0);
  EXPECT_EQ(Current(), (TGridCoord{2, 1}));
  EXPECT_NE(Editor(), nullptr) << "Enter advances into the next cell's editor";
  grid->DoneInplaceEdit(VK_DOWN, 0);
  EXPECT_EQ(Current(), (TGridCoord{2, 2})) << "an arrow moves through the grid's keys";
  EXPECT_EQ(Editor(), nullptr);
}

TEST_F(AdvanceTest, EllipsisButtonTakesTheTextOfTheHandler) {
  EXPECT_EQ(grid->EllipsClick("x"), "x");
  grid->HideColumn(1);
  grid->OnEllipsClick = [](TObject*, int col, int row, AnsiString& s) {
    s += "@" + std::to_string(col) + "," + std::to_string(row);
  };
  EXPECT_EQ(grid->EllipsClick("x"), "x@2,1") << "the handler gets the data column";
}

class TabTest : public AdvanceTest {
 protected:
  TabTest() { grid->SetOptions(grid->Options() | goTabs); }
};

TEST_F(TabTest, TabWalksOverEditableCellsAndWraps) {
  EditableColumns({1, 3});
  grid->SetCol(1), grid->SetRow(1);
  harness::PressKey(grid, Qt::Key_Tab);
  EXPECT_EQ(Current(), (TGridCoord{3, 1}));
  harness::PressKey(grid, Qt::Key_Tab);
  EXPECT_EQ(Current(), (TGridCoord{1, 2}));
  harness::PressKey(grid, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Current(), (TGridCoord{3, 1}));
  grid->SetCol(3), grid->SetRow(3);
  grid->TabEdit(false);
  EXPECT_EQ(Current(), (TGridCoord{1, 1}));
}

TEST_F(TabTest, NoTabStopLeavesTheCurrentCell) {
  grid->SetCol(2), grid->SetRow(2);
  EditableColumns({});
  grid->TabEdit(false);
  EXPECT_EQ(Current(), (TGridCoord{2, 2}));
  grid->TabEdit(true);
  EXPECT_EQ(Current(), (TGridCoord{2, 2}));
}

TEST_F(TabTest, KeyDownHandlerThatChangesTheKeyCancelsTheMove) {
  grid->OnKeyDown = [](TObject*, unsigned short& key, TShiftState) { key = 0; };
  grid->TabEdit(false);
  EXPECT_EQ(Current(), (TGridCoord{1, 1}));
}

TEST_F(TabTest, TabInTheEditorValidatesThenMoves) {
  int validations = 0;
  bool accept = false;
  grid->OnCellValidate = [&](TObject*, int, int, AnsiString&, bool& valid) {
    ++validations;
    valid = accept;
  };
  grid->SetCellEx(1, 1, "a");
  TZurInplaceEdit* editor = OpenEditor(1, 1);
  ASSERT_NE(editor, nullptr);
  Retype(editor, "b");
  harness::PressKey(editor, Qt::Key_Tab);
  EXPECT_EQ(Current(), (TGridCoord{1, 1})) << "a refused text keeps the cell";
  EXPECT_EQ(grid->GetCellEx(1, 1), "a");
  accept = true;
  Retype(Editor(), "b");
  harness::PressKey(Editor(), Qt::Key_Tab);
  EXPECT_EQ(Current(), (TGridCoord{2, 1}));
  EXPECT_EQ(grid->GetCellEx(1, 1), "b");
  EXPECT_EQ(validations, 2);
}

}  // namespace
