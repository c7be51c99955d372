// Sub-groups inside the groups: their header and summary rows, their
// figures, and taking them away again.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;
using Strings = std::vector<std::string>;

// Labels, a group column, a sub-group column and numbers; grouped with
// summary rows by column 2, so that the sub-group column is column 2 and
// the numbers are in column 3.
class SubGroups : public ::testing::Test, public GridOnForm {
 protected:
  void SetUp() override {
    Column(1, {"x1", "x2", "x3", "x4", "x5"});
    Column(2, {"A", "A", "A", "B", "B"});
    Column(3, {"p", "p", "q", "p", "r"});
    Column(4, {"1", "2", "3", "4", "5"});
    for (int c = 1; c <= 4; ++c) grid.SetGridCell(c, 0, "h" + std::to_string(c));
    grid.SetColWidths(2, 77);
    grid.SetColWidths(3, 55);
    grid.Grouping()->Summary = true;
    grid.Group(2);
  }
  // Rows by their look: H header, S summary, else the label.
  Strings Layout() {
    Strings out;
    for (int r = 1; r < grid.RowCount(); ++r) {
      const bool sub = grid.GetNodeLevel(r) >= 2 || (grid.IsSummary(r) && grid.GetCellProperties(0, r)->NodeLevel == 1);
      out.push_back(grid.IsNode(r) ? (sub ? "h" : "H") : grid.IsSummary(r) ? (sub ? "s" : "S") : grid.GetGridCell(1, r));
    }
    return out;
  }
  void ExpectUngrouped() {
    EXPECT_EQ(Texts(1), (Strings{"x1", "x2", "x3", "x4", "x5"}));
    EXPECT_EQ(Texts(2), (Strings{"A", "A", "A", "B", "B"}));
    EXPECT_EQ(Texts(3), (Strings{"p", "p", "q", "p", "r"}));
    EXPECT_EQ(grid.GetGridCell(2, 0), "h2");
    EXPECT_EQ(grid.GetGridCell(3, 0), "h3");
    EXPECT_EQ(grid.ColWidths(2), 77);
    EXPECT_EQ(grid.ColWidths(3), 55);
    EXPECT_EQ(grid.NodeCount(), 0);
  }
};

TEST_F(SubGroups, EachRunGetsAHeaderAndASummaryInsideItsGroup) {
  grid.SubGroup(2);
  // The last row opens a sub-group of its own when its value differs.
  EXPECT_EQ(Layout(), (Strings{"H", "h", "x1", "x2", "s", "h", "x3", "s", "S",  //
                               "H", "h", "x4", "s", "h", "x5", "s", "S"}));
  EXPECT_EQ(Texts(3), (Strings{"", "p", "1", "2", "", "q", "3", "", "", "", "p", "4", "", "r", "5", "", ""}));
  for (int r = 1; r < grid.RowCount(); ++r) EXPECT_EQ(grid.GetGridCell(2, r), "") << r;
  EXPECT_EQ(grid.GetNodeSpan(1), 8);
  EXPECT_EQ(grid.GetNodeSpan(2), 3);
  EXPECT_EQ(grid.GetNodeSpan(6), 2);
  EXPECT_EQ(grid.GetNodeSpan(10), 7);

  grid.ContractNode(grid.RemapRowInv(2));  // a sub-group folds, its summary stays
  EXPECT_EQ(Layout(), (Strings{"H", "h", "s", "h", "x3", "s", "S", "H", "h", "x4", "s", "h", "x5", "s", "S"}));
  grid.ContractNode(grid.RemapRowInv(1));
  EXPECT_EQ(Layout(), (Strings{"H", "S", "H", "h", "x4", "s", "h", "x5", "s", "S"}));
}

TEST_F(SubGroups, FiguresOfGroupsCountTheirDataRowsOnly) {
  grid.SubGroup(2);
  struct Case {
    void (TVudUvizidIzed::*calc)(int);
    Strings figures;  // the summary rows from the top
  };
  const Case cases[] = {
      {&TVudUvizidIzed::GroupSum, {"3", "3", "6", "4", "5", "9"}},
      {&TVudUvizidIzed::GroupCount, {"2", "1", "3", "1", "1", "2"}},
      {&TVudUvizidIzed::GroupAvg, {"1.5", "3", "2", "4", "5", "4.5"}},
      {&TVudUvizidIzed::GroupMin, {"1", "3", "1", "4", "5", "4"}},
      {&TVudUvizidIzed::GroupMax, {"2", "3", "3", "4", "5", "5"}},
  };
  for (const Case& c : cases) {
    (grid.*c.calc)(3);
    Strings figures;
    for (int r = 1; r < grid.RowCount(); ++r)
      if (grid.IsSummary(r)) figures.push_back(FloatToStr(grid.GetFloats(3, r)));
    EXPECT_EQ(figures, c.figures);
  }
}

TEST_F(SubGroups, UngroupingBothLevelsRestoresTheGrid) {
  grid.SubGroup(2);
  grid.SubGroup(2);  // again: the level is replaced, not nested
  EXPECT_EQ(grid.RowCount(), 18);
  grid.SubUnGroup(2);
  EXPECT_EQ(Layout(), (Strings{"H", "x1", "x2", "x3", "S", "H", "x4", "x5", "S"}));
  EXPECT_EQ(Texts(2), (Strings{"", "p", "p", "q", "", "", "p", "r", ""}));
  EXPECT_EQ(grid.GetNodeSpan(1), 4);
  grid.UnGroup();
  ExpectUngrouped();

  grid.Group(2);
  grid.SubGroup(2);
  grid.UnGroup();  // takes the sub-groups away first
  ExpectUngrouped();
}

TEST_F(SubGroups, WithoutSummariesFiguresGoIntoTheHeaders) {
  grid.UnGroup();
  grid.Grouping()->Summary = false;
  grid.Group(2);
  grid.SubGroup(2);
  EXPECT_EQ(Layout(), (Strings{"H", "h", "x1", "x2", "h", "x3", "H", "h", "x4", "h", "x5"}));
  grid.GroupSum(3);
  EXPECT_DOUBLE_EQ(grid.GetFloats(3, 1), 6);
  EXPECT_DOUBLE_EQ(grid.GetFloats(3, 2), 3);
  EXPECT_DOUBLE_EQ(grid.GetFloats(3, 7), 9);
}

}  // namespace
