#pragma once
// The flat combo box: while Flat it draws its own border and drop-down
// button over the standard control, a thin frame in the parent's colour
// while idle and a sunken one while the mouse is over it or it has the
// focus (with FocusBorder); the button edge is raised or etched, or the
// button is drawn by the theme. DropWidth widens the list beyond the
// control; AutoFocus takes the focus when the mouse comes over it.
#include <QPointer>

#include "framework/standardcontrols.h"

class QWidget;

// The flat look over a combo class (TComboBox, or the Unicode combo).
template <class TComboBase>
class TFlatComboOf : public TComboBase {
 public:
  explicit TFlatComboOf(TComponent* owner);
  ~TFlatComboOf() override;

  bool AutoFocus() const { return autoFocus_; }
  void SetAutoFocus(bool on) { autoFocus_ = on; }
  bool Flat() const { return flat_; }
  void SetFlat(bool on);
  bool Etched() const { return etched_; }
  void SetEtched(bool on);
  bool FocusBorder() const { return focusBorder_; }
  void SetFocusBorder(bool on);
  // 14 to 32 pixels; other widths are ignored.
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int width);
  // The width of the drop-down list; 0 or less leaves it as it is.
  int DropWidth() const { return dropWidth_; }
  void SetDropWidth(int width);
  // The button is drawn by the theme (set by the owner).
  bool IsWinXP() const { return isWinXP_; }
  void SetIsWinXP(bool on);
  // The border is 3D in the flat look when this is off.
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool on);
  bool MouseInControl() const { return mouseIn_; }

  // Whether the control border is drawn sunken now.
  bool Is3DBorderControl() const;
  // Whether the button border is drawn raised now.
  bool Is3DBorderButton() const;
  // Draws the flat border and button (nothing unless Flat).
  void DrawBorders();

 protected:
  void WndProc(TMessage& message) override;
  // The Unicode combo insets its button on every side.
  virtual bool InsetButton() const { return false; }

 private:
  bool ActiveOrHovered() const;
  void DrawControlBorder(TCanvas& canvas, const TRect& window);
  void DrawButtonBorder(TCanvas& canvas, const TRect& window);
  void DrawDropButton(TCanvas& canvas, const TRect& window);
  void EnabledChanging();

  QPointer<QWidget> overlay_;
  bool autoFocus_ = false;
  bool flat_ = true;
  bool etched_ = false;
  TColor savedColor_;
  int buttonWidth_;
  bool focusBorder_ = false;
  bool mouseIn_ = false;
  int dropWidth_ = 0;
  bool isWinXP_ = false;
  bool ctl3D_ = true;
};

class TZurCustomCombo : public TFlatComboOf<TComboBox> {
 public:
  using TFlatComboOf<TComboBox>::TFlatComboOf;
  // The version as its four parts joined by "."; setting it does nothing.
  AnsiString Version() const;
  void SetVersion(const AnsiString&) {}
  // Major, minor, release and build, most significant byte first.
  virtual unsigned GetVersionNr() const;
};

class TZurComboBox : public TZurCustomCombo {
 public:
  using TZurCustomCombo::TZurCustomCombo;
};
