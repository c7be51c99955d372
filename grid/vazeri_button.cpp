// The grid's flat speed button: state and group rules, mouse tracking, the
// colour looks and the painting of faces, glyphs and caption.
#include <algorithm>
#include <array>

#include "framework/menus.h"
#include "framework/messaging.h"
#include "framework/theme.h"
#include "grid/vazeri_button.h"
#include "grid/zgutil.h"

namespace {

constexpr int kDefaultWidth = 23;
constexpr int kDefaultHeight = 22;
// The drop-down part: the rightmost pixels of the button.
constexpr int kDropDownWidth = 12;
constexpr int kGradientSteps = 16;
constexpr int kRoundCorner = 8;

// A gradient as DrawGradient paints it, outlined in borderColor unless that
// is clNone. Only called with a gradient end colour.
void DrawBorderedGradient(TCanvas* canvas, TColor from, TColor to, TColor borderColor, int steps, const TRect& r,
                          bool horizontal) {
  DrawGradient(canvas, from, to, steps, r, horizontal);
  if (borderColor == clNone) return;
  canvas->Pen()->SetColor(borderColor);
  canvas->Brush()->SetStyle(bsClear);
  canvas->Rectangle(r);
  canvas->Brush()->SetStyle(bsSolid);
}

struct TLook {
  TColor color, colorTo, colorHot, colorHotTo, colorDown, colorDownTo, colorChecked, colorCheckedTo;
  TColor borderDownColor, borderHotColor;
  bool rounded;
};

constexpr std::array<TLook, 7> kLooks = {{
    {0x00EDF1F1, 0x00DFEBEB, 0x00FAFCFC, 0x00E5ECED, 0x00E0E6E7, 0x00D8E0E1, 0x00FFFFFF, clNone, 0x00AF987A,
     0x00C3CECE, true},
    {clBtnFace, clNone, 0x00EED2C1, clNone, 0x00E2B598, clNone, 0x00E8E6E1, clNone, 0x00C56A31, 0x00C56A31, false},
    {0x00FDEADA, 0x00E4AE88, 0x00CCF4FF, 0x0091D0FF, 0x004E91FE, 0x008ED3FF, 0x008ED3FF, 0x0055ADFF, 0x00000000,
     0x00000000, false},
    {0x00CFF0EA, 0x008CC0B1, 0x00CCF4FF, 0x0091D0FF, 0x004E91FE, 0x008ED3FF, 0x008ED3FF, 0x0055ADFF, 0x00000000,
     0x00000000, false},
    {0x00ECE2E1, 0x00B39698, 0x00CCF4FF, 0x0091D0FF, 0x004E91FE, 0x008ED3FF, 0x008ED3FF, 0x0055ADFF, 0x00000000,
     0x00000000, false},
    {clBtnFace, clNone, clBtnFace, clNone, 0x00D8D3D2, clNone, 0x00CAC7C7, clNone, clNone, clNone, false},
    {0x00CAFFFF, 0x00A6FFFF, 0x00A8F0FD, 0x007CE9FC, 0x004DE0FB, 0x007AE9FC, 0x00B5E6F2, 0x009CDDED, 0x00808080,
     0x00808080, false},
}};

// The colour scheme of the active theme: 1 "NormalColor", 2 "HomeStead",
// 3 "Metallic", 0 for any other and when no theme is active.
int CurrentThemeColorScheme() {
  TThemeService& theme = ThemeService();
  TThemeName name;
  if (!theme.IsThemeActive() || !theme.CurrentThemeName(name)) return 0;
  if (name.colorName == "NormalColor") return 1;
  if (name.colorName == "HomeStead") return 2;
  if (name.colorName == "Metallic") return 3;
  return 0;
}

// The accelerator character of a caption ("&x"; "&&" is a plain '&'), or 0.
char AcceleratorOf(const AnsiString& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return caption[i + 1];
    ++i;
  }
  return 0;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool Pressed(TButtonState state) { return state == bsDown || state == bsExclusive; }

}  // namespace

// ---- Layout and glyph pictures ----

