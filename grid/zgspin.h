#pragma once
// The spin family: TZidOvadoSpeedButton (an arrow button that repeats while
// it is held), TZurSpinButton (an up and a down arrow, or a right and a left
// one) and TZurSpinEdit, a single-line edit whose text holds an integer, a
// floating-point number, a date or a time that the arrows and the keys step
// within limits.
//
// The edit's text is its only live value: the typed accessors convert from
// and to it with the framework's locale conversions, and text that does not
// convert reads as the kind's fallback, never as an error.
#include <cstdint>
#include <string_view>

#include "framework/datetime.h"
#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/maskedit.h"

enum TTimeBtnStateFlag : unsigned { tbFocusRect = 1, tbAllowTimer = 2 };
using TTimeBtnState = unsigned;
enum TButtonDirection { bdLeft, bdRight, bdUp, bdDown };
enum TSpinDirection { spVertical, spHorizontal };

// A speed button with auto-repeat, a focus mark and an optional themed look.
// A press clicks once on release; held down, it clicks 400 ms after the
// press and then every 100 ms while it keeps the mouse capture.
class TZidOvadoSpeedButton : public TCustomControl {
 public:
  explicit TZidOvadoSpeedButton(TComponent* owner);

  TTimeBtnState TimeBtnState() const { return timeBtnState_; }
  void SetTimeBtnState(TTimeBtnState state);
  TButtonDirection ButtonDirection() const { return direction_; }
  void SetButtonDirection(TButtonDirection direction);
  bool IsWinXP() const { return isWinXP_; }
  void SetIsWinXP(bool on);
  // With this set the themed look also needs an active theme.
  bool ThemedOnlyWhenActive() const { return themedOnlyWhenActive_; }
  void SetThemedOnlyWhenActive(bool on) { themedOnlyWhenActive_ = on; }
  // True while the mouse is over the button.
  bool Hot() const { return hot_; }
  // True while the button is pressed (the speed button's down state).
  bool Down() const { return down_; }
  bool Flat() const { return flat_; }
  void SetFlat(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  TBitmap* Glyph() { return &glyph_; }
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int count);
  // Null until the first press.
  TTimer* RepeatTimer() const { return repeatTimer_; }

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void WndProc(TMessage& message) override;
  // The button clicks on its own release (MouseUp), not the control's.
  bool ClicksOnMouseUp() const override { return false; }

 private:
  void RepeatTimerExpired(TObject* sender);
  void SetDown(bool on);
  bool PaintThemed();
  void PaintClassic();
  void PaintGlyphFace();
  void InvalidateParent();

  TTimeBtnState timeBtnState_ = 0;
  TButtonDirection direction_ = bdUp;
  bool isWinXP_ = false;
  bool themedOnlyWhenActive_ = false;
  bool hot_ = false;
  bool down_ = false;
  bool pressed_ = false;
  bool flat_ = false;
  bool transparent_ = false;
  TBitmap glyph_;
  int numGlyphs_ = 1;
  TTimer* repeatTimer_ = nullptr;
};

// Two arrow buttons that fire OnUpClick and OnDownClick; pressing one hands
// the focus to FocusControl.
class TZurSpinButton : public TCustomControl {
 public:
  explicit TZurSpinButton(TComponent* owner);

  TZidOvadoSpeedButton* UpButton() const { return upButton_; }
  TZidOvadoSpeedButton* DownButton() const { return downButton_; }
  // The arrow that shows the keyboard focus mark.
  TZidOvadoSpeedButton* FocusedButton() const { return focusedButton_; }
  TSpinDirection Direction() const { return direction_; }
  void SetDirection(TSpinDirection direction);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* control);
  bool IsWinXP() const { return isWinXP_; }
  void SetIsWinXP(bool on);
  TBitmap* UpGlyph() { return upButton_->Glyph(); }
  TBitmap* DownGlyph() { return downButton_->Glyph(); }
  // A bitmap is copied into the arrow's glyph; null loads the default
  // glyph resource.
  void SetUpGlyph(const TBitmap* bitmap);
  void SetDownGlyph(const TBitmap* bitmap);
  int UpNumGlyphs() const { return upButton_->NumGlyphs(); }
  void SetUpNumGlyphs(int count) { upButton_->SetNumGlyphs(count); }
  int DownNumGlyphs() const { return downButton_->NumGlyphs(); }
  void SetDownNumGlyphs(int count) { downButton_->SetNumGlyphs(count); }

  // The spin button takes the focus only by Tab and by its own mouse-down
  // rule, never by Qt's click focus (a press hands it to FocusControl).
  void SetTabStop(bool on);
  void SetBounds(int left, int top, int width, int height) override;

  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

 protected:
  // The bitmap resources of the default glyphs.
  virtual const char* UpGlyphResource() const { return "ZurSpinUp"; }
  virtual const char* DownGlyphResource() const { return "ZurSpinDown"; }
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;

 private:
  TZidOvadoSpeedButton* CreateButton();
  void AdjustSize(int& width, int& height);
  // Runs the layout on the current size and takes a size it changed.
  void AdjustCurrentSize();
  void SetFocusBtn(TZidOvadoSpeedButton* button);
  void BtnClick(TObject* sender);
  void BtnMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void LoadGlyph(TZidOvadoSpeedButton* button, const TBitmap* bitmap, const char* resource);

  TZidOvadoSpeedButton* upButton_ = nullptr;
  TZidOvadoSpeedButton* downButton_ = nullptr;
  TZidOvadoSpeedButton* focusedButton_ = nullptr;
  TWinControl* focusControl_ = nullptr;
  TSpinDirection direction_ = spVertical;
  bool isWinXP_ = false;
};

