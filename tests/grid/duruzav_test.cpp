// The cell grid: defaults, settings objects, Assign, the cell queries and
// the grid's life on its form.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "grid/duruzav.h"

namespace {

TEST(GridDefaults, ANewGridHasTheDocumentedDefaults) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  EXPECT_EQ(grid.RowCount(), 10);
  EXPECT_EQ(grid.ColCount(), 5);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.FixedCols(), 1);
  EXPECT_EQ(grid.DefaultRowHeight(), 21);
  EXPECT_EQ(grid.RowHeights(0), 21);
  EXPECT_EQ(grid.ColWidths(0), 64);
  EXPECT_EQ(grid.Width(), 400);
  EXPECT_EQ(grid.Height(), 250);
  EXPECT_EQ(grid.GetCheckTrue(1, 1), "Y");
  EXPECT_EQ(grid.GetCheckFalse(1, 1), "N");
  EXPECT_EQ(grid.Props().FloatFormat, "%.2f");
  EXPECT_EQ(grid.PasswordChar(), '*');
  EXPECT_EQ(grid.GridLineColor(), 0xC0C0C0);
  EXPECT_FALSE(grid.DefaultDrawing());
  EXPECT_TRUE(grid.Options() & goDrawFocusSelected);
  EXPECT_TRUE(grid.WordWrap());
  EXPECT_EQ(grid.RememberedDefaultRowHeight(), 21);
  EXPECT_TRUE(grid.ColumnVisible(512));
  EXPECT_FALSE(grid.ColumnVisible(513));

  const TVudUvizidIzed::Settings& s = grid.Props();
  EXPECT_EQ(s.ActiveCellColor, 0x808080);
  EXPECT_EQ(s.ActiveCellColorTo, clNone);
  EXPECT_EQ(s.SelectionColor, 0xEACAB6);
  EXPECT_EQ(s.URLColor, 0xFF0000);
  EXPECT_EQ(s.HintColor, clInfoBk);
  EXPECT_EQ(s.Look, glXP);
  EXPECT_EQ(s.ScrollBarAlways, saNone);
  EXPECT_TRUE(s.EnhRowColMove && s.EnableWheel && s.IntelliZoom && s.ShowSelection && s.EnableHTML);
  EXPECT_FALSE(s.ActiveCellShow || s.AutoSize || s.SizeWithForm || s.FixedRowAlways);
  EXPECT_GT(s.ScrollWidth, 0);
  EXPECT_EQ(grid.FixedFont()->Name(), "Tahoma");
  EXPECT_EQ(grid.FixedFont()->Style(), fsBold);
  EXPECT_EQ(grid.ActiveCellFont()->Style(), fsBold);
}

TEST(GridSettings, SettingsObjectsStartAtTheirDefaults) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  EXPECT_EQ(grid.CellNode()->NodeType(), cnXP);
  EXPECT_EQ(grid.CellNode()->NodeIndent(), 12);
  EXPECT_EQ(grid.CellNode()->TreeColor, clGray);
  EXPECT_EQ(grid.CellNode()->Color, clSilver);
  EXPECT_TRUE(grid.MouseActions()->AutoSizeColOnDblClick);
  EXPECT_EQ(grid.MouseActions()->WheelAction, waMoveSelection);
  EXPECT_EQ(grid.ColumnSize()->StretchColumn, -1);
  EXPECT_EQ(grid.ColumnSize()->Location, clRegistry);
  EXPECT_TRUE(grid.Navigation()->AllowCtrlEnter);
  EXPECT_TRUE(grid.Navigation()->EditSelectAll);
  EXPECT_TRUE(grid.Navigation()->SkipFixedCells);
  EXPECT_TRUE(grid.Navigation()->AllowClipboardRowGrow);
  EXPECT_EQ(grid.HTMLSettings()->BorderSize, 1);
  EXPECT_EQ(grid.HTMLSettings()->Width, 100);
  EXPECT_EQ(grid.PrintSettings()->DateFormat, "dd/mm/yyyy");
  EXPECT_EQ(grid.PrintSettings()->PageNumSep, "/");
  EXPECT_EQ(grid.PrintSettings()->Borders, pbSingle);
  EXPECT_TRUE(grid.PrintSettings()->Centered);
  EXPECT_FALSE(grid.SizeWhileTyping()->Height || grid.SizeWhileTyping()->Width);
}

