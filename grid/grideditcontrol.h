#pragma once
// What the grid keeps for editing a cell with one of its editor controls:
// the controls themselves (owned by the grid as components, created
// disabled and invisible) and the state of the edit that is open.
#include "framework/strings.h"
#include "grid/basegrid.h"

class TVudUvizidIzed;
class TWinControl;
class TGridCombo;
class TGridSpin;
class TGridUniEdit;
class TGridUniMemo;
class TGridUniEditBtn;
class TGridUniCombo;
class TGridDatePicker;
class TGridCheckBox;
class TGridEditBtn;
class TGridUnitEditBtn;
class TGridButton;
class TZurRichEdit;

struct TGridEditControls {
  explicit TGridEditControls(TVudUvizidIzed* grid);
  TGridEditControls(const TGridEditControls&) = delete;
  TGridEditControls& operator=(const TGridEditControls&) = delete;
  // Frees the controls while the grid is still whole; from then on they
  // hand nothing back to it.
  void FreeControls();

  TGridCombo* combo;
  TGridSpin* spin;
  TGridUniEdit* uniEdit;
  TGridUniMemo* uniMemo;
  TGridUniEditBtn* uniEditBtn;
  TGridUniCombo* uniCombo;
  TGridDatePicker* datePicker;
  TGridCheckBox* checkBox;
  TGridEditBtn* editBtn;
  TGridUnitEditBtn* unitEditBtn;
  TGridButton* button;
  // The edRichEdit editor, and the control rich-text cells are measured
  // with, which keeps the size the editor last asked for.
  TZurRichEdit* richEdit;
  TZurRichEdit* richMeasure;

  // The kind of editor of the open edit.
  TEditorType editorType = edNormal;
  // An editor (a control or the text editor) is open on the current cell.
  bool controlShown = false;
  // The control being edited with; null for none or the text editor.
  TWinControl* active = nullptr;
  // The character that started editing, 0 when no key did.
  char startKey = 0;
  // Set when a control was shown; HideEditControl ends the session.
  bool editingStarted = false;
  bool hiding = false;
  // The item an edComboList cell takes when its text is not in the list.
  int comboSelection = -1;
  // The current cell's text when editing began (RestoreCache).
  AnsiString cachedText;
  // Editing started with a click: the combo places its caret under the
  // mouse when it takes the focus.
  bool caretOnClick = false;
  bool closing = false;
};
