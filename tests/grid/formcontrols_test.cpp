// The form controls embedded in cell mark-up, edited through the grid's
// control editors, and the clicks into cell radio groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "grid/controledit.h"
#include "tests/grid/edit_fixture.h"

namespace {

struct EditDone {
  int row, col;
  AnsiString id, type, value;
};

class FormControls : public EditGridTest {
 protected:
  FormControls() : EditGridTest(3, 3) {
    grid->SetColWidths(1, 400);
    grid->SetRowHeights(1, 40);
    grid->OnControlEditDone = [this](TObject*, int row, int col, const AnsiString& id, const AnsiString& type,
                                     const AnsiString& value) { done.push_back({row, col, id, type, value}); };
  }

  // Opens the editor of the first form control of cell (1, 1) holding text.
  void OpenFirst(const AnsiString& text) {
    grid->SetCellEx(1, 1, text);
    grid->SetCol(1), grid->SetRow(1);
    grid->AdvanceHTMLEdit(1, 1, "");
  }
  AnsiString Value(const AnsiString& id) { return grid->GetCtrlVal(1, 1, id); }
  TControlEdit* Edit() { return grid->EditorHooks()->ControlEdit(); }
  TControlCombo* Combo() { return grid->EditorHooks()->ControlCombo(); }

  std::vector<EditDone> done;
};

const char* const kTwoEdits =
    R"(<CONTROL TYPE="EDIT" ID="first" VALUE="Bob" WIDTH="80"> <CONTROL TYPE="CHECK" ID="c" VALUE="TRUE" WIDTH="16"> )"
    R"(<CONTROL TYPE="PASSWORD" ID="pin" VALUE="12" WIDTH="60">)";

TEST_F(FormControls, EditOpensOverItsControlAndWritesTheValueBackOnce) {
  OpenFirst(kTwoEdits);
  ASSERT_TRUE(grid->ControlEditing());
  ASSERT_TRUE(Edit()->Visible());
  EXPECT_TRUE(Edit()->Focused());
  EXPECT_EQ(Edit()->Text(), "Bob");
  EXPECT_EQ(Edit()->PasswordChar(), 0);
  const TRect cell = grid->CellRect(1, 1);
  EXPECT_TRUE(cell.Contains(Edit()->BoundsRect().TopLeft()));

  harness::TypeText(Edit(), "by");
  harness::PressKey(Edit(), Qt::Key_Return);  // ends the edit; the grid takes the focus
  EXPECT_FALSE(Edit()->Visible());
  EXPECT_TRUE(grid->Focused());
  EXPECT_FALSE(grid->ControlEditing());
  EXPECT_EQ(Value("first"), "Bobby");
  EXPECT_EQ(Value("pin"), "12");
  ASSERT_EQ(done.size(), 1u);  // the focus leaving the hidden editor adds nothing
  EXPECT_EQ(done[0].row, 1);
  EXPECT_EQ(done[0].col, 1);
  EXPECT_EQ(done[0].id, "first");
  EXPECT_EQ(done[0].type, "EDIT");
  EXPECT_EQ(done[0].value, "Bobby");

  grid->ControlExit(nullptr);  // as a press on a control does before handling it
  EXPECT_EQ(done.size(), 1u);
}

TEST_F(FormControls, TabWalksTheEditableControlsOfTheCell) {
  OpenFirst(kTwoEdits);
  harness::TypeText(Edit(), "!");
  harness::PressKey(Edit(), Qt::Key_Tab);  // over the check box to the password
  EXPECT_EQ(Value("first"), "Bob!");
  ASSERT_TRUE(grid->ControlEditing());
  EXPECT_EQ(grid->ControlEditID(), "pin");
  EXPECT_EQ(Edit()->PasswordChar(), '*');
  EXPECT_EQ(Edit()->Text(), "12");
  harness::TypeText(Edit(), "3");
  harness::PressKey(Edit(), Qt::Key_Tab);  // the last one: back to the grid
  EXPECT_FALSE(grid->ControlEditing());
  EXPECT_TRUE(grid->Focused());
  EXPECT_EQ(Value("pin"), "123");
  EXPECT_EQ(Value("c"), "TRUE");
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[1].type, "PASSWORD");
}

TEST_F(FormControls, TabWithAdvanceAutoGoesToTheNextCell) {
  grid->Navigation()->AdvanceAuto = true;
  grid->Navigation()->AdvanceOnEnter = true;
  OpenFirst(kTwoEdits);
  harness::PressKey(Edit(), Qt::Key_Tab);
  EXPECT_FALSE(grid->ControlEditing());
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(done.size(), 1u);
}