TEST(GridSettings, AssignCopiesEverySwitch) {
  TForm form(nullptr);
  TVudUvizidIzed a(&form), b(&form);
  a.MouseActions()->RowSelect = true;
  a.MouseActions()->WheelIncrement = 3;
  a.MouseActions()->FixedRowsEdit = fceDblClick;
  a.MouseActions()->SetHotmailRowSelect(true);
  a.MouseActions()->SetDisjunctRowSelect(true);
  a.MouseActions()->SetDisjunctColSelect(true);  // both at run time
  a.Navigation()->AllowCtrlEnter = false;
  a.Navigation()->EditSelectAll = false;
  a.Navigation()->HomeEndKey = heFirstLastRow;
  a.CellNode()->SetNodeIndent(20);
  a.CellNode()->ExpandOne = true;
  a.PrintSettings()->TitleLines()->Add("title");
  a.PrintSettings()->Font()->SetName("Courier");
  a.PrintSettings()->PageNumSep = "-";
  a.HTMLSettings()->XHTML = true;
  a.SizeWhileTyping()->Width = true;
  a.ColumnSize()->Key = "k";
  a.ColumnSize()->SetStretch(true);

  b.MouseActions()->Assign(a.MouseActions());
  b.Navigation()->Assign(a.Navigation());
  b.CellNode()->Assign(a.CellNode());
  b.PrintSettings()->Assign(a.PrintSettings());
  b.HTMLSettings()->Assign(a.HTMLSettings());
  b.SizeWhileTyping()->Assign(a.SizeWhileTyping());
  b.ColumnSize()->Assign(a.ColumnSize());

  EXPECT_TRUE(b.MouseActions()->RowSelect);
  EXPECT_EQ(b.MouseActions()->WheelIncrement, 3);
  EXPECT_EQ(b.MouseActions()->FixedRowsEdit, fceDblClick);
  EXPECT_TRUE(b.MouseActions()->HotmailRowSelect());
  EXPECT_TRUE(b.MouseActions()->DisjunctRowSelect() && b.MouseActions()->DisjunctColSelect());
  EXPECT_FALSE(b.Navigation()->AllowCtrlEnter);
  EXPECT_FALSE(b.Navigation()->EditSelectAll);
  EXPECT_EQ(b.Navigation()->HomeEndKey, heFirstLastRow);
  EXPECT_EQ(b.CellNode()->NodeIndent(), 20);
  EXPECT_TRUE(b.CellNode()->ExpandOne);
  EXPECT_EQ(b.PrintSettings()->TitleLines()->Count(), 1);
  EXPECT_EQ(b.PrintSettings()->Font()->Name(), "Courier");
  EXPECT_EQ(b.PrintSettings()->PageNumSep, "-");
  EXPECT_TRUE(b.HTMLSettings()->XHTML);
  EXPECT_TRUE(b.SizeWhileTyping()->Width);
  EXPECT_EQ(b.ColumnSize()->Key, "k");
  EXPECT_TRUE(b.ColumnSize()->Stretch());

  // Another kind of source is ignored.
  b.Navigation()->Assign(a.MouseActions());
  EXPECT_FALSE(b.Navigation()->AllowCtrlEnter);
}

TEST(GridSettings, GridAssignCopiesSettingsSizeAndCells) {
  TForm form(nullptr);
  TVudUvizidIzed a(&form), b(&form);
  a.SetColCount(7);
  a.SetRowCount(12);
  a.SetFixedCols(0);
  a.SetOptions(a.Options() | goRowSelect);
  a.MouseActions()->DirectEdit = true;
  a.SetCellEx(3, 4, "text");
  a.GetCellProperties(3, 4)->ReadOnly = true;
  a.MergeCells(1, 1, 2, 2);
  b.Assign(&a);
  EXPECT_EQ(b.ColCount(), 7);
  EXPECT_EQ(b.RowCount(), 12);
  EXPECT_EQ(b.FixedCols(), 0);
  EXPECT_TRUE(b.Options() & goRowSelect);
  EXPECT_TRUE(b.MouseActions()->DirectEdit);
  EXPECT_EQ(b.GetCellEx(3, 4), "text");
  EXPECT_TRUE(b.GetReadOnly(3, 4));
  EXPECT_NE(b.GetGridObject(3, 4), a.GetGridObject(3, 4));
  EXPECT_EQ(b.BaseCell(2, 2), (TPoint{1, 1}));

  TVudUvizidIzed c(&form);
  TPersistent other;
  c.Assign(&other);
  EXPECT_EQ(c.ColCount(), 5);
}

