#pragma once
// What the grid keeps while a cell is edited: the cell under validation with
// its text before the edit, the editing switch that the selection turns off
// on read-only cells, and the walk of the advance after an edit.
#include "framework/datetime.h"
#include "framework/sysutils.h"
#include "framework/types.h"

struct TGridEditState {
  // ---- Validation ----
  // The display cell whose edit is validated next, and its texts then.
  int validateCol = -1;
  int validateRow = -1;
  AnsiString startText;
  WideString startWideText;
  AnsiString pendingValue;
  // Set while an editor is open on the validation cell and its value has
  // not been validated yet.
  bool editPending = false;
  // Guards against validation started again from the events it fires.
  bool validating = false;
  // The grid's editing option when the validation cell was taken.
  bool editingAtStart = false;

  // ---- Editing switch of the selection ----
  // An editor was opened on the current cell (the text editor or a control).
  bool editingBegun = false;
  // Editing was switched off for a read-only cell and comes back on an
  // editable one.
  bool forcedEdit = false;
  // SelectCell answers true at once while set.
  bool selectBypass = false;

  // ---- Advance after an edit ----
  TPoint advanceStart{-1, -1};
  bool advancing = false;
  // An editor control ends its edit with a key (DoneInplaceEdit).
  bool insideDoneEdit = false;
  // The mouse press that starts an edit: the text editor puts its caret
  // under it.
  bool clickStarted = false;
  // Set while the text editor hides: the focus it hands to the grid comes
  // before its text is written back.
  bool textEditorHiding = false;

  // ---- Incremental row search by typing ----
  AnsiString searchText;
};
