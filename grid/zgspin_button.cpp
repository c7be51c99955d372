// The arrow buttons of the spin family: the auto-repeating speed button and
// the spin button that pairs two of them.
#include <QWidget>

#include "framework/application.h"
#include "framework/messaging.h"
#include "framework/resources.h"
#include "framework/theme.h"
#include "grid/zgspin.h"

namespace {

constexpr unsigned kFirstRepeatMs = 400;
constexpr unsigned kRepeatMs = 100;

// The theme class of spin arrows, its parts and states.
constexpr const char* kThemeSpin = "spin";
constexpr int SPNP_UP = 1;
constexpr int SPNP_DOWN = 2;
constexpr int SPNP_UPHORZ = 3;
constexpr int SPNP_DOWNHORZ = 4;
constexpr int SPS_NORMAL = 1;
constexpr int SPS_HOT = 2;
constexpr int SPS_PRESSED = 3;

constexpr int kVerticalMinWidth = 15;
constexpr int kHorizontalMinWidth = 20;
constexpr int kDefaultWidth = 15;
constexpr int kDefaultHeight = 25;

// A small arrow, 9 x 6 pixels, on the glyph's transparent colour (the
// bottom-left pixel stays background).
void PaintArrowGlyph(TCanvas& canvas, int width, int height, bool up) {
  canvas.Brush()->SetColor(clOlive);
  canvas.FillRect({0, 0, width, height});
  for (int row = 0; row < 4; ++row) {
    const int half = up ? row : 3 - row;
    for (int x = 4 - half; x <= 4 + half; ++x) canvas.SetPixel(x, row + 1, clBlack);
  }
}

void RegisterSpinGlyphs() {
  static const bool registered = [] {
    for (const char* name : {"ZurSpinUp", "ZozEzedUp"})
      RegisterBitmapResource(name, 9, 6, [](TCanvas& c, int w, int h) { PaintArrowGlyph(c, w, h, true); });
    for (const char* name : {"ZurSpinDown", "ZozEzedDown"})
      RegisterBitmapResource(name, 9, 6, [](TCanvas& c, int w, int h) { PaintArrowGlyph(c, w, h, false); });
    return true;
  }();
  (void)registered;
}

int ThemePart(TButtonDirection direction) {
  switch (direction) {
    case bdUp: return SPNP_UP;
    case bdDown: return SPNP_DOWN;
    case bdRight: return SPNP_UPHORZ;
    default: return SPNP_DOWNHORZ;
  }
}

}  // namespace

// ---- TZidOvadoSpeedButton ----

TZidOvadoSpeedButton::TZidOvadoSpeedButton(TComponent* owner) : TCustomControl(owner) {
  Widget()->setFocusPolicy(Qt::NoFocus);
  SetTabStop(false);
  SetColor(clBtnFace);
  glyph_.SetTransparent(true);
  glyph_.OnChange = [this](TObject*) { Invalidate(); };
}

void TZidOvadoSpeedButton::SetTimeBtnState(TTimeBtnState state) {
  if (timeBtnState_ == state) return;
  timeBtnState_ = state;
  Invalidate();
}

void TZidOvadoSpeedButton::SetButtonDirection(TButtonDirection direction) {
  if (direction_ == direction) return;
  direction_ = direction;
  Invalidate();
}

void TZidOvadoSpeedButton::SetIsWinXP(bool on) {
  isWinXP_ = on;
  Invalidate();
}

void TZidOvadoSpeedButton::SetFlat(bool on) {
  flat_ = on;
  Invalidate();
}

void TZidOvadoSpeedButton::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void TZidOvadoSpeedButton::SetNumGlyphs(int count) {
  numGlyphs_ = std::max(count, 1);
  Invalidate();
}

void TZidOvadoSpeedButton::SetDown(bool on) {
  if (down_ == on) return;
  down_ = on;
  Invalidate();
}

void TZidOvadoSpeedButton::InvalidateParent() {
  if (Parent()) Parent()->Invalidate();
}

void TZidOvadoSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    pressed_ = true;
    SetDown(true);
    SetCapture(this);
  }
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !pressed_) return;
  if (timeBtnState_ & tbAllowTimer) {
    if (!repeatTimer_) {
      repeatTimer_ = new TTimer(this);
      repeatTimer_->SetEnabled(false);
    }
    repeatTimer_->OnTimer = Method(this, &TZidOvadoSpeedButton::RepeatTimerExpired);
    repeatTimer_->SetInterval(kFirstRepeatMs);
    repeatTimer_->SetEnabled(true);
  }
  InvalidateParent();
}

void TZidOvadoSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  if (pressed_) SetDown(ClientRect().Contains({x, y}));
  TCustomControl::MouseMove(shift, x, y);
}

void TZidOvadoSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const bool click = button == mbLeft && pressed_ && down_;
  if (button == mbLeft && pressed_) {
    pressed_ = false;
    SetDown(false);
    if (GetCapture() == this) ReleaseCapture();
  }
  TCustomControl::MouseUp(button, shift, x, y);
  if (click) Click();
  if (repeatTimer_) repeatTimer_->SetEnabled(false);
  InvalidateParent();
}

// An exception out of a repeated click ends the repetition and goes to the
// application's handler: it must not stop the user's next press working.
void TZidOvadoSpeedButton::RepeatTimerExpired(TObject*) {
  repeatTimer_->SetInterval(kRepeatMs);
  if (!down_ || GetCapture() != this) return;
  try {
    Click();
  } catch (...) {
    repeatTimer_->SetEnabled(false);
    Application->HandleException(this);
  }
}

void TZidOvadoSpeedButton::WndProc(TMessage& message) {
  TCustomControl::WndProc(message);
  if (message.Msg == CM_MOUSEENTER || message.Msg == CM_MOUSELEAVE) {
    hot_ = message.Msg == CM_MOUSEENTER;
    Invalidate();
  }
}

void TZidOvadoSpeedButton::Paint() {
  const bool themed = isWinXP_ && (!themedOnlyWhenActive_ || ThemeService().IsThemeActive());
  // Without a theme class to draw with, the classic look stands in.
  if (themed && PaintThemed()) return;
  PaintClassic();
}

bool TZidOvadoSpeedButton::PaintThemed() {
  TThemeService& theme = ThemeService();
  const HTHEME data = theme.OpenThemeData(Parent(), kThemeSpin);
  if (!data) return false;
  const int state = down_ ? SPS_PRESSED : hot_ ? SPS_HOT : SPS_NORMAL;
  const bool drawn = theme.DrawThemeBackground(data, *Canvas(), ThemePart(direction_), state, ClientRect());
  theme.CloseThemeData(data);
  return drawn;
}

void TZidOvadoSpeedButton::PaintClassic() {
  if (direction_ == bdLeft || direction_ == bdRight) {
    TRect r = ClientRect();
    const unsigned flags = (direction_ == bdLeft ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT) | (down_ ? DFCS_PUSHED : 0) |
                           (flat_ ? DFCS_FLAT : 0);
    DrawFrameControl(Canvas(), &r, DFC_SCROLL, flags);
    return;
  }
  PaintGlyphFace();
}

// The speed button's own look: a face (framed unless flat and idle) with
// the glyph in its middle, shifted by a pixel while pressed.
void TZidOvadoSpeedButton::PaintGlyphFace() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  const TColor face = transparent_ && Parent() ? Parent()->Color() : clBtnFace;
  canvas.Brush()->SetColor(face);
  canvas.FillRect(r);
  if (!flat_ || hot_ || down_)
    DrawFrameControl(&canvas, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (down_ ? DFCS_PUSHED : 0) | (flat_ ? DFCS_FLAT : 0));
  if (glyph_.Empty()) return;
  const int glyphWidth = glyph_.Width() / numGlyphs_;
  const int shift = down_ ? 1 : 0;
  const int x = (Width() - glyphWidth) / 2 + shift;
  const int y = (Height() - glyph_.Height()) / 2 + shift;
  TBitmap first;
  first.SetImage(glyph_.Image().copy(0, 0, glyphWidth, glyph_.Height()));
  first.SetTransparent(true);
  canvas.Draw(x, y, &first);
  if (timeBtnState_ & tbFocusRect) {
    TRect focus = ClientRect();
    focus.Left += 3, focus.Top += 3, focus.Right -= 3, focus.Bottom -= 3;
    canvas.DrawFocusRect(focus);
  }
}

// ---- TZurSpinButton ----

TZurSpinButton::TZurSpinButton(TComponent* owner) : TCustomControl(owner) {
  RegisterSpinGlyphs();
  SetTabStop(false);
  SetColor(clBtnFace);
  upButton_ = CreateButton();
  downButton_ = CreateButton();
  SetUpGlyph(nullptr);
  SetDownGlyph(nullptr);
  upButton_->SetButtonDirection(bdUp);
  downButton_->SetButtonDirection(bdDown);
  SetBounds(Left(), Top(), kDefaultWidth, kDefaultHeight);
  focusedButton_ = upButton_;
}

TZidOvadoSpeedButton* TZurSpinButton::CreateButton() {
  auto* button = new TZidOvadoSpeedButton(this);
  button->OnClick = Method(this, &TZurSpinButton::BtnClick);
  button->OnMouseDown = Method(this, &TZurSpinButton::BtnMouseDown);
  button->SetVisible(true);
  button->SetEnabled(true);
  button->SetTimeBtnState(tbAllowTimer);
  button->SetParent(this);
  return button;
}

