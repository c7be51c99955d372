// Hit testing and sizing zones, the stretched column, the size-change
// handlers with their events, and the change notifiers.
#include <gtest/gtest.h>

#include <vector>

#include "grid/duruzav.h"
#include "mousetesting.h"

namespace {

using mousetesting::MouseGrid;

class HitTesting : public MouseGrid {};

TEST_F(HitTesting, ScreenToCellFindsTheCellUnderAScreenPoint) {
  int col = 0, row = 0;
  grid.ScreenToCell(grid.ClientToScreen(Middle(2, 3)), col, row);
  EXPECT_EQ(col, 2);
  EXPECT_EQ(row, 3);
  const TRect last = grid.CellRect(4, 5);
  grid.ScreenToCell(grid.ClientToScreen({last.Right + 10, last.Bottom + 10}), col, row);
  EXPECT_EQ(col, -1);
  EXPECT_EQ(row, -1);
}

// Column borders count in the header and the first scrollable row, row
// borders in the fixed column and the first scrollable column; the zone
// reaches 3 pixels to either side.
TEST_F(HitTesting, SizeZoneLiesWithinThreePixelsOfAHeaderBorder) {
  const int left = grid.CellRect(2, 0).Left;
  const int top = grid.CellRect(0, 3).Top;
  struct Case {
    const char* what;
    TGridOptions sizing;
    int x, y;
    bool inZone;
  };
  const Case cases[] = {
      {"3 px right of a header border", goColSizing, left + 3, Middle(2, 0).Y, true},
      {"4 px right of a header border", goColSizing, left + 4, Middle(2, 0).Y, false},
      {"3 px left of a header border", goColSizing, left - 3, Middle(2, 0).Y, true},
      {"first scrollable row", goColSizing, left + 1, Middle(2, 1).Y, true},
      {"body row", goColSizing, left + 1, Middle(2, 3).Y, false},
      {"without column sizing", goRowSizing, left + 1, Middle(2, 0).Y, false},
      {"3 px below a row border in the fixed column", goRowSizing, Middle(0, 3).X, top + 3, true},
      {"4 px below a row border in the fixed column", goRowSizing, Middle(0, 3).X, top + 4, false},
      {"row border in the body", goRowSizing, Middle(3, 3).X, top + 1, false},
      {"outside the cells", goColSizing | goRowSizing, -5, -5, false},
  };
  for (const Case& c : cases) {
    grid.SetOptions((grid.Options() & ~(goColSizing | goRowSizing)) | c.sizing);
    EXPECT_EQ(grid.InSizeZone(c.x, c.y), c.inZone) << c.what;
  }
}

}  // namespace
