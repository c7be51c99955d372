#pragma once
// The extended spin editor TZozEzedEdit: the spin editor with hexadecimal
// values, a smart step that changes the digit left of the caret, page
// steps, configurable hour and minute steps, optional seconds, a sign
// toggle and step events; and its look: an attached caption label in ten
// positions, a flat and a transparent look, focus colours and a focus
// border.
#include <functional>
#include <memory>

#include "grid/zgspin.h"

class QPainter;
class QWidget;

using TZozEzedType = TZurSpinType;

// The extended editor's arrows: their own glyphs, and the themed look only
// while a theme is active.
class TZozEzedButton : public TZurSpinButton {
 public:
  explicit TZozEzedButton(TComponent* owner);

 protected:
  const char* UpGlyphResource() const override { return "ZozEzedUp"; }
  const char* DownGlyphResource() const override { return "ZozEzedDown"; }
};

enum TLabelPosition {
  lpLeftTop, lpLeftCenter, lpLeftBottom, lpTopLeft, lpBottomLeft,
  lpLeftTopLeft, lpLeftCenterLeft, lpLeftBottomLeft, lpTopCenter, lpBottomCenter
};

class TZozEzedEdit : public TZurSpinEdit {
 public:
  explicit TZozEzedEdit(TComponent* owner);
  ~TZozEzedEdit() override;

  void SetSpinType(TZurSpinType type) override;
  // "0x" and the hexadecimal digits of a 32-bit value.
  int HexValue() const;
  void SetHexValue(int v);
  int IncrementPage() const { return incrementPage_; }
  void SetIncrementPage(int v) { incrementPage_ = v; }
  double IncrementFloatPage() const { return incrementFloatPage_; }
  void SetIncrementFloatPage(double v) { incrementFloatPage_ = v; }
  bool IncrementSmart() const { return incrementSmart_; }
  void SetIncrementSmart(bool on) { incrementSmart_ = on; }
  int IncrementHours() const { return incrementHours_; }
  void SetIncrementHours(int v) { incrementHours_ = v; }
  int IncrementMinutes() const { return incrementMinutes_; }
  void SetIncrementMinutes(int v) { incrementMinutes_ = v; }
  bool ShowSeconds() const { return showSeconds_; }
  void SetShowSeconds(bool on);
  bool Signed() const { return signed_; }
  void SetSigned(bool on) { signed_ = on; }
  bool AutoFocus() const { return autoFocus_; }
  void SetAutoFocus(bool on) { autoFocus_ = on; }

  TDateTime GetDateValue() const override;
  TDateTime GetTimeValue() const override;
  void SetTimeValue(TDateTime v) override;

  bool IsValidChar(char& key) override;
  void UpClick(TObject* sender) override;
  void DownClick(TObject* sender) override;

  // The component's version, 1.4.1.0, as four bytes high to low.
  virtual unsigned GetVersionNr() const;
  AnsiString Version() const;
  // The version is read-only: writing it has no effect.
  void SetVersion(const AnsiString&) {}

  // ---- Look ----
  bool Flat() const { return flat_; }
  void SetFlat(bool on);
  TColor FlatLineColor() const { return flatLineColor_; }
  void SetFlatLineColor(TColor color);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  TColor FocusColor() const { return focusColor_; }
  void SetFocusColor(TColor color) { focusColor_ = color; }
  TColor FocusBorderColor() const { return focusBorderColor_; }
  void SetFocusBorderColor(TColor color);
  // The attached label: made by the first caption written.
  TLabel* Label() const { return label_; }
  AnsiString LabelCaption() const;
  void SetLabelCaption(const AnsiString& caption);
  TLabelPosition LabelPosition() const { return labelPosition_; }
  void SetLabelPosition(TLabelPosition position);
  int LabelMargin() const { return labelMargin_; }
  void SetLabelMargin(int margin);
  bool LabelTransparent() const { return labelTransparent_; }
  void SetLabelTransparent(bool on);
  TFont* LabelFont() { return &labelFont_; }
  void SetLabelFont(const TFont& font) { labelFont_.Assign(font); }
  bool LabelAlwaysEnabled() const { return labelAlwaysEnabled_; }
  void SetLabelAlwaysEnabled(bool on);

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetParent(TWinControl* parent) override;
  void SetColor(TColor color) override;

  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

 protected:
  void Loaded() override;
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void Notification(TComponent* component, TOperation operation) override;
  void FontChanged() override;
  void ColorChanged() override;

  bool IntLimitsApply() const override { return MinValue() != 0 || MaxValue() != 0; }
  bool LimitsSuspended() const override { return Loading(); }
  bool SelectsAllAfterValueWrite() const override { return !EditorEnabled() && AutoSelect(); }
  void RewriteValue() override;
  void CheckValueOnExit() override;
  void SetTextRect() override;

 private:
  // Values and keys.
  void StepAndNotify(int d);
  void Step(int d);
  void SmartStep(int d);
  void StepTime(int d);
  void ToggleSign();
  void HandleChar(TMessage& message);
  AnsiString TimeText(TDateTime v) const;
  // Puts back the caret and selection after a step, moved by a sign the
  // step added or took away.
  void RestoreCaret(const AnsiString& before, int caret, int selLength);

  // Look.
  void CreateDecorations();
  void PlaceLabel();
  void ApplyColor(TColor color);
  void ApplyTransparency();
  void PaintDecorations(QPainter& painter);
  void UpdateDecorations();

  int hexValue_ = 0;
  int incrementPage_ = 10;
  double incrementFloatPage_ = 1.0;
  bool incrementSmart_ = false;
  int incrementHours_ = 1;
  int incrementMinutes_ = 1;
  bool showSeconds_ = true;
  bool signed_ = false;
  bool autoFocus_ = false;

  bool flat_ = false;
  TColor flatLineColor_ = clBlack;
  TLabel* label_ = nullptr;
  TFont labelFont_;
  TLabelPosition labelPosition_ = lpLeftTop;
  int labelMargin_ = 4;
  bool labelTransparent_ = false;
  TColor normalColor_ = clWindow;
  bool applyingFocusColor_ = false;
  bool transparent_ = false;
  bool labelAlwaysEnabled_ = false;
  TColor focusBorderColor_ = clNone;
  TColor focusColor_ = clWindow;
  QWidget* decorations_ = nullptr;
};
