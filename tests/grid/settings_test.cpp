// The grid's settings objects: defaults, which setters repaint the grid,
// the checks and events of the others, and what Assign copies.
#include <gtest/gtest.h>

#include <QWidget>
#include <functional>

#include "framework/forms.h"
#include "grid/duruzav.h"
#include "grid/zgdd.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    grid.SetBounds(0, 0, 200, 100);
    form.Show();
    grid.SetParent(&form);
    grid.Show();
    grid.Repaint();
  }
  // Whether the grid paints again after the action.
  bool Repaints(const std::function<void()>& action) {
    grid.Repaint();
    const int cycle = grid.PaintCycle();
    action();
    grid.Update();
    return grid.PaintCycle() != cycle;
  }
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
};

TEST_F(SettingsTest, NewObjectsStartAtTheirDefaults) {
  EXPECT_EQ(grid.BackGround()->Display(), bdTile);
  EXPECT_EQ(grid.BackGround()->Cells(), bcNormal);
  EXPECT_EQ(grid.BackGround()->Color(), clWindow);
  EXPECT_EQ(grid.BackGround()->ColorTo(), clBtnFace);
  EXPECT_TRUE(grid.BackGround()->Bitmap()->Empty());
  EXPECT_FALSE(grid.Bands()->Active());
  EXPECT_EQ(grid.Bands()->PrimaryColor(), clInfoBk);
  EXPECT_EQ(grid.Bands()->SecondaryColor(), clWindow);
  EXPECT_EQ(grid.Bands()->Period(), 2);
  const TSortSettings& sort = *grid.SortSettings();
  EXPECT_TRUE(sort.AutoSortForGrouping && sort.Full && sort.AutoFormat);
  EXPECT_FALSE(sort.Show() || sort.IndexShow || sort.UndoSort || sort.FixedCols);
  EXPECT_EQ(sort.IndexColor, clYellow);
  EXPECT_EQ(sort.BlankPos, blFirst);
  EXPECT_EQ(sort.Direction, sdAscending);
  EXPECT_EQ(sort.Row(), 0);
  const TControlLook& look = *grid.ControlLook();
  EXPECT_EQ(look.Color(), clBlack);
  EXPECT_EQ(look.CommentColor(), clRed);
  EXPECT_EQ(look.CheckSize(), 15);
  EXPECT_EQ(look.RadioSize(), 10);
  EXPECT_EQ(look.ControlStyle(), csWinXP);
  EXPECT_EQ(look.FixedGradientFrom(), clNone);
  EXPECT_EQ(look.ProgressBorderColor, clGray);
  EXPECT_EQ(look.ProgressMarginX(), 2);
  EXPECT_EQ(look.ProgressMarginY(), 2);
  EXPECT_EQ(grid.Grouping()->HeaderLineColor, clBlue);
  EXPECT_EQ(grid.Grouping()->SummaryLineWidth, 2);
  EXPECT_EQ(grid.Grouping()->HeaderColor, clNone);
  EXPECT_TRUE(grid.DragDropSettings()->OleAcceptFiles && grid.DragDropSettings()->OleAcceptText);
  EXPECT_FALSE(grid.DragDropSettings()->OleDropTarget() || grid.OleDropTargetRegistered());
  EXPECT_EQ(grid.Balloon()->AutoHideDelay, -1);
  EXPECT_EQ(grid.Balloon()->InitialDelay, -1);
  EXPECT_FALSE(grid.Balloon()->Enable());
  EXPECT_EQ(grid.ShowModified()->Color(), clYellow);
  EXPECT_FALSE(grid.ShowModified()->Enabled);
  EXPECT_EQ(grid.DragScrollOptions()->Delays()->InitialDelay, 1000);
  EXPECT_EQ(grid.DragScrollOptions()->Delays()->RepeatDelay, 250);
  EXPECT_EQ(grid.DragScrollOptions()->Margins()->RightMargin, 50);
  EXPECT_EQ(grid.Filter()->Count(), 0);
  EXPECT_EQ(grid.Filter()->GetOwner(), &grid);
  TFilterData condition;
  EXPECT_TRUE(condition.CaseSensitive);
  EXPECT_EQ(condition.Data, fcVirtual);
  EXPECT_EQ(condition.Operation, foSHORT);
}

