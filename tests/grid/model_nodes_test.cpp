// Nodes and grouping.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;
using Strings = std::vector<std::string>;

class Nodes : public ::testing::Test, public GridOnForm {
 protected:
  void SetUp() override {
    grid.SetRowCount(10);
    NumberRows(1);
  }
};

TEST_F(Nodes, ANodeFoldsItsSpanAwayAndBack) {
  grid.AddNode(2, 3);
  EXPECT_TRUE(grid.IsNode(2));
  EXPECT_EQ(grid.GetNodeSpan(2), 3);
  EXPECT_EQ(grid.GetNodeLevel(2), 1);
  EXPECT_EQ(grid.GetCellProperties(0, 4)->NodeLevel, 1);
  EXPECT_EQ(grid.GetCellProperties(0, 5)->NodeLevel, 0);
  grid.ContractNode(2);
  EXPECT_TRUE(grid.GetNodeState(2));
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "5", "6", "7", "8", "9"}));
  grid.ExpandNode(2);
  EXPECT_FALSE(grid.GetNodeState(2));
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  EXPECT_EQ(grid.GetParentRow(2), 2);
  EXPECT_EQ(grid.GetParentRow(3), 2);
  EXPECT_EQ(grid.GetParentRow(7), -1);
  EXPECT_EQ(grid.GetNodeSpanType(2), 0);
  EXPECT_EQ(grid.GetNodeSpanType(grid.RowCount() - 1), 1);
}

TEST_F(Nodes, NestedNodesFoldAsOneRunAndComeBackExpanded) {
  grid.AddNode(1, 6);
  grid.AddNode(3, 2);
  EXPECT_EQ(grid.GetNodeLevel(3), 2);
  grid.ContractNode(3);
  grid.ContractNode(1);
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "7", "8", "9"}));
  for (int r = 2; r <= 6; ++r) EXPECT_TRUE(grid.IsHiddenRow(r)) << r;
  grid.ExpandNode(1);
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  EXPECT_FALSE(grid.GetNodeState(3));
}

TEST_F(Nodes, SpanZeroReachesTheNextNodeAndExpandOneKeepsOneOpen) {
  grid.AddNode(1, 0);
  grid.AddNode(5, 2);
  grid.ContractNode(1);
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "5", "6", "7", "8", "9"}));
  grid.CellNode()->ExpandOne = true;
  grid.ExpandNode(1);
  EXPECT_TRUE(grid.GetNodeState(5));
  EXPECT_FALSE(grid.GetNodeState(1));
}

TEST_F(Nodes, GlyphBandAndAllAtOnce) {
  grid.AddNode(1, 6);
  grid.AddNode(3, 2);
  EXPECT_FALSE(grid.InNodeRect(3, 12));
  EXPECT_TRUE(grid.InNodeRect(3, 13));
  EXPECT_TRUE(grid.InNodeRect(3, 23));
  EXPECT_FALSE(grid.InNodeRect(3, 24));
  grid.ContractAll();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "7", "8", "9"}));
  grid.ExpandAll();
  EXPECT_EQ(grid.RowCount(), 10);
  grid.ContractNode(3);
  grid.RemoveAllNodes();  // contracted nodes are expanded first
  EXPECT_EQ(grid.RowCount(), 10);
  EXPECT_EQ(grid.NodeCount(), 0);
  EXPECT_EQ(grid.GetCellProperties(0, 4)->NodeLevel, 0);
}

