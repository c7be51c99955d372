#pragma once
// The grid's combo-box in-place editors over the flat combo and the Unicode
// combo: the list sized to its longest item, typed text completed from the
// items and from the grid's lookup list, typed values kept as items, the
// wheel stepping through the items, and the keys that end or cancel the
// edit.
#include "grid/grideditors.h"
#include "grid/zgcombo.h"
#include "grid/zguni.h"

template <class TBase>
class TGridComboOf : public TGridEditorOf<TBase> {
 public:
  explicit TGridComboOf(TComponent* owner);

  // Widens the drop-down list to its widest item.
  void SizeDropDownWidth();
  // Completes the text typed up to the caret from the items, then from the
  // grid's LookupItems, while the grid's Lookup is on.
  void DoChange();
  // Fired when Enter is typed.
  TNotifyEvent OnReturnKey;

 protected:
  void DoExit() override;
  void Change() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void KeyUp(unsigned short& key, TShiftState shift) override;
  void WndProc(TMessage& message) override;

 private:
  // A notch towards the user selects the next item, away the previous one.
  void WheelStep(int delta);
  void FireComboChange(int index, const AnsiString& selection, bool withObject);
  // The caret under the mouse when editing began with a click on the cell.
  void PlaceCaretFromClick();
  // The item that completes the prefix, -1 for none.
  int CompletingItem(const QString& prefix, const QStringList& items) const;
  void Complete(const QString& typed, const QString& item);

  bool completionAllowed_ = true;
  int lastCompleted_ = -1;
  bool completed_ = false;
};

class TGridCombo : public TGridComboOf<TZurComboBox> {
 public:
  using TGridComboOf<TZurComboBox>::TGridComboOf;
};

class TGridUniCombo : public TGridComboOf<TZurUniComboBox> {
 public:
  using TGridComboOf<TZurUniComboBox>::TGridComboOf;
};
