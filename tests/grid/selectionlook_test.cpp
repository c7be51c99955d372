// How the disjunct selections of rows, columns and single cells show on
// screen, against the range selection, read back from the grid's pixels.
#include "gridscreen.h"

namespace {

class SelectionLook : public GridOnScreen {
 protected:
  void SetUp() override {
    MakeGrid(5, 6);
    grid->SetSelectionColor(clYellow);
  }
  bool Selected(int col, int row) { return Centre(col, row) == clYellow; }
};

TEST_F(SelectionLook, OnlyTheHeldRowsColumnsOrCellsShowSelected) {
  struct Case {
    const char* name;
    std::function<void(TVudUvizidIzed&)> select;
    std::vector<std::pair<int, int>> selected, plain;
  };
  const Case cases[] = {
      {"rows",
       [](TVudUvizidIzed& g) {
         g.MouseActions()->SetDisjunctRowSelect(true);
         g.SetRowSelect(3, true);
       },
       {{1, 3}, {4, 3}},
       {{1, 1}, {2, 2}, {1, 4}}},
      {"columns",
       [](TVudUvizidIzed& g) {
         g.MouseActions()->SetDisjunctColSelect(true);
         g.SetColSelect(2, true);
       },
       {{2, 1}, {2, 5}},
       {{1, 1}, {3, 2}}},
      {"cells",
       [](TVudUvizidIzed& g) {
         g.MouseActions()->SetDisjunctCellSelect(true);
         g.SetSelectedCells(2, 3, true);
         g.SetSelectedCells(4, 1, true);
       },
       {{2, 3}, {4, 1}, {1, 1}},
       {{2, 2}, {3, 3}}},
      {"range", [](TVudUvizidIzed&) {}, {{2, 2}, {1, 2}}, {{3, 3}}},
  };
  for (const Case& c : cases) {
    MakeGrid(5, 6);
    grid->SetSelectionColor(clYellow);
    // A range with the current cell at (2, 2), which the disjunct row and
    // column selections overrule; single cells add to it.
    grid->SetSelection({1, 1, 2, 2});
    c.select(*grid);
    grid->Repaint();
    for (auto [col, row] : c.selected) EXPECT_TRUE(Selected(col, row)) << c.name << " " << col << "," << row;
    for (auto [col, row] : c.plain)
      EXPECT_EQ(Centre(col, row), ColorToRGB(grid->Color())) << c.name << " " << col << "," << row;
  }
}

TEST_F(SelectionLook, TextOfARangeCellOutsideTheDisjunctRowsKeepsTheFontColour) {
  grid->SetSelectionTextColor(clRed);
  grid->MouseActions()->SetDisjunctRowSelect(true);
  grid->SetRowSelect(3, true);
  grid->SetSelection({1, 1, 3, 3});
  for (int row : {2, 3}) grid->SetCellEx(2, row, "WWWW");
  grid->Repaint();
  auto red = [&](int col, int row) {
    const TRect r = grid->CellRect(col, row);
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (harness::PixelAt(grid->BackingImage(), x, y) == clRed) return true;
    return false;
  };
  EXPECT_TRUE(red(2, 3)) << "a held row";
  EXPECT_FALSE(red(2, 2)) << "in the range, but not held";
}

TEST_F(SelectionLook, TheCurrentCellOutsideTheCellListKeepsTheGridLook) {
  grid->SetColors(1, 1, clAqua);
  grid->MouseActions()->SetDisjunctCellSelect(true);
  grid->Repaint();
  EXPECT_EQ(Centre(1, 1), ColorToRGB(grid->Color())) << "not its own colour, not the selection";

  grid->SetSelectedCells(1, 1, true);
  grid->Repaint();
  EXPECT_TRUE(Selected(1, 1));
  grid->SetSelectedCells(1, 1, false);
  EXPECT_FALSE(grid->GetSelectedCells(1, 1));
}

TEST_F(SelectionLook, DisjunctRowsShowInWholeRowsAndKeepTheirMarkOverHiddenRows) {
  grid->SetOptions(grid->Options() | goRowSelect);
  grid->MouseActions()->SetDisjunctRowSelect(true);
  grid->MouseActions()->RowSelectPersistent = true;
  grid->SetRowSelect(4, true);  // a real row
  grid->HideRow(2);
  grid->Repaint();
  EXPECT_TRUE(Selected(2, 3)) << "real row 4 shows at display row 3";
  EXPECT_FALSE(Selected(2, 4));
  EXPECT_NE(Centre(0, 3), clYellow) << "the fixed column stays fixed";
}

TEST_F(SelectionLook, ColumnFlagsRefuseColumnsOutsideTheGrid) {
  for (int col : {-1, 5}) {
    try {
      grid->GetColSelect(col);
      ADD_FAILURE() << col;
    } catch (const EDurUzavError& e) {
      EXPECT_EQ(e.Message, "Invalid column accessed");
    }
    EXPECT_THROW(grid->SetColSelect(col, true), EDurUzavError);
  }
}

}  // namespace