TEST_F(Nodes, ChildRowsGrowAndShrinkTheirNodesAndHiddenRowsKeepTheirRows) {
  grid.AddNode(1, 3);
  grid.AddNode(6, 2);
  grid.ContractNode(6);  // real row 7 hidden
  grid.InsertChildRow(2, 0);
  EXPECT_EQ(grid.GetNodeSpan(1), 4);
  EXPECT_EQ(grid.GetCellProperties(0, 2)->NodeLevel, 1);
  EXPECT_EQ(grid.HiddenRow(8)->Get(1), "7");
  grid.RemoveChildRow(2);
  EXPECT_EQ(grid.GetNodeSpan(1), 3);
  EXPECT_EQ(grid.HiddenRow(7)->Get(1), "7");
  grid.ExpandNode(6);
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST_F(Nodes, GroupSortLeavesNodeRowsAndContractedGroupsInPlace) {
  Column(1, {"h1", "c", "a", "b", "h2", "z", "y"});
  grid.AddNode(1, 4);
  grid.AddNode(5, 3);
  grid.ContractNode(5);
  grid.SortSettings()->Column = 1;
  grid.QSortGroup();
  EXPECT_EQ(Texts(1), (Strings{"h1", "a", "b", "c", "h2"}));
  grid.ExpandNode(5);
  EXPECT_EQ(Texts(1), (Strings{"h1", "a", "b", "c", "h2", "z", "y"}));
}

class Grouping : public ::testing::Test, public GridOnForm {
 protected:
  void SetUp() override {
    Column(1, {"x1", "x2", "x3"});
    Column(2, {"A", "A", "B"});
    Column(3, {"1", "2", "4"});
    grid.SetGridCell(2, 0, "Kind");
    grid.SetColWidths(2, 77);
  }
};

TEST_F(Grouping, EqualValuesGoUnderHeaderNodesAndUnGroupRestoresTheColumn) {
  grid.Group(2);
  EXPECT_EQ(grid.GroupColumn(), 2);
  EXPECT_EQ(grid.ColCount(), 4);
  EXPECT_EQ(Texts(1), (Strings{"A", "x1", "x2", "B", "x3"}));
  EXPECT_EQ(grid.GetNodeSpan(1), 3);
  EXPECT_EQ(grid.GetNodeSpan(4), 2);
  EXPECT_EQ(grid.GetGridCell(2, 2), "1");

  grid.UnGroup();
  EXPECT_EQ(grid.GroupColumn(), -1);
  EXPECT_EQ(grid.ColCount(), 5);
  EXPECT_EQ(Texts(1), (Strings{"x1", "x2", "x3"}));
  EXPECT_EQ(Texts(2), (Strings{"A", "A", "B"}));
  EXPECT_EQ(grid.GetGridCell(2, 0), "Kind");
  EXPECT_EQ(grid.ColWidths(2), 77);
  EXPECT_EQ(grid.NodeCount(), 0);
}

TEST_F(Grouping, SummaryRowsTakeTheGroupFigures) {
  grid.Grouping()->Summary = true;
  grid.Group(2);
  EXPECT_EQ(Texts(1), (Strings{"A", "x1", "x2", "", "B", "x3", ""}));
  EXPECT_TRUE(grid.IsSummary(4));
  EXPECT_TRUE(grid.IsSummary(7));
  grid.GroupSum(2);
  EXPECT_DOUBLE_EQ(grid.GetFloats(2, 4), 3);
  EXPECT_DOUBLE_EQ(grid.GetFloats(2, 7), 4);
  grid.GroupCount(2);
  EXPECT_DOUBLE_EQ(grid.GetFloats(2, 4), 2);
  // While grouped, header and summary rows are left out of the sums.
  EXPECT_DOUBLE_EQ(grid.ColumnSum(2, 1, 7), 7);
}

TEST_F(Grouping, ColumnZeroAndColumnsPastTheGridAreRefused) {
  grid.SetFixedCols(0);
  grid.Group(0);
  grid.SetGroupColumn(0);
  grid.Group(9);
  EXPECT_EQ(grid.GroupColumn(), -1);
  EXPECT_EQ(grid.ColCount(), 5);
  grid.SortSettings()->AutoSortForGrouping = false;
  Column(2, {"A", "B", "A"});
  grid.SetGroupColumn(2);
  EXPECT_EQ(Texts(1), (Strings{"A", "x1", "B", "x2", "A", "x3"}));
  grid.SetGroupColumn(-1);
  EXPECT_EQ(Texts(2), (Strings{"A", "B", "A"}));
}

}  // namespace

namespace {

using modeltesting::GridOnForm;
using Strings = std::vector<std::string>;

TEST(SubGrouping, ASecondLevelInsideTheGroupsComesAndGoesAndTheMainGroupStaysRestorable) {
  GridOnForm g;
  g.Column(1, {"x1", "x2", "x3", "x4"});
  g.Column(2, {"A", "A", "A", "B"});
  g.Column(3, {"p", "p", "q", "p"});
  g.grid.SetColWidths(2, 77);
  g.grid.Group(2);  // column 3 is now column 2
  g.grid.SubGroup(2);
  EXPECT_EQ(g.Texts(1), (Strings{"A", "", "x1", "x2", "", "x3", "B", "", "x4"}));
  EXPECT_EQ(g.Texts(3), (Strings{"", "p", "", "", "q", "", "", "p", ""}));
  EXPECT_EQ(g.grid.GetNodeSpan(1), 6);
  EXPECT_EQ(g.grid.GetNodeSpan(2), 3);
  EXPECT_EQ(g.grid.GetNodeLevel(2), 2);
  g.grid.ContractNode(g.grid.RemapRowInv(2));
  EXPECT_EQ(g.Texts(1), (Strings{"A", "", "", "x3", "B", "", "x4"}));

  g.grid.SubUnGroup(2);
  EXPECT_EQ(g.Texts(1), (Strings{"A", "x1", "x2", "x3", "B", "x4"}));
  EXPECT_EQ(g.Texts(2), (Strings{"", "p", "p", "q", "", "p"}));
  EXPECT_EQ(g.grid.GetNodeSpan(1), 4);
  g.grid.UnGroup();
  EXPECT_EQ(g.Texts(2), (Strings{"A", "A", "A", "B"}));
  EXPECT_EQ(g.grid.ColWidths(2), 77);
}

}  // namespace
