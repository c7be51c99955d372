// The mouse press on the grid, sent as the window system's messages: the
// click rule near column borders, double and right clicks, refusals, node
// glyphs, check boxes, cell buttons, anchors and the fixed cells' editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/transedit.h"
#include "mousetesting.h"

namespace {

using Cell = std::pair<int, int>;  // (row, col) as the click events pass them

class MousePress : public mousetesting::MouseGrid {
 protected:
  void SetUp() override {
    MouseGrid::SetUp();
    grid.OnClickCell = [this](TObject*, int row, int col) { clicks.push_back({row, col}); };
  }
  // The fixed cells' editor when it shows.
  TGridTransEdit* FixedEditor() {
    for (int i = 0; i < grid.ComponentCount(); ++i)
      if (auto* editor = dynamic_cast<TGridTransEdit*>(grid.Components(i)); editor && editor->Visible()) return editor;
    return nullptr;
  }
  std::vector<Cell> clicks;
  TScopedServices services;
};

// With column sizing a press within 3 pixels of a border is the border's.
TEST_F(MousePress, ClickNearAColumnBorderIsNoCellClick) {
  grid.SetOptions(grid.Options() | goColSizing);
  const TRect header = grid.CellRect(2, 0);
  const int y = Middle(2, 0).Y;
  const struct {
    int x;
    bool clicks;
  } cases[] = {{header.Left + 3, false}, {header.Left + 4, true}, {header.Right - 4, true}, {header.Right - 3, false}};
  for (const auto& c : cases) {
    clicks.clear();
    Click(c.x, y);
    const std::vector<Cell> expected = c.clicks ? std::vector<Cell>{{0, 2}} : std::vector<Cell>{};
    EXPECT_EQ(clicks, expected) << "x " << c.x - header.Left;
  }
}

TEST_F(MousePress, ClickOnACellMakesItCurrentAndTellsTheApplication) {
  const TPoint p = Middle(3, 4);
  Click(p.X, p.Y);
  EXPECT_EQ(clicks, (std::vector<Cell>{{4, 3}}));
  EXPECT_EQ(grid.Col(), 3);
  EXPECT_EQ(grid.Row(), 4);
  clicks.clear();
  const TRect last = grid.CellRect(4, 5);
  Click(last.Right + 20, last.Bottom + 20);
  EXPECT_TRUE(clicks.empty()) << "outside the cells";
}

TEST_F(MousePress, RefusedClickChangesNothing) {
  grid.OnCanClickCell = [](TObject*, int, int, bool& allow) { allow = false; };
  const TPoint p = Middle(3, 4);
  Click(p.X, p.Y);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(grid.Col(), 1);
  EXPECT_EQ(grid.Row(), 1);
}

TEST_F(MousePress, DoubleClickOnAHeaderBorderSizesTheColumnBeforeIt) {
  grid.SetOptions(grid.Options() | goColSizing);
  grid.SetCellEx(1, 2, "a text much wider than the sixty-four pixels of the column");
  std::vector<int> ended;
  grid.OnEndColumnSize = [&](TObject*, int col) { ended.push_back(col); };
  std::vector<Cell> doubleClicks;
  grid.OnDblClickCell = [&](TObject*, int row, int col) { doubleClicks.push_back({row, col}); };
  const int left = grid.CellRect(2, 0).Left;
  DoubleClick(left + 3, Middle(2, 0).Y);
  EXPECT_GT(grid.ColWidths(1), 64);
  EXPECT_EQ(ended, std::vector<int>{1});
  EXPECT_TRUE(doubleClicks.empty());

  ended.clear();
  const int width = grid.ColWidths(2);
  DoubleClick(grid.CellRect(2, 0).Left + 4, Middle(2, 0).Y);
  EXPECT_TRUE(ended.empty());
  EXPECT_EQ(grid.ColWidths(2), width);
  EXPECT_EQ(doubleClicks, (std::vector<Cell>{{0, 2}}));
}

// Right of the last column the double click takes the last column's header
// border, and the application hears of a double click outside the cells.
TEST_F(MousePress, DoubleClickRightOfTheLastColumn) {
  grid.SetBounds(0, 0, 560, 360);
  grid.SetOptions(grid.Options() | goColSizing);
  grid.MouseActions()->FixedRowsEdit = fceDblClick;
  grid.SetCellEx(4, 3, "a text much wider than the sixty-four pixels of the column");
  std::vector<Cell> doubleClicks;
  grid.OnDblClickCell = [&](TObject*, int row, int col) { doubleClicks.push_back({row, col}); };
  const TRect last = grid.CellRect(4, 0);
  DoubleClick(last.Right + 2, Middle(4, 0).Y);
  EXPECT_GT(grid.ColWidths(4), 64);
  EXPECT_TRUE(doubleClicks.empty());
  const TRect now = grid.CellRect(4, 0);
  DoubleClick(now.Right + 40, Middle(4, 0).Y);
  EXPECT_EQ(doubleClicks, (std::vector<Cell>{{-1, -1}}));
  EXPECT_EQ(FixedEditor(), nullptr) << "no header is edited from outside the cells";
}

TEST_F(MousePress, RefusedColumnSizingByDoubleClickKeepsTheWidth) {
  grid.SetOptions(grid.Options() | goColSizing);
  grid.SetCellEx(1, 2, "a text much wider than the sixty-four pixels of the column");
  grid.OnColumnSize = [](TObject*, int, bool& allow) { allow = false; };
  bool ended = false;
  grid.OnEndColumnSize = [&](TObject*, int) { ended = true; };
  DoubleClick(grid.CellRect(2, 0).Left + 2, Middle(2, 0).Y);
  EXPECT_EQ(grid.ColWidths(1), 64);
  EXPECT_FALSE(ended);
}

TEST_F(MousePress, RightClickTellsTheCellOrMinusOneOutside) {
  std::vector<Cell> rightClicks;
  grid.OnRightClickCell = [&](TObject*, int row, int col) { rightClicks.push_back({row, col}); };
  const TPoint p = Middle(2, 3);
  RightClick(p.X, p.Y);
  const TRect last = grid.CellRect(4, 5);
  RightClick(last.Right + 20, last.Bottom + 20);
  EXPECT_EQ(rightClicks, (std::vector<Cell>{{3, 2}, {-1, -1}}));
}

TEST_F(MousePress, RightClickSelectsTheCellWhenAsked) {
  grid.MouseActions()->SelectOnRightClick = true;
  const TPoint p = Middle(3, 2);
  RightClick(p.X, p.Y);
  EXPECT_EQ(grid.Col(), 3);
  EXPECT_EQ(grid.Row(), 2);
}

TEST_F(MousePress, NodeGlyphExpandsAndContractsUnlessRefused) {
  grid.SetRowCount(6);
  grid.AddNode(1, 3);
  std::vector<int> contracted;
  grid.OnContractNode = [&](TObject*, int row, int) { contracted.push_back(row); };
  bool refuse = true;
  grid.OnBeforeContractNode = [&](TObject*, int, int, bool& allow) { allow = !refuse; };
  const int glyphX = grid.CellRect(0, 1).Left + grid.CellNode()->NodeIndent() / 2;
  const int y = Middle(0, 1).Y;
  Click(glyphX, y);
  EXPECT_FALSE(grid.GetNodeState(1));
  EXPECT_TRUE(contracted.empty());
  refuse = false;
  Click(glyphX, y);
  EXPECT_TRUE(grid.GetNodeState(1));
  EXPECT_EQ(contracted, std::vector<int>{1});
  EXPECT_EQ(grid.RowCount(), 4);
}

TEST_F(MousePress, CheckBoxToggledByAClickInIt) {
  grid.SetOptions(grid.Options() | goEditing);
  grid.AddCheckBox(2, 3, false, false);
  std::vector<std::tuple<int, int, bool>> told;
  grid.OnCheckBoxClick = [&](TObject*, int col, int row, bool state) { told.emplace_back(col, row, state); };
  const TRect r = grid.CellRect(2, 3);
  Click(r.Left + 5, r.Top + 5);
  bool state = false;
  ASSERT_TRUE(grid.GetCheckBoxState(2, 3, state));
  EXPECT_TRUE(state);
  EXPECT_EQ(told, (std::vector<std::tuple<int, int, bool>>{{2, 3, true}}));
}

TEST_F(MousePress, CellButtonIsPushedWhileDownAndClicksOnRelease) {
  grid.SetOptions(grid.Options() | goEditing);
  grid.AddButton(2, 3, 40, 16, "Go", haCenter, vaCenter);
  std::vector<Cell> buttonClicks;  // (col, row) here
  grid.OnButtonClick = [&](TObject*, int col, int row) { buttonClicks.push_back({col, row}); };
  const TRect button = grid.ButtonRect(2, 3);
  const TPoint p{(button.Left + button.Right) / 2, (button.Top + button.Bottom) / 2};
  Press(p.X, p.Y);
  EXPECT_TRUE(grid.GetCellGraphic(2, 3)->CellBoolean) << "pushed";
  EXPECT_EQ(clicks, (std::vector<Cell>{{3, 2}}));
  Release(p.X, p.Y);
  EXPECT_FALSE(grid.GetCellGraphic(2, 3)->CellBoolean);
  EXPECT_EQ(buttonClicks, (std::vector<Cell>{{2, 3}}));
}

// Only web and mail addresses reach the desktop; other anchor texts are the
// application's, and cell anchors jump.
TEST_F(MousePress, AnchorsFollowTheirLinkOrGoToTheApplication) {
  grid.SetColWidths(2, 200);
  std::vector<AnsiString> anchors;
  bool autoHandle = true;
  grid.OnAnchorClick = [&](TObject*, int, int, const AnsiString& anchor, bool& handle) {
    anchors.push_back(anchor);
    handle = autoHandle;
  };
  auto clickAnchor = [&](const AnsiString& href) {
    grid.SetCellEx(2, 2, "<a href=\"" + href + "\">linklinklinklink</a>");
    const TRect r = grid.CellRect(2, 2);
    Click(r.Left + 12, (r.Top + r.Bottom) / 2);
  };
  clickAnchor("http://example.org/fw");
  clickAnchor("mailto:service@example.org");
  clickAnchor("rm -rf /tmp/x");
  EXPECT_EQ(services->openedUrls, (std::vector<AnsiString>{"http://example.org/fw", "mailto:service@example.org"}));
  EXPECT_EQ(anchors.size(), 3u);
  clickAnchor("cell://R4C3");
  EXPECT_EQ(grid.Col(), 3);
  EXPECT_EQ(grid.Row(), 4);
  autoHandle = false;
  clickAnchor("http://example.org/other");
  EXPECT_EQ(services->openedUrls.size(), 2u);
}

TEST_F(MousePress, UrlCellOpensWithTheLeftButtonAndIsEditedWithTheRight) {
  grid.Props().URLShow = true;
  grid.Props().URLEdit = true;
  grid.SetOptions(grid.Options() | goEditing);
  grid.SetCellEx(2, 2, "http://example.org");
  const TPoint p = Middle(2, 2);
  Click(p.X, p.Y);
  EXPECT_EQ(services->openedUrls, std::vector<AnsiString>{"http://example.org"});
  RightClick(p.X, p.Y);
  EXPECT_TRUE(grid.EditorMode());
}

TEST_F(MousePress, FixedCellEditorOpensOnADoubleClickWhenTheCellMayBeEdited) {
  grid.MouseActions()->FixedRowsEdit = fceDblClick;
  grid.SetCellEx(2, 0, "Title");
  bool allow = false;
  grid.OnCanEditCell = [&](TObject*, int, int, bool& canEdit) { canEdit = allow; };
  const TPoint p = Middle(2, 0);
  DoubleClick(p.X, p.Y);
  EXPECT_EQ(FixedEditor(), nullptr);
  allow = true;
  DoubleClick(p.X, p.Y);
  TGridTransEdit* editor = FixedEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Text(), "Title");
  EXPECT_EQ(editor->Col(), 2);
  EXPECT_EQ(editor->Row(), 0);
}

