// The grid's selection model: row flags and their fall-back to the
// selection rectangle, the conversions from the rectangle, the selected
// cells list, the clicks that mark cells, and what each change repaints.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "grid/duruzav.h"

namespace {

// A grid that notes the rows of the cells it draws.
class RecordingGrid : public TVudUvizidIzed {
 public:
  using TVudUvizidIzed::TVudUvizidIzed;
  std::set<int> paintedRows;
  std::set<int> paintedCols;

 protected:
  void DrawCell(int col, int row, TRect rect, TGridDrawState state) override {
    paintedRows.insert(row);
    paintedCols.insert(col);
    TVudUvizidIzed::DrawCell(col, row, rect, state);
  }
};

class SelectionModel : public ::testing::Test {
 protected:
  void SetUp() override {
    form.SetBounds(0, 0, 500, 400);
    grid.SetParent(&form);
    grid.SetBounds(0, 0, 460, 360);
    grid.SetColCount(5);
    grid.SetRowCount(8);
    grid.Update();
  }

  // The rows (columns) drawn by the paint that follows the action.
  template <typename Action>
  std::set<int> RowsRepainted(Action&& action) {
    Repaint(std::forward<Action>(action));
    return grid.paintedRows;
  }
  template <typename Action>
  std::set<int> ColsRepainted(Action&& action) {
    Repaint(std::forward<Action>(action));
    return grid.paintedCols;
  }
  template <typename Action>
  void Repaint(Action&& action) {
    grid.Update();
    grid.paintedRows.clear();
    grid.paintedCols.clear();
    action();
    grid.Update();
  }

  void Click(int col, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const TRect r = grid.CellRect(col, row);
    const TPoint at{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
    Press(at, at, modifiers);
  }
  // The left button pressed at one point and released at another.
  void Press(TPoint down, TPoint up, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      const bool pressing = type == QEvent::MouseButtonPress;
      const QPointF at = pressing ? QPointF(down.X, down.Y) : QPointF(up.X, up.Y);
      QMouseEvent event(type, at, grid.Widget()->mapToGlobal(at), Qt::LeftButton,
                        pressing ? Qt::LeftButton : Qt::NoButton, modifiers);
      QCoreApplication::sendEvent(grid.Widget(), &event);
    }
  }

  std::vector<std::pair<int, int>> Cells() {
    std::vector<std::pair<int, int>> cells;
    const int count = grid.GetSelectedCellsCount();
    for (int i = 0; i < count; ++i) cells.emplace_back(grid.GetSelectedCell(i).X, grid.GetSelectedCell(i).Y);
    return cells;
  }

