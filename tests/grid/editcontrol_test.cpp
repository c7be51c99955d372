// The grid's editor controls opened on cells through the keyboard: which
// editor a cell gets, what it is filled with, what is written back, and the
// combo editor's completion and wheel.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QWheelEvent>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/gridcombo.h"
#include "grid/gridunieditors.h"
#include "grid/zurinplaceedit.h"
#include "tests/grid/editortesting.h"

namespace {

class EditControlTest : public ::testing::Test {
 protected:
  EditControlTest() {
    form.SetBounds(0, 0, 500, 400);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 460, 360);
    grid->SetColCount(5);
    grid->SetRowCount(5);
    grid->SetOptions(grid->Options() | goEditing);
    grid->OnGetEditorType = [this](TObject*, int col, int row, TEditorType& type) {
      if (col == 1 && row == 1) type = editorType;
    };
    form.Show();
    grid->SetFocus();
    harness::ProcessEvents();
  }

  // Puts text into cell (1, 1) of the given kind and starts editing it
  // with F2.
  void Open(TEditorType type, const AnsiString& text) {
    editorType = type;
    grid->SetCellEx(1, 1, text);
    grid->SetCol(1);
    grid->SetRow(1);
    harness::PressKey(grid, Qt::Key_F2);
    harness::ProcessEvents();
  }

  TGridEditControls& Controls() { return grid->EditControls(); }

  TScopedServices services;
  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
  TEditorType editorType = edNormal;
};

TEST_F(EditControlTest, EachKindOpensItsControlFilledFromTheCell) {
  const struct {
    TEditorType type;
    const char* cell;
    const char* shown;
  } cases[] = {
      {edSpinEdit, "42", "42"},
      {edEditBtn, "text", "text"},
      {edNumericEditBtn, "-7", "-7"},
      {edComboEdit, "typed", "typed"},
      {edButton, "Press", "Press"},
      {edCheckBox, "Label", "Label"},
      {edUniEdit, "wide", "wide"},
      {edUniMemo, "memo", "memo"},
      {edUniEditBtn, "btn", "btn"},
      {edUniComboEdit, "combo", "combo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type);
    Open(c.type, c.cell);
    TWinControl* active = Controls().active;
    ASSERT_NE(active, nullptr);
    EXPECT_TRUE(active->Visible());
    EXPECT_TRUE(active->Enabled());
    EXPECT_TRUE(active->Focused());
    EXPECT_FALSE(grid->EditorMode()) << "the text editor stays closed";
    EXPECT_EQ(active->Text(), c.shown);
    grid->HideInplaceEdit();
    EXPECT_FALSE(active->Visible());
    EXPECT_FALSE(active->Enabled());
  }
}

TEST_F(EditControlTest, WhatTheControlHoldsIsWrittenBack) {
  Open(edSpinEdit, "5");
  Controls().spin->SetValue(8);
  grid->HideInplaceEdit();
  EXPECT_EQ(grid->GetCellEx(1, 1), "8");

  Open(edUniEdit, "a");
  Controls().uniEdit->SetText(WideString(u"\u00e9t\u00e9"));
  grid->HideInplaceEdit();
  EXPECT_EQ(grid->GetWideCells(1, 1), WideString(u"\u00e9t\u00e9"));

  Open(edCheckBox, "keep");
  Controls().checkBox->SetChecked(true);
  grid->HideInplaceEdit();
  EXPECT_EQ(grid->GetCellEx(1, 1), "keep") << "a check box cell is only hidden";
}

TEST_F(EditControlTest, UnitCellSplitsIntoValueAndUnitAndJoinsThemBack) {
  Open(edUnitEditBtn, "12mm");
  TGridUnitEditBtn* unit = Controls().unitEditBtn;
  EXPECT_EQ(unit->Text(), "12");
  EXPECT_EQ(unit->UnitID(), "mm");
  unit->SetText("13");
  grid->HideInplaceEdit();
  EXPECT_EQ(grid->GetCellEx(1, 1), "13mm");
}

TEST_F(EditControlTest, NoneKindNeverEdits) {
  Open(edNone, "fixed text");
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(Controls().active, nullptr);
  harness::TypeText(grid, "x");
  harness::PressKey(grid, Qt::Key_Return);
  harness::ProcessEvents();
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(grid->GetCellEx(1, 1), "fixed text");
}

TEST_F(EditControlTest, TextKindsGetTheTextEditorOfThatKind) {
  Open(edPassword, "secret");
  ASSERT_TRUE(grid->EditorMode());
  auto* editor = dynamic_cast<TZurInplaceEdit*>(grid->InplaceEditor());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->EditorType(), edPassword);
  EXPECT_EQ(Controls().active, nullptr);
}

