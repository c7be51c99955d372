// The base grid: cell properties, merged cells, keys across merged areas and
// the undo/redo component.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "grid/basegrid.h"

namespace {

// A grid that shows real column c at display column c - 1, as one with a
// hidden column before it would.
class ShiftedGrid : public TBaseGrid {
 public:
  using TBaseGrid::TBaseGrid;
  int DisplColIndex(int col) override { return col - 1; }
};

class BaseGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid = new TBaseGrid(&form);
    grid->SetParent(&form);
    grid->SetColCount(8);
    grid->SetRowCount(10);
    grid->SetBounds(0, 0, 600, 300);
  }
  TForm form{nullptr};
  TBaseGrid* grid = nullptr;
};

TEST_F(BaseGridTest, MergeSetsSpansAndQueriesMapToTheBaseCell) {
  grid->MergeCells(1, 1, 3, 2);
  EXPECT_EQ(grid->CellSpan(1, 1), (TPoint{2, 1}));
  EXPECT_EQ(grid->CellSpan(3, 2), (TPoint{2, 1}));
  EXPECT_EQ(grid->BaseCell(3, 2), (TPoint{1, 1}));
  EXPECT_EQ(grid->CellExt(2, 1), (TPoint{1, 1}));
  EXPECT_EQ(grid->FullCell(3, 2), (TRect{1, 1, 3, 2}));
  EXPECT_TRUE(grid->IsMergedCell(2, 2));
  EXPECT_FALSE(grid->IsBaseCell(2, 2));
  EXPECT_EQ(grid->CellRect(2, 2), grid->CellRect(1, 1));
  EXPECT_EQ(grid->CellRect(1, 1).Width(), 3 * grid->DefaultColWidth());

  grid->SetCellEx(3, 2, "area");
  EXPECT_EQ(grid->GetCellEx(2, 1), "area");
  EXPECT_EQ(grid->GetGridCell(1, 1), "area");
  EXPECT_EQ(grid->GetGridCell(3, 2), "");

  grid->SplitCells(2, 2);
  for (int c = 1; c <= 3; ++c)
    for (int r = 1; r <= 2; ++r) {
      EXPECT_TRUE(grid->HasCellProperties(c, r));
      EXPECT_EQ(grid->CellSpan(c, r), (TPoint{0, 0}));
      EXPECT_TRUE(grid->IsBaseCell(c, r));
    }
}

TEST_F(BaseGridTest, SingleCellMergeAndQueriesCreateNoProperties) {
  EXPECT_EQ(grid->CellSpan(4, 4), (TPoint{0, 0}));
  EXPECT_FALSE(grid->IsMergedCell(4, 4));
  EXPECT_EQ(grid->BaseCell(4, 4), (TPoint{4, 4}));
  EXPECT_FALSE(grid->HasCellProperties(4, 4));
  grid->MergeCells(4, 4, 1, 1);
  EXPECT_TRUE(grid->HasCellProperties(4, 4));
  EXPECT_FALSE(grid->IsMergedCell(4, 4));
  EXPECT_TRUE(grid->IsBaseCell(4, 4));
}

TEST_F(BaseGridTest, MergePastTheEdgeIsClippedAndOutsideIsRefused) {
  grid->MergeCells(6, 8, 5, 5);
  EXPECT_EQ(grid->CellSpan(6, 8), (TPoint{1, 1}));
  EXPECT_EQ(grid->BaseCell(7, 9), (TPoint{6, 8}));
  EXPECT_FALSE(grid->CellRect(7, 9).IsEmpty());
  EXPECT_THROW(grid->MergeCells(8, 0, 2, 2), EDurUzavError);
  EXPECT_THROW(grid->MergeCells(-1, 0, 2, 2), EDurUzavError);
  EXPECT_THROW(grid->MergeCells(1, 1, 0, 2), EDurUzavError);
  EXPECT_THROW(grid->MergeCells(1, 10, 2, 2), EDurUzavError);
  grid->SplitCells(7, 9);
  EXPECT_EQ(grid->CellSpan(6, 8), (TPoint{0, 0}));
}