void TZurSpinButton::LoadGlyph(TZidOvadoSpeedButton* button, const TBitmap* bitmap, const char* resource) {
  if (bitmap) {
    button->Glyph()->SetImage(bitmap->Image());
    return;
  }
  LoadBitmapResource(*button->Glyph(), resource);
  button->SetNumGlyphs(1);
  button->Invalidate();
}

void TZurSpinButton::SetUpGlyph(const TBitmap* bitmap) { LoadGlyph(upButton_, bitmap, UpGlyphResource()); }
void TZurSpinButton::SetDownGlyph(const TBitmap* bitmap) { LoadGlyph(downButton_, bitmap, DownGlyphResource()); }

void TZurSpinButton::SetTabStop(bool on) {
  TCustomControl::SetTabStop(on);
  Widget()->setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
}

void TZurSpinButton::SetDirection(TSpinDirection direction) {
  if (direction_ == direction) return;
  direction_ = direction;
  const bool vertical = direction == spVertical;
  upButton_->SetButtonDirection(vertical ? bdUp : bdRight);
  downButton_->SetButtonDirection(vertical ? bdDown : bdLeft);
  SetWidth(vertical ? kVerticalMinWidth : kHorizontalMinWidth);
  Invalidate();
}

void TZurSpinButton::SetFocusControl(TWinControl* control) {
  focusControl_ = control;
  if (control) control->FreeNotification(this);
}

void TZurSpinButton::SetIsWinXP(bool on) {
  isWinXP_ = on;
  upButton_->SetIsWinXP(on);
  downButton_->SetIsWinXP(on);
}

void TZurSpinButton::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TZurSpinButton::AdjustSize(int& width, int& height) {
  if (!upButton_ || (ComponentState() & csLoading)) return;
  if (direction_ == spVertical) {
    width = std::max(width, kVerticalMinWidth);
    upButton_->SetBounds(0, 0, width, height / 2);
    downButton_->SetBounds(0, upButton_->Height() - 1, width, height - upButton_->Height() + 1);
  } else {
    width = std::max(width, kHorizontalMinWidth);
    downButton_->SetBounds(0, 0, width / 2, height);
    upButton_->SetBounds(width / 2 + 1, 0, width / 2, height);
  }
}

void TZurSpinButton::SetBounds(int left, int top, int width, int height) {
  AdjustSize(width, height);
  TCustomControl::SetBounds(left, top, width, height);
}

void TZurSpinButton::AdjustCurrentSize() {
  int width = Width(), height = Height();
  AdjustSize(width, height);
  if (width != Width() || height != Height()) TCustomControl::SetBounds(Left(), Top(), width, height);
}

void TZurSpinButton::Loaded() {
  TCustomControl::Loaded();
  AdjustCurrentSize();
}

void TZurSpinButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SIZE:
      TCustomControl::WndProc(message);
      AdjustCurrentSize();
      message.Result = 0;
      return;
    case WM_SETFOCUS: case WM_KILLFOCUS: {
      const TTimeBtnState state = focusedButton_->TimeBtnState();
      focusedButton_->SetTimeBtnState(message.Msg == WM_SETFOCUS ? state | tbFocusRect : state & ~tbFocusRect);
      focusedButton_->Repaint();
      break;
    }
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    default: break;
  }
  TCustomControl::WndProc(message);
}

void TZurSpinButton::KeyDown(unsigned short& key, TShiftState) {
  switch (key) {
    case VK_SPACE: focusedButton_->Click(); break;
    case VK_UP:
      SetFocusBtn(upButton_);
      upButton_->Click();
      break;
    case VK_DOWN:
      SetFocusBtn(downButton_);
      downButton_->Click();
      break;
    default: break;
  }
}

void TZurSpinButton::SetFocusBtn(TZidOvadoSpeedButton* button) {
  if (!TabStop() || !CanFocus() || button == focusedButton_) return;
  focusedButton_->SetTimeBtnState(focusedButton_->TimeBtnState() & ~tbFocusRect);
  focusedButton_ = button;
  if (Focused()) {
    focusedButton_->SetTimeBtnState(focusedButton_->TimeBtnState() | tbFocusRect);
    Invalidate();
  }
}

void TZurSpinButton::BtnClick(TObject* sender) {
  if (sender == upButton_) {
    if (OnUpClick) OnUpClick(this);
  } else if (OnDownClick) {
    OnDownClick(this);
  }
}

void TZurSpinButton::BtnMouseDown(TObject* sender, TMouseButton button, TShiftState, int, int) {
  if (button != mbLeft) return;
  SetFocusBtn(sender == upButton_ ? upButton_ : downButton_);
  if (focusControl_ && focusControl_->TabStop() && focusControl_->CanFocus() && !focusControl_->Focused()) {
    focusControl_->SetFocus();
    return;
  }
  if (TabStop() && !Focused() && CanFocus()) SetFocus();
}