// Text that does not convert opens the editor on the kind's fallback; it
// never throws out of the key handler that started editing.
TEST_F(EditControlTest, UnconvertibleSpinAndDateCellsOpenOnTheFallback) {
  Open(edSpinEdit, "abc");
  ASSERT_EQ(Controls().active, Controls().spin);
  EXPECT_EQ(Controls().spin->Value(), 0);
  grid->HideInplaceEdit();

  Open(edFloatSpinEdit, "1.2.3");
  ASSERT_EQ(Controls().active, Controls().spin);
  EXPECT_EQ(Controls().spin->FloatValue(), 0.0);
  grid->HideInplaceEdit();

  const double before = Now();
  Open(edDateSpinEdit, "x");
  ASSERT_EQ(Controls().active, Controls().spin);
  EXPECT_EQ(static_cast<int>(Controls().spin->DateValue()), static_cast<int>(before));
  grid->HideInplaceEdit();

  Open(edDateEdit, "not a date");
  ASSERT_EQ(Controls().active, Controls().datePicker);
  EXPECT_EQ(static_cast<int>(Controls().datePicker->Date()), static_cast<int>(before));
}

TEST_F(EditControlTest, ComboListWithoutTheCellTextTakesTheComboSelectionOrTheFirstItem) {
  for (const char* item : {"red", "green", "blue"}) grid->AddComboString(item);
  std::vector<std::pair<int, AnsiString>> changes;
  grid->OnComboChange = [&](TObject*, int, int, int index, AnsiString text) { changes.emplace_back(index, text); };

  Open(edComboList, "green");
  EXPECT_EQ(Controls().combo->ItemIndex(), 1);
  EXPECT_TRUE(changes.empty());
  grid->HideInplaceEdit();

  Open(edComboList, "purple");
  EXPECT_EQ(Controls().combo->ItemIndex(), 0);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], std::make_pair(0, AnsiString("red")));
  grid->HideInplaceEdit();
  EXPECT_EQ(grid->GetCellEx(1, 1), "red");

  ASSERT_TRUE(grid->SetComboSelectionString("blue"));
  Open(edComboList, "purple");
  EXPECT_EQ(Controls().combo->ItemIndex(), 2);
  EXPECT_EQ(changes.size(), 1u) << "only the fall-back to item 0 is reported";
}

TEST_F(EditControlTest, EnterWritesTheTypedComboTextBack) {
  Open(edComboEdit, "old");
  TGridCombo* combo = Controls().combo;
  harness::PressKey(combo, Qt::Key_A, Qt::ControlModifier);
  harness::TypeText(combo, "new");
  harness::PressKey(combo, Qt::Key_Return);
  harness::ProcessEvents();
  EXPECT_FALSE(combo->Visible());
  EXPECT_EQ(grid->GetCellEx(1, 1), "new");
}

TEST_F(EditControlTest, EndLeavesAnEditableComboWithoutMovingTheGrid) {
  Open(edComboEdit, "old");
  harness::PressKey(Controls().combo, Qt::Key_End);
  harness::ProcessEvents();
  EXPECT_FALSE(Controls().combo->Visible());
  EXPECT_EQ(grid->Col(), 1);
}

TEST_F(EditControlTest, CustomCellsEditThroughTheEditLink) {
  Open(edCustom, "abc");
  EXPECT_EQ(Controls().active, nullptr) << "without an edit link nothing shows";
  EXPECT_FALSE(grid->EditorMode());
  grid->HideInplaceEdit();

  editortesting::TEditBoxLink link(nullptr);
  grid->SetEditLink(&link);
  Open(edCustom, "abc");
  ASSERT_NE(link.edit, nullptr);
  EXPECT_EQ(Controls().active, link.edit);
  EXPECT_TRUE(link.edit->Focused());
  EXPECT_EQ(link.edit->Text(), "abc");
  harness::TypeText(link.edit, "d");
  harness::PressKey(link.edit, Qt::Key_Return);
  harness::ProcessEvents();
  EXPECT_EQ(grid->GetCellEx(1, 1), "abcd");
  EXPECT_FALSE(link.edit->Visible());
  grid->SetEditLink(nullptr);
}

TEST_F(EditControlTest, ComboListOperations) {
  grid->AddComboString("a");
  grid->AddComboStringObject("b", grid);
  EXPECT_EQ(grid->GetComboCount(), 2);
  EXPECT_EQ(Controls().combo->Items()->Objects(1), grid);
  EXPECT_FALSE(grid->RemoveComboString("z"));
  EXPECT_TRUE(grid->RemoveComboString("a"));
  EXPECT_FALSE(grid->SetComboSelectionString("a"));
  EXPECT_EQ(Controls().comboSelection, -1);
  grid->ClearComboString();
  EXPECT_EQ(grid->GetComboCount(), 0);
}