TEST_F(MousePress, CheckControlOfTheMarkupToggles) {
  grid.SetCellEx(2, 2, R"(<CONTROL TYPE="CHECK" ID="c" VALUE="TRUE" WIDTH="16"> <B>ok</B>)");
  std::vector<AnsiString> told;  // id, type, value before the click
  grid.OnControlClick = [&](TObject*, int, int, const AnsiString& id, const AnsiString& type, const AnsiString& value) {
    told = {id, type, value};
  };
  const TRect r = grid.CellRect(2, 2);
  const TPoint box{r.Left + 1 + grid.XYOffset.X + 8, r.Top + 1 + grid.XYOffset.Y + 8};
  Click(box.X, box.Y);
  EXPECT_EQ(grid.GetCtrlVal(2, 2, "c"), "FALSE");
  EXPECT_EQ(told, (std::vector<AnsiString>{"c", "CHECK", "TRUE"}));
  Click(box.X, box.Y);
  EXPECT_EQ(grid.GetCtrlVal(2, 2, "c"), "TRUE");
  EXPECT_TRUE(services->openedUrls.empty()) << "the control's anchor text is no address";
}

TEST_F(MousePress, PressOnAMergedAreaIsAPressOnItsBaseCell) {
  grid.MergeCells(2, 2, 2, 2);
  const TRect r = grid.CellRect(3, 3);
  Click(r.Right - 10, r.Bottom - 5);
  EXPECT_EQ(clicks, (std::vector<Cell>{{2, 2}}));
  EXPECT_EQ(grid.Col(), 2);
  EXPECT_EQ(grid.Row(), 2);
}

