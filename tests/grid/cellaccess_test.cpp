// Cell access beside the typed values: the edit path, rich text through a
// rich edit, controls in cells, print columns, the version, sizing
// permission, the panning mark and text sizes while a cell is edited.
#include <QTextCursor>
#include <QTextDocument>

#include "framework/resources.h"
#include "framework/standardcontrols.h"
#include "gridscreen.h"

namespace {

// Reaches what the grid keeps for its mouse handling.
class ReachableGrid : public TVudUvizidIzed {
 public:
  using TVudUvizidIzed::CalcSizingState;
  using TVudUvizidIzed::TVudUvizidIzed;
  void SetWheelClickPoint(TPoint p) { wheelClickPoint_ = p; }
};

class CellAccess : public GridOnScreen {
 protected:
  void SetUp() override {
    form.SetBounds(0, 0, 500, 400);
    reachable = new ReachableGrid(&form);
    grid = reachable;
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 460, 360);
    grid->SetColCount(5);
    grid->SetRowCount(6);
  }
  ReachableGrid* reachable = nullptr;
};

TEST_F(CellAccess, EditCellWritesTheCurrentOrItsBaseCell) {
  grid->SetCol(2), grid->SetRow(2);
  grid->SetEditCell("typed");
  EXPECT_EQ(grid->GetCellEx(2, 2), "typed");

  grid->MergeCells(1, 3, 2, 2);
  grid->SetCol(2), grid->SetRow(4);
  grid->SetEditCell("merged");
  EXPECT_EQ(grid->GetCellEx(1, 3), "merged");
  EXPECT_EQ(grid->GetCurrentCell(), "merged");
}

TEST_F(CellAccess, RichTextGoesThroughARichEditBothWays) {
  TRichEdit edit(&form);
  grid->SetCellEx(1, 1, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 plain {\\b bold}\\par}");
  grid->CellToRich(1, 1, &edit);
  EXPECT_EQ(edit.GetText().rfind("plain bold", 0), 0u) << edit.GetText();
  QTextCursor cursor(edit.Document());
  cursor.setPosition(8);
  EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);

  grid->RichToCell(2, 1, &edit);
  const AnsiString stored = grid->GetCellEx(2, 1);
  EXPECT_EQ(stored.rfind("{\\", 0), 0u) << "a rich text cell holds the source";
  TRichEdit again(&form);
  grid->CellToRich(2, 1, &again);
  EXPECT_EQ(again.GetText(), edit.GetText());

  grid->CellToRich(3, 1, &again);
  EXPECT_EQ(again.GetText(), "") << "an empty cell clears the edit";
}

TEST_F(CellAccess, ControlsArePlacedOverTheirCellAndCounted) {
  TEdit first(&form), second(&form);
  grid->SetCellControls(2, 2, &first);
  const TRect r = grid->CellRect(2, 2);
  EXPECT_EQ(first.Parent(), grid);
  EXPECT_EQ((TRect{first.Left(), first.Top(), first.Left() + first.Width(), first.Top() + first.Height()}),
            (TRect{r.Left, r.Top, r.Right - 1, r.Bottom - 1}));
  EXPECT_EQ(grid->CellControlCount(), 1);

  grid->SetCellControls(2, 2, &second);
  EXPECT_EQ(grid->GetCellControls(2, 2), &second);
  EXPECT_EQ(grid->CellControlCount(), 1) << "replaced, not added";
  EXPECT_EQ(grid->CellControls()->Count(), 1);

  grid->SetCellControls(2, 2, nullptr);
  EXPECT_EQ(grid->GetCellControls(2, 2), nullptr);
  EXPECT_EQ(grid->CellControlCount(), 0);
  EXPECT_EQ(grid->CellControls()->Count(), 0);
  grid->SetCellControls(3, 3, nullptr);
  EXPECT_FALSE(grid->HasCellProperties(3, 3)) << "taking nothing out creates nothing";
}

TEST_F(CellAccess, PrintColumnsVersionLookupItemsAndReadOnly) {
  for (int col : {-1, 512}) {
    try {
      grid->GetPrintColWidth(col);
      ADD_FAILURE() << col;
    } catch (const EDurUzavError& e) {
      EXPECT_EQ(e.Message, "Columns is not in valid range");
    }
    EXPECT_THROW(grid->GetPrintColOffset(col), EDurUzavError);
  }
  EXPECT_EQ(grid->GetPrintColWidth(511), 0);

  EXPECT_EQ(grid->GetVersion(), "3.3.2.9");
  grid->SetVersion("9.9.9.9");
  EXPECT_EQ(grid->GetVersion(), "3.3.2.9");

  TStringList items;
  items.Add("one");
  grid->SetLookupItems(&items);
  grid->SetLookupItems(nullptr);
  EXPECT_EQ(grid->LookupItems()->Count(), 1) << "null keeps the items";

  EXPECT_FALSE(grid->GetReadOnly(1, 1));
  EXPECT_TRUE(grid->HasCellProperties(1, 1)) << "the read-only getter creates the properties";
  EXPECT_EQ(grid->GetColors(2, 2), clNone);
  EXPECT_FALSE(grid->HasCellProperties(2, 2)) << "the colour getter does not";
}