TEST_F(EditControlTest, TypedTextCompletesFromTheItemsIgnoringCase) {
  grid->Props().Lookup = true;
  grid->AddComboString("Abc");
  grid->AddComboString("abd");
  Open(edComboEdit, "");
  QLineEdit* line = Controls().combo->ComboBox()->lineEdit();
  ASSERT_NE(line, nullptr);
  harness::TypeText(Controls().combo, "ab");
  EXPECT_EQ(line->text().toStdString(), "abc");
  EXPECT_EQ(line->selectionStart(), 2);
  EXPECT_EQ(line->selectedText().size(), 1);
  harness::PressKey(Controls().combo, Qt::Key_Backspace);
  EXPECT_EQ(line->text().toStdString(), "ab") << "Backspace removes the completion without completing again";
}

TEST_F(EditControlTest, TypedTextCompletesFromTheLookupItems) {
  grid->Props().Lookup = true;
  grid->LookupItems()->Add("Apple");
  Open(edComboEdit, "");
  harness::TypeText(Controls().combo, "ap");
  EXPECT_EQ(Controls().combo->ComboBox()->lineEdit()->text().toStdString(), "apple");
}

TEST_F(EditControlTest, LookupHistoryKeepsTypedValuesWhenTheEditorIsLeft) {
  grid->Props().LookupHistory = true;
  grid->AddComboString("one");
  Open(edComboEdit, "");
  harness::TypeText(Controls().combo, "two");
  grid->SetFocus();
  harness::ProcessEvents();
  EXPECT_EQ(grid->GetComboCount(), 2);
  EXPECT_EQ(grid->GetCellEx(1, 1), "two");
  Open(edComboEdit, "");
  grid->SetFocus();
  harness::ProcessEvents();
  EXPECT_EQ(grid->GetComboCount(), 2) << "an empty text is no item";
}

void Wheel(TControl* control, int delta) {
  QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(control->Widget(), &event);
}

