#pragma once
// A shown grid with editing on, for the tests of editing a cell through the
// keyboard.
#include <QPlainTextEdit>

#include "grid/zurinplaceedit.h"
#include "tests/grid/gridscreen.h"

class EditGridTest : public GridOnScreen {
 protected:
  // cols x rows with one fixed row and column.
  explicit EditGridTest(int cols = 4, int rows = 4) {
    MakeGrid(cols, rows);
    grid->SetOptions(grid->Options() | goEditing);
    form.Show();
    grid->SetFocus();
    harness::ProcessEvents();
  }

  // Opens the text editor on (col, row) as F2 does.
  TZurInplaceEdit* OpenEditor(int col, int row) {
    grid->SetCol(col);
    grid->SetRow(row);
    harness::PressKey(grid, Qt::Key_F2);
    return Editor();
  }
  TZurInplaceEdit* Editor() const {
    return grid->EditorMode() ? dynamic_cast<TZurInplaceEdit*>(grid->InplaceEditor()) : nullptr;
  }
  // Replaces the editor's text by typing.
  void Retype(TZurInplaceEdit* editor, const AnsiString& text) {
    editor->SelectAll();
    harness::TypeText(editor, text);
  }
  TGridCoord Current() const { return {grid->Col(), grid->Row()}; }

  TScopedServices services;
};
