#pragma once
// Cell text checkers: TVudUvizidIzedCheck is the base of the components a
// grid calls, through its CellChecker, to correct a cell's text or mark the
// errors in it with mark-up; it corrects and marks nothing itself.
// TCapitalCheck capitalises the first letter of each sentence.
#include "framework/component.h"

class TVudUvizidIzedCheck : public TComponent {
 public:
  explicit TVudUvizidIzedCheck(TComponent* owner);

  // The checker moves the grid's focus to each cell it checks.
  bool GotoCell() const { return gotoCell_; }
  void SetGotoCell(bool on) { gotoCell_ = on; }
  // The grid corrects / marks a cell when its editing ends.
  bool AutoCorrect() const { return autoCorrect_; }
  void SetAutoCorrect(bool on) { autoCorrect_ = on; }
  bool AutoMarkError() const { return autoMarkError_; }
  void SetAutoMarkError(bool on) { autoMarkError_ = on; }
  // A range check applies Correct / MarkError to each cell.
  bool UseCorrect() const { return useCorrect_; }
  void SetUseCorrect(bool on) { useCorrect_ = on; }
  bool UseMarkError() const { return useMarkError_; }
  void SetUseMarkError(bool on) { useMarkError_ = on; }

  // The cell's text with its errors marked; unchanged here.
  virtual AnsiString MarkError(int ACol, int ARow, AnsiString s);
  // The cell's text corrected; unchanged here.
  virtual AnsiString Correct(int ACol, int ARow, AnsiString s);
  // Called before and after a range of cells is checked.
  virtual void StartCheck();
  virtual void StopCheck();

  // s (which may hold mark-up) with every occurrence of h in its visible
  // text enclosed in "<tag>" and "</tag>".
  static AnsiString HiLight(const AnsiString& s, const AnsiString& h, const AnsiString& tag, bool caseSensitive);
  // s with its first occurrence of oldText replaced by newText.
  static AnsiString ReplaceOnce(const AnsiString& s, const AnsiString& oldText, const AnsiString& newText);

 private:
  bool gotoCell_ = false;
  bool autoCorrect_ = false;
  bool autoMarkError_ = false;
  bool useCorrect_ = false;
  bool useMarkError_ = false;
};

class TCapitalCheck : public TVudUvizidIzedCheck {
 public:
  using TVudUvizidIzedCheck::TVudUvizidIzedCheck;
  // The first letter of the text and every letter after ". ", "! " or "? "
  // (one blank) become capitals.
  AnsiString Correct(int ACol, int ARow, AnsiString s) override;
};
