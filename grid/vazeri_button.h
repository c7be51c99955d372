#pragma once
// TDurUzavButton: the flat speed button of the grid's search bar. It shows a
// glyph and a caption, tracks the mouse (hot faces), paints its faces plain
// or as gradients in one of seven colour looks, can be rounded, a toggle or
// one of a group, and can carry a drop-down part at its right.
#include "framework/controls.h"
#include "framework/graphics.h"

class TPopupMenu;

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
enum TDurUzavButtonStyle { tasButton, tasCheck };

namespace durbutton {
// Sent to every control of the parent when a grouped button goes down:
// WParam the group index, LParam the button as a TObject*.
inline constexpr unsigned CM_BUTTONPRESSED = CM_BASE + 24;
// An accelerator key for the controls of a form: WParam the character;
// answered 1 by the control that took it.
inline constexpr unsigned CM_DIALOGCHAR = CM_BASE + 6;
inline constexpr unsigned CM_SYSCOLORCHANGE = CM_BASE + 16;

// Where a button's glyph and caption go.
struct TButtonLayoutResult {
  TPoint glyphPos;
  TRect textBounds;
};
// Places a glyph and a text of the given sizes in client: along the
// layout's axis by margin and spacing (-1 = automatic), centred across it;
// glyph left and right swap for right-to-left reading. Both move by offset.
TButtonLayoutResult CalcButtonLayout(const TRect& client, TPoint offset, TSize glyphSize, TSize textSize,
                                     TButtonLayout layout, int margin, int spacing, bool rightToLeft);
// The glyph's grey copy: each pixel becomes (R + G + B) / 3 / 2 + 96.
QImage DisabledGlyph(const QImage& glyph);
// The glyph's silhouette in grey 0x808080 on its transparent colour.
QImage GlyphShade(const QImage& glyph, TColor transparentColor);
}  // namespace durbutton

class TDurUzavButton : public TGraphicControl {
 public:
  explicit TDurUzavButton(TComponent* owner);

  // ---- State ----
  bool Down() const { return down_; }
  void SetDown(bool value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value);
  TDurUzavButtonStyle Style() const { return style_; }
  void SetStyle(TDurUzavButtonStyle value) { Store(style_, value); }
  TButtonState State() const { return state_; }
  // The hot state: the mouse is over a flat button.
  bool MouseInControl() const { return mouseInControl_; }