TEST(GridSettings, NodeSettersRepaintOnlyOnChange) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  grid.SetBounds(0, 0, 200, 100);
  grid.Repaint();
  const int cycle = grid.PaintCycle();
  grid.CellNode()->SetNodeIndent(12);
  grid.Update();
  EXPECT_EQ(grid.PaintCycle(), cycle);
  grid.CellNode()->SetNodeIndent(14);
  grid.Update();
  EXPECT_EQ(grid.PaintCycle(), cycle + 1);
}

TEST(GridSettings, DisjunctKindsExcludeEachOtherOnlyWhileDesigning) {
  TForm form(nullptr);
  class DesignGrid : public TVudUvizidIzed {
   public:
    using TVudUvizidIzed::TVudUvizidIzed;
    void Design() { SetComponentState(csDesigning, true); }
  } grid(&form);
  grid.MouseActions()->SetDisjunctRowSelect(true);
  grid.MouseActions()->SetDisjunctCellSelect(true);
  EXPECT_TRUE(grid.MouseActions()->DisjunctRowSelect());
  grid.Design();
  grid.MouseActions()->SetDisjunctColSelect(true);
  EXPECT_FALSE(grid.MouseActions()->DisjunctRowSelect());
  EXPECT_FALSE(grid.MouseActions()->DisjunctCellSelect());
  EXPECT_TRUE(grid.MouseActions()->DisjunctColSelect());
}

// ---- Queries ----

class QueryTest : public ::testing::Test {
 protected:
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
};

TEST_F(QueryTest, CellColorAppliesActiveHeadersThenPropertiesThenTheEvent) {
  grid.SetColCount(6);
  grid.SetActiveCellShow(true);
  grid.SetCol(3);
  grid.SetRow(5);
  auto colorOf = [&](int col, int row) {
    TBrush brush;
    TFont font;
    brush.SetColor(clWhite);
    grid.GetCellColor(col, row, 0, &brush, &font);
    return brush.Color();
  };
  EXPECT_EQ(colorOf(0, 5), 0x808080);
  EXPECT_EQ(colorOf(3, 0), 0x808080);
  EXPECT_EQ(colorOf(0, 4), clWhite);
  EXPECT_EQ(colorOf(2, 0), clWhite);

  grid.GetCellProperties(2, 2)->SetBrushColor(clNone);
  EXPECT_EQ(colorOf(2, 2), clWhite);
  grid.GetCellProperties(2, 2)->SetBrushColor(clRed);
  EXPECT_EQ(colorOf(2, 2), clRed);
  std::vector<std::pair<int, int>> seen;
  grid.OnGetCellColor = [&](TObject*, int row, int col, TGridDrawState, TBrush* b, TFont*) {
    seen.push_back({row, col});
    b->SetColor(clBlue);
  };
  EXPECT_EQ(colorOf(2, 3), clBlue);
  EXPECT_EQ(seen.back(), (std::pair<int, int>{3, 2}));  // row first
}

TEST_F(QueryTest, FixedQueryAsksTheEventOnlyForScrollableCells) {
  std::vector<std::pair<int, int>> asked;
  grid.OnIsFixedCell = [&](TObject*, int row, int col, bool& fixed) {
    asked.push_back({row, col});
    fixed = row == 4;
  };
  EXPECT_TRUE(grid.IsFixed(0, 3));
  EXPECT_TRUE(grid.IsFixed(2, 0));
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(grid.IsFixed(2, 4));
  EXPECT_FALSE(grid.IsFixed(2, 3));
  EXPECT_EQ(asked.size(), 2u);
}

TEST_F(QueryTest, EditingRightsAreAskedOfTheBaseCell) {
  grid.MergeCells(1, 1, 2, 2);
  std::pair<int, int> asked{-1, -1};
  grid.OnCanEditCell = [&](TObject*, int row, int col, bool&) { asked = {row, col}; };
  bool canEdit = true;
  grid.GetCellReadOnly(2, 2, canEdit);
  EXPECT_EQ(asked, (std::pair<int, int>{1, 1}));
  EXPECT_FALSE(canEdit);  // properties without goEditing

  grid.SetOptions(grid.Options() | goEditing);
  canEdit = true;
  grid.GetCellReadOnly(2, 2, canEdit);
  EXPECT_TRUE(canEdit);
  grid.GetCellProperties(1, 1)->ReadOnly = true;
  grid.GetCellReadOnly(2, 2, canEdit);
  EXPECT_FALSE(canEdit);

  grid.SetOptions(grid.Options() & ~goEditing);
  canEdit = true;
  grid.GetCellReadOnly(3, 3, canEdit);  // no properties: the caller's value
  EXPECT_TRUE(canEdit);
  grid.GetCellProperties(1, 1)->ReadOnly = false;
  grid.MouseActions()->RangeSelectAndEdit = true;
  grid.GetCellReadOnly(1, 1, canEdit);
  EXPECT_TRUE(canEdit);
}

