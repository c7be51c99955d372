#pragma once
// The grid's in-place editor controls over the spin edit, the edits with a
// button and the framework's date-time picker, check box and button. The
// grid owns them, places and fills them over the cell being edited and
// writes their value back (duruzav_editcontrol.cpp); what they add to their
// base controls is the hand-back of the edit when the focus leaves and the
// keys that end, cancel, validate or move it.
#include "framework/datetimepicker.h"
#include "framework/standardcontrols.h"
#include "grid/zgedit.h"
#include "grid/zgspin.h"

class TVudUvizidIzed;

// What every editor control of the grid adds to its base. The owner must be
// the grid.
template <class TBase>
class TGridEditorOf : public TBase {
 public:
  explicit TGridEditorOf(TComponent* owner);
  TVudUvizidIzed* Grid() const { return grid_; }

 protected:
  // Leaving the editor ends the edit.
  void DoExit() override;
  // Enter belongs to the editor, not to the form's default button.
  bool WantsDialogKey(unsigned short key) const override;
  // Tab under goTabs: the edit ends and the next cell (Shift: the
  // previous one) becomes current. True when it did.
  bool TabToNextCell(unsigned short key, TShiftState shift);
  // The editor's text into the current cell, then validated; the cell's
  // text comes back into the editor. Refused: the caret goes to the end of
  // the text and the result is false.
  bool CommitAndValidate();

  TVudUvizidIzed* grid_;
};

class TGridSpin : public TGridEditorOf<TZurSpinEdit> {
 public:
  explicit TGridSpin(TComponent* owner);
  void UpClick(TObject* sender) override;
  void DownClick(TObject* sender) override;

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override;
  // The keys the spin edit steps with reach KeyDown here.
  void WndProc(TMessage& message) override;
  void Change() override;

 private:
  // Page Up, Page Down, Home and End step the integer and float kinds.
  void StepByKey(unsigned short key);
  void FireSpinClick(bool up);
};

class TGridEditBtn : public TGridEditorOf<TZurEditBtn> {
 public:
  explicit TGridEditBtn(TComponent* owner);
  // The button: the text becomes what the grid's EllipsClick makes of it,
  // all selected.
  void ExtClick(TObject* sender);

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyUp(unsigned short& key, TShiftState shift) override;
  void WndProc(TMessage& message) override;
  void Change() override;

 private:
  // The characters the numeric and float kinds take; false drops it.
  bool AcceptsChar(char ch);
};

class TGridUnitEditBtn : public TGridEditorOf<TZurUnitEditBtn> {
 public:
  using TGridEditorOf<TZurUnitEditBtn>::TGridEditorOf;

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void WndProc(TMessage& message) override;
};

class TGridDatePicker : public TGridEditorOf<TDateTimePicker> {
 public:
  explicit TGridDatePicker(TComponent* owner);
  // The calendar is open (between its drop-down and close-up notifications).
  bool CalendarDropped() const { return dropped_; }

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void WndProc(TMessage& message) override;

 private:
  bool dropped_ = false;
};

class TGridCheckBox : public TGridEditorOf<TCheckBox> {
 public:
  using TGridEditorOf<TCheckBox>::TGridEditorOf;

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override;
};

class TGridButton : public TGridEditorOf<TButton> {
 public:
  using TGridEditorOf<TButton>::TGridEditorOf;

 protected:
  bool WantsDialogKey(unsigned short key) const override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyUp(unsigned short& key, TShiftState shift) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  // Hidden, disabled and no longer the grid's shown editor; the grid has
  // the focus.
  void LeaveToGrid();
};
