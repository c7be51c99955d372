// Hit testing and sizing zones, the stretched column, the size-change
// handlers with their events, and the change notifiers.
#include <gtest/gtest.h>

#include <vector>

#include "grid/duruzav.h"
#include "mousetesting.h"
#include "platform/module.h"
#include "tests/grid/fakeflatsb.h"

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

class Stretching : public MouseGrid {
 protected:
  void SetUp() override {
    MouseGrid::SetUp();
    grid.ColumnSize()->SetStretch(true);
  }
  int ClientWidth() { return grid.ClientRect().Right; }
  int WidthsBut(int col) {
    int sum = 0;
    for (int c = 0; c < grid.ColCount(); ++c)
      if (c != col) sum += grid.ColWidths(c);
    return sum;
  }
};

TEST_F(Stretching, StretchedColumnFillsTheClientWidth) {
  grid.StretchColumn(2);
  EXPECT_EQ(grid.ColWidths(2), ClientWidth() - WidthsBut(2) - 1);
  grid.StretchRightColumn();
  EXPECT_EQ(grid.ColWidths(4), ClientWidth() - WidthsBut(4) - 1);
  grid.SetColWidths(1, 30);
  EXPECT_EQ(grid.ColWidths(4), ClientWidth() - WidthsBut(4) - 1) << "ColumnSize.StretchColumn -1 follows";
}

TEST_F(Stretching, OneColumnIsAsWideAsTheClient) {
  grid.SetFixedCols(0);
  grid.SetColCount(1);
  grid.StretchColumn(-1);
  EXPECT_EQ(grid.ColWidths(0), ClientWidth());
}

// Other columns wider than the client: the default width when not
// scrolled, the width kept when scrolled.
TEST_F(Stretching, ColumnsWiderThanTheClientLeaveTheStretchedOneAlone) {
  grid.ColumnSize()->SetStretch(false);
  for (int c = 0; c < 4; ++c) grid.SetColWidths(c, 200);
  grid.SetColWidths(4, 33);
  grid.SetLeftCol(2);
  grid.ColumnSize()->SetStretch(true);
  grid.StretchColumn(4);
  EXPECT_EQ(grid.ColWidths(4), 33);
  grid.SetLeftCol(grid.FixedCols());
  grid.StretchColumn(4);
  EXPECT_EQ(grid.ColWidths(4), grid.DefaultColWidth());
}

TEST_F(Stretching, ColumnOutsideTheGridIsRefusedBeforeAnyWidthChanges) {
  for (int col : {5, -2, -100}) {
    std::vector<int> widths;
    for (int c = 0; c < grid.ColCount(); ++c) widths.push_back(grid.ColWidths(c));
    try {
      grid.StretchColumn(col);
      ADD_FAILURE() << col << " accepted";
    } catch (const EDurUzavError& e) {
      EXPECT_STREQ(e.what(), "Stretch column index out of range");
    }
    for (int c = 0; c < grid.ColCount(); ++c) EXPECT_EQ(grid.ColWidths(c), widths[c]) << col;
  }
}

// A stretch column the grid lost to a smaller column count is nothing to
// fill, and no error of the change.
TEST_F(Stretching, StretchColumnBeyondTheGridDoesNotBreakSizeChanges) {
  grid.ColumnSize()->StretchColumn = 4;
  grid.SetColCount(3);
  EXPECT_EQ(grid.ColCount(), 3);
  EXPECT_NO_THROW(grid.SetColWidths(1, 40));
}

// What the scroll bars make of size changes, with the recording stand-in
// of the flat scroll bar functions loaded.
class SizeChanges : public MouseGrid {
 protected:
  static void SetUpTestSuite() {
    module = platform::LoadLibrary("comctl32.dll");
    ASSERT_NE(module, nullptr);
    flat = platform::BindEntryPoint<FakeFlatStateFn>(module, "FakeFlatState")();
  }
  void SetUp() override {
    MouseGrid::SetUp();
    flat->Reset();
  }
  static TScrollInfo VerticalInfo(const TVudUvizidIzed& grid) {
    TScrollInfo info;
    info.fMask = SIF_ALL;
    grid.GetScrollInfo(SB_VERT, info);
    return info;
  }
  static inline platform::ModuleHandle module = nullptr;
  static inline TFakeFlatState* flat = nullptr;
};

TEST_F(SizeChanges, FlatBarsShowWhileRowsOrColumnsLieBeyondTheVisibleOnes) {
  grid.Scroller()->SetScrollType(ssFlat);
  const int verticalUpdates = flat->infoCalls[SB_VERT];
  grid.SetRowCount(60);
  EXPECT_EQ(flat->shown[SB_VERT], 1);
  EXPECT_EQ(flat->shown[SB_HORZ], 0);
  EXPECT_GT(flat->infoCalls[SB_VERT], verticalUpdates);
  grid.SetColCount(40);
  EXPECT_EQ(flat->shown[SB_HORZ], 1);
  grid.SetRowCount(3);
  EXPECT_EQ(flat->shown[SB_VERT], 0);
}

TEST_F(SizeChanges, StretchedProportionalThumbFollowsTheColumns) {
  grid.SetRowCount(60);
  grid.Scroller()->SetScrollProportional(true);
  grid.ColumnSize()->SetStretch(true);
  grid.UpdateVScroller();
  TScrollInfo info = VerticalInfo(grid);
  const unsigned page = info.nPage;
  ASSERT_GT(page, 1u);
  info.nPage = 1;
  grid.SetScrollInfo(SB_VERT, info, false);
  grid.SetColWidths(1, 30);
  EXPECT_EQ(VerticalInfo(grid).nPage, page);
}

class Notifiers : public MouseGrid {
 protected:
  struct Counter : TGridChangeNotifier {
    void CellsChanged(const TRect&) override { ++count; }
    int count = 0;
  };
};

TEST_F(Notifiers, NotifierRegisteredTwiceIsToldOnce) {
  Counter counter, stranger;
  grid.RegisterNotifier(&counter);
  grid.RegisterNotifier(&counter);
  grid.CellsChanged({1, 1, 2, 2});
  EXPECT_EQ(counter.count, 1);
  grid.UnRegisterNotifier(&stranger);
  grid.CellsChanged({1, 1, 2, 2});
  EXPECT_EQ(counter.count, 2);
  grid.UnRegisterNotifier(&counter);
  grid.CellsChanged({1, 1, 2, 2});
  EXPECT_EQ(counter.count, 2);
}

}  // namespace