namespace durbutton {

TButtonLayoutResult CalcButtonLayout(const TRect& client, TPoint offset, TSize glyphSize, TSize textSize,
                                     TButtonLayout layout, int margin, int spacing, bool rightToLeft) {
  if (rightToLeft && layout == blGlyphLeft) layout = blGlyphRight;
  else if (rightToLeft && layout == blGlyphRight) layout = blGlyphLeft;
  const bool across = layout == blGlyphLeft || layout == blGlyphRight;
  const TSize clientSize{client.Width(), client.Height()};
  // Sizes along the layout's axis and on the other one.
  const int room = across ? clientSize.cx : clientSize.cy;
  const int glyph = across ? glyphSize.cx : glyphSize.cy;
  const int text = across ? textSize.cx : textSize.cy;
  const int otherRoom = across ? clientSize.cy : clientSize.cx;
  const int otherGlyph = across ? glyphSize.cy : glyphSize.cx;
  const int otherText = across ? textSize.cy : textSize.cx;
  TPoint glyphPos, textPos;
  // Centred on the other axis.
  (across ? glyphPos.Y : glyphPos.X) = (otherRoom - otherGlyph + 1) / 2;
  (across ? textPos.Y : textPos.X) = (otherRoom - otherText + 1) / 2;
  if (textSize.cx == 0 || glyphSize.cx == 0) spacing = 0;
  if (margin == -1 && spacing == -1) {
    margin = (room - (glyph + text)) / 3;
    spacing = margin;
  } else if (margin == -1) {
    margin = (room - (glyph + spacing + text) + 1) / 2;
  } else if (spacing == -1) {
    spacing = (room - (margin + glyph) - text) / 2;
  }
  // Glyph first (left, top) or last (right, bottom) along the axis.
  const bool glyphFirst = layout == blGlyphLeft || layout == blGlyphTop;
  const int glyphAlong = glyphFirst ? margin : room - margin - glyph;
  const int textAlong = glyphFirst ? glyphAlong + glyph + spacing : glyphAlong - spacing - text;
  (across ? glyphPos.X : glyphPos.Y) = glyphAlong;
  (across ? textPos.X : textPos.Y) = textAlong;
  const int dx = client.Left + offset.X, dy = client.Top + offset.Y;
  return {{glyphPos.X + dx, glyphPos.Y + dy},
          {textPos.X + dx, textPos.Y + dy, textPos.X + dx + textSize.cx, textPos.Y + dy + textSize.cy}};
}

QImage DisabledGlyph(const QImage& glyph) {
  QImage grey = glyph.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) {
      const QRgb p = grey.pixel(x, y);
      const int level = (qRed(p) + qGreen(p) + qBlue(p)) / 3 / 2 + 96;
      grey.setPixel(x, y, qRgb(level, level, level));
    }
  return grey;
}

QImage GlyphShade(const QImage& glyph, TColor transparentColor) {
  QImage shade = glyph.convertToFormat(QImage::Format_RGB32);
  const QRgb background = ToQColor(ColorToRGB(transparentColor)).rgb();
  const QRgb grey = qRgb(0x80, 0x80, 0x80);
  for (int y = 0; y < shade.height(); ++y)
    for (int x = 0; x < shade.width(); ++x)
      if (shade.pixel(x, y) != background) shade.setPixel(x, y, grey);
  return shade;
}

}  // namespace durbutton

// ---- Construction and properties ----

TDurUzavButton::TDurUzavButton(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(Left(), Top(), kDefaultWidth, kDefaultHeight);
  for (TBitmap* picture : {&glyph_, &glyphDisabled_, &glyphHot_, &glyphDown_, &shade_}) {
    picture->SetTransparent(true);
    picture->OnChange = [this](TObject*) { Invalidate(); };
  }
}

void TDurUzavButton::AssignPicture(TBitmap& target, const TBitmap& picture) {
  target.SetImage(picture.Image());
  Invalidate();
}

void TDurUzavButton::SetGlyph(const TBitmap& picture) {
  glyph_.SetImage(picture.Image());
  if (!glyph_.Empty()) glyphDisabled_.SetImage(durbutton::DisabledGlyph(glyph_.Image()));
  Invalidate();
}

void TDurUzavButton::GenerateShade() {
  if (glyph_.Empty()) return;
  shade_.SetImage(durbutton::GlyphShade(glyph_.Image(), glyph_.TransparentColor()));
}

