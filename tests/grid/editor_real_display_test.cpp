// An editor of each kind opened on a grid of a window the window manager
// has activated (run by the editor_real_display test under xvfb-run): F2
// opens it, the keyboard types into it, and the key that ends the edit
// writes the value back into the cell.
#include <gtest/gtest.h>

#include <QTextDocument>
#include <chrono>
#include <functional>

#include "framework/testing/harness.h"
#include "grid/gridcombo.h"
#include "grid/gridunieditors.h"
#include "grid/richtext.h"
#include "tests/grid/editortesting.h"
#include "tests/grid/realdisplaygrid.h"
#include "tests/grid/spintesting.h"

namespace {

struct EditorCase {
  TEditorType type;
  const char* cell;
  // Types into the open editor and ends the edit.
  std::function<void(TWinControl* editor)> input;
  const char* written;
};

AnsiString PlainOfRichText(const AnsiString& rtf) {
  QTextDocument document;
  RichTextToDocument(rtf, document);
  return document.toPlainText().toStdString();
}

void Type(TWinControl* editor, const char* text) { harness::TypeText(editor, text); }
void Key(TWinControl* editor, int key) { harness::PressKey(editor, key); }

// Replaces the whole text and ends the edit with Enter.
std::function<void(TWinControl*)> Retype(const char* text) {
  return [text](TWinControl* editor) {
    harness::PressKey(editor, Qt::Key_A, Qt::ControlModifier);
    Type(editor, text);
    Key(editor, Qt::Key_Return);
  };
}

TEST_F(RealDisplay, EveryEditorKindIsTypedIntoAndWrittenBack) {
  grid->SetColCount(3);
  grid->SetRowCount(4);
  grid->SetColWidths(1, 200);
  grid->SetOptions(grid->Options() | goEditing);
  for (const char* item : {"apple", "banana"}) grid->AddComboString(item);
  editortesting::TEditBoxLink link(nullptr);
  grid->SetEditLink(&link);
  TEditorType type = edNormal;
  grid->OnGetEditorType = [&](TObject*, int, int, TEditorType& editor) { editor = type; };
  grid->OnEllipsClick = [](TObject*, int, int, AnsiString& value) { value = "clicked"; };
  ASSERT_TRUE(ShowActivated());

  const EditorCase cases[] = {
      {edSpinEdit, "5", Retype("42"), "42"},
      {edFloatSpinEdit, "1.00", Retype("2.5"), "2.50"},
      {edTimeSpinEdit, "10:15", Retype("11:30"), "11:30"},
      {edDateSpinEdit, "3/4/2021", Retype("5/6/2022"), "5/6/2022"},
      {edComboEdit, "", Retype("cherry"), "cherry"},
      {edComboList, "apple", [](TWinControl* e) { Type(e, "b"); Key(e, Qt::Key_Return); }, "banana"},
      {edEditBtn, "old", Retype("new"), "new"},
      {edNumericEditBtn, "1", Retype("-12x"), "-12"},
      {edFloatEditBtn, "1", Retype("3.5a"), "3.5"},
      {edUnitEditBtn, "12mm", Retype("34"), "34mm"},
      {edDateEditUpDown, "3/4/2021", [](TWinControl* e) { Key(e, Qt::Key_Up); Key(e, Qt::Key_Return); }, "4/4/2021"},
      {edDateEdit, "3/4/2021", [](TWinControl* e) { Key(e, Qt::Key_Down); Key(e, Qt::Key_Return); }, "2/4/2021"},
      {edTimeEdit, "9:30:00 AM", [](TWinControl* e) { Key(e, Qt::Key_Up); Key(e, Qt::Key_Return); },
       "10:30:00 AM"},
      {edButton, "caption", [](TWinControl* e) { Key(e, Qt::Key_Space); }, "caption"},
      {edCheckBox, "box", [](TWinControl* e) { Key(e, Qt::Key_Space); Key(e, Qt::Key_Return); }, "box"},
      {edUniEdit, "a", Retype("\xc3\xa9t\xc3\xa9"), "\xc3\xa9t\xc3\xa9"},
      {edUniEditBtn, "a", Retype("b\xc3\xbc"), "b\xc3\xbc"},
      {edUniMemo, "line", [](TWinControl* e) { Key(e, Qt::Key_End); Type(e, "s"); Key(e, Qt::Key_Tab); }, "lines"},
      {edUniComboEdit, "", Retype("\xc3\xb1u"), "\xc3\xb1u"},
      {edCustom, "linked", Retype("custom"), "custom"},
      // One line a cell: Down leaves the rich-text editor for the next row.
      {edRichEdit, "old",
       [](TWinControl* e) {
         harness::PressKey(e, Qt::Key_A, Qt::ControlModifier);
         Type(e, "rich");
         Key(e, Qt::Key_Down);
       },
       "rich"},
  };
  grid->SetWordWrapEx(false);
  for (const EditorCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "editor type " << c.type);
    type = c.type;
    grid->SetCellEx(1, 1, c.cell);
    grid->SetCol(1);
    grid->SetRow(1);
    ASSERT_TRUE(FocusGrid());
    harness::PressKey(grid, Qt::Key_F2);
    TWinControl* editor = grid->EditControls().active;
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(spintesting::WaitUntil([&] { return editor->Focused(); }, std::chrono::seconds(5)));
    c.input(editor);
    harness::ProcessEvents();
    if (c.type != edButton) {
      EXPECT_FALSE(editor->Visible());
    }
    const bool wide = c.type == edUniEdit || c.type == edUniEditBtn || c.type == edUniMemo || c.type == edUniComboEdit;
    const AnsiString cell = wide                    ? WideToUtf8(grid->GetWideCells(1, 1))
                            : c.type == edRichEdit ? PlainOfRichText(grid->GetCellEx(1, 1))
                                                   : grid->GetCellEx(1, 1);
    EXPECT_EQ(cell, c.written);
    if (c.type == edButton) {
      EXPECT_EQ(editor->Text(), "clicked");
    }
    if (c.type == edCheckBox) {
      EXPECT_TRUE(grid->EditControls().checkBox->Checked());
    }
    grid->HideInplaceEdit();
  }
  grid->SetEditLink(nullptr);
}

}  // namespace
