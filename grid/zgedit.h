#pragma once
// The edit with an embedded button and its parts:
// - TDorUzavaButton, a speed button with a classic, a flat and a themed look;
// - TZurEditButton, a small control hosting one such button that fires
//   OnClick when the left mouse button goes down on it;
// - TZurEditBtn, a single-line edit with a TZurEditButton at its right edge
//   (F4 presses it too), the base of the grid's button cell editor;
// - TZurUnitEditBtn, which shows a unit text between the value and the
//   button and lets the user pick the unit from a menu.
// The value and the unit are separate properties: Text holds the value
// only, UnitID the unit only.
#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/standardcontrols.h"

class QLineEdit;

class TDorUzavaButton : public TGraphicControl {
 public:
  explicit TDorUzavaButton(TComponent* owner);

  bool IsWinXP() const { return isWinXP_; }
  void SetIsWinXP(bool on);
  bool Flat() const { return flat_; }
  void SetFlat(bool on);
  // The mouse is over the button.
  bool Hot() const { return hot_; }
  // The left mouse button holds the button down.
  bool Down() const { return down_; }
  TBitmap* Glyph() { return &glyph_; }
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int count) { numGlyphs_ = count; }

 protected:
  void Paint() override;
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  bool ClicksOnMouseUp() const override { return false; }

 private:
  // Draws the themed frame; false when no theme could draw it.
  bool PaintThemedFrame(const TRect& r);
  void SetDown(bool on);

  bool isWinXP_ = false;
  bool flat_ = false;
  bool hot_ = false;
  bool down_ = false;
  TBitmap glyph_;
  int numGlyphs_ = 1;
};

class TZurEditButton : public TCustomControl {
 public:
  explicit TZurEditButton(TComponent* owner);

  TDorUzavaButton* Button() const { return button_; }
  // The control that takes the focus when the button is pressed.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* control);
  bool Flat() const { return flat_; }
  void SetFlat(bool on);
  TBitmap* Glyph() { return button_->Glyph(); }
  AnsiString ButtonCaption() const { return button_->Caption(); }
  void SetButtonCaption(const AnsiString& caption);
  int NumGlyphs() const { return button_->NumGlyphs(); }
  void SetNumGlyphs(int count) { button_->SetNumGlyphs(count); }

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void WndProc(TMessage& message) override;
  bool ClicksOnMouseUp() const override { return false; }

 private:
  void ButtonMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void PlaceButton();

  TDorUzavaButton* button_;
  TWinControl* focusControl_ = nullptr;
  bool flat_ = false;
};

// What the edits with a button share, over the edit class they extend
// (TEdit for TZurEditBtn, the Unicode edit for TZurUniEditBtn).
template <class TEditBase>
class TEditWithButton : public TEditBase {
 public:
  explicit TEditWithButton(TComponent* owner);

  TZurEditButton* EditButton() const { return button_; }
  // Off: typing, cut, paste and deleting are refused; the button still
  // works.
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool on) { editorEnabled_ = on; }
  bool RightAlign() const { return rightAlign_; }
  void SetRightAlign(bool on);
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int width);
  bool IsWinXP() const { return isWinXP_; }
  void SetIsWinXP(bool on);
  TBitmap* Glyph() { return button_->Glyph(); }
  AnsiString ButtonCaption() const { return button_->ButtonCaption(); }
  void SetButtonCaption(const AnsiString& caption) { button_->SetButtonCaption(caption); }
  // The button's caption ("..." for the grid's editors).
  void SetCaption(const AnsiString& caption) { SetButtonCaption(caption); }
  // Gaining the focus from the keyboard selects the whole text.
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool on) { autoSelect_ = on; }
  // bsSingle (a frame) or bsNone.
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);

  // The rectangle the typed text stays in, in the edit's coordinates: it
  // never runs under the button or the unit text.
  TRect TextRect() const;
  // The lowest height the edit takes: its font's height and a quarter of
  // the smaller of that and the system font's height.
  int MinimumHeight() const;

  // Pressing the button and F4 call it; fires OnClickBtn.
  virtual void BtnClick(TObject* sender);
  TNotifyEvent OnClickBtn;

  bool HandleQtEvent(QObject* source, QEvent* event) override;

 protected:
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  int UnitSize() const { return unitSize_; }
  void SetUnitSize(int size);
  // Keeps the button at the right edge and the text clear of it.
  virtual void Relayout();

 private:
  bool HandleEditingKey(TMessage& message);
  void PasteOrCut(unsigned msg);
  void ShowContextMenu(QObject* source, QEvent* event);

  TZurEditButton* button_;
  int unitSize_ = 0;
  int buttonWidth_ = 18;
  bool rightAlign_ = false;
  bool editorEnabled_ = true;
  bool isWinXP_ = false;
  bool autoSelect_ = true;
  TFormBorderStyle borderStyle_ = bsSingle;
};

class TZurEditBtn : public TEditWithButton<TEdit> {
 public:
  // A new one shows "0".
  explicit TZurEditBtn(TComponent* owner);
};

class TZurUnitEditBtn : public TZurEditBtn {
 public:
  explicit TZurUnitEditBtn(TComponent* owner);
  ~TZurUnitEditBtn() override;

  // The units offered in the menu.
  TStrings* Units() const { return units_.get(); }
  // Copies the list's contents; null is ignored.
  void SetUnits(const TStrings* units);
  const AnsiString& UnitID() const { return unitID_; }
  void SetUnitID(const AnsiString& unit);
  // The room the unit text takes; 0 removes it.
  int UnitSpace() const { return UnitSize(); }
  void SetUnitSpace(int space) { SetUnitSize(space); }
  // Where the unit text is shown, in the edit's coordinates.
  TRect UnitRect() const;
  // The menu of units as last shown, or null.
  TPopupMenu* UnitMenu() const { return menu_; }

  // Shows the menu of units under the button.
  void BtnClick(TObject* sender) override;

 protected:
  void WndProc(TMessage& message) override;
  void Relayout() override;

 private:
  void ShowUnit();

  std::unique_ptr<TStringList> units_;
  AnsiString unitID_;
  TLabel* unitLabel_;
  TPopupMenu* menu_ = nullptr;
};
