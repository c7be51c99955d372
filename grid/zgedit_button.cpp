// The speed button of the edits and the control that hosts it.
#include "framework/theme.h"
#include "grid/zgedit.h"

// ---- TDorUzavaButton ----

TDorUzavaButton::TDorUzavaButton(TComponent* owner) : TGraphicControl(owner) {
  SetCursor(crArrow);
}

void TDorUzavaButton::SetIsWinXP(bool on) {
  isWinXP_ = on;
  Invalidate();
}

void TDorUzavaButton::SetFlat(bool on) {
  flat_ = on;
  Invalidate();
}

void TDorUzavaButton::SetDown(bool on) {
  if (down_ == on) return;
  down_ = on;
  Invalidate();
}

void TDorUzavaButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER: case CM_MOUSELEAVE:
      hot_ = m.Msg == CM_MOUSEENTER;
      Invalidate();
      break;
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: SetDown(true); break;
    case WM_LBUTTONUP: SetDown(false); break;
    default: break;
  }
  TGraphicControl::WndProc(m);
}

// The button keeps its mouse buttons: none goes on to the edit it sits in,
// which would move its caret and drop its selection.
void TDorUzavaButton::DefaultHandler(TMessage& m) {
  if (m.Msg >= WM_LBUTTONDOWN && m.Msg <= WM_MBUTTONDBLCLK) return;
  TGraphicControl::DefaultHandler(m);
}

bool TDorUzavaButton::PaintThemedFrame(const TRect& r) {
  TThemeService& themes = ThemeService();
  const HTHEME theme = themes.OpenThemeData(Parent(), kThemeButton);
  if (!theme) return false;
  const int state = down_ ? PBS_PRESSED : hot_ ? PBS_HOT : PBS_NORMAL;
  const bool drawn = themes.DrawThemeBackground(theme, *Canvas(), BP_PUSHBUTTON, state, r);
  themes.CloseThemeData(theme);
  return drawn;
}

void TDorUzavaButton::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetFont(*Font());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(ClientRect());
  TRect r = ClientRect();
  // Without a theme to draw it the themed look falls back to the classic.
  if (!isWinXP_ || !PaintThemedFrame(r)) {
    if (!flat_) {
      DrawFrameControl(canvas, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (down_ ? DFCS_PUSHED : 0));
    } else {
      DrawEdge(canvas, &r, down_ ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_MIDDLE);
      InflateRect(r, -1, -1);
    }
  }
  const int shift = down_ ? 1 : 0;
  if (!glyph_.Empty()) {
    glyph_.SetTransparent(true);
    const int x = glyph_.Width() < Width() ? (Width() - glyph_.Width()) / 2 : 0;
    const int y = glyph_.Height() < Height() ? (Height() - glyph_.Height()) / 2 : 0;
    canvas->Draw(x + shift, y + shift, &glyph_);
  }
  const AnsiString caption = Caption();
  if (caption.empty()) return;
  canvas->Brush()->SetStyle(bsClear);
  OffsetRect(r, shift, shift);
  canvas->DrawText(caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ---- TZurEditButton ----

TZurEditButton::TZurEditButton(TComponent* owner) : TCustomControl(owner), button_(new TDorUzavaButton(this)) {
  SetTabStop(false);
  button_->SetParent(this);
  button_->OnMouseDown = Method(this, &TZurEditButton::ButtonMouseDown);
  SetBounds(Left(), Top(), 20, 25);
}

void TZurEditButton::SetFocusControl(TWinControl* control) {
  focusControl_ = control;
  if (control) control->FreeNotification(this);
}

void TZurEditButton::SetFlat(bool on) {
  flat_ = on;
  button_->SetFlat(on);
}

void TZurEditButton::SetButtonCaption(const AnsiString& caption) {
  button_->SetCaption(caption);
  button_->Invalidate();
}

void TZurEditButton::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TZurEditButton::PlaceButton() {
  if (ComponentState() & csLoading) return;
  button_->SetBounds(0, 0, Width(), Height());
}

void TZurEditButton::Loaded() {
  TCustomControl::Loaded();
  PlaceButton();
}

void TZurEditButton::WndProc(TMessage& m) {
  TCustomControl::WndProc(m);
  if (m.Msg == WM_SIZE) PlaceButton();
}

// The button acts when it goes down, not when it is released.
void TZurEditButton::ButtonMouseDown(TObject*, TMouseButton button, TShiftState, int, int) {
  if (button != mbLeft) return;
  if (OnClick) OnClick(this);
  if (focusControl_ && focusControl_->TabStop() && focusControl_->CanFocus() && !focusControl_->Focused())
    focusControl_->SetFocus();
  else if (TabStop() && !Focused() && CanFocus())
    SetFocus();
}