  TForm form{nullptr};
  RecordingGrid grid{&form};
};

TEST_F(SelectionModel, RowFlagsRefuseRowsOutsideTheGridAndItsHiddenRows) {
  grid.SetRowCount(5);
  for (bool disjunct : {false, true}) {
    grid.MouseActions()->SetDisjunctRowSelect(disjunct);
    for (int row : {-1, 5}) {
      try {
        grid.GetRowSelect(row);
        ADD_FAILURE() << "GetRowSelect(" << row << ") answered";
      } catch (const EDurUzavError& e) {
        EXPECT_STREQ(e.what(), "Invalid row accessed");
      }
      EXPECT_THROW(grid.SetRowSelect(row, true), EDurUzavError) << row;
    }
    EXPECT_NO_THROW(grid.GetRowSelect(4));
  }
  EXPECT_FALSE(grid.GetRowSelect(4)) << "a fresh flag";
  // A hidden row still owns a flag: the range reaches one row further.
  grid.HideRow(2);
  ASSERT_EQ(grid.RowCount(), 4);
  EXPECT_NO_THROW(grid.SetRowSelect(4, true));
  EXPECT_TRUE(grid.GetRowSelect(4));
  EXPECT_THROW(grid.GetRowSelect(5), EDurUzavError);
}

TEST_F(SelectionModel, WithoutDisjunctRowsTheRectangleAnswersForTheRows) {
  grid.SetSelection(TGridRect{1, 2, 3, 4});
  grid.SetRowSelect(6, true);
  for (int r = 0; r < grid.RowCount(); ++r) EXPECT_EQ(grid.GetRowSelect(r), r >= 2 && r <= 4) << r;
  EXPECT_EQ(grid.GetRowSelectCount(), 3);

  grid.MouseActions()->SetDisjunctRowSelect(true);
  for (int r = 0; r < grid.RowCount(); ++r) EXPECT_EQ(grid.GetRowSelect(r), r == 6) << r;
  EXPECT_EQ(grid.GetRowSelectCount(), 1);
}

TEST_F(SelectionModel, SelectRowsAndSelectToRowSelect) {
  struct Case {
    const char* what;
    bool disjunct;
    std::vector<int> marked;   // flags set before
    std::function<void(TVudUvizidIzed&)> act;
    std::vector<int> flagged;  // display rows answering true afterwards
  };
  const Case cases[] = {
      {"rows past the end are skipped", true, {}, [](TVudUvizidIzed& g) { g.SelectRows(6, 3); }, {6, 7}},
      {"no rows for a count below one", true, {}, [](TVudUvizidIzed& g) { g.SelectRows(3, 0); }, {}},
      {"range mode selects whole rows", false, {}, [](TVudUvizidIzed& g) { g.SelectRows(2, 3); }, {2, 3, 4}},
      {"the range added to the flags", true, {6},
       [](TVudUvizidIzed& g) {
         g.SetSelection(TGridRect{1, 2, 2, 3});
         g.SelectToRowSelect(false);
       },
       {2, 3, 6}},
      {"the range replacing the flags", true, {6},
       [](TVudUvizidIzed& g) {
         g.SetSelection(TGridRect{1, 2, 2, 3});
         g.SelectToRowSelect(true);
       },
       {2, 3}},
  };
  for (const Case& c : cases) {
    grid.MouseActions()->SetDisjunctRowSelect(c.disjunct);
    grid.ClearRowSelect();
    grid.SetSelection(TGridRect{1, 1, 1, 1});
    for (int r : c.marked) grid.SetRowSelect(r, true);
    c.act(grid);
    std::vector<int> flagged;
    for (int r = 0; r < grid.RowCount(); ++r)
      if (grid.GetRowSelect(r)) flagged.push_back(r);
    EXPECT_EQ(flagged, c.flagged) << c.what;
  }
  grid.MouseActions()->SetDisjunctRowSelect(false);
  grid.SelectRows(2, 3);
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 2, 4, 4}));
}

// With persistent flags a row's mark is kept by its real row, so it stays
// with the row while rows above it are hidden and shown.
TEST_F(SelectionModel, PersistentRowFlagsFollowTheirRowsOverHiddenRows) {
  grid.MouseActions()->SetDisjunctRowSelect(true);
  grid.MouseActions()->RowSelectPersistent = true;
  grid.HideRow(2);
  grid.SelectRows(3, 1);  // display row 3 is real row 4
  EXPECT_TRUE(grid.GetRowSelect(4));
  EXPECT_FALSE(grid.GetRowSelect(3));
  grid.SetSelection(TGridRect{1, 5, 1, 5});
  grid.SelectToRowSelect(false);  // display row 5 is real row 6
  EXPECT_TRUE(grid.GetRowSelect(6));
  grid.UnHideRow(2);
  EXPECT_TRUE(grid.GetRowSelect(4));
  EXPECT_EQ(grid.GetRowSelectCount(), 2);
}

// The row check boxes of column 0 read and write the flag of the row they
// stand in, by real row under RowSelectPersistent.
TEST_F(SelectionModel, RowCheckBoxesHoldTheirOwnRowsFlag) {
  grid.MouseActions()->SetHotmailRowSelect(true);
  grid.MouseActions()->SetDisjunctRowSelect(true);
  grid.MouseActions()->RowSelectPersistent = true;
  grid.HideRow(1);
  EXPECT_TRUE(grid.ToggleCheckBox(0, 3));
  EXPECT_TRUE(grid.GetRowSelect(4)) << "display row 3 is real row 4";
  EXPECT_FALSE(grid.GetRowSelect(3));
  bool state = false;
  EXPECT_TRUE(grid.GetCheckBoxState(0, 3, state));
  EXPECT_TRUE(state);
  grid.SetCheckBoxState(0, 3, false);
  EXPECT_FALSE(grid.GetRowSelect(4));
  EXPECT_EQ(grid.GetCellGraphic(0, grid.RowCount()), nullptr) << "no row, no check box";
}