TEST_F(SettingsTest, LookSettersRepaintAndTheOthersOnlyStore) {
  TBitmap glyph;
  glyph.SetSize(8, 8);
  struct Case {
    const char* what;
    std::function<void()> set;
    bool repaints;
  };
  const Case cases[] = {
      {"BackGround.Left", [&] { grid.BackGround()->SetLeft(4); }, true},
      {"BackGround.Display", [&] { grid.BackGround()->SetDisplay(bdGradientVert); }, true},
      {"BackGround.Bitmap", [&] { grid.BackGround()->SetBitmap(glyph); }, true},
      {"Bands.PrimaryColor while off", [&] { grid.Bands()->SetPrimaryColor(clAqua); }, false},
      {"Bands.PrimaryLength while off", [&] { grid.Bands()->SetPrimaryLength(2); }, false},
      {"Bands.Active", [&] { grid.Bands()->SetActive(true); }, true},
      {"Bands.SecondaryLength while on", [&] { grid.Bands()->SetSecondaryLength(3); }, true},
      {"SortSettings.Show unchanged", [&] { grid.SortSettings()->SetShow(false); }, false},
      {"SortSettings.Show", [&] { grid.SortSettings()->SetShow(true); }, true},
      {"SortSettings.UpGlyph", [&] { grid.SortSettings()->SetUpGlyph(glyph); }, false},
      {"ControlLook.CheckSize", [&] { grid.ControlLook()->SetCheckSize(20); }, true},
      {"ControlLook.CheckedGlyph", [&] { grid.ControlLook()->SetCheckedGlyph(glyph); }, true},
      {"ControlLook.ProgressXP", [&] { grid.ControlLook()->SetProgressXP(true); }, true},
      {"ControlLook.FixedGradientFrom", [&] { grid.ControlLook()->SetFixedGradientFrom(clRed); }, true},
      {"ControlLook.FixedGradientTo clNone", [&] { grid.ControlLook()->SetFixedGradientTo(clNone); }, false},
      {"URLColor while URLs are hidden", [&] { grid.SetURLColor(clRed); }, false},
      {"URLShow", [&] { grid.SetURLShow(true); }, true},
      {"URLColor while URLs show", [&] { grid.SetURLColor(clGreen); }, true},
      {"Look unchanged", [&] { grid.SetLook(glXP); }, false},
      {"Look", [&] { grid.SetLook(glSoft); }, true},
      {"ActiveCellColorTo", [&] { grid.SetActiveCellColorTo(clRed); }, true},
      {"ShowModified.Color", [&] { grid.ShowModified()->SetColor(clLime); }, true},
      {"SelectionColor unchanged", [&] { grid.SetSelectionColor(grid.Props().SelectionColor); }, false},
      {"SelectionTextColor", [&] { grid.SetSelectionTextColor(clRed); }, true},
      {"ShowSelection", [&] { grid.SetShowSelection(false); }, true},
      {"VAlignment", [&] { grid.SetVAlignment(vtaBottom); }, true},
      {"FixedFooters", [&] { grid.SetFixedFooters(1); }, true},
      {"MaxEditLength", [&] { grid.SetMaxEditLength(5); }, false},
  };
  for (const Case& c : cases) EXPECT_EQ(Repaints(c.set), c.repaints) << c.what;
  EXPECT_EQ(grid.Bands()->Period(), 5);
  // Lengths that leave no band at all still give a period to count rows by.
  grid.Bands()->SetPrimaryLength(0);
  grid.Bands()->SetSecondaryLength(-2);
  EXPECT_EQ(grid.Bands()->Period(), 1);
  EXPECT_EQ(grid.SortSettings()->GetUpGlyph()->Width(), 8);
  EXPECT_EQ(grid.Props().URLColor, clGreen);
  EXPECT_EQ(grid.Props().Look, glSoft);
}

TEST_F(SettingsTest, MaxEditLengthLimitsAnOpenEditor) {
  grid.SetOptions(grid.Options() | goEditing);
  grid.ShowEditor();
  ASSERT_NE(grid.InplaceEditor(), nullptr);
  grid.SetMaxEditLength(5);
  EXPECT_EQ(grid.InplaceEditor()->MaxLength(), 5);
  EXPECT_EQ(grid.Props().MaxEditLength, 5);
}