void TDurUzavButton::SetShaded(bool value) {
  shaded_ = value;
  if (value && !(ComponentState() & csLoading)) GenerateShade();
}

void TDurUzavButton::SetMargin(int value) {
  if (value >= -1) Store(margin_, value);
}

void TDurUzavButton::SetDropDownMenu(TPopupMenu* menu) {
  dropDownMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

void TDurUzavButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == dropDownMenu_) dropDownMenu_ = nullptr;
}

void TDurUzavButton::SetLook(int look) {
  if (look >= 0 && look < static_cast<int>(kLooks.size())) {
    const TLook& l = kLooks[static_cast<std::size_t>(look)];
    TGraphicControl::SetColor(l.color);
    colorTo_ = l.colorTo;
    colorHot_ = l.colorHot;
    colorHotTo_ = l.colorHotTo;
    colorDown_ = l.colorDown;
    colorDownTo_ = l.colorDownTo;
    colorChecked_ = l.colorChecked;
    colorCheckedTo_ = l.colorCheckedTo;
    borderDownColor_ = l.borderDownColor;
    borderHotColor_ = l.borderHotColor;
    rounded_ = l.rounded;
  }
  borderColor_ = clNone;
  flat_ = true;
  Invalidate();
}

void TDurUzavButton::ThemeAdapt() {
  switch (CurrentThemeColorScheme()) {
    case 1: SetLook(2); break;
    case 2: SetLook(3); break;
    case 3: SetLook(4); break;
    default: SetLook(1); break;
  }
}

void TDurUzavButton::SetAutoThemeAdapt(bool value) {
  autoThemeAdapt_ = value;
  if (value) ThemeAdapt();
}

void TDurUzavButton::Loaded() {
  TGraphicControl::Loaded();
  if (shaded_) GenerateShade();
  if (autoThemeAdapt_) ThemeAdapt();
}

// ---- Down state and groups ----

void TDurUzavButton::SetDown(bool value) {
  if (groupIndex_ == 0 && style_ == tasButton) value = false;
  if (style_ == tasCheck) {
    down_ = value;
    Repaint();
    return;
  }
  if (value == down_ || (down_ && !allowAllUp_)) return;
  down_ = value;
  if (value) {
    if (state_ == bsUp) Invalidate();
    state_ = bsExclusive;
    UpdateExclusive();
  } else {
    state_ = bsUp;
    Repaint();
  }
}

void TDurUzavButton::SetGroupIndex(int value) {
  groupIndex_ = value;
  UpdateExclusive();
}

void TDurUzavButton::SetAllowAllUp(bool value) {
  allowAllUp_ = value;
  UpdateExclusive();
}

// Tells the other buttons of the group on the same parent.
void TDurUzavButton::UpdateExclusive() {
  if (groupIndex_ == 0 || !Parent()) return;
  TWinControl* parent = Parent();
  for (int i = 0; i < parent->ControlCount(); ++i)
    parent->Controls(i)->Perform(durbutton::CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_),
                                 reinterpret_cast<LPARAM>(static_cast<TObject*>(this)));
}

void TDurUzavButton::CMButtonPressed(const TMessage& message) {
  if (message.WParam != static_cast<WPARAM>(groupIndex_)) return;
  // Another kind of control may send the message too: only buttons count.
  auto* sender = dynamic_cast<TDurUzavButton*>(reinterpret_cast<TObject*>(message.LParam));
  if (!sender || sender == this) return;
  if (sender->Down() && down_) {
    down_ = false;
    state_ = bsUp;
    Invalidate();
  }
  allowAllUp_ = sender->AllowAllUp();
}

// ---- Mouse ----

bool TDurUzavButton::IsInside(int x, int y) const {
  return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
}

void TDurUzavButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (dropDownButton_ && x > ClientRect().Right - kDropDownWidth) {
    state_ = bsUp;
    mouseInControl_ = false;
    Repaint();
    if (OnDropDown) OnDropDown(this);
    if (dropDownMenu_) {
      const TPoint corner = ClientToScreen({0, Height()});
      dropDownMenu_->Popup(corner.X, corner.Y);
    }
    return;
  }
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  if (style_ == tasCheck) {
    state_ = bsDown;
    Repaint();
  }
  dragging_ = true;
  SetCapture(this);
}

void TDurUzavButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!dragging_) {
    if (!mouseInControl_) UpdateTracking();
    return;
  }
  TButtonState state = down_ ? bsExclusive : bsUp;
  if (IsInside(x, y)) state = down_ ? bsExclusive : bsDown;
  if (style_ == tasCheck && down_) state = bsDown;
  if (state == state_) return;
  state_ = state;
  Invalidate();
}

void TDurUzavButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!dragging_) return;
  dragging_ = false;
  if (GetCapture() == this) ReleaseCapture();
  const bool inside = IsInside(x, y);
  if (groupIndex_ == 0) {
    state_ = bsUp;
    mouseInControl_ = false;
    if (style_ == tasCheck) {
      SetDown(!down_);
      state_ = bsUp;
    }
    if (inside && !Pressed(state_)) Invalidate();
  } else if (inside) {
    SetDown(!down_);
    if (down_) Repaint();
  } else {
    if (down_) state_ = bsExclusive;
    Repaint();
  }
  if (inside) Click();
  UpdateTracking();
}

// The framework picks the control under the cursor; here that is the
// button whenever the cursor lies within it.
bool TDurUzavButton::CursorOverButton() const {
  return Showing() && ClientRect().Contains(ScreenToClient(GetCursorPos()));
}

// Sets the hot flag to the opposite of what the cursor says and lets the
// enter or leave handler correct it, so both events fire as on a real move.
void TDurUzavButton::UpdateTracking() {
  if (!flat_ || !Enabled()) return;
  mouseInControl_ = !CursorOverButton();
  Perform(mouseInControl_ ? CM_MOUSELEAVE : CM_MOUSEENTER);
}

void TDurUzavButton::CMMouseEnter() {
  if (flat_ && !mouseInControl_ && Enabled() && !GetCapture()) {
    mouseInControl_ = true;
    Repaint();
  }
  if (OnMouseEnter) OnMouseEnter(this);
}

void TDurUzavButton::CMMouseLeave() {
  if (flat_ && mouseInControl_ && Enabled() && !dragging_) {
    mouseInControl_ = false;
    Invalidate();
  }
  if (OnMouseLeave) OnMouseLeave(this);
}

// A double click is a press; only a down button also double-clicks.
void TDurUzavButton::WMLButtonDblClk(TMessage& message) {
  MouseDown(mbLeft, KeyboardShiftState() | ssDouble, LoWord(message.LParam), HiWord(message.LParam));
  if (down_) DblClick();
  DefaultHandler(message);
}

bool TDurUzavButton::CMDialogChar(TMessage& message) {
  const char accelerator = AcceleratorOf(Caption());
  const char key = static_cast<char>(message.WParam);
  if (!accelerator || UpperAscii(accelerator) != UpperAscii(key)) return false;
  if (!Enabled() || !Visible() || !Parent() || !Parent()->Showing()) return false;
  Click();
  message.Result = 1;
  return true;
}

void TDurUzavButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_THEMECHANGED:
      if (autoThemeAdapt_) ThemeAdapt();
      break;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(message); return;
    case durbutton::CM_BUTTONPRESSED: CMButtonPressed(message); return;
    case durbutton::CM_DIALOGCHAR:
      if (CMDialogChar(message)) return;
      break;
    case CM_ENABLEDCHANGED:
      UpdateTracking();
      Repaint();
      break;
    case CM_FONTCHANGED: case CM_TEXTCHANGED: case durbutton::CM_SYSCOLORCHANGE: Invalidate(); break;
    case CM_MOUSEENTER: CMMouseEnter(); break;
    case CM_MOUSELEAVE: CMMouseLeave(); break;
    default: break;
  }
  TGraphicControl::WndProc(message);
}

// ---- Painting ----

bool TDurUzavButton::Hot() const { return mouseInControl_ && Enabled(); }

void TDurUzavButton::SettleStateForPaint() {
  if (!Enabled()) {
    state_ = bsDisabled;
    dragging_ = false;
  } else if (state_ == bsDisabled) {
    state_ = down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
  }
  if (style_ == tasCheck && down_) state_ = bsDown;
}