TEST_F(SelectionModel, RowFlagChangesRepaintOnlyTheRowsThatChanged) {
  grid.MouseActions()->SetDisjunctRowSelect(true);
  grid.SetRowSelect(6, true);
  grid.SetRowSelect(6, false);  // the flag list now reaches row 6, clear
  EXPECT_EQ(RowsRepainted([&] { grid.SetRowSelect(3, true); }), std::set<int>{3});
  EXPECT_TRUE(RowsRepainted([&] { grid.SetRowSelect(3, true); }).empty()) << "no change, no paint";
  EXPECT_EQ(RowsRepainted([&] { grid.ClearRowSelect(); }), std::set<int>{3}) << "only the flagged row";
  EXPECT_TRUE(RowsRepainted([&] { grid.ClearRowSelect(); }).empty());
}

// A flag kept by display row repaints that display row, one kept by real
// row the place where that row shows, whatever is hidden above it.
TEST_F(SelectionModel, RowFlagRepaintsWhereTheRowShows) {
  grid.MouseActions()->SetDisjunctRowSelect(true);
  grid.HideRow(1);
  EXPECT_EQ(RowsRepainted([&] { grid.SetRowSelect(4, true); }), std::set<int>{4});
  grid.MouseActions()->RowSelectPersistent = true;
  EXPECT_EQ(RowsRepainted([&] { grid.SetRowSelect(6, true); }), std::set<int>{5});
}

TEST_F(SelectionModel, RepaintOperationsCoverTheirCells) {
  EXPECT_EQ(ColsRepainted([&] { grid.RepaintCol(2); }), std::set<int>{2});
  EXPECT_TRUE(RowsRepainted([&] { grid.RepaintCol(2); }).count(grid.TopRow()));
  EXPECT_EQ(RowsRepainted([&] { grid.InvalidateGridRect(TGridRect{1, 2, 3, 4}); }), (std::set<int>{2, 3, 4}));
  EXPECT_EQ(ColsRepainted([&] { grid.InvalidateGridRect(TGridRect{1, 2, 3, 4}); }), (std::set<int>{1, 2, 3}));
  EXPECT_EQ(RowsRepainted([&] { grid.RepaintRect(TRect{1, 2, 3, 4}); }), (std::set<int>{2, 3, 4}));
  EXPECT_TRUE(RowsRepainted([&] { grid.RepaintRect(TRect{-1, 2, 3, 4}); }).empty());
  grid.SetRowCount(100);
  EXPECT_EQ(RowsRepainted([&] { grid.RepaintRect(TRect{1, 2, 1, 99}); }).size(),
            static_cast<size_t>(grid.VisibleRowCount() + 2))
      << "a corner out of view repaints the whole grid";
}

TEST_F(SelectionModel, SelectedCellsOfTheRectangle) {
  grid.SetSelection(TGridRect{1, 1, 2, 3});
  const std::vector<std::pair<int, int>> range{{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}};
  EXPECT_EQ(Cells(), range) << "column by column";
  EXPECT_EQ(Cells(), range) << "asking again does not add the range twice";
  grid.SetSelection(TGridRect{2, 2, 2, 2});
  EXPECT_EQ(grid.GetSelectedCellsCount(), 0) << "a one-cell range";
  EXPECT_THROW(grid.GetSelectedCell(0), EListError);

  // Under disjunct cells the marks stay and the range joins them once.
  grid.MouseActions()->SetDisjunctCellSelect(true);
  grid.SetSelectedCells(2, 3, true);
  grid.SetSelectedCells(2, 3, true);
  EXPECT_EQ(grid.GetSelectedCellsCount(), 1);
  grid.SetSelection(TGridRect{1, 2, 2, 3});
  EXPECT_EQ(Cells(), (std::vector<std::pair<int, int>>{{2, 3}, {1, 2}, {1, 3}, {2, 2}}));

  grid.ClearSelectedCells();
  EXPECT_EQ(grid.GetSelectedCellsCount(), 0);
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 1, 1}));
}