TEST_F(BaseGridTest, NewPropertiesTakeTheGridDefaultsAndAssignSkipsColorTo) {
  grid->SetColor(0x123456);
  TCellProperties* p = grid->GetCellProperties(2, 2);
  EXPECT_EQ(p->BrushColor(), 0x123456);
  EXPECT_EQ(p->BrushColorTo(), clNone);
  EXPECT_EQ(p->FontName, grid->Font()->Name());
  EXPECT_EQ(p->Editor, edNormal);
  TCellProperties other(grid, 5, 5);
  other.SetBrushColorTo(clRed);
  other.ReadOnly = true;
  other.CellSpanX = 3;
  p->Assign(&other);
  EXPECT_TRUE(p->ReadOnly);
  EXPECT_EQ(p->CellSpanX, 3);
  EXPECT_EQ(p->BrushColorTo(), clNone);
  EXPECT_EQ(p->BrushColor(), clNone);
}

TEST_F(BaseGridTest, SharedPropertiesAreFreedOnceWhenCleared) {
  grid->GetCellProperties(1, 2)->ReadOnly = true;
  grid->SetCellEx(1, 2, "row two");
  grid->CopyRows(5, 2);
  EXPECT_EQ(grid->GetGridObject(1, 5), grid->GetGridObject(1, 2));
  EXPECT_EQ(grid->GetCellEx(1, 5), "row two");
  grid->ClearPropCell(1, 2);  // still held by (1, 5)
  EXPECT_TRUE(static_cast<TCellProperties*>(grid->GetGridObject(1, 5))->ReadOnly);
  grid->CopyRows(6, 5);
  grid->ClearProps();
  EXPECT_FALSE(grid->HasCellProperties(1, 5));
  grid->GetCellProperties(7, 9);
  grid->SetRowCount(5);  // the dropped cell's properties go with it
  grid->SetRowCount(10);
  EXPECT_FALSE(grid->HasCellProperties(7, 9));
}

TEST_F(BaseGridTest, ObjectsLiveInTheCellProperties) {
  TObject user;
  grid->SetObjectEx(3, 3, &user);
  EXPECT_EQ(grid->GetObjectEx(3, 3), &user);
  EXPECT_EQ(grid->GetObjectEx(3, 4), nullptr);
  EXPECT_FALSE(grid->HasCellProperties(3, 4));
}

TEST_F(BaseGridTest, DisplayHooksApplyBelowTheDisplayRowLimitOnly) {
  grid->OnGetDisplText = [](TObject*, int, int, AnsiString& v) { v = "<" + v + ">"; };
  grid->SetCellEx(1, 1, "raw");
  EXPECT_EQ(grid->GetCellEx(1, 1), "raw");
  grid->SetDisplRowLimit(grid->RowCount());
  EXPECT_EQ(grid->GetCellEx(1, 1), "<raw>");
}