TEST_F(SettingsTest, FixedGradientColoursReachTheGridAsRGB) {
  grid.ControlLook()->SetFixedGradientFrom(clBtnFace);
  grid.ControlLook()->SetFixedGradientTo(clNavy);
  EXPECT_EQ(grid.GradientRUDFrom(), ColorToRGB(clBtnFace));
  EXPECT_EQ(grid.GradientRUDTo(), clNavy);
  grid.ControlLook()->SetFixedGradientFrom(clNone);
  EXPECT_EQ(grid.ControlLook()->FixedGradientFrom(), clNone);
  EXPECT_EQ(grid.GradientRUDFrom(), ColorToRGB(clBtnFace));
}

TEST_F(SettingsTest, SortRowMayNotPassTheFixedRows) {
  grid.SetFixedRows(2);
  grid.SortSettings()->SetRow(2);
  EXPECT_EQ(grid.SortSettings()->Row(), 2);
  try {
    grid.SortSettings()->SetRow(3);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "Sort row should be smaller than number of fixed rows");
  }
  EXPECT_EQ(grid.SortSettings()->Row(), 2);
}

TEST_F(SettingsTest, FilterConditionsByColumnAndIndex) {
  TFilter& filter = *grid.Filter();
  TFilterData* third = filter.GetColFilter(3);
  EXPECT_EQ(filter.Count(), 1);
  EXPECT_EQ(third->Column, 3);
  EXPECT_EQ(filter.GetColFilter(3), third);
  third->Condition = ">5";
  TFilterData* inserted = filter.Insert(0);
  EXPECT_EQ(filter.GetItem(1), inserted);  // appended, whatever the index
  TFilterData model;
  model.Column = 7;
  model.Condition = "a*";
  model.CaseSensitive = false;
  model.Operation = foOR;
  filter.SetItem(1, model);
  EXPECT_EQ(inserted->Condition, "a*");
  EXPECT_EQ(inserted->Operation, foOR);
  EXPECT_FALSE(inserted->CaseSensitive);
  EXPECT_THROW(filter.GetItem(2), EListError);
  EXPECT_THROW(filter.GetItem(-1), EListError);
  EXPECT_THROW(filter.Delete(2), EListError);

  TForm other(nullptr);
  TVudUvizidIzed copy(&other);
  copy.Filter()->Add();
  copy.Filter()->Assign(&filter);
  ASSERT_EQ(copy.Filter()->Count(), 2);
  EXPECT_EQ(copy.Filter()->GetItem(0)->Condition, ">5");
  EXPECT_NE(copy.Filter()->GetItem(0), third);
  filter.Delete(0);
  EXPECT_EQ(filter.GetItem(0), inserted);
}

TEST_F(SettingsTest, EventsOfBalloonAndShowModified) {
  int enableChanges = 0, modifiedChanges = 0;
  grid.Balloon()->OnEnableChange = [&](TObject* sender) {
    EXPECT_EQ(sender, grid.Balloon());
    ++enableChanges;
  };
  grid.Balloon()->SetEnable(true);
  EXPECT_EQ(enableChanges, 1);
  TBalloonSettings source;
  source.Transparency = 100;
  source.TextColor = clRed;
  source.ReshowDelay = 30;
  grid.Balloon()->Transparency = 7;
  grid.SetBalloon(source);
  EXPECT_EQ(grid.Balloon()->Transparency, 7);
  EXPECT_EQ(grid.Balloon()->TextColor, clRed);
  EXPECT_EQ(grid.Balloon()->ReshowDelay, 30);
  EXPECT_FALSE(grid.Balloon()->Enable());
  EXPECT_EQ(enableChanges, 1);

  TShowModified modified;
  modified.OnChange = [&](TObject*) { ++modifiedChanges; };
  modified.Enabled = true;
  modified.SetColor(clAqua);
  EXPECT_EQ(modifiedChanges, 1);
  EXPECT_TRUE(Repaints([&] { grid.SetShowModified(modified); }));
  EXPECT_TRUE(grid.ShowModified()->Enabled);
  EXPECT_EQ(grid.ShowModified()->Color(), clAqua);
}

