// Cell graphics: the graphic object, the store and its extents, check
// boxes, radio groups, buttons, markers and the rest of the family.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/imglist.h"
#include "grid/duruzav.h"

namespace {

class CellGraphics : public ::testing::Test {
 protected:
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
};

TEST(CellGraphic, AnglesComeIntoRange) {
  const std::pair<int, int> cases[] = {{-30, 330}, {720, 360}, {360, 360}, {361, 1}, {0, 0}, {-360, 0}, {45, 45}};
  for (auto [in, out] : cases) {
    TCellGraphic g;
    g.SetAngle(in);
    EXPECT_EQ(g.CellType, ctRotated);
    EXPECT_EQ(g.CellAngle, out) << in;
  }
}

TEST(CellGraphic, PictureSizeFollowsTheStretchMode) {
  TPicture picture;
  TBitmap bitmap;
  bitmap.SetSize(200, 100);
  bitmap.Canvas()->FillRect({0, 0, 200, 100});
  picture.SetGraphic(&bitmap);
  struct Case {
    TStretchMode mode;
    int roomW, roomH, padding;
    TPoint size;
  };
  const Case cases[] = {{noStretch, 100, 100, 0, {200, 100}},
                        {Stretch, 100, 100, 0, {100, 100}},
                        {Stretch, 100, 100, 10, {90, 90}},
                        {Shrink, 300, 300, 0, {200, 100}},
                        {Shrink, 100, 300, 0, {100, 300}},
                        {StretchWithAspectRatio, 100, 100, 0, {100, 50}},
                        {StretchWithAspectRatio, 400, 400, 0, {400, 200}},
                        {ShrinkWithAspectRatio, 400, 400, 0, {200, 100}},
                        {ShrinkWithAspectRatio, 100, 100, 0, {100, 50}}};
  for (const Case& c : cases) {
    TCellGraphic g;
    g.SetPicture(&picture, false, c.mode, c.padding, haLeft, vaTop);
    const TPoint size = g.GetPictureSize(c.roomW, c.roomH, false);
    EXPECT_EQ(size.X, c.size.X) << c.mode << " " << c.roomW;
    EXPECT_EQ(size.Y, c.size.Y) << c.mode << " " << c.roomW;
  }
}

TEST(CellGraphic, AssignCopiesTheFieldsButNoReferences) {
  TCellGraphic a;
  TBitmap bitmap;
  a.SetBitmap(&bitmap, true, haCenter, vaBottom);
  a.CellText = "t";
  a.CellErrFrom = 3;
  TCellGraphic b;
  b.Assign(&a);
  EXPECT_EQ(b.CellType, ctBitmap);
  EXPECT_TRUE(b.CellTransparent);
  EXPECT_EQ(b.CellHAlign, haCenter);
  EXPECT_EQ(b.CellText, "t");
  EXPECT_EQ(b.CellErrFrom, 3);
  EXPECT_EQ(b.Bitmap(), nullptr);
}

TEST_F(CellGraphics, StoreReplacesFreesAndKeepsTheCellText) {
  EXPECT_EQ(grid.GetCellType(1, 1), ctEmpty);
  EXPECT_EQ(grid.GetCellType(-1, 1), ctEmpty);
  TCellGraphic* g = grid.CreateCellGraphic(1, 1);
  EXPECT_EQ(g->CellType, ctNone);
  EXPECT_EQ(grid.GetCellGraphic(1, 1), g);
  EXPECT_EQ(grid.GetCellEx(1, 1), "") << "the blank used to create the cell is gone";

  TBitmap* owned = grid.CreateBitmap(1, 1, false, haLeft, vaTop);
  EXPECT_EQ(grid.GetBitmap(1, 1), owned);
  EXPECT_FALSE(grid.RemoveIcon(1, 1)) << "another kind stays";
  EXPECT_EQ(grid.GetCellType(1, 1), ctBitmap);
  TBitmap mine;
  grid.AddBitmap(1, 1, &mine, false, haLeft, vaTop);  // frees the owned bitmap (ASan checks)
  EXPECT_TRUE(grid.RemoveBitmap(1, 1));
  EXPECT_EQ(mine.Width(), 0) << "the caller's bitmap is still alive";
  EXPECT_FALSE(grid.FreeCellGraphic(1, 1));

  grid.SetCellEx(2, 2, "text");
  grid.AddComment(2, 2, "note");
  EXPECT_EQ(grid.GetCellEx(2, 2), "text");
  grid.SetObjectEx(3, 3, &mine);
  EXPECT_EQ(grid.GetCellGraphic(3, 3), nullptr) << "another kind of object is no graphic";
  grid.CreateRadio(3, 3, 0, 0);
  grid.ClearPropCell(3, 3);  // frees the graphic and its owned list with the properties
  EXPECT_EQ(grid.GetCellType(3, 3), ctEmpty);
}

TEST_F(CellGraphics, ExtentsByKind) {
  grid.SetColWidths(1, 80);
  grid.SetRowHeights(1, 30);
  TBitmap bitmap;
  bitmap.SetSize(16, 12);
  grid.AddBitmap(1, 1, &bitmap, false, haLeft, vaTop);
  EXPECT_EQ(grid.GetCellGraphicSize(1, 1).X, 16) << "empty cell";
  grid.SetCellEx(1, 1, "text");
  EXPECT_EQ(grid.GetCellGraphicSize(1, 1).X, 0) << "drawn over the text";
  grid.AddBitmap(1, 1, &bitmap, false, haBeforeText, vaTop);
  EXPECT_EQ(grid.GetCellGraphicSize(1, 1).X, 16);
  grid.AddBitmap(1, 1, &bitmap, false, haFull, vaFull);
  EXPECT_EQ(grid.GetCellGraphicSize(1, 1).X, 80);
  EXPECT_EQ(grid.GetCellGraphicSize(1, 1).Y, 30);

  grid.AddCheckBox(1, 1, false, false);
  EXPECT_EQ(grid.GetCellGraphicSize(1, 1).X, 15);

  TStringList items;
  items.Add("a");
  items.Add("bb");
  items.Add("c");
  grid.AddRadio(2, 1, 0, 0, &items);
  EXPECT_EQ(grid.GetCellGraphicSize(2, 1).Y, 3 * grid.Canvas()->TextHeight("gh"));
  grid.AddRadio(2, 1, 1, 0, &items);
  EXPECT_EQ(grid.GetCellGraphicSize(2, 1).Y, grid.Canvas()->TextHeight("gh"));

  grid.AddButton(3, 1, 40, 18, "Go", haBeforeText, vaTop);
  EXPECT_EQ(grid.GetCellGraphicSize(3, 1).X, 40);
  EXPECT_EQ(grid.GetPrintGraphicSize(3, 1, 0, 0, 1).Y, 18);
  grid.AddProgressPie(3, 2, clRed, 50);
  EXPECT_EQ(grid.GetCellGraphicSize(3, 2).X, 20);
}

TEST_F(CellGraphics, CheckBoxesOfEachKind) {
  grid.AddCheckBox(1, 1, true, false);
  bool state = false;
  ASSERT_TRUE(grid.GetCheckBoxState(1, 1, state));
  EXPECT_TRUE(state);
  EXPECT_TRUE(grid.ToggleCheckBox(1, 1));
  grid.GetCheckBoxState(1, 1, state);
  EXPECT_FALSE(state);

  grid.SetCellEx(2, 1, "y");
  grid.AddCheckBox(2, 1, false, true);
  grid.GetCheckBoxState(2, 1, state);
  EXPECT_FALSE(state) << "the comparison with \"Y\" is case-sensitive";
  grid.ToggleCheckBox(2, 1);
  EXPECT_EQ(grid.GetCellEx(2, 1), "Y");
  EXPECT_TRUE(grid.HasDataCheckBox(2, 1) && grid.HasStaticEdit(2, 1) && grid.HasDataCell(2, 1));

  for (int r = 1; r < grid.RowCount(); ++r) grid.AddCheckBox(3, r, false, false);
  grid.CheckAll(3);
  grid.GetCheckBoxState(3, grid.RowCount() - 1, state);
  EXPECT_TRUE(state);
  grid.UnCheckAll(3);
  grid.GetCheckBoxState(3, 1, state);
  EXPECT_FALSE(state);

  EXPECT_FALSE(grid.ToggleCheck(4, 1, false)) << "no check box";
  grid.RemoveCheckBox(1, 1);
  EXPECT_FALSE(grid.HasCheckBox(1, 1));
}

TEST_F(CellGraphics, UserTogglesRespectReadOnlyUnlessAlwaysActive) {
  grid.SetOptions(grid.Options() | goEditing);
  grid.AddCheckBox(1, 1, false, false);
  grid.SetReadOnly(1, 1, true);
  EXPECT_FALSE(grid.ToggleCheck(1, 1, true));
  EXPECT_TRUE(grid.ToggleCheck(1, 1, false));
  grid.ControlLook()->CheckAlwaysActive = true;
  EXPECT_TRUE(grid.ToggleCheck(1, 1, true));
}

TEST_F(CellGraphics, RowCheckBoxesShowTheRowSelection) {
  grid.MouseActions()->SetHotmailRowSelect(true);
  // The rows' own flags are the row selection only while rows are selected
  // one by one; otherwise the selection rectangle answers.
  grid.MouseActions()->SetDisjunctRowSelect(true);
  EXPECT_EQ(grid.GetCellType(0, 5), ctRowCheckBox);
  EXPECT_TRUE(grid.ToggleCheckBox(0, 5));
  EXPECT_TRUE(grid.GetRowSelect(5));
  bool state = false;
  grid.GetCheckBoxState(0, 5, state);
  EXPECT_TRUE(state);
  EXPECT_TRUE(grid.FreeCellGraphic(0, 5)) << "answers true";
  EXPECT_EQ(grid.GetCellType(0, 5), ctRowCheckBox) << "the shared graphic lives on";
}

TEST_F(CellGraphics, PreciseCheckBoxHitArea) {
  grid.SetFixedRows(0);
  grid.SetFixedCols(0);
  grid.AddCheckBox(0, 0, false, false);
  EXPECT_TRUE(grid.IsInCheckBox(0, 0, 40, 19)) << "any point without precise checks";
  grid.MouseActions()->PreciseCheckBoxCheck = true;
  const TRect r = grid.CellRect(0, 0);
  ASSERT_EQ(r.Left, 0);
  ASSERT_EQ(r.Top, 0);
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 20; ++y)
      EXPECT_EQ(grid.IsInCheckBox(0, 0, x, y), x >= 2 && x < 17 && y >= 2 && y < 17) << x << "," << y;
}

