// The grid's life on a form: its window and timer, following the form's
// size, keeping the columns' share of the width, the header lists and the
// columns merged by list.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/imglist.h"
#include "framework/messaging.h"
#include "grid/duruzav.h"

namespace {

constexpr unsigned kGridTimer = 111;

TEST(GridLifecycle, TheGridTimerStartsWithTheWindow) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  EXPECT_FALSE(KillTimer(&grid, kGridTimer));
  grid.SetParent(&form);
  EXPECT_TRUE(KillTimer(&grid, kGridTimer));
}

// The grid follows the form only as far as it keeps a size: a form made
// smaller than the grid leaves the grid as it is, and the grid grows again
// by what the form grows past the size it had.
TEST(GridLifecycle, FollowingTheFormNeverShrinksTheGridToNothing) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 500, 400);
  auto* grid = new TVudUvizidIzed(&form);
  grid->SetParent(&form);
  grid->SetBounds(10, 10, 300, 200);
  grid->Props().SizeWithForm = true;
  struct Step {
    int formWidth, formHeight, width, height;
  };
  for (const Step& s : {Step{150, 150, 300, 200}, Step{600, 450, 400, 250}, Step{550, 100, 350, 250},
                        Step{500, 400, 300, 200}, Step{520, 420, 320, 220}}) {
    form.SetBounds(0, 0, s.formWidth, s.formHeight);
    EXPECT_EQ(grid->Width(), s.width) << s.formWidth << "x" << s.formHeight;
    EXPECT_EQ(grid->Height(), s.height) << s.formWidth << "x" << s.formHeight;
  }
}

TEST(GridLifecycle, WithoutSizeWithFormTheGridStaysAndTheFormIsTracked) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 500, 400);
  TVudUvizidIzed grid(&form);
  grid.SetParent(&form);
  grid.SetBounds(0, 0, 300, 200);
  form.SetBounds(0, 0, 700, 500);
  EXPECT_EQ(grid.Width(), 300);
  grid.Props().SizeWithForm = true;
  form.SetBounds(0, 0, 720, 520);
  EXPECT_EQ(grid.Width(), 320);
  EXPECT_EQ(grid.Height(), 220);
}

TEST(GridLifecycle, SynchWithGridKeepsTheColumnsShareOfTheWidth) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  grid.SetParent(&form);
  grid.SetColWidths(1, 50);
  grid.SetColWidths(2, 1);
  grid.ColumnSize()->SynchWithGrid = true;
  grid.SetBounds(0, 0, 800, 250);
  EXPECT_EQ(grid.ColWidths(0), 128);
  EXPECT_EQ(grid.ColWidths(1), 100);
  EXPECT_EQ(grid.ColWidths(2), 2);
  grid.SetBounds(0, 0, 100, 250);
  EXPECT_EQ(grid.ColWidths(1), 13);  // 100 x 1/8, rounded
  EXPECT_EQ(grid.ColWidths(2), 1);   // kept, never 0
}

TEST(GridLifecycle, WithoutSynchWithGridTheColumnsKeepTheirWidths) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  grid.SetParent(&form);
  grid.SetBounds(0, 0, 800, 250);
  EXPECT_EQ(grid.ColWidths(1), 64);
}

int WidthOfAllColumns(TVudUvizidIzed& grid) {
  int sum = 0;
  for (int c = 0; c < grid.ColCount(); ++c) sum += grid.ColWidths(c);
  return sum;
}

TEST(GridLifecycle, TheStretchColumnFillsTheWidthOnEveryResize) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  grid.SetParent(&form);
  grid.SetBounds(0, 0, 400, 250);
  int resizes = 0;
  grid.OnResize = [&](TObject*) { ++resizes; };
  grid.ColumnSize()->StretchColumn = 2;
  grid.ColumnSize()->SetStretch(true);
  for (int width : {600, 500}) {
    grid.SetBounds(0, 0, width, 250);
    EXPECT_EQ(WidthOfAllColumns(grid), grid.ClientWidth() - 1) << width;
    EXPECT_EQ(grid.ColWidths(1), 64) << width;
  }
  EXPECT_EQ(resizes, 2);  // the platform's handling still runs after a stretch

  // A stretch column the grid no longer has stretches nothing.
  grid.ColumnSize()->StretchColumn = 9;
  const int before = WidthOfAllColumns(grid);
  grid.SetBounds(0, 0, 700, 250);
  EXPECT_EQ(WidthOfAllColumns(grid), before);
  EXPECT_EQ(resizes, 3);
}

TEST(GridLifecycle, ALoadedGridWithBalloonsHasItsToolTip) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  grid.BeginLoading();
  grid.Balloon()->SetEnable(true);
  EXPECT_EQ(grid.Hover().ToolTip(), nullptr);
  grid.FinishLoading();
  EXPECT_NE(grid.Hover().ToolTip(), nullptr);
}

