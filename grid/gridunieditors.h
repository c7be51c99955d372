#pragma once
// The grid's Unicode in-place editors: an edit, an edit with a button and a
// memo over the Unicode controls, validated and written back as the cell's
// wide text.
#include "grid/grideditors.h"
#include "grid/zguni.h"

// What the three share over their Unicode base: the caret at the end when
// they take the focus (unless the grid selects all), the reload from the
// cell, and the wide validation.
template <class TBase>
class TGridUniEditorOf : public TGridEditorOf<TBase> {
 public:
  using TGridEditorOf<TBase>::TGridEditorOf;

 protected:
  void WndProc(TMessage& message) override;
  // The cell's wide text back into the editor.
  void ReloadFromCell();
  // ValidateCellWide of the text; refused: reloaded, caret at the end.
  bool ValidateWide();
  // Tab, Enter, Escape, Up and Down of the edit and the edit with button.
  void EndKeyDown(unsigned short& key, TShiftState shift);
  void CaretToEnd();
};

class TGridUniEdit : public TGridUniEditorOf<TZurUniEdit> {
 public:
  using TGridUniEditorOf<TZurUniEdit>::TGridUniEditorOf;

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override { EndKeyDown(key, shift); }
};

class TGridUniEditBtn : public TGridUniEditorOf<TZurUniEditBtn> {
 public:
  using TGridUniEditorOf<TZurUniEditBtn>::TGridUniEditorOf;

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override { EndKeyDown(key, shift); }
};

// Enter, Up and Down stay in the memo; Tab and Escape leave it.
class TGridUniMemo : public TGridUniEditorOf<TZurUniMemo> {
 public:
  using TGridUniEditorOf<TZurUniMemo>::TGridUniEditorOf;

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override;
};
