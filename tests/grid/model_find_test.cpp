// The type-ahead row search and the cell find.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;

class Finding : public ::testing::Test, public GridOnForm {
 protected:
  void SetUp() override {
    grid.SetRowCount(5);
    grid.SetColCount(3);
    const char* cells[4][2] = {{"abc", "x"}, {"cab", "Abcd"}, {"", "y"}, {"ab", "<b>ab</b>"}};
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 2; ++c) grid.SetGridCell(c + 1, r + 1, cells[r][c]);
  }
};

TEST_F(Finding, SearchFindsTheFirstRowStartingWithTheText) {
  EXPECT_EQ(grid.Search("CA"), 2);
  EXPECT_EQ(grid.Search("ZZ"), -1);
  grid.SetRowCount(1);
  EXPECT_EQ(grid.Search("A"), -1);
}

TEST_F(Finding, FindWalksDownColumnsAndContinuesFromItsLastHit) {
  EXPECT_EQ(grid.FindFirst("ab", 0), (TPoint{1, 1}));
  EXPECT_EQ(grid.FindNext(), (TPoint{1, 2}));
  EXPECT_EQ(grid.FindNext(), (TPoint{1, 4}));
  EXPECT_EQ(grid.FindNext(), (TPoint{2, 2}));
  EXPECT_EQ(grid.FindNext(), (TPoint{2, 4}));
  EXPECT_EQ(grid.FindNext(), (TPoint{1, 1}));  // wraps to the first cell
  EXPECT_EQ(grid.Find({-1, -1}, "ab", fnDirectionLeftRight | fnMatchCase), (TPoint{1, 1}));
  EXPECT_EQ(grid.Find({1, 1}, "ab", fnDirectionLeftRight | fnMatchCase), (TPoint{1, 2}));
  EXPECT_EQ(grid.Find({-1, -1}, "nowhere", 0), (TPoint{-1, -1}));
}

TEST_F(Finding, ParametersNarrowTheMatch) {
  EXPECT_EQ(grid.Find({-1, -1}, "ab", fnMatchStart | fnMatchCase), (TPoint{1, 1}));
  EXPECT_EQ(grid.Find({1, 1}, "ab", fnMatchStart | fnMatchCase), (TPoint{1, 4}));  // not "cab"
  EXPECT_EQ(grid.Find({-1, -1}, "ab", fnMatchFull), (TPoint{1, 4}));
  EXPECT_EQ(grid.Find({-1, -1}, "\"\"", 0), (TPoint{1, 3}));
  EXPECT_EQ(grid.Find({-1, -1}, "ab", fnBackward), (TPoint{2, 4}));
  EXPECT_EQ(grid.Find({-1, -1}, "ab", fnBackward | fnMatchFull), (TPoint{1, 4}));
  EXPECT_EQ(grid.Find({-1, -1}, "ab", fnMatchFull | fnIgnoreHTMLTags | fnBackward), (TPoint{2, 4}));
  EXPECT_EQ(grid.Find({-1, -1}, "a*d", fnMatchRegular), (TPoint{2, 2}));
  grid.SetRow(3);
  EXPECT_EQ(grid.Find({-1, -1}, "y", fnFindInCurrentRow | fnAutoGoto), (TPoint{2, 3}));
  EXPECT_EQ(grid.Col(), 2);
  EXPECT_EQ(grid.Find({-1, -1}, "ab", fnFindInCurrentRow), (TPoint{-1, -1}));
  EXPECT_EQ(grid.FindWide({-1, -1}, u"ABCD", fnMatchFull | fnMatchCase), (TPoint{-1, -1}));
  EXPECT_EQ(grid.FindWide({-1, -1}, u"Abcd", fnMatchFull | fnMatchCase), (TPoint{2, 2}));
}

TEST_F(Finding, HiddenColumnsAreSearchedOnlyWhenAsked) {
  grid.HideColumn(1);
  EXPECT_EQ(grid.Find({-1, -1}, "cab", 0), (TPoint{-1, -1}));
  EXPECT_EQ(grid.Find({-1, -1}, "cab", fnIncludeHiddenColumns), (TPoint{1, 2}));
}

}  // namespace
