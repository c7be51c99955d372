#pragma once
// The editors the grid shows over the form controls embedded in cell
// mark-up: an edit (EDIT, PASSWORD and MASK controls) and a combo box (COMBO
// controls). Enter ends the edit; Tab ends it and moves on to the next form
// control of the cell, or with Navigation.AdvanceAuto to the next cell.
#include "framework/maskedit.h"
#include "grid/zgcombo.h"

class TVudUvizidIzed;

template <class TEditorBase>
class TFormControlEditor : public TEditorBase {
 public:
  explicit TFormControlEditor(TVudUvizidIzed* grid) : TEditorBase(nullptr), grid_(grid) {}

 protected:
  void KeyPress(char& key) override;

 private:
  TVudUvizidIzed* grid_;
};

class TControlEdit : public TFormControlEditor<TCustomMaskEdit> {
 public:
  // Borderless: the control's own frame in the cell stays around it.
  explicit TControlEdit(TVudUvizidIzed* grid);
};

class TControlCombo : public TFormControlEditor<TZurComboBox> {
 public:
  using TFormControlEditor::TFormControlEditor;
};