TEST_F(CellGraphics, RadioGroupsStepAndWrap) {
  TStringList items;
  items.Add("red");
  items.Add("green");
  items.Add("blue");
  grid.AddRadio(1, 1, 0, 2, &items);
  int index = -1;
  EXPECT_TRUE(grid.GetRadioIdx(1, 1, index));
  EXPECT_EQ(index, 2);
  EXPECT_TRUE(grid.ToggleRadio(1, 1, false));
  grid.GetRadioIdx(1, 1, index);
  EXPECT_EQ(index, 0) << "the last of three wraps to the first";
  EXPECT_EQ(grid.GetCellEx(1, 1), "red");
  EXPECT_EQ(grid.GetRadioStrings(1, 1), &items);

  EXPECT_TRUE(grid.SetRadioIdx(1, 1, 7));
  EXPECT_FALSE(grid.ToggleRadio(1, 1, false)) << "a selection beyond the items changes nothing";
  grid.GetRadioIdx(1, 1, index);
  EXPECT_EQ(index, 7);
  EXPECT_EQ(grid.GetCellEx(1, 1), "red");
  EXPECT_FALSE(grid.ToggleRadio(3, 3, false));
  EXPECT_FALSE(grid.ToggleRadio(99, 99, false));

  TCellGraphic* own = grid.CreateRadio(2, 1, 1, -1);
  EXPECT_FALSE(grid.ToggleRadio(2, 1, false)) << "no items";
  grid.GetRadioStrings(2, 1)->Add("a");
  grid.GetRadioStrings(2, 1)->Add("b");
  grid.SetCellEx(2, 1, "a");
  EXPECT_TRUE(grid.ToggleRadio(2, 1, false));
  EXPECT_EQ(grid.GetCellEx(2, 1), "b");
  EXPECT_EQ(own->CellIndex, -1) << "a negative index follows the text";
}