TEST_F(FormControls, MaskControlTakesItsPropAsEditMask) {
  OpenFirst(R"(<CONTROL TYPE="MASK" ID="m" VALUE="12" WIDTH="80" PROP="00;1;_">)");
  EXPECT_EQ(Edit()->EditMask(), "00;1;_");
  OpenFirst(R"(<CONTROL TYPE="EDIT" ID="e" VALUE="x" WIDTH="80">)");  // the mask goes with the control
  EXPECT_EQ(Edit()->EditMask(), "");
  EXPECT_EQ(Edit()->Text(), "x");
}

TEST_F(FormControls, ComboListedByTheApplication) {
  int lists = 0;
  bool editable = true;
  int dropCount = 0;
  grid->OnControlComboList = [&](TObject*, int, int, const AnsiString& id, const AnsiString&, const AnsiString& value,
                                 TStrings* values, bool& edit, int& count) {
    ++lists;
    EXPECT_EQ(id, "city");
    EXPECT_EQ(value, "Basel");
    dropCount = count;
    values->Add("Bern");
    values->Add("Basel");
    edit = editable;
  };
  const AnsiString cell = R"(Go <CONTROL TYPE="COMBO" ID="city" VALUE="Basel" WIDTH="120">)";
  OpenFirst(cell);
  EXPECT_EQ(dropCount, 8);
  EXPECT_EQ(Combo()->Style(), csDropDown);
  EXPECT_EQ(Combo()->ItemIndex(), 1);
  EXPECT_EQ(Combo()->DropDownCount(), 8);
  EXPECT_TRUE(Combo()->Visible());
  EXPECT_TRUE(grid->ControlEditing());  // the list dropping down is no exit

  harness::ChooseItem(Combo(), 0);
  Combo()->SetDroppedDown(false);
  grid->SetFocus();
  EXPECT_FALSE(Combo()->Visible());
  EXPECT_EQ(Value("city"), "Bern");
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].type, "COMBO");

  editable = false;  // a second edit lists afresh, as a fixed list
  OpenFirst(cell);
  EXPECT_EQ(lists, 2);
  EXPECT_EQ(Combo()->Items()->Count(), 2);
  EXPECT_EQ(Combo()->Style(), csDropDownList);
}

TEST_F(FormControls, OtherControlTypesOpenNothing) {
  TRect r{10, 10, 60, 30};
  for (const char* type : {"CHECK", "RADIO", "BUTTON", "edit"}) {
    grid->ControlEnter("", type, "x", "", r, 1, 1, 1);
    EXPECT_FALSE(grid->ControlEditing()) << type;
  }
}

class RadioClicks : public FormControls {
 protected:
  RadioClicks() {
    grid->Canvas()->Font()->Assign(*grid->Font());
    grid->OnRadioClick = [this](TObject*, int col, int row, int index) { clicks.push_back({col, row, index}); };
  }
  void AddGroup(bool horizontal, int index) {
    TStringList* items = grid->CreateRadio(1, 1, horizontal ? 1 : 0, index)->RadioStrings();
    items->Add("one");
    items->Add("three");
  }
  int Index() {
    int index = -2;
    grid->GetRadioIdx(1, 1, index);
    return index;
  }
  int Width(const char* text) { return grid->Canvas()->TextWidth(text) + 16; }
  std::vector<std::vector<int>> clicks;
};

TEST_F(RadioClicks, HorizontalItemsTakeTheirTextWidthAndTheSpacing) {
  AddGroup(true, 0);
  const int end0 = Width("one"), end1 = end0 + Width("three");
  grid->HandleRadioClick(1, 1, end0, 5);  // the boundary pixel selects neither
  EXPECT_EQ(Index(), 0);
  EXPECT_TRUE(clicks.empty());
  grid->HandleRadioClick(1, 1, end0 + 1, 5);
  EXPECT_EQ(Index(), 1);
  grid->HandleRadioClick(1, 1, end1 + 1, 5);  // beyond the last item
  grid->HandleRadioClick(1, 1, end0 - 1, 5);
  EXPECT_EQ(Index(), 0);
  EXPECT_EQ(clicks, (std::vector<std::vector<int>>{{1, 1, 1}, {1, 1, 0}}));
}

TEST_F(RadioClicks, VerticalGroupOfTextStoresTheItemAsCellText) {
  AddGroup(false, -1);
  const int line = std::max(16, grid->Canvas()->TextHeight("gh"));
  grid->HandleRadioClick(1, 1, 3, line + 2);
  EXPECT_EQ(grid->GetCellEx(1, 1), "three");
  EXPECT_EQ(Index(), -1);
  grid->HandleRadioClick(1, 1, 3, line);  // between the lines
  EXPECT_EQ(grid->GetCellEx(1, 1), "three");
  EXPECT_EQ(clicks, (std::vector<std::vector<int>>{{1, 1, 1}}));
}

}  // namespace