void TDurUzavButton::Paint() {
  SettleStateForPaint();
  TCanvas* canvas = Canvas();
  canvas->SetFont(*Font());
  // A graphic control has no background of its own: what the faces leave
  // free (the corners of a rounded one) shows the parent's colour.
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Parent() ? Parent()->Color() : Color());
  canvas->FillRect(ClientRect());
  TRect r = ClientRect();
  if (flat_)
    PaintFlatFace(r);
  else
    PaintFrame(r);
  const TPoint offset = PaintPressedBackground(r);
  if (dropDownButton_) PaintDropDownArrow(r);
  DrawButton(r, offset, down_ && groupIndex_ != 0 ? bsDown : state_);
}

// The raised or pushed frame of a button that is not flat, from the theme
// when asked and one is active.
void TDurUzavButton::PaintFrame(TRect& r) {
  const bool pressed = Pressed(state_);
  if (autoXPStyle_) {
    const int themeState = pressed ? PBS_PRESSED : mouseInControl_ ? PBS_HOT : PBS_NORMAL;
    if (DrawThemePart(Parent(), kThemeButton, *Canvas(), BP_PUSHBUTTON, themeState, r)) return;
  }
  DrawFrameControl(Canvas(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0));
}

void TDurUzavButton::PaintFlatFace(TRect& r) {
  if (borderDownColor_ == clNone || rounded_) InflateRect(r, -1, -1);
  Canvas()->Pen()->SetWidth(1);
  if (Hot())
    PaintHotFace(r);
  else
    PaintIdleFace(r);
  InflateRect(r, -1, -1);
}

void TDurUzavButton::PaintHotFace(TRect& r) {
  const bool pressed = state_ == bsDown;
  const TColor border = pressed ? borderDownColor_ : borderHotColor_;
  TFace face = pressed ? TFace{colorDown_, colorDownTo_, border} : TFace{colorHot_, colorHotTo_, border};
  if (rounded_) face.border = clNone;
  PaintFace(r, face);
  if (rounded_) PaintRoundBorder(r, border);
  if (dropDownButton_ && border != clNone) {
    TCanvas* canvas = Canvas();
    canvas->Pen()->SetColor(border);
    canvas->MoveTo(r.Right - kDropDownWidth, r.Top);
    canvas->LineTo(r.Right - kDropDownWidth, r.Bottom);
  }
}

void TDurUzavButton::PaintIdleFace(TRect& r) {
  if (style_ == tasCheck && down_) {
    PaintFace(r, {colorChecked_, colorCheckedTo_, borderDownColor_});
  } else if (colorTo_ == clNone) {
    Canvas()->Brush()->SetColor(ColorToRGB(Color()));
    Canvas()->FillRect(r);
  } else {
    const TColor border = down_ ? borderDownColor_ : rounded_ ? clNone : borderColor_;
    DrawBorderedGradient(Canvas(), Color(), colorTo_, border, kGradientSteps, r, false);
  }
  if (borderColor_ == clNone) return;
  if (rounded_) {
    PaintRoundBorder(r, borderColor_);
    return;
  }
  TCanvas* canvas = Canvas();
  canvas->Pen()->SetColor(borderColor_);
  canvas->Brush()->SetStyle(bsClear);
  canvas->Rectangle(r);
  canvas->Brush()->SetStyle(bsSolid);
}

// A plain face outlined in its border (in its own colour without one), or
// a top-to-bottom gradient with the border around it.
void TDurUzavButton::PaintFace(TRect r, const TFace& face) {
  TCanvas* canvas = Canvas();
  if (face.colorTo == clNone) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(face.color);
    canvas->Pen()->SetColor(face.border == clNone ? face.color : face.border);
    canvas->Rectangle(r);
    return;
  }
  DrawBorderedGradient(canvas, face.color, face.colorTo, face.border, kGradientSteps, r, false);
}

void TDurUzavButton::PaintRoundBorder(TRect& r, TColor color) {
  InflateRect(r, 1, 1);
  if (color == clNone) return;
  TCanvas* canvas = Canvas();
  canvas->Pen()->SetColor(color);
  canvas->Brush()->SetStyle(bsClear);
  canvas->RoundRect(r.Left, r.Top, r.Right, r.Bottom, kRoundCorner, kRoundCorner);
  canvas->Brush()->SetStyle(bsSolid);
}