TEST(GridLifecycle, AFreedImageListIsLetGo) {
  TVudUvizidIzed grid(nullptr);
  auto* images = new TImageList(nullptr);
  grid.SetImages(images);
  delete images;
  EXPECT_EQ(grid.GridImages(), nullptr);
}

TEST(GridLifecycle, AppendingARowAndSettingTheRowIndicator) {
  TVudUvizidIzed grid(nullptr);
  grid.DoAppendRow();
  EXPECT_EQ(grid.RowCount(), 11);
  TBitmap bitmap;
  bitmap.SetSize(8, 6);
  grid.SetRowIndicator(bitmap);
  EXPECT_EQ(grid.RowIndicator()->Width(), 8);
  EXPECT_EQ(grid.RowIndicator()->Height(), 6);
}

// ---- Header lists ----

TEST(GridHeaders, ChangingAListWritesTheFixedCells) {
  TVudUvizidIzed grid(nullptr);
  grid.ColumnHeaders()->Add("No");
  grid.ColumnHeaders()->Add("Name\\nfirst");
  EXPECT_EQ(grid.Cells(0, 0), "No");
  EXPECT_EQ(grid.Cells(1, 0), "Name\rfirst");  // the grid's line break
  grid.RowHeaders()->Add("");
  grid.RowHeaders()->Add("one");
  EXPECT_EQ(grid.Cells(0, 1), "one");
  grid.ColumnHeaders()->Put(0, "Nr");
  EXPECT_EQ(grid.Cells(0, 0), "Nr");
}

TEST(GridHeaders, AChangedListFirstUpdatesTheHeaders) {
  struct CountingGrid : TVudUvizidIzed {
    using TVudUvizidIzed::TVudUvizidIzed;
    void UpdateColHeaders() override { ++updates; }
    int updates = 0;
  } grid(nullptr);
  grid.ColumnHeaders()->Add("No");
  grid.ColumnHeaders()->Put(0, "Nr");
  EXPECT_EQ(grid.updates, 2);
}

TEST(GridHeaders, WithoutFixedCellsTheListsWriteNothing) {
  TVudUvizidIzed grid(nullptr);
  grid.SetFixedRows(0);
  grid.SetFixedCols(0);
  grid.ColumnHeaders()->Add("A");
  grid.RowHeaders()->Add("B");
  EXPECT_EQ(grid.Cells(0, 0), "");
}

TEST(GridHeaders, MoreEntriesThanColumnsAreKeptForLater) {
  TVudUvizidIzed grid(nullptr);
  grid.SetColCount(2);
  for (const char* h : {"a", "b", "c"}) grid.ColumnHeaders()->Add(h);
  EXPECT_EQ(grid.Cells(1, 0), "b");
  grid.SetColCount(3);
  grid.ShowColumnHeaders();
  EXPECT_EQ(grid.Cells(2, 0), "c");
}

// ---- Columns merged by list ----

class MergedColumns : public ::testing::Test {
 protected:
  MergedColumns() {
    grid.SetRowCount(6);
    const char* first[] = {"", "x", "x", "y", "y", "y"};
    const char* second[] = {"", "1", "1", "1", "2", "2"};
    for (int r = 0; r < 6; ++r) {
      grid.SetCells(1, r, first[r]);
      grid.SetCells(2, r, second[r]);
    }
  }
  TVudUvizidIzed grid{nullptr};
};

TEST_F(MergedColumns, AddingAColumnMergesItsRunsOfEqualCells) {
  grid.MergedColumns()->Add(1);
  EXPECT_TRUE(grid.IsMergedCell(1, 1));
  EXPECT_TRUE(grid.IsMergedCell(1, 5));
  EXPECT_FALSE(grid.IsMergedCell(2, 1));
  EXPECT_EQ(grid.CellSpan(1, 3).Y, 2);
}

// A column after the first merges only inside the first one's runs.
TEST_F(MergedColumns, LaterColumnsMergeInsideTheFirstColumnsRuns) {
  grid.MergedColumns()->Add(1);
  grid.MergedColumns()->Add(2);
  EXPECT_TRUE(grid.IsMergedCell(2, 1));   // "1","1" beside "x","x"
  EXPECT_FALSE(grid.IsMergedCell(2, 3));  // "1" under "y" starts a run of its own
  EXPECT_TRUE(grid.IsMergedCell(2, 4));
}

TEST_F(MergedColumns, EmptyingTheListSplitsEveryColumn) {
  grid.MergedColumns()->Add(1);
  grid.MergedColumns()->Clear();
  grid.UndoColumnMerge();
  for (int r = 1; r < 6; ++r) EXPECT_FALSE(grid.IsMergedCell(1, r)) << r;
  grid.MergedColumns()->Add(2);
  EXPECT_FALSE(grid.IsMergedCell(1, 1));
  EXPECT_TRUE(grid.IsMergedCell(2, 1));
}

}  // namespace