TEST_F(MousePress, SecondPressOnACurrentMergedAreaEditsIt) {
  grid.SetOptions(grid.Options() | goEditing);
  grid.MergeCells(2, 2, 2, 2);
  const TRect r = grid.CellRect(3, 3);
  Click(r.Right - 10, r.Bottom - 5);
  EXPECT_FALSE(grid.EditorMode());
  Click(r.Right - 10, r.Bottom - 5);
  EXPECT_TRUE(grid.EditorMode());
}

TEST_F(MousePress, DisjunctRowsAreAddedWithCtrlAndTakenOutAgain) {
  grid.MouseActions()->SetDisjunctRowSelect(true);
  const int x = Middle(2, 2).X;
  Click(x, Middle(2, 2).Y);
  Click(x, Middle(2, 4).Y, MK_CONTROL);
  EXPECT_TRUE(grid.GetRowSelect(2));
  EXPECT_TRUE(grid.GetRowSelect(4));
  Click(x, Middle(2, 2).Y, MK_CONTROL);
  EXPECT_FALSE(grid.GetRowSelect(2));
  EXPECT_TRUE(grid.GetRowSelect(4));
  Click(x, Middle(2, 3).Y);
  EXPECT_EQ(grid.GetRowSelectCount(), 1);
  EXPECT_TRUE(grid.GetRowSelect(3));
}