  // ---- Glyphs and caption layout ----
  TBitmap* Glyph() { return &glyph_; }
  // Takes the picture and, when it is not empty, makes GlyphDisabled its
  // grey copy.
  void SetGlyph(const TBitmap& picture);
  TBitmap* GlyphDisabled() { return &glyphDisabled_; }
  void SetGlyphDisabled(const TBitmap& picture) { AssignPicture(glyphDisabled_, picture); }
  TBitmap* GlyphHot() { return &glyphHot_; }
  void SetGlyphHot(const TBitmap& picture) { AssignPicture(glyphHot_, picture); }
  TBitmap* GlyphDown() { return &glyphDown_; }
  void SetGlyphDown(const TBitmap& picture) { AssignPicture(glyphDown_, picture); }
  bool Shaded() const { return shaded_; }
  // On makes the glyph's shade (unless still loading).
  void SetShaded(bool value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value) { Store(layout_, value); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int value) { Store(spacing_, value); }
  int Margin() const { return margin_; }
  // Values below -1 are ignored.
  void SetMargin(int value);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool value) { Store(showCaption_, value); }

  // ---- Look ----
  bool Flat() const { return flat_; }
  void SetFlat(bool value) { Store(flat_, value); }
  bool Rounded() const { return rounded_; }
  void SetRounded(bool value) { Store(rounded_, value); }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor value) { Store(colorTo_, value); }
  TColor ColorHot() const { return colorHot_; }
  void SetColorHot(TColor value) { colorHot_ = value; }
  TColor ColorHotTo() const { return colorHotTo_; }
  void SetColorHotTo(TColor value) { colorHotTo_ = value; }
  TColor ColorDown() const { return colorDown_; }
  void SetColorDown(TColor value) { colorDown_ = value; }
  TColor ColorDownTo() const { return colorDownTo_; }
  void SetColorDownTo(TColor value) { colorDownTo_ = value; }
  TColor ColorChecked() const { return colorChecked_; }
  void SetColorChecked(TColor value) { Store(colorChecked_, value); }
  TColor ColorCheckedTo() const { return colorCheckedTo_; }
  void SetColorCheckedTo(TColor value) { Store(colorCheckedTo_, value); }
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor value) { Store(borderColor_, value); }
  TColor BorderDownColor() const { return borderDownColor_; }
  void SetBorderDownColor(TColor value) { borderDownColor_ = value; }
  TColor BorderHotColor() const { return borderHotColor_; }
  void SetBorderHotColor(TColor value) { borderHotColor_ = value; }
  // One of the seven colour looks, 0 to 6; each also clears BorderColor
  // and makes the button flat.
  void SetLook(int look);
  // Follows the theme's colour scheme: look 2, 3 or 4 for the "NormalColor",
  // "HomeStead" and "Metallic" schemes, look 1 for any other or none.
  void ThemeAdapt();
  bool AutoThemeAdapt() const { return autoThemeAdapt_; }
  void SetAutoThemeAdapt(bool value);
  // A button that is not flat draws the theme's push button when a theme
  // is active.
  bool AutoXPStyle() const { return autoXPStyle_; }
  void SetAutoXPStyle(bool value) { autoXPStyle_ = value; }

  // ---- Drop-down part ----
  bool DropDownButton() const { return dropDownButton_; }
  void SetDropDownButton(bool value) { Store(dropDownButton_, value); }
  TPopupMenu* DropDownMenu() const { return dropDownMenu_; }
  void SetDropDownMenu(TPopupMenu* menu);

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnDropDown;

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void WndProc(TMessage& message) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // The button clicks from its own MouseUp.
  bool ClicksOnMouseUp() const override { return false; }

 private:
  // Face colours of one paint: the face, its gradient end and the border.
  struct TFace {
    TColor color;
    TColor colorTo;
    TColor border;
  };

  // Keeps a new value of a property that shows, and repaints.
  template <class T>
  void Store(T& field, T value) {
    if (field == value) return;
    field = value;
    Invalidate();
  }
  void AssignPicture(TBitmap& target, const TBitmap& picture);
  void GenerateShade();
  void UpdateExclusive();
  void UpdateTracking();
  bool IsInside(int x, int y) const;
  bool Hot() const;
  bool CursorOverButton() const;
  void CMButtonPressed(const TMessage& message);
  bool CMDialogChar(TMessage& message);
  void CMMouseEnter();
  void CMMouseLeave();
  void WMLButtonDblClk(TMessage& message);

  void SettleStateForPaint();
  void PaintFrame(TRect& r);
  void PaintFlatFace(TRect& r);
  void PaintHotFace(TRect& r);
  void PaintIdleFace(TRect& r);
  void PaintFace(TRect r, const TFace& face);
  void PaintRoundBorder(TRect& r, TColor color);
  TPoint PaintPressedBackground(const TRect& r);
  void PaintDropDownArrow(TRect& r);
  void DrawButton(const TRect& r, TPoint offset, TButtonState state);
  void DrawButtonGlyph(TPoint pos, TButtonState state);
  void DrawButtonText(TRect r);

  int groupIndex_ = 0;
  TBitmap glyph_;
  bool down_ = false;
  bool dragging_ = false;
  bool allowAllUp_ = false;
  TButtonLayout layout_ = blGlyphLeft;
  int spacing_ = 4;
  int margin_ = -1;
  bool flat_ = true;
  bool mouseInControl_ = false;
  TColor colorTo_ = clNone;
  TColor colorHot_ = 0x00CAC7C7;
  TColor colorHotTo_ = clNone;
  TColor colorDown_ = 0x00D8D3D2;
  TColor colorDownTo_ = clNone;
  TColor borderColor_ = clNone;
  TColor borderDownColor_ = clNone;
  TColor borderHotColor_ = clNone;
  TBitmap glyphDisabled_;
  TBitmap glyphHot_;
  TBitmap glyphDown_;
  TBitmap shade_;
  bool shaded_ = true;
  TColor colorChecked_ = 0x00808080;
  TColor colorCheckedTo_ = clNone;
  TDurUzavButtonStyle style_ = tasButton;
  bool rounded_ = false;
  bool dropDownButton_ = false;
  bool autoThemeAdapt_ = false;
  bool autoXPStyle_ = false;
  TPopupMenu* dropDownMenu_ = nullptr;
  bool showCaption_ = true;
  TButtonState state_ = bsUp;
};