TEST_F(CellAccess, TheApplicationMayRefuseSizing) {
  grid->SetOptions(grid->Options() | goColSizing | goRowSizing);
  std::vector<int> askedCols, askedRows;
  bool allow = true;
  grid->OnColumnSize = [&](TObject*, int col, bool& a) { askedCols.push_back(col), a = allow; };
  grid->OnRowSize = [&](TObject*, int row, bool& a) { askedRows.push_back(row), a = allow; };
  const TRect header = grid->CellRect(1, 0), rowHeader = grid->CellRect(0, 2);
  struct Case {
    TPoint at;
    TGridState sizing;
  } cases[] = {{{header.Right, header.Top + 5}, gsColSizing}, {{rowHeader.Left + 5, rowHeader.Bottom}, gsRowSizing}};
  for (const Case& c : cases)
    for (bool allowed : {true, false}) {
      allow = allowed;
      TGridState state = gsNormal;
      int index = -1, pos = 0, ofs = 0;
      reachable->CalcSizingState(c.at.X, c.at.Y, state, index, pos, ofs);
      EXPECT_EQ(state, allowed ? c.sizing : gsNormal) << c.sizing << " allowed " << allowed;
    }
  EXPECT_EQ(askedCols.front(), 1);
  EXPECT_EQ(askedRows.back(), 2);
}

TEST_F(CellAccess, ThePanningMarkShowsByDirectionAndIsErased) {
  grid->SetColors(3, 3, clAqua);
  grid->Repaint();
  const TRect cell = grid->CellRect(3, 3);
  reachable->SetWheelClickPoint({cell.Left, cell.Top});
  const TRect mark = Bounds(cell.Left, cell.Top, 32, 32);
  auto aqua = [&] {
    int n = 0;
    for (int y = mark.Top; y < std::min(mark.Bottom, cell.Bottom); ++y)
      for (int x = mark.Left; x < std::min(mark.Right, cell.Right); ++x)
        n += harness::PixelAt(grid->BackingImage(), x, y) == clAqua;
    return n;
  };
  const int before = aqua();

  grid->Props().IntelliPan = ipNone;
  grid->DrawIntelliFocusPoint();
  EXPECT_EQ(aqua(), before) << "no mark without panning";

  grid->Props().IntelliPan = ipVertical;
  grid->DrawIntelliFocusPoint();
  EXPECT_LT(aqua(), before / 2) << "the mark on its white square";
  grid->EraseIntelliFocusPoint();
  grid->Repaint();
  EXPECT_EQ(aqua(), before);
}

TEST_F(CellAccess, TextSizeReadsTheEditorOfTheEditedCell) {
  grid->SetOptions(grid->Options() | goEditing);
  grid->SetCellEx(1, 1, "ab");
  const TPoint stored = grid->GetCellTextSize(1, 1, false);
  grid->SetCol(1), grid->SetRow(1);
  grid->SetEditorMode(true);
  ASSERT_NE(grid->InplaceEditor(), nullptr);
  grid->InplaceEditor()->SetText("abcdefghijkl");
  EXPECT_GT(grid->GetCellTextSize(1, 1, false).X, stored.X);
  EXPECT_EQ(grid->GetCellTextSize(2, 1, false).X, grid->GetCellTextSize(2, 2, false).X) << "other cells: their text";

  grid->InplaceEditor()->SetText("one\n");
  const int withEmptyLine = grid->GetCellTextSize(1, 1, true).Y;
  grid->InplaceEditor()->SetText("one");
  EXPECT_GT(withEmptyLine, grid->GetCellTextSize(1, 1, true).Y) << "the line after a final break counts";
}

TEST_F(CellAccess, RichTextMeasuresItsTextNotItsSource) {
  grid->SetCellEx(1, 1, "{\\rtf1\\ansi Hello}");
  grid->SetCellEx(1, 2, "Hello");
  const TPoint rich = grid->GetCellTextSize(1, 1, false), plain = grid->GetCellTextSize(1, 2, false);
  EXPECT_NEAR(rich.X, plain.X, 4);
  EXPECT_NEAR(rich.Y, plain.Y, 6);
  EXPECT_EQ(grid->GetCellTextSize(1, 1, true).X, grid->CellRect(1, 1).Width() + 2 * grid->XYOffset.X)
      << "wrapped in the cell";
}

}  // namespace
