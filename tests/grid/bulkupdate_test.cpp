// Bulk operations of the row and column model: one repaint each, the update
// counter back at 0 also after an exception, the changed cells reported and
// the footer row kept up to date.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/sysutils.h"
#include "tests/grid/updatetesting.h"

namespace {

using updatetesting::CountingGrid;
using updatetesting::CountingGridOnForm;

// Body rows 1..6: group values in column 1, numbers in column 2.
struct Filled : CountingGridOnForm {
  Filled() {
    const char* groups[] = {"b", "a", "b", "c", "a", "c"};
    grid.SetRowCount(7);
    for (int r = 1; r <= 6; ++r) {
      grid.SetGridCell(1, r, groups[r - 1]);
      grid.SetGridCell(2, r, std::to_string(r));
    }
    grid.PaintPending();
  }
  static void FailingDatesOn(CountingGrid& grid) {
    grid.SetGridCell(3, 2, "not a date");
    grid.SetGridCell(3, 3, "1/1/2003");
    grid.OnGetFormat = [](TObject*, int col, TSortStyle& style, AnsiString&, AnsiString&) {
      if (col == 3) style = ssDate;
    };
    grid.SortSettings()->Column = 3;
  }
};

struct BulkCase {
  const char* name;
  std::function<void(CountingGrid&)> prepare;
  std::function<void(CountingGrid&)> run;
};

void Nothing(CountingGrid&) {}

TEST(BulkUpdate, EachOperationPaintsNothingUntilItEndsAndThenRepaintsOnce) {
  const BulkCase cases[] = {
      {"QSort", [](CountingGrid& g) { g.SortSettings()->Column = 1; }, [](CountingGrid& g) { g.QSort(); }},
      {"QUnSort", [](CountingGrid& g) { g.SortSettings()->Column = 1, g.QSort(); }, [](CountingGrid& g) { g.QUnSort(); }},
      {"QSortGroup", [](CountingGrid& g) { g.AddNode(1, 4); }, [](CountingGrid& g) { g.QSortGroup(); }},
      {"Group", [](CountingGrid& g) { g.SortSettings()->AutoSortForGrouping = true; },
       [](CountingGrid& g) { g.Group(1); }},
      {"UnGroup", [](CountingGrid& g) { g.Group(1); }, [](CountingGrid& g) { g.UnGroup(); }},
      {"ContractAll", [](CountingGrid& g) { g.AddNode(1, 3), g.AddNode(4, 3); }, [](CountingGrid& g) { g.ContractAll(); }},
      {"ExpandNode", [](CountingGrid& g) { g.AddNode(1, 3), g.ContractNode(1); }, [](CountingGrid& g) { g.ExpandNode(1); }},
      {"RemoveRows", Nothing, [](CountingGrid& g) { g.RemoveRows(2, 2); }},
      {"RemoveDuplicates", Nothing, [](CountingGrid& g) { g.RemoveDuplicates(1, true); }},
      {"RemoveSelectedRows", [](CountingGrid& g) { g.SetSelection(TGridRect{1, 2, 1, 4}); },
       [](CountingGrid& g) { g.RemoveSelectedRows(); }},
      {"HideUnSelectedRows", [](CountingGrid& g) { g.SetSelection(TGridRect{1, 2, 1, 4}); },
       [](CountingGrid& g) { g.HideUnSelectedRows(); }},
      {"FilterActive", [](CountingGrid& g) { g.Filter()->Add()->Condition = "a"; g.Filter()->Items(0)->Column = 1; },
       [](CountingGrid& g) { g.SetFilterActive(true); }},
      {"AutoSizeCells", Nothing, [](CountingGrid& g) { g.AutoSizeCells(false, 4, 4); }},
  };
  for (const BulkCase& c : cases) {
    Filled f;
    c.prepare(f.grid);
    f.grid.PaintPending();
    const int paints = f.grid.paints, redraws = f.grid.redrawsOn;
    c.run(f.grid);
    EXPECT_EQ(f.grid.paints, paints) << c.name;
    EXPECT_EQ(f.grid.redrawsOn - redraws, 1) << c.name;
    EXPECT_FALSE(f.grid.GetLockFlag()) << c.name;
    EXPECT_TRUE(f.grid.PaintPending()) << c.name;
  }
}

TEST(BulkUpdate, AnExceptionMidOperationLeavesTheCounterAtZero) {
  const BulkCase cases[] = {
      {"QSort", [](CountingGrid& g) { Filled::FailingDatesOn(g); }, [](CountingGrid& g) { g.QSort(); }},
      {"Group sorting first",
       [](CountingGrid& g) {
         Filled::FailingDatesOn(g);
         g.SortSettings()->AutoSortForGrouping = true;
       },
       [](CountingGrid& g) { g.Group(3); }},
      {"RemoveRows reporting",
       [](CountingGrid& g) { g.OnCellsChanged = [](TObject*, const TRect&) { throw Exception("listener"); }; },
       [](CountingGrid& g) { g.RemoveRows(2, 1); }},
      {"AutoSizeCells measuring",
       [](CountingGrid& g) {
         g.OnGetCellColor = [](TObject*, int, int, TGridDrawState, TBrush*, TFont*) { throw Exception("colour"); };
       },
       [](CountingGrid& g) { g.AutoSizeCells(false, 0, 0); }},
  };
  for (const BulkCase& c : cases) {
    Filled f;
    c.prepare(f.grid);
    EXPECT_ANY_THROW(c.run(f.grid)) << c.name;
    f.grid.OnGetCellColor = nullptr;
    EXPECT_FALSE(f.grid.GetLockFlag()) << c.name;
    EXPECT_EQ(f.grid.redrawsOn, 1) << c.name;
    EXPECT_TRUE(f.grid.PaintPending()) << c.name;
  }
}

// Changed rectangles: columns in Left/Right, rows in Top/Bottom.
TEST(BulkUpdate, StructuralChangesReportTheCellsTheyChanged) {
  const struct {
    const char* name;
    std::function<void(CountingGrid&)> run;
    TRect reported;
  } cases[] = {
      {"InsertRows", [](CountingGrid& g) { g.InsertRows(3, 2); }, {0, 3, 4, 5}},
      {"RemoveRows", [](CountingGrid& g) { g.RemoveRows(2, 2); }, {0, 2, 4, 4}},
      {"RemoveCols", [](CountingGrid& g) { g.RemoveCols(1, 1); }, {1, 0, 2, 6}},
      {"ClearRect", [](CountingGrid& g) { g.ClearRect(1, 1, 2, 2); }, {1, 1, 2, 2}},
  };
  for (const auto& c : cases) {
    Filled f;
    std::vector<TRect> reports;
    f.grid.OnCellsChanged = [&](TObject*, const TRect& r) { reports.push_back(r); };
    c.run(f.grid);
    ASSERT_FALSE(reports.empty()) << c.name;
    EXPECT_EQ(reports.back(), c.reported) << c.name;
  }
}

// The footer sums column 2 of the shown body rows (1 + ... + 6 = 21).
TEST(BulkUpdate, TheFooterFollowsRowsComingAndGoing) {
  Filled f;
  TVudUvizidIzed& grid = f.grid;
  grid.SetRowCount(8);
  grid.FloatingFooter()->SetVisible(true);
  grid.FloatingFooter()->SetColumnCalc(2, acSUM);
  const auto footer = [&] { return grid.GetGridCell(2, grid.RowCount() - 1); };
  EXPECT_EQ(footer(), "21.00");
  grid.RemoveRows(6, 1);
  EXPECT_EQ(footer(), "15.00");
  grid.AddNode(1, 3);
  grid.ContractNode(1);  // rows 2 and 3 hidden
  EXPECT_EQ(footer(), "10.00");
  grid.ExpandNode(1);
  EXPECT_EQ(footer(), "15.00");
  TFilterData* even = grid.Filter()->Add();
  even->Column = 2;
  even->Condition = "2|4";
  grid.SetFilterActive(true);
  EXPECT_EQ(footer(), "6.00");
  grid.SetFilterActive(false);
  EXPECT_EQ(footer(), "15.00");
}

class AnnouncingGrid : public TVudUvizidIzed {
 public:
  using TVudUvizidIzed::TVudUvizidIzed;
  std::vector<std::pair<TGridExportState, int>> told;
  void ExportNotification(TGridExportState state, int row) override { told.emplace_back(state, row); }
};

TEST(BulkUpdate, CalculationsAndFindAnnounceTheirRows) {
  TForm form{nullptr};
  AnnouncingGrid grid{&form};
  grid.SetRowCount(4);
  grid.SetColCount(2);
  for (int r = 1; r <= 3; ++r) grid.SetGridCell(1, r, std::to_string(r));
  using Told = std::vector<std::pair<TGridExportState, int>>;
  grid.ColumnSum(1, 1, 3);
  EXPECT_EQ(grid.told, (Told{{esExportStart, -1}, {esExportNewRow, 1}, {esExportNewRow, 2}, {esExportNewRow, 3},
                             {esExportDone, -1}}));
  grid.told.clear();
  grid.Find({-1, -1}, "2", 0);
  EXPECT_EQ(grid.told, (Told{{esExportStart, -1}, {esExportNewRow, 1}, {esExportNewRow, 1}, {esExportFail, -1}}));
  grid.told.clear();
  grid.Find({-1, -1}, "9", 0);
  EXPECT_EQ(grid.told.back(), (std::pair{esExportDone, -1}));
}

}  // namespace
