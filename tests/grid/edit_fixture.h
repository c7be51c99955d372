#pragma once
// A shown grid with editing on, for the tests of editing a cell through the
// keyboard.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/zurinplaceedit.h"

class EditGridTest : public ::testing::Test {
 protected:
  // cols x rows with one fixed row and column.
  explicit EditGridTest(int cols = 4, int rows = 4) {
    form.SetBounds(0, 0, 500, 400);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 460, 360);
    grid->SetColCount(cols);
    grid->SetRowCount(rows);
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
  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
};