TEST_F(BaseGridTest, ArrowKeysLeaveAMergedAreaToTheNextCell) {
  grid->MergeCells(2, 1, 3, 1);  // columns 2..4 of row 1
  grid->MergeCells(1, 3, 1, 3);  // rows 3..5 of column 1
  struct Case {
    const char* name;
    TGridCoord from;
    unsigned short key;
    TGridCoord to;
  };
  const Case cases[] = {
      {"left from a covered cell", {4, 1}, VK_LEFT, {1, 1}},
      {"left from the base cell", {2, 1}, VK_LEFT, {1, 1}},
      {"right from the base cell", {2, 1}, VK_RIGHT, {5, 1}},
      {"up from a covered cell", {1, 5}, VK_UP, {1, 2}},
      {"down from the base cell", {1, 3}, VK_DOWN, {1, 6}},
      {"into an area lands on its base", {1, 1}, VK_RIGHT, {2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->SetCol(c.from.X);
    grid->SetRow(c.from.Y);
    grid->Perform(WM_KEYDOWN, c.key);
    EXPECT_EQ(grid->Col(), c.to.X);
    EXPECT_EQ(grid->Row(), c.to.Y);
  }
}

TEST_F(BaseGridTest, FooterOverTheLastRowStopsPageDownAndIsToldOfWrites) {
  class FooterGrid : public TBaseGrid {
   public:
    using TBaseGrid::TBaseGrid;
    int updates = 0;
    void FloatFooterUpdate() override { ++updates; }
  };
  auto* footed = new FooterGrid(&form);
  footed->SetParent(&form);
  footed->SetRowCount(6);
  footed->SetBounds(0, 0, 400, 400);  // every row visible
  footed->SetLastRowFooter(true);
  footed->Perform(WM_KEYDOWN, VK_NEXT);
  EXPECT_EQ(footed->Row(), 4);
  footed->SetCellEx(1, 4, "body");
  EXPECT_EQ(footed->updates, 0);
  footed->SetCellEx(1, 5, "total");
  EXPECT_EQ(footed->updates, 1);
}

TEST(UndoRedo, UndoAndRedoWalkTheRegisteredChanges) {
  TForm form(nullptr);
  auto* grid = new ShiftedGrid(&form);
  grid->SetColCount(8);
  auto* undo = new TDurUzavUndoRedo(&form);
  grid->SetUndoRedo(undo);
  EXPECT_EQ(undo->Grid(), grid);

  auto change = [&](int col, int row, const AnsiString& value) {
    undo->RegisterChange(col, row, grid->GetCellEx(col, row), value);
    grid->SetCellEx(col, row, value);
  };
  change(3, 2, "a");
  change(3, 2, "b");
  change(5, 4, "c");
  undo->Undo();
  EXPECT_EQ(grid->GetCellEx(5, 4), "");
  EXPECT_EQ(grid->Col(), 4);  // displayed place of column 5
  EXPECT_EQ(grid->Row(), 4);
  undo->Undo();
  EXPECT_EQ(grid->GetCellEx(3, 2), "a");
  grid->SetCol(1);
  undo->Redo();
  EXPECT_EQ(grid->GetCellEx(3, 2), "b");
  EXPECT_EQ(grid->Col(), 2);  // mapped like Undo
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_TRUE(undo->CanRedo());

  undo->Reset();
  EXPECT_FALSE(undo->CanUndo());
  EXPECT_FALSE(undo->CanRedo());
  undo->Undo();
  undo->Redo();
  EXPECT_EQ(grid->GetCellEx(3, 2), "b");
  change(1, 1, "d");
  EXPECT_EQ(undo->Position(), 1);
}

TEST(UndoRedo, MaxLevelKeepsTheNewestAndNoGridChangesNothing) {
  TForm form(nullptr);
  auto* grid = new TBaseGrid(&form);
  auto* undo = new TDurUzavUndoRedo(&form);
  undo->SetMaxLevel(2);
  undo->RegisterChange(1, 1, "", "x");
  undo->Undo();  // no grid yet
  EXPECT_EQ(undo->Position(), 1);
  grid->SetUndoRedo(undo);
  for (const char* v : {"1", "2", "3"}) {
    undo->RegisterChange(1, 1, grid->GetCellEx(1, 1), v);
    grid->SetCellEx(1, 1, v);
  }
  EXPECT_EQ(undo->ItemCount(), 2);
  undo->Undo();
  undo->Undo();
  undo->Undo();
  EXPECT_EQ(grid->GetCellEx(1, 1), "1");
  delete grid;
  EXPECT_EQ(undo->Grid(), nullptr);
  undo->Redo();
  EXPECT_EQ(undo->Position(), 0);
}

}  // namespace