// The value kinds of the spin editors; sptHex only in the extended editor.
enum TZurSpinType { sptNormal, sptFloat, sptDate, sptTime, sptHex };
enum TEditAlign { eaLeft, eaRight, eaCenter };

class TZurSpinEdit : public TCustomMaskEdit {
 public:
  explicit TZurSpinEdit(TComponent* owner);
  ~TZurSpinEdit() override;

  TZurSpinButton* Button() const { return button_; }

  int MinValue() const { return minValue_; }
  void SetMinValue(int v) { minValue_ = v; }
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int v) { maxValue_ = v; }
  double MinFloatValue() const { return minFloatValue_; }
  void SetMinFloatValue(double v) { minFloatValue_ = v; }
  double MaxFloatValue() const { return maxFloatValue_; }
  void SetMaxFloatValue(double v) { maxFloatValue_ = v; }
  TDateTime MinDateValue() const { return minDateValue_; }
  void SetMinDateValue(TDateTime v) { minDateValue_ = v; }
  TDateTime MaxDateValue() const { return maxDateValue_; }
  void SetMaxDateValue(TDateTime v) { maxDateValue_ = v; }
  int Increment() const { return increment_; }
  void SetIncrement(int v) { increment_ = v; }
  double IncrementFloat() const { return incrementFloat_; }
  void SetIncrementFloat(double v) { incrementFloat_ = v; }

  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool on) { editorEnabled_ = on; }
  TSpinDirection Direction() const { return button_->Direction(); }
  void SetDirection(TSpinDirection direction);
  TZurSpinType SpinType() const { return spinType_; }
  virtual void SetSpinType(TZurSpinType type);
  int Precision() const { return precision_; }
  void SetPrecision(int precision);
  bool ReturnIsTab() const { return returnIsTab_; }
  void SetReturnIsTab(bool on) { returnIsTab_ = on; }
  bool IsWinXP() const { return button_->IsWinXP(); }
  void SetIsWinXP(bool on) { button_->SetIsWinXP(on); }
  bool ExcelStyleDecimalSeparator() const { return excelStyleDecimalSeparator_; }
  void SetExcelStyleDecimalSeparator(bool on) { excelStyleDecimalSeparator_ = on; }
  bool SpinFlat() const { return spinFlat_; }
  void SetSpinFlat(bool on);
  bool SpinTransparent() const { return spinTransparent_; }
  void SetSpinTransparent(bool on);
  TEditAlign EditAlign() const { return editAlign_; }
  void SetEditAlign(TEditAlign align);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool on) { autoSelect_ = on; }
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  virtual void SetBorderStyle(TFormBorderStyle style);

  // The value of each kind, read from and written to the text.
  int Value() const;
  void SetValue(int v);
  double FloatValue() const { return GetFloatValue(); }
  double GetFloatValue() const;
  void SetFloatValue(double v);
  TDateTime DateValue() const { return GetDateValue(); }
  virtual TDateTime GetDateValue() const;
  void SetDateValue(TDateTime v);
  TDateTime TimeValue() const { return GetTimeValue(); }
  virtual TDateTime GetTimeValue() const;
  virtual void SetTimeValue(TDateTime v);

  // Whether a typed character may go into the text; may change it.
  virtual bool IsValidChar(char& key);
  virtual void UpClick(TObject* sender);
  virtual void DownClick(TObject* sender);

 protected:
  using TMakeButton = TZurSpinButton* (*)(TComponent* owner);
  // For the family's editors that bring arrows of their own.
  TZurSpinEdit(TComponent* owner, TMakeButton makeButton);

  void Loaded() override;
  void WndProc(TMessage& message) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void FontChanged() override;

  bool Loading() const { return (ComponentState() & csLoading) != 0; }
  // Limit rules the family's editors tell apart.
  virtual bool IntLimitsApply() const { return minValue_ != maxValue_; }
  virtual bool LimitsSuspended() const { return false; }
  virtual bool SelectsAllAfterValueWrite() const { return !editorEnabled_; }
  int ClampInt(int v) const;
  double ClampFloat(double v) const;
  TDateTime ClampDate(TDateTime v) const;
  // Rewrites the value in the form of the current kind.
  virtual void RewriteValue();
  // Writes back the value clamped when the focus leaves.
  virtual void CheckValueOnExit();
  // Sets the room the text takes beside the arrows.
  virtual void SetTextRect();
  void PlaceButton();
  void Relayout();
  int MinimumHeight() const;
  void WriteKeepingCaret(const AnsiString& text);
  // The date stepped by d in the field under the caret; false when the
  // step lands on no date (29 February of a year without it).
  bool StepDate(TDateTime date, int d, TDateTime& result) const;
  enum TTimeField { tfHours, tfMinutes, tfSeconds };
  // The field of a time text under the caret.
  TTimeField TimeFieldAtCaret() const;
  // The posted Tab of Enter, and paste and cut keys turned into WM_PASTE
  // and WM_CUT; true when the message was one of them.
  bool HandleEditorKeyMessage(TMessage& message);
  // Size, focus, paste and cut, alike in every editor of the family.
  void HandleCommonMessage(TMessage& message);
  // Enter with ReturnIsTab: the key becomes Tab and a Tab is posted.
  void TurnReturnIntoTab(unsigned short& key);
  // True for the character of an Enter that was turned into a Tab.
  bool DropsReturnTurnedTab(const TMessage& message);
  // False for a time or date separator that the kind of value cannot hold.
  bool SeparatorAllowed(char key) const;
  // Whether the text holds Precision decimals after a separator left of
  // the caret, with nothing selected.
  bool DecimalsFull(const AnsiString& text) const;

  TDateTime storedDateValue_ = 0;
  TDateTime storedTimeValue_ = 0;
  TZurSpinType spinType_ = sptNormal;

 private:
  void Build(TMakeButton makeButton);
  void PostTab();
  void Step(int d);
  void StepTime(int d);

  TZurSpinButton* button_ = nullptr;
  int minValue_ = 0;
  int maxValue_ = 100;
  double minFloatValue_ = 0.0;
  double maxFloatValue_ = 100.0;
  TDateTime minDateValue_ = 0;
  TDateTime maxDateValue_ = 0;
  int increment_ = 1;
  double incrementFloat_ = 0.1;
  bool editorEnabled_ = true;
  int precision_ = 0;
  bool returnIsTab_ = false;
  bool excelStyleDecimalSeparator_ = false;
  bool spinFlat_ = false;
  bool spinTransparent_ = false;
  TEditAlign editAlign_ = eaLeft;
  bool autoSelect_ = true;
  TFormBorderStyle borderStyle_ = bsSingle;
  bool returnTurnedTab_ = false;
};

