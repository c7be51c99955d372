#pragma once
// TZurRichEdit: the grid's rich-text control. The grid owns two: one it
// measures rich-text cells with, and the in-place editor of edRichEdit
// cells. As the editor it grows the cell's row while the text grows
// (SizeWhileTyping.Height), ends the edit when the focus goes back to the
// grid, and hands Up and Down to the grid when the grid's cells hold one
// line each.
#include "framework/standardcontrols.h"

class TVudUvizidIzed;

class TZurRichEdit : public TRichEdit {
 public:
  // The owner must be the grid.
  explicit TZurRichEdit(TComponent* owner);

  // The selection's characters on the base line, lowered (subscript) or
  // raised (superscript); any negative offset lowers, any positive raises.
  void SelFormat(int offset);
  void SelNormal() { SelFormat(0); }
  void SelSubscript() { SelFormat(-40); }
  void SelSuperscript() { SelFormat(40); }
  bool IsSelNormal() const { return SelOffset() == 0; }
  bool IsSelSubscript() const { return SelOffset() < 0; }
  bool IsSelSuperscript() const { return SelOffset() > 0; }

  // Locked while the grid fills it: the text it is given does not size the row.
  void Lock() { locked_ = true; }
  void Unlock() { locked_ = false; }
  bool Locked() const { return locked_; }

  // The size the editor last asked for, kept in the measuring control.
  int ReqWidth() const { return reqWidth_; }
  int ReqHeight() const { return reqHeight_; }

 protected:
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void RequestResize(const TRect& requested) override;

 private:
  // -40, 0 or 40 for the selection's (first character's) position.
  int SelOffset() const;
  // The row of the cell being edited grows to show height pixels.
  void GrowRow(int height);

  TVudUvizidIzed* grid_;
  bool locked_ = false;
  int reqWidth_ = 0;
  int reqHeight_ = 0;
};