TEST_F(SelectionModel, SelectRangeMakesItsEndCurrent) {
  grid.SelectRange(1, 3, 2, 5);
  EXPECT_EQ(grid.Col(), 3);
  EXPECT_EQ(grid.Row(), 5);
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 2, 3, 5}));
}

TEST_F(SelectionModel, ClicksMarkSingleCells) {
  grid.MouseActions()->SetDisjunctCellSelect(true);
  grid.SetSelectedCells(3, 6, true);
  Click(2, 4);
  EXPECT_EQ(Cells(), (std::vector<std::pair<int, int>>{{2, 4}})) << "a plain click marks its cell alone";
  Click(3, 5, Qt::ControlModifier);
  EXPECT_EQ(Cells(), (std::vector<std::pair<int, int>>{{2, 4}, {3, 5}}));
  Click(2, 4, Qt::ControlModifier);
  EXPECT_EQ(Cells(), (std::vector<std::pair<int, int>>{{3, 5}})) << "Ctrl unmarks a marked cell";

  grid.OnSelectCell = [](TObject*, int col, int, bool& canSelect) { canSelect = col != 1; };
  Click(1, 2);
  EXPECT_EQ(Cells(), (std::vector<std::pair<int, int>>{{3, 5}})) << "a refused cell changes no mark";
  // Refused as the base cell of a merged area whose clicked cell was allowed.
  grid.MergeCells(1, 3, 2, 1);
  Click(2, 3);
  EXPECT_EQ(Cells(), (std::vector<std::pair<int, int>>{{3, 5}}));
  EXPECT_EQ(grid.GridState(), gsNormal) << "no selecting after the button is up";
}

// A cell already marked is not marked again when a range over it joins the
// marks, so a single Ctrl click takes it out.
TEST_F(SelectionModel, ARangeOverAMarkedCellDoesNotMarkItTwice) {
  grid.MouseActions()->SetDisjunctCellSelect(true);
  Click(1, 1);
  Click(2, 2, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Cells(), (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {1, 2}, {2, 1}}));
  Click(1, 1, Qt::ControlModifier);
  EXPECT_FALSE(grid.GetSelectedCells(1, 1));
}

TEST_F(SelectionModel, AClickThatMovesTheRangeReportsIt) {
  std::vector<TGridRect> reported;
  grid.OnSelectionChanged = [&](TObject*, int l, int t, int r, int b) { reported.push_back({l, t, r, b}); };
  Click(3, 4);
  EXPECT_EQ(reported, (std::vector<TGridRect>{{3, 4, 3, 4}}));
  Click(3, 4);
  EXPECT_EQ(reported.size(), 1u) << "the same cell again changes nothing";
}

TEST_F(SelectionModel, SizingReleasedBeyondTheFarEdgeIsGivenUp) {
  grid.SetOptions(grid.Options() | goColSizing | goRowSizing);
  const TRect header = grid.CellRect(1, 0), rowHeader = grid.CellRect(0, 2);
  const TPoint colLine{header.Right, header.Top + 5}, rowLine{rowHeader.Left + 5, rowHeader.Bottom};
  struct Case {
    TPoint down, up;
    int width1, height2;
  } cases[] = {
      {colLine, {grid.Width() + 10, colLine.Y}, header.Width(), rowHeader.Height()},
      {rowLine, {rowLine.X, grid.Height() + 10}, header.Width(), rowHeader.Height()},
      {colLine, {colLine.X + 20, colLine.Y}, header.Width() + 20, rowHeader.Height()},
  };
  for (const Case& c : cases) {
    grid.SetColWidths(1, header.Width());
    grid.SetRowHeights(2, rowHeader.Height());
    Press(c.down, c.up);
    EXPECT_EQ(grid.GridState(), gsNormal);
    EXPECT_EQ(grid.ColWidths(1), c.width1) << c.up.X << "," << c.up.Y;
    EXPECT_EQ(grid.RowHeights(2), c.height2) << c.up.X << "," << c.up.Y;
  }
}

}  // namespace