// The spin editor with its edit mask in use (EditMask, from the mask edit).
class TVavUvurSpinEdit : public TZurSpinEdit {
 public:
  using TZurSpinEdit::TZurSpinEdit;
};

// Shared helpers of the spin family.
namespace zgspin {
// 1-based position of the first sub in s after its first offset
// characters; 0 when there is none.
int PosAfter(std::string_view sub, std::string_view s, int offset);
// Whether the locale's short date format puts the month before the day.
bool MonthFirst();
// The date n months on, its day cut to the length of the month.
TDateTime IncMonth(TDateTime date, int n);
// The date n years on; EConvertError when that day does not exist.
TDateTime AddYears(TDateTime date, int n);
// Float text: general format for precision 0, 4 significant digits for a
// negative precision, else fixed with that many decimals.
AnsiString FormatFloatValue(double v, int precision);
// The time of day of a date-time.
double TimeOfDay(TDateTime value);
// An integer step that saturates at the ends of the 32-bit range.
int SaturatedSum(std::int64_t a, std::int64_t b);

inline bool IsControlChar(char key) { return static_cast<unsigned char>(key) < 32; }
inline bool IsDigit(char key) { return key >= '0' && key <= '9'; }
inline bool Contains(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }
int Count(std::string_view text, char c);
}  // namespace zgspin