// The checked background of a down grouped button and the content offset:
// pressed buttons that are not flat sink by a pixel, hot shaded ones lift.
TPoint TDurUzavButton::PaintPressedBackground(const TRect& r) {
  if (!Pressed(state_)) {
    const bool lifted = flat_ && Hot() && shaded_ && state_ != bsDown;
    return lifted ? TPoint{-1, -1} : TPoint{0, 0};
  }
  if (state_ == bsExclusive && (!flat_ || !Hot())) {
    TRect back = r;
    InflateRect(back, 1, 1);
    if (colorCheckedTo_ == clNone) {
      Canvas()->Brush()->SetColor(colorChecked_);
      Canvas()->FillRect(back);
    } else {
      DrawBorderedGradient(Canvas(), colorChecked_, colorCheckedTo_, down_ ? borderDownColor_ : borderColor_,
                           kGradientSteps, back, false);
    }
  }
  return flat_ ? TPoint{0, 0} : TPoint{1, 1};
}

void TDurUzavButton::PaintDropDownArrow(TRect& r) {
  TCanvas* canvas = Canvas();
  const int cy = r.Top + (r.Bottom - r.Top) / 2;
  const TColor color = Font()->Color();
  canvas->Pen()->SetColor(color);
  canvas->Brush()->SetColor(color);
  canvas->Polygon({{r.Right - 8, cy - 1}, {r.Right - 4, cy - 1}, {r.Right - 6, cy + 1}});
  r.Right -= kDropDownWidth;
}

void TDurUzavButton::DrawButton(const TRect& r, TPoint offset, TButtonState state) {
  TCanvas* canvas = Canvas();
  const AnsiString caption = Caption();
  TSize textSize;
  if (!caption.empty()) {
    TRect bounds{0, 0, r.Width(), 0};
    canvas->DrawText(caption, bounds, DT_CALCRECT);
    textSize = {bounds.Width(), bounds.Height()};
  }
  const durbutton::TButtonLayoutResult layout =
      durbutton::CalcButtonLayout(r, offset, {glyph_.Width(), glyph_.Height()}, textSize, layout_, margin_,
                                  spacing_, UseRightToLeftReading());
  DrawButtonGlyph(layout.glyphPos, state);
  TRect textBounds = layout.textBounds;
  if (!Pressed(state) && Hot() && shaded_ && flat_) OffsetRect(textBounds, 1, 1);
  if (showCaption_) DrawButtonText(textBounds);
}

void TDurUzavButton::DrawButtonGlyph(TPoint pos, TButtonState state) {
  const TBitmap* picture = &glyph_;
  if (Pressed(state) && !glyphDown_.Empty())
    picture = &glyphDown_;
  else if (Hot() && !Pressed(state) && !glyphHot_.Empty())
    picture = &glyphHot_;
  if (!Enabled() && !glyphDisabled_.Empty()) picture = &glyphDisabled_;
  if (picture->Empty()) return;
  const bool captioned = !Caption().empty();
  if (Hot() && shaded_ && state != bsDown && !shade_.Empty())
    Canvas()->Draw(captioned ? pos.X + 2 : pos.X, captioned ? pos.Y + 2 : pos.Y, &shade_);
  // A button without caption shows its glyph from the top-left corner.
  if (captioned)
    Canvas()->Draw(pos.X, pos.Y, picture);
  else
    Canvas()->Draw(0, 0, picture);
}

void TDurUzavButton::DrawButtonText(TRect r) {
  TCanvas* canvas = Canvas();
  const AnsiString caption = Caption();
  canvas->Brush()->SetStyle(bsClear);
  const unsigned flags = DT_CENTER | DT_VCENTER;
  if (Enabled()) {
    canvas->DrawText(caption, r, flags);
  } else {
    TRect shadow = r;
    OffsetRect(shadow, 1, 1);
    canvas->Font()->SetColor(clBtnHighlight);
    canvas->DrawText(caption, shadow, flags);
    canvas->Font()->SetColor(clBtnShadow);
    canvas->DrawText(caption, r, flags);
  }
  canvas->Brush()->SetStyle(bsSolid);
}