TEST_F(SettingsTest, AssignCopiesWhatEachClassCopies) {
  TForm otherForm(nullptr);
  TVudUvizidIzed other(&otherForm);
  TBitmap glyph;
  glyph.SetSize(5, 6);

  other.ControlLook()->SetCheckSize(22);
  other.ControlLook()->SetCheckedGlyph(glyph);
  other.ControlLook()->SetFlatButton(true);
  other.ControlLook()->CheckAlwaysActive = true;
  grid.ControlLook()->Assign(other.ControlLook());
  EXPECT_EQ(grid.ControlLook()->CheckSize(), 22);
  EXPECT_EQ(grid.ControlLook()->CheckedGlyph()->Height(), 6);
  EXPECT_TRUE(grid.ControlLook()->CheckAlwaysActive);
  EXPECT_FALSE(grid.ControlLook()->FlatButton());

  other.Grouping()->HeaderColor = clRed;
  other.Grouping()->SummaryLine = true;
  other.Grouping()->HeaderLineWidth = 5;
  other.Grouping()->Summary = true;
  grid.Grouping()->Assign(other.Grouping());
  EXPECT_EQ(grid.Grouping()->HeaderColor, clRed);
  EXPECT_TRUE(grid.Grouping()->SummaryLine);
  EXPECT_EQ(grid.Grouping()->HeaderLineWidth, 2);
  EXPECT_FALSE(grid.Grouping()->Summary);

  other.BackGround()->SetTop(9);
  other.BackGround()->SetBitmap(glyph);
  grid.SetBackGround(*other.BackGround());
  EXPECT_EQ(grid.BackGround()->Top(), 9);
  EXPECT_EQ(grid.BackGround()->Bitmap()->Width(), 5);

  // The grid's own Assign takes the sorting, banding, grouping, filter and
  // drag-scroll settings along.
  other.SetFixedRows(1);
  other.SortSettings()->Column = 4;
  other.SortSettings()->SetRow(1);
  other.SortSettings()->SetDownGlyph(glyph);
  other.Bands()->SetActive(true);
  other.Bands()->SetSecondaryLength(4);
  other.Bands()->Print = true;
  other.Filter()->GetColFilter(2)->Condition = "x";
  other.DragScrollOptions()->Active = true;
  other.DragScrollOptions()->Margins()->TopMargin = 9;
  other.DragScrollOptions()->Delays()->RepeatDelay = 99;
  TVudUvizidIzed copy(&otherForm);
  copy.Assign(&other);
  EXPECT_EQ(copy.SortSettings()->Column, 4);
  EXPECT_EQ(copy.SortSettings()->Row(), 1);
  EXPECT_EQ(copy.SortSettings()->GetDownGlyph()->Width(), 5);
  EXPECT_NE(copy.SortSettings()->GetDownGlyph(), other.SortSettings()->GetDownGlyph());
  EXPECT_TRUE(copy.Bands()->Active() && copy.Bands()->Print);
  EXPECT_EQ(copy.Bands()->Period(), 5);
  EXPECT_EQ(copy.Filter()->GetColFilter(2)->Condition, "x");
  EXPECT_EQ(copy.Grouping()->HeaderColor, clRed);
  EXPECT_TRUE(copy.DragScrollOptions()->Active);
  EXPECT_EQ(copy.DragScrollOptions()->Margins()->TopMargin, 9);
  EXPECT_EQ(copy.DragScrollOptions()->Delays()->RepeatDelay, 99);

  // Another kind of source changes nothing.
  grid.Bands()->Assign(other.Grouping());
  EXPECT_FALSE(grid.Bands()->Active());
}

TEST_F(SettingsTest, DropTargetFollowsOleDropTargetOutsideDesign) {
  grid.DragDropSettings()->SetOleDropTarget(true);
  EXPECT_TRUE(grid.OleDropTargetRegistered());
  EXPECT_TRUE(grid.Widget()->acceptDrops());
  grid.DragDropSettings()->SetOleDropTarget(false);
  EXPECT_FALSE(grid.OleDropTargetRegistered());
  EXPECT_FALSE(grid.Widget()->acceptDrops());

  grid.DragDropSettings()->SetOleDropRTF(true);
  EXPECT_TRUE(RTFAware());
  grid.DragDropSettings()->SetOleDropRTF(false);
  EXPECT_FALSE(RTFAware());

  class DesignGrid : public TVudUvizidIzed {
   public:
    using TVudUvizidIzed::TVudUvizidIzed;
    void Design() { SetComponentState(csDesigning, true); }
  } designed(&form);
  designed.Design();
  designed.DragDropSettings()->SetOleDropTarget(true);
  EXPECT_TRUE(designed.DragDropSettings()->OleDropTarget());
  EXPECT_FALSE(designed.OleDropTargetRegistered());
}

}  // namespace