TEST_F(CellGraphics, ButtonsMarkersAndProgress) {
  grid.AddButton(1, 1, 30, 16, "Go", haLeft, vaTop);
  EXPECT_TRUE(grid.HasButton(1, 1) && grid.HasStaticEdit(1, 1));
  grid.SetButtonText(1, 1, "Stop");
  EXPECT_EQ(grid.GetButtonText(1, 1), "Stop");
  grid.GetCellGraphic(1, 1)->CellValue = 3 + 4 * 65536;
  const TRect cell = grid.CellRect(1, 1);
  const TRect button = grid.ButtonRect(1, 1);
  EXPECT_EQ(button.Left, cell.Left + 3);
  EXPECT_EQ(button.Top, cell.Top + 4);
  EXPECT_EQ(button.Right - button.Left, 30);
  EXPECT_EQ(button.Bottom - button.Top, 16);
  grid.RemoveButton(1, 1);
  EXPECT_FALSE(grid.HasButton(1, 1));

  grid.AddProgress(2, 1, clBlue, clWhite);
  grid.AddMarker(2, 1, 3, 4);
  EXPECT_EQ(grid.GetCellType(2, 1), ctProgress) << "a marker keeps the progress bar";
  int from = 0, len = 0;
  grid.GetMarker(2, 1, from, len);
  EXPECT_EQ(from, 3);
  EXPECT_EQ(len, 4);
  grid.RemoveMarker(2, 1);
  grid.GetMarker(2, 1, from, len);
  EXPECT_EQ(from + len, 0);
  EXPECT_EQ(grid.GetCellType(2, 1), ctProgress);

  grid.AddMarker(3, 1, 1, 2);
  EXPECT_EQ(grid.GetCellType(3, 1), ctEmpty);
  EXPECT_NE(grid.GetCellGraphic(3, 1), nullptr);
  grid.RemoveAllMarkers();
  EXPECT_EQ(grid.GetCellGraphic(3, 1), nullptr);

  grid.AddComment(1, 2, "a");
  grid.AddColorComment(2, 2, "b", clBlue);
  grid.RemoveAllComments();
  AnsiString text;
  EXPECT_FALSE(grid.IsComment(1, 2, text) || grid.IsComment(2, 2, text));

  grid.AddRotated(1, 3, -30, "turned");
  int angle = 0;
  EXPECT_TRUE(grid.IsRotated(1, 3, angle));
  EXPECT_EQ(angle, 330);
  EXPECT_EQ(grid.GetCellEx(1, 3), "turned");
}

TEST_F(CellGraphics, ImageKindsNeedTheGridImages) {
  grid.AddImageIdx(1, 1, 2, haLeft, vaTop);
  grid.AddDataImage(1, 2, 2, haLeft, vaTop);
  grid.AddMultiImage(1, 3, 0, haLeft, vaTop);
  EXPECT_EQ(grid.GetCellGraphic(1, 1), nullptr);
  EXPECT_EQ(grid.GetCellGraphic(1, 2), nullptr);
  EXPECT_EQ(grid.GetCellGraphic(1, 3), nullptr);

  TImageList images(nullptr);
  grid.SetImages(&images);
  grid.AddImageIdx(1, 1, 2, haLeft, vaTop);
  int index = 0;
  EXPECT_TRUE(grid.GetImageIdx(1, 1, index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(grid.GetCellImageIdx(1, 1), 2);
  grid.AddMultiImage(1, 3, 0, haLeft, vaTop);
  ASSERT_NE(grid.GetCellImages(1, 3), nullptr);
  grid.GetCellImages(1, 3)->Add(4);
  EXPECT_TRUE(grid.RemoveMultiImage(1, 3));
  grid.SetImages(nullptr);
}

}  // namespace
