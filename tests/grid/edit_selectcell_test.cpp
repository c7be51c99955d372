// Moving the current cell: the footer row is never selected, the changing
// events may refuse a move, editing is switched off on read-only cells and
// back on on editable ones, and only a move that happens is reported.
#include <vector>

#include "tests/grid/edit_fixture.h"

namespace {

class SelectCellTest : public EditGridTest {
 protected:
  SelectCellTest() : EditGridTest(4, 6) {}
  bool Editing() const { return grid->Options() & goEditing; }
};

TEST_F(SelectCellTest, FooterRowIsNeverSelected) {
  grid->FloatingFooter()->SetVisible(true);
  grid->SetRow(5);
  EXPECT_EQ(grid->Row(), 1);
  harness::PressKey(grid, Qt::Key_End, Qt::ControlModifier);
  EXPECT_LT(grid->Row(), 5);
  grid->SetRow(4);
  EXPECT_EQ(grid->Row(), 4);
}

TEST_F(SelectCellTest, ChangingEventsMayRefuseAndNoValidationRuns) {
  int validations = 0;
  grid->OnCellValidate = [&](TObject*, int, int, AnsiString&, bool&) { ++validations; };
  const struct {
    const char* name;
    std::function<void(bool&)> row, col, cell;
    TGridCoord target;
  } cases[] = {
      {"row refused", [](bool& a) { a = false; }, nullptr, nullptr, {1, 2}},
      {"column refused", nullptr, [](bool& a) { a = false; }, nullptr, {2, 1}},
      {"cell refused", nullptr, nullptr, [](bool& a) { a = false; }, {2, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    grid->OnRowChanging = [&](TObject*, int, int, bool& allow) { if (c.row) c.row(allow); };
    grid->OnColChanging = [&](TObject*, int, int, bool& allow) { if (c.col) c.col(allow); };
    grid->OnCellChanging = [&](TObject*, int, int, int, int, bool& allow) { if (c.cell) c.cell(allow); };
    TZurInplaceEdit* editor = OpenEditor(1, 1);
    ASSERT_NE(editor, nullptr);
    Retype(editor, "changed");
    grid->SetCol(c.target.X), grid->SetRow(c.target.Y);
    EXPECT_EQ(Current(), (TGridCoord{1, 1}));
    EXPECT_EQ(validations, 0);
  }
  // The text written before the refusal is still validated when the edit ends.
  grid->OnRowChanging = nullptr, grid->OnColChanging = nullptr, grid->OnCellChanging = nullptr;
  harness::PressKey(OpenEditor(1, 1), Qt::Key_Return);
  EXPECT_EQ(validations, 1);
}

TEST_F(SelectCellTest, ReadOnlyCellSwitchesEditingOffAndAnEditableOneBackOn) {
  grid->OnCanEditCell = [](TObject*, int row, int, bool& canEdit) { canEdit = row != 2; };
  grid->SetRow(2);
  EXPECT_FALSE(Editing());
  harness::PressKey(grid, Qt::Key_F2);
  EXPECT_FALSE(grid->EditorMode());
  grid->SetRow(3);
  EXPECT_TRUE(Editing());
  EXPECT_NE(OpenEditor(1, 3), nullptr);
}

TEST_F(SelectCellTest, TypingOnACheckBoxCellOpensNoEditor) {
  grid->AddCheckBox(2, 2, false, false);
  grid->SetCol(2), grid->SetRow(2);
  harness::TypeText(grid, "x");
  EXPECT_FALSE(grid->EditorMode());
  grid->SetCol(1);
  harness::TypeText(grid, "x");
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->Text(), "x");
}

TEST_F(SelectCellTest, TypingSearchesTheRowsIncrementally) {
  grid->SetOptions(grid->Options() & ~goEditing);
  grid->Navigation()->AutoGotoWhenSorted = true;
  grid->Navigation()->AutoGotoIncremental = true;
  const char* texts[] = {"bcd", "apple", "abc", "abd"};
  for (int row = 1; row <= 4; ++row) grid->SetCellEx(1, row, texts[row - 1]);
  harness::TypeText(grid, "a");
  EXPECT_EQ(grid->Row(), 2);
  harness::TypeText(grid, "b");
  EXPECT_EQ(grid->Row(), 3) << "the search text is AB";
  harness::PressKey(grid, Qt::Key_Backspace);
  EXPECT_EQ(grid->Row(), 2) << "Backspace searches for A again";
}

TEST_F(SelectCellTest, OnlyMovesThatHappenAreReported) {
  std::vector<std::pair<int, int>> updates;
  grid->OnRowUpdate = [&](TObject*, int oldRow, int newRow) { updates.emplace_back(oldRow, newRow); };
  grid->SetRow(2);
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates.back().second, 2);

  grid->OnSelectCell = [](TObject*, int, int row, bool& canSelect) { canSelect = row != 3; };
  grid->SetRow(3);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(updates.size(), 1u) << "a refused move is not reported";
  grid->OnSelectCell = nullptr;

  grid->BeginUpdate();
  grid->SetRow(4);
  EXPECT_EQ(updates.size(), 1u) << "nothing is reported while updates are locked";
  grid->EndUpdate();
  grid->SetRow(5);
  ASSERT_EQ(updates.size(), 2u);
  EXPECT_EQ(updates.back(), (std::pair<int, int>{2, 5}));
}

}  // namespace
