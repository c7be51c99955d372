// Controls placed in cells follow their cells through hidden and removed
// rows and columns; the disjunct column selection is what the model reads.
#include <gtest/gtest.h>

#include "framework/standardcontrols.h"
#include "tests/grid/modeltesting.h"

namespace {

using modeltesting::GridOnForm;

class CellControls : public ::testing::Test, public GridOnForm {
 protected:
  CellControls() {
    grid.SetParent(&form);
    grid.SetRowCount(8);
    edit = new TEdit(nullptr);  // the grid frees it as its child
    grid.SetCellControls(2, 4, edit);
  }
  TRect CellBox(int col, int row) {
    const TRect r = grid.CellRect(col, row);
    return TRect{r.Left, r.Top, r.Right - 1, r.Bottom - 1};
  }
  TEdit* edit;
};

TEST_F(CellControls, PlacedOnItsCellAndKeptThere) {
  EXPECT_EQ(grid.GetCellControls(2, 4), edit);
  EXPECT_EQ(edit->Parent(), &grid);
  EXPECT_EQ(edit->BoundsRect(), CellBox(2, 4));
  grid.SetCellControls(2, 4, nullptr);
  EXPECT_EQ(grid.GetCellControls(2, 4), nullptr);
  grid.HideRow(1);  // a control no longer in the list is not moved
  EXPECT_EQ(edit->BoundsRect(), CellBox(2, 4));
}

TEST_F(CellControls, FollowsItsRowThroughHidingAndRemoving) {
  grid.HideRow(1);
  EXPECT_TRUE(edit->Visible());
  EXPECT_EQ(edit->BoundsRect(), CellBox(2, 3));
  grid.HideRow(4);
  EXPECT_FALSE(edit->Visible());
  grid.UnHideRow(4);
  EXPECT_TRUE(edit->Visible());
  EXPECT_EQ(edit->BoundsRect(), CellBox(2, 3));
  grid.UnHideRowsAll();
  EXPECT_EQ(edit->BoundsRect(), CellBox(2, 4));
  grid.InsertRows(4, 1);  // rows coming in at the control's row push it down
  EXPECT_EQ(edit->BoundsRect(), CellBox(2, 5));
  grid.InsertRows(6, 1);
  grid.RemoveRows(1, 3);
  EXPECT_EQ(edit->BoundsRect(), CellBox(2, 2));
  grid.RemoveRows(2, 1);  // its own row goes: the control is hidden for good
  EXPECT_FALSE(edit->Visible());
  grid.UnHideRowsAll();
  EXPECT_FALSE(edit->Visible());
}

TEST_F(CellControls, HiddenWithItsColumnAndOutOfView) {
  grid.HideColumn(1);
  EXPECT_EQ(edit->BoundsRect(), CellBox(1, 4));
  grid.HideColumn(2);
  EXPECT_FALSE(edit->Visible());
  grid.UnHideColumnsAll();
  EXPECT_TRUE(edit->Visible());
  grid.SetRowCount(200);
  grid.SetTopRow(100);
  grid.CellControlsUpdate();
  EXPECT_FALSE(edit->Visible());
}

class ColumnSelection : public ::testing::Test, public GridOnForm {
 protected:
  ColumnSelection() {
    grid.SetColCount(7);
    grid.MouseActions()->SetDisjunctColSelect(true);
  }
};

TEST_F(ColumnSelection, FlagsInsideTheColumnsOnly) {
  EXPECT_FALSE(grid.GetColSelect(6));
  for (int col : {-1, 7}) {
    try {
      grid.SetColSelect(col, true);
      ADD_FAILURE() << col;
    } catch (const EDurUzavError& e) {
      EXPECT_STREQ(e.what(), "Invalid column accessed");
    }
  }
  grid.SelectCols(5, 3);  // 7 lies beyond the grid and is skipped
  EXPECT_TRUE(grid.GetColSelect(5) && grid.GetColSelect(6));
  EXPECT_EQ(grid.GetColSelectCount(), 2);
  grid.ClearColSelect();
  EXPECT_EQ(grid.GetColSelectCount(), 0);
}

TEST_F(ColumnSelection, RectangleIntoFlags) {
  grid.SetColSelect(1, true);
  grid.SetSelection(TGridRect{3, 1, 4, 2});
  grid.SelectToColSelect(false);
  EXPECT_EQ(grid.GetColSelectCount(), 3);
  grid.SelectToColSelect(true);
  EXPECT_FALSE(grid.GetColSelect(1));
  EXPECT_EQ(grid.GetColSelectCount(), 2);
  grid.MouseActions()->SetDisjunctColSelect(false);
  grid.SelectCols(2, 2);
  EXPECT_EQ(grid.Selection(), (TGridRect{2, 1, 3, grid.RowCount() - 1}));
}

TEST_F(ColumnSelection, SelectedCellsAndClearingReadTheFlags) {
  grid.SetGridCell(2, 3, "x");
  grid.SetGridCell(3, 3, "y");
  grid.HideColumn(1);  // display column 1 is real column 2
  grid.SetColSelect(1, true);
  EXPECT_TRUE(grid.IsSelected(1, 3));
  EXPECT_FALSE(grid.IsSelected(2, 3));
  grid.ClearSelection();
  EXPECT_EQ(grid.GetGridCell(2, 3), "");
  EXPECT_EQ(grid.GetGridCell(3, 3), "y");
}

TEST(DisjunctRows, SelectedRowsAreTheFlaggedOnes) {
  GridOnForm f;
  f.Column(1, {"a", "b", "c", "d"});
  f.grid.MouseActions()->SetDisjunctRowSelect(true);
  f.grid.SetRowSelect(2, true);
  f.grid.SetRowSelect(4, true);
  f.grid.RemoveSelectedRows();
  EXPECT_EQ(f.Texts(1), (std::vector<std::string>{"a", "c"}));
}

}  // namespace