// A press on the selection keeps it for a drag to another program; the
// release without a drag selects as a press would have.
TEST_F(MousePress, PressOnTheSelectionWaitsForTheDrag) {
  grid.DragDropSettings()->OleDropSource = true;
  grid.SetSelection({1, 1, 3, 3});
  const TPoint p = Middle(2, 2);
  Press(p.X, p.Y);
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 3, 3}));
  EXPECT_EQ(clicks, (std::vector<Cell>{{2, 2}}));
  Release(p.X, p.Y);
  EXPECT_EQ(grid.Selection(), (TGridRect{2, 2, 2, 2}));
}

TEST_F(MousePress, RadioItemChosenByAClick) {
  grid.SetOptions(grid.Options() | goEditing);
  grid.SetRowHeights(2, 60);
  TStringList items;
  for (const char* item : {"one", "two", "three"}) items.Add(item);
  grid.AddRadio(2, 2, 0, 0, &items);
  const TRect r = grid.CellRect(2, 2);
  const int lineHeight = std::max(16, grid.Canvas()->TextHeight("gh"));
  Click(r.Left + 6, r.Top + lineHeight + lineHeight / 2);
  int index = -1;
  ASSERT_TRUE(grid.GetRadioIdx(2, 2, index));
  EXPECT_EQ(index, 1);
}

TEST_F(MousePress, DirectEditOpensTheEditorAtOnceAndAPressOutsideClosesIt) {
  grid.SetOptions(grid.Options() | goEditing);
  grid.MouseActions()->DirectEdit = true;
  grid.SetCellEx(2, 3, "text");
  const TPoint p = Middle(2, 3);
  Click(p.X, p.Y);
  ASSERT_TRUE(grid.EditorMode());
  EXPECT_EQ(grid.Col(), 2);
  EXPECT_EQ(grid.Row(), 3);
  const TRect last = grid.CellRect(4, 5);
  Click(last.Right + 20, last.Bottom + 20);
  EXPECT_FALSE(grid.EditorMode());
}

TEST_F(MousePress, HeaderCheckBoxChecksTheColumnWithCheckAllCheck) {
  grid.SetOptions(grid.Options() | goEditing);
  grid.MouseActions()->CheckAllCheck = true;
  for (int r = 0; r < grid.RowCount(); ++r) grid.AddCheckBox(2, r, false, false);
  const TRect r = grid.CellRect(2, 0);
  Click(r.Left + 5, r.Top + 5);
  for (int row = 1; row < grid.RowCount(); ++row) {
    bool state = false;
    grid.GetCheckBoxState(2, row, state);
    EXPECT_TRUE(state) << row;
  }
}

}  // namespace