TEST_F(EditControlTest, WheelStepsThroughTheItemsAndReportsEveryNotch) {
  for (const char* item : {"a", "b"}) grid->AddComboString(item);
  std::vector<int> changes;
  grid->OnComboChange = [&](TObject*, int, int, int index, AnsiString) { changes.push_back(index); };
  int objectChanges = 0;
  grid->OnComboObjectChange = [&](TObject*, int, int, int, AnsiString, TObject*) { ++objectChanges; };
  Open(edComboList, "a");
  TGridCombo* combo = Controls().combo;
  Wheel(combo, 120);
  EXPECT_EQ(combo->ItemIndex(), 0) << "away from the user on item 0";
  Wheel(combo, -120);
  Wheel(combo, -120);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(changes, (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(objectChanges, 3);
}

TEST_F(EditControlTest, RightInADropDownListMovesTheGridAfterEndingTheEdit) {
  grid->AddComboString("a");
  Open(edComboList, "a");
  ASSERT_EQ(Controls().active, Controls().combo);
  harness::PressKey(Controls().combo, Qt::Key_Right);
  harness::ProcessEvents();
  EXPECT_FALSE(Controls().combo->Visible());
  EXPECT_EQ(grid->Col(), 2);
}

TEST_F(EditControlTest, EscapeInTheSpinRestoresTheTextOfTheStart) {
  Open(edSpinEdit, "5");
  Controls().spin->SetValue(9);
  harness::PressKey(Controls().spin, Qt::Key_Escape);
  harness::ProcessEvents();
  EXPECT_FALSE(Controls().spin->Visible());
  EXPECT_EQ(grid->GetCellEx(1, 1), "5");
}

TEST_F(EditControlTest, SpinPageKeysStayWithinTheLimits) {
  int clicks = 0;
  grid->OnSpinClick = [&](TObject*, int, int, int, bool up) { clicks += up ? 100 : 1; };
  Open(edSpinEdit, "100");
  TGridSpin* spin = Controls().spin;
  harness::PressKey(spin, Qt::Key_PageUp);
  EXPECT_EQ(spin->Value(), 100) << "MaxValue - Increment + 1 and beyond stay";
  harness::PressKey(spin, Qt::Key_PageDown);
  EXPECT_EQ(spin->Value(), 99);
  harness::PressKey(spin, Qt::Key_End);
  EXPECT_EQ(spin->Value(), 0);
  EXPECT_EQ(clicks, 3);
}

TEST_F(EditControlTest, NumericEditWithButtonRefusesASecondMinus) {
  Open(edNumericEditBtn, "");
  TGridEditBtn* edit = Controls().editBtn;
  harness::TypeText(edit, "-1-a");
  EXPECT_EQ(edit->Text(), "-1");
  EXPECT_EQ(services->beeps, 2);
}

TEST_F(EditControlTest, EnterInTheMemoBreaksTheLine) {
  Open(edUniMemo, "a");
  TGridUniMemo* memo = Controls().uniMemo;
  harness::PressKey(memo, Qt::Key_End);
  harness::PressKey(memo, Qt::Key_Return);
  harness::TypeText(memo, "b");
  EXPECT_TRUE(memo->Visible());
  harness::PressKey(memo, Qt::Key_Escape);
  harness::ProcessEvents();
  EXPECT_FALSE(memo->Visible());
}

TEST_F(EditControlTest, TheCharacterThatStartsEditingArrivesInTheControl) {
  editorType = edSpinEdit;
  grid->SetCellEx(1, 1, "");
  grid->SetCol(1);
  grid->SetRow(1);
  harness::TypeText(grid, "7");
  harness::ProcessEvents();
  ASSERT_EQ(Controls().active, Controls().spin);
  EXPECT_EQ(Controls().spin->Value(), 7);
}

TEST_F(EditControlTest, ShowCellEditStartsEditingAsF2Does) {
  editorType = edSpinEdit;
  grid->SetCol(1);
  grid->SetRow(1);
  grid->ShowCellEdit();
  harness::ProcessEvents();
  EXPECT_EQ(Controls().active, Controls().spin);
  EXPECT_TRUE(Controls().spin->Visible());
}

TEST_F(EditControlTest, RestoreCacheWritesBackTheTextOfTheStart) {
  Open(edSpinEdit, "5");
  grid->SetCellEx(1, 1, "changed");
  grid->RestoreCache();
  EXPECT_EQ(grid->GetCellEx(1, 1), "5");
}

TEST_F(EditControlTest, ReadOnlyFixedAndMergedCellsAreJudgedForEditing) {
  EXPECT_TRUE(grid->IsEditable(1, 1));
  grid->OnCanEditCell = [](TObject*, int row, int col, bool& canEdit) { canEdit = !(col == 2 && row == 2); };
  EXPECT_FALSE(grid->IsEditable(2, 2));
  EXPECT_FALSE(grid->IsEditable(0, 1)) << "fixed column";
  grid->MergeCells(1, 3, 3, 1);
  grid->OnCanEditCell = [](TObject*, int row, int col, bool& canEdit) { canEdit = !(col == 1 && row == 3); };
  EXPECT_FALSE(grid->IsEditable(3, 3)) << "a covered cell is judged by its base cell";
  grid->SetOptions(grid->Options() & ~goEditing);
  EXPECT_FALSE(grid->IsEditable(1, 1));
}

TEST_F(EditControlTest, FooterRowsAndRightColumnsAreFixed) {
  EXPECT_FALSE(grid->IsFixed(4, 4));
  grid->SetFixedFooters(1);
  EXPECT_TRUE(grid->IsFixed(2, 4));
  EXPECT_FALSE(grid->IsFixed(2, 3));
  grid->SetFixedRightCols(1);
  EXPECT_TRUE(grid->IsFixed(4, 2));
}

TEST_F(EditControlTest, PickerChangesReachTheGridsDateTimeEvent) {
  std::vector<TDateTime> changes;
  grid->OnDateTimeChange = [&](TObject*, int col, int row, TDateTime value) {
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 1);
    changes.push_back(value);
  };
  Open(edDateEditUpDown, "3/4/2021");
  TGridDatePicker* picker = Controls().datePicker;
  ASSERT_EQ(Controls().active, picker);
  EXPECT_TRUE(changes.empty()) << "filling the picker is no change";
  harness::PressKey(picker, Qt::Key_Up);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_NE(static_cast<double>(changes[0]), static_cast<double>(EncodeDate(2021, 3, 4)));
  grid->HideInplaceEdit();
  EXPECT_EQ(grid->GetCellEx(1, 1), DateToStr(changes[0]));
}

TEST_F(EditControlTest, UncheckedDatePickerWritesAnEmptyCell) {
  Open(edDateEdit, "3/4/2021");
  TGridDatePicker* picker = Controls().datePicker;
  picker->SetShowCheckbox(true);
  picker->SetChecked(false);
  grid->HideInplaceEdit();
  EXPECT_EQ(grid->GetCellEx(1, 1), "");
}

}  // namespace