TEST_F(QueryTest, SimpleQueriesKeepTheirDefaultUntilAHandlerSpeaks) {
  EXPECT_FALSE(grid.HasCombo(1, 1));
  EXPECT_FALSE(grid.GetFilter(1));
  grid.OnGetCheckTrue = [](TObject*, int col, int, AnsiString& v) {
    if (col == 2) v = "1";
  };
  EXPECT_EQ(grid.GetCheckTrue(1, 1), "Y");
  EXPECT_EQ(grid.GetCheckTrue(2, 1), "1");
  TEditorType editor = edSpinEdit;
  grid.GetCellEditor(1, 1, editor);
  EXPECT_EQ(editor, edSpinEdit);
  grid.OnGetEditorType = [](TObject*, int, int, TEditorType& e) { e = edComboList; };
  grid.GetCellEditor(1, 1, editor);
  EXPECT_EQ(editor, edComboList);
  TAlignment h = taLeftJustify;
  TVAlignment v = vtaTop;
  grid.MouseActions()->SetHotmailRowSelect(true);
  grid.GetCellAlign(0, 1, h, v);
  EXPECT_EQ(h, taCenter);
}

// ---- Life on the form ----

TEST(GridOnForm, FormResizeHandlerIsChainedAndGivenBack) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 500, 400);
  int calls = 0;
  form.OnResize = [&](TObject*) { ++calls; };
  auto* grid = new TVudUvizidIzed(&form);
  grid->SetParent(&form);
  grid->Props().SizeWithForm = true;
  form.SetBounds(0, 0, 560, 420);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(grid->Width(), 460);
  EXPECT_EQ(grid->Height(), 270);
  delete grid;
  form.SetBounds(0, 0, 500, 400);
  EXPECT_EQ(calls, 2);
}

TEST(GridOnForm, AFormIsDestroyedWithTheGridItOwns) {
  auto* form = new TForm(nullptr);
  form->OnResize = [](TObject*) {};
  new TVudUvizidIzed(form);
  delete form;  // the grid goes with it and leaves the form's members alone
}

TEST(GridOnForm, IntegralHeightAndAlwaysShownScrollBars) {
  TForm form(nullptr);
  TVudUvizidIzed grid(&form);
  grid.SetColCount(2);
  grid.SetBounds(0, 0, 400, 200);
  grid.SetIntegralHeight(true);
  EXPECT_EQ(grid.Height(), 193);

  grid.SetRowCount(3);
  grid.SetScrollBarAlways(saBoth);
  EXPECT_TRUE(grid.ScrollBarShown(true) && grid.ScrollBarShown(false));
  EXPECT_FALSE(grid.ScrollBarEnabled(true) || grid.ScrollBarEnabled(false));
  grid.SetScrollBarAlways(saVert);
  EXPECT_TRUE(grid.ScrollBarShown(true));
  EXPECT_FALSE(grid.ScrollBarShown(false));
  grid.SetScrollBarAlways(saNone);
  EXPECT_FALSE(grid.ScrollBarShown(true) || grid.ScrollBarShown(false));
  grid.SetRowCount(40);  // rows no longer fit
  EXPECT_TRUE(grid.ScrollBarShown(true) && grid.ScrollBarEnabled(true));
  EXPECT_LT(grid.ClientWidth(), grid.Width());
}

TEST(GridOnForm, LoadingMovesAlwaysShowEditorIntoNavigation) {
  TForm form(nullptr);
  auto* grid = new TVudUvizidIzed(&form);
  grid->SetOptions(grid->Options() | goAlwaysShowEditor);
  grid->ColumnHeaders()->Add("Node");
  grid->ColumnHeaders()->Add("Vendor");
  form.AfterConstruction();
  EXPECT_TRUE(grid->Navigation()->AlwaysEdit);
  EXPECT_FALSE(grid->Options() & goAlwaysShowEditor);
  EXPECT_EQ(grid->GetCellEx(1, 0), "Vendor");
  EXPECT_EQ(grid->RememberedFixedRows(), 1);
}

}  // namespace
