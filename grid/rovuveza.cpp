#include "grid/rovuveza.h"

#include <algorithm>
#include <cmath>

#include "framework/hints.h"
#include "framework/messaging.h"
#include "framework/services.h"
#include "grid/zghtmle.h"
#include "grid/zgutil.h"

namespace {

constexpr int kAutoSizeMargin = 6;
// Room for a text laid out without limit in one direction.
constexpr int kUnlimited = 65535;

// The label's colour conversion for gradients: clNone is white here, its
// colour bytes being all set.
TColor GradientRGB(TColor color) { return color == clNone ? clWhite : ColorToRGB(color); }

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

// steps bands from `from` to `to` across r (left to right when horizontal,
// else top to bottom); each band one pixel wider than its share so no gap
// shows, clipped to r.
void GradientFill(TCanvas* canvas, TColor from, TColor to, bool horizontal, const TRect& r, int steps) {
  if (steps <= 0) steps = 1;
  const TColor a = GradientRGB(from), b = GradientRGB(to);
  const double dR = double(GetRValue(b) - GetRValue(a)) / steps;
  const double dG = double(GetGValue(b) - GetGValue(a)) / steps;
  const double dB = double(GetBValue(b) - GetBValue(a)) / steps;
  const double band = double(horizontal ? r.Right - r.Left : r.Bottom - r.Top) / steps;
  canvas->Brush()->SetStyle(bsSolid);
  for (int i = 0; i < steps; ++i) {
    const int offset = RoundHalfEven(i * band);
    const TColor color = RGB(GetRValue(a) + RoundHalfEven(i * dR), GetGValue(a) + RoundHalfEven(i * dG),
                             GetBValue(a) + RoundHalfEven(i * dB));
    canvas->Pen()->SetColor(color);
    canvas->Brush()->SetColor(color);
    const int end = offset + static_cast<int>(band) + 1;
    if (horizontal)
      canvas->Rectangle(r.Left + offset, r.Top, std::min(r.Left + end, r.Right), r.Bottom);
    else
      canvas->Rectangle(r.Left, r.Top + offset, r.Right, std::min(r.Top + end, r.Bottom));
  }
}

void ShrinkRect(TRect& r, int by) { InflateRect(r, -by, -by); }

AnsiString WithoutLineEnds(const AnsiString& text) {
  AnsiString out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r' && c != '\n') out += c;
  return out;
}

}  // namespace

TROVUveza::TROVUveza(TComponent* owner)
    : TGraphicControl(owner),
      pictureCache_(std::make_unique<THTMLPictureCache>()),
      htmlText_(std::make_unique<TStringList>()) {
  htmlText_->OnChange = [this](TObject*) { HTMLChanged(); };
  SetCaption("");
  SetBevelWidth(1);
}

TROVUveza::~TROVUveza() { pictureCache_->ClearPictures(); }

// ---- Text ----

void TROVUveza::SetHTMLText(const TStrings* text) {
  if (text) htmlText_->SetText(WithoutLineEnds(text->Text()));
  UpdateDisplText();
}

AnsiString TROVUveza::GetText() const { return HTMLStripHidden(GetDisplText()); }

void TROVUveza::HilightText(const AnsiString& text, bool caseSensitive) {
  htmlText_->SetText(HiLight(htmlText_->Text(), text, "hi", caseSensitive));
}

void TROVUveza::UnHilightText() { htmlText_->SetText(UnHiLight(htmlText_->Text(), "hi")); }

void TROVUveza::MarkText(const AnsiString& text, bool caseSensitive) {
  htmlText_->SetText(HiLight(htmlText_->Text(), text, "e", caseSensitive));
}

void TROVUveza::UnMarkText() { htmlText_->SetText(UnHiLight(htmlText_->Text(), "e")); }

AnsiString TROVUveza::GetDisplText() const {
  AnsiString text;
  for (int i = 0; i < htmlText_->Count(); ++i) text += htmlText_->Get(i);
  return text;
}

void TROVUveza::UpdateDisplText() { Invalidate(); }

void TROVUveza::HTMLChanged() {
  pictureCache_->ClearPictures();
  Invalidate();
}

void TROVUveza::Loaded() {
  TGraphicControl::Loaded();
  SetCaption("");
}

void TROVUveza::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) {
    if (component == images_) images_ = nullptr;
    if (component == pictureContainer_) pictureContainer_ = nullptr;
  }
  TGraphicControl::Notification(component, operation);
}

// ---- Setters ----

void TROVUveza::SetAutoSizing(bool on) {
  autoSizing_ = on;
  if (on) {
    // Painting grows the label from here to its text.
    if (Align() == alLeft || Align() == alRight) SetWidth(kAutoSizeMargin);
    if (Align() == alTop || Align() == alBottom) SetHeight(kAutoSizeMargin);
  }
  Invalidate();
}

void TROVUveza::SetAutoSizeType(Rovuveza::TAutoSizeType type) {
  autoSizeType_ = type;
  SetAutoSizing(autoSizing_);
}

#define ROVUVEZA_SETTER(Name, Type, field) \
  void TROVUveza::Set##Name(Type value) {  \
    field = value;                         \
    Invalidate();                          \
  }
#define ROVUVEZA_SETTER_ON_CHANGE(Name, Type, field) \
  void TROVUveza::Set##Name(Type value) {            \
    if (field == value) return;                      \
    field = value;                                   \
    Invalidate();                                    \
  }
ROVUVEZA_SETTER(BevelInner, TBevelCut, bevelInner_)
ROVUVEZA_SETTER(BevelOuter, TBevelCut, bevelOuter_)
ROVUVEZA_SETTER(BevelWidth, int, bevelWidth_)
ROVUVEZA_SETTER(BorderWidth, int, borderWidth_)
ROVUVEZA_SETTER(BorderStyle, TFormBorderStyle, borderStyle_)
ROVUVEZA_SETTER(ColorTo, TColor, colorTo_)
ROVUVEZA_SETTER(GradientType, Rovuveza::TGradientType, gradientType_)
ROVUVEZA_SETTER(LineWidth, int, lineWidth_)
ROVUVEZA_SETTER(Hover, bool, hover_)
ROVUVEZA_SETTER(HoverColor, TColor, hoverColor_)
ROVUVEZA_SETTER(HoverFontColor, TColor, hoverFontColor_)
ROVUVEZA_SETTER(ShadowColor, TColor, shadowColor_)
ROVUVEZA_SETTER(ShadowOffset, int, shadowOffset_)
ROVUVEZA_SETTER(Transparent, bool, transparent_)
ROVUVEZA_SETTER_ON_CHANGE(Ellipsis, bool, ellipsis_)
ROVUVEZA_SETTER_ON_CHANGE(URLColor, TColor, urlColor_)
ROVUVEZA_SETTER_ON_CHANGE(VAlignment, Rovuveza::TVAlignment, vAlignment_)
#undef ROVUVEZA_SETTER
#undef ROVUVEZA_SETTER_ON_CHANGE

void TROVUveza::SetImages(TImageList* images) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = images;
  if (images_) images_->FreeNotification(this);
  Invalidate();
}

void TROVUveza::SetPictureContainer(TPictureContainer* container) {
  if (pictureContainer_) pictureContainer_->RemoveFreeNotification(this);
  pictureContainer_ = container;
  if (pictureContainer_) pictureContainer_->FreeNotification(this);
  Invalidate();
}

void TROVUveza::BeginUpdate() { ++updateCount_; }

void TROVUveza::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) Invalidate();
}

std::uint32_t TROVUveza::GetVersionNr() const { return (1u << 24) | (7u << 16) | (1u << 8) | 1u; }

AnsiString TROVUveza::GetVersion() const {
  const std::uint32_t nr = GetVersionNr();
  return IntToStr(nr >> 24) + "." + IntToStr((nr >> 16) & 0xFF) + "." + IntToStr((nr >> 8) & 0xFF) + "." +
         IntToStr(nr & 0xFF);
}

// ---- Painting ----

bool TROVUveza::GrowsHorizontally() const {
  return autoSizing_ && (Align() == alNone || Align() == alLeft || Align() == alRight) &&
         (autoSizeType_ == asHorizontal || autoSizeType_ == asBoth);
}

bool TROVUveza::GrowsVertically() const {
  return autoSizing_ && (Align() == alNone || Align() == alTop || Align() == alBottom) &&
         (autoSizeType_ == asVertical || autoSizeType_ == asBoth);
}

void TROVUveza::PaintBackground(TRect r) {
  TCanvas* canvas = Canvas();
  const int steps = (r.Right - r.Left) / 4;
  const bool fullGradient = gradientType_ == gtFullHorizontal || gradientType_ == gtFullVertical;
  if (!transparent_) {
    if (colorTo_ != clNone && fullGradient) {
      GradientFill(canvas, Color(), colorTo_, gradientType_ == gtFullHorizontal, r, steps);
    } else {
      canvas->Brush()->SetStyle(bsSolid);
      canvas->Pen()->SetColor(Color());
      canvas->Brush()->SetColor(Color());
      canvas->Rectangle(r);
    }
  }
  if (fullGradient) return;
  // The line gradients: a 2-pixel band, drawn even over a transparent label.
  if (gradientType_ == gtBottomLine) r.Top = r.Bottom - 2;
  if (gradientType_ == gtCenterLine) {
    r.Top += (r.Bottom - r.Top) / 2;
    r.Bottom = r.Top + 2;
  }
  if (gradientType_ == gtTopLine) r.Bottom = r.Top + 2;
  GradientFill(canvas, Color(), colorTo_, true, r, steps);
}

void TROVUveza::PaintFrames() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  const auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    const bool lowered = cut == bvLowered;
    Frame3D(canvas, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow, bevelWidth_);
  };
  bevel(bevelOuter_);
  Frame3D(canvas, r, Color(), Color(), borderWidth_);
  bevel(bevelInner_);
  if (borderStyle_ == bsSingle && borderWidth_ != 0) {
    // An outline only: the text area keeps the background.
    canvas->Pen()->SetWidth(borderWidth_);
    canvas->Pen()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(r);
    canvas->Pen()->SetWidth(1);
    canvas->Brush()->SetStyle(bsSolid);
  }
}

TRect TROVUveza::TextRect() {
  TRect r = ClientRect();
  const int frames = (bevelOuter_ != bvNone ? bevelWidth_ : 0) + borderWidth_ + (bevelInner_ != bvNone ? bevelWidth_ : 0);
  ShrinkRect(r, frames);
  if (bevelOuter_ != bvNone || bevelInner_ != bvNone) ShrinkRect(r, bevelWidth_);
  if (borderStyle_ == bsSingle) ShrinkRect(r, borderWidth_);
  return r;
}

void TROVUveza::AlignVertically(TRect& r, const AnsiString& text, TPoint mouse) {
  if (vAlignment_ == tvaTop) return;
  TLabelMarkupResult measured;
  HTMLPaint(Canvas(), text, r, images_, mouse.X, mouse.Y, -1, hoverIndex_, shadowOffset_, true, false, false, false,
            true, hover_, 1.0, urlColor_, hoverColor_, hoverFontColor_, shadowColor_, measured);
  if (measured.YSize >= Height()) return;
  if (vAlignment_ == tvaCenter)
    r.Top += ((r.Bottom - r.Top) - measured.YSize) / 2;
  else
    r.Top = r.Bottom - measured.YSize;
}

void TROVUveza::Paint() {
  SetCaption("");
  PaintBackground(ClientRect());
  Canvas()->SetFont(*Font());
  if (updateCount_ > 0) return;
  PaintFrames();

  TRect r = TextRect();
  Canvas()->Brush()->SetColor(Color());
  const AnsiString text = GetDisplText();
  if (GrowsHorizontally()) r.Right += kUnlimited;
  if (GrowsVertically()) r.Bottom += kUnlimited;
  const TPoint mouse = ScreenToClient(GetCursorPos());
  AlignVertically(r, text, mouse);

  TLabelMarkupResult drawn;
  HTMLPaint(Canvas(), text, r, images_, mouse.X, mouse.Y, -1, hoverIndex_, shadowOffset_, false, false, false, false,
            true, hover_, 1.0, urlColor_, hoverColor_, hoverFontColor_, shadowColor_, drawn);

  if (GrowsVertically() && textHeight_ + kAutoSizeMargin != Height()) SetHeight(textHeight_ + kAutoSizeMargin);
  if (GrowsHorizontally() && textWidth_ + kAutoSizeMargin != Width()) SetWidth(textWidth_ + kAutoSizeMargin);
}

void TROVUveza::HTMLPrint(TCanvas* canvas, const TRect& r) {
  TLabelMarkupResult printed;
  HTMLPaint(canvas, GetDisplText(), r, images_, 0, 0, -1, -1, 1, false, false, true, false, true, false, 1.0, clBlue,
            clNone, clNone, clGray, printed);
}

TSize TROVUveza::GetSize() {
  TLabelMarkupResult measured;
  HTMLPaint(Canvas(), htmlText_->Text(), Rect(0, 0, 4096, 4096), images_, 0, 0, -1, -1, shadowOffset_, true, false,
            false, false, true, hover_, 1.0, urlColor_, hoverColor_, hoverFontColor_, shadowColor_, measured);
  return {measured.XSize, measured.YSize};
}

bool TROVUveza::HTMLPaint(TCanvas* canvas, const AnsiString& text, TRect r, TImageList* images, int x, int y,
                          int /*focusLink*/, int hoverLink, int shadowOffset, bool checkOnly, bool measureOnly,
                          bool print, bool selected, bool blinkHidden, bool hoverStyle, double scale,
                          TColor urlColor, TColor hoverColor, TColor hoverFontColor, TColor shadowColor,
                          TLabelMarkupResult& result) {
  // The label draws no focus rectangle; Ellipsis turns word wrap off.
  const bool hit = HTMLDrawEx(canvas, text, r, images, x, y, -1, hoverLink, shadowOffset, checkOnly, measureOnly, print,
                              !blinkHidden, selected, hoverStyle, !ellipsis_, scale, urlColor, hoverColor,
                              hoverFontColor, shadowColor, result.AnchorValue, result.StrippedText,
                              result.FocusAnchor, result.XSize, result.YSize, result.HyperLinks, result.MouseLink,
                              result.HoverRect, pictureCache_.get(), pictureContainer_, 0);
  textWidth_ = result.XSize;
  textHeight_ = result.YSize;
  return hit;
}

// ---- Anchors under the mouse ----

bool TROVUveza::IsAnchor(int x, int y, AnsiString& anchor, TRect& rect) {
  anchor.clear();
  rect = {-1, -1, -1, -1};
  const AnsiString text = GetDisplText();
  TRect r = TextRect();
  AlignVertically(r, text, {x, y});
  TLabelMarkupResult hit;
  hit.HoverRect = rect;
  const bool found = HTMLPaint(Canvas(), text, r, images_, x, y, -1, -1, shadowOffset_, true, false, false, false,
                               true, hover_, 1.0, urlColor_, hoverColor_, hoverFontColor_, shadowColor_, hit);
  hoverIndex_ = found ? hit.MouseLink : -1;
  rect = hit.HoverRect;
  if (found) anchor = hit.AnchorValue;
  return found;
}

void TROVUveza::RepaintRect(TRect r) {
  // The whole label is one backing image; the part asked for is in it.
  (void)r;
  Invalidate();
}

void TROVUveza::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  AnsiString anchor;
  TRect rect;
  IsAnchor(x, y, anchor, rect);
  if (!anchor.empty()) {
    const bool entered = Cursor() == crDefault || anchor != lastAnchor_ || hoverIndex_ != previousHoverIndex_;
    if ((anchor != lastAnchor_ || !(rect == hoverRect_) || hoverIndex_ == -1) && hover_ && rect.Left != -1)
      RepaintRect(hoverRect_);
    if (entered) {
      if (anchorHint_) CancelHint();
      SetCursor(crHandPoint);
      if (OnAnchorEnter) OnAnchorEnter(this, anchor);
      if (hover_) RepaintRect(rect.Left == -1 ? ClientRect() : hoverRect_);
    }
    lastAnchor_ = anchor;
    previousHoverIndex_ = hoverIndex_;
    hoverRect_ = rect;
    if (hover_) RepaintRect(hoverRect_);
  } else if (Cursor() == crHandPoint) {
    SetCursor(crDefault);
    if (OnAnchorExit) OnAnchorExit(this, anchor);
    if (hover_) RepaintRect(hoverRect_.Left == -1 ? ClientRect() : hoverRect_);
    hoverRect_ = rect;
    if (hover_) RepaintRect(hoverRect_);
  }
}

void TROVUveza::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  AnsiString anchor;
  TRect rect;
  IsAnchor(x, y, anchor, rect);
  if (anchor.empty()) return;
  if (anchor.find("://") != AnsiString::npos || anchor.find("mailto:") != AnsiString::npos)
    Services().OpenUrl(anchor);
  else if (OnAnchorClick)
    OnAnchorClick(this, anchor);
}

void TROVUveza::HintShow(THintInfo& info) {
  bool onAnchor = false;
  if (anchorHint_) {
    AnsiString anchor;
    TRect rect;
    if (IsAnchor(info.CursorPos.X, info.CursorPos.Y, anchor, rect)) {
      onAnchor = true;
      if (OnAnchorHint) OnAnchorHint(this, anchor);
      const TPoint screen = ClientToScreen(info.CursorPos);
      info.HintPos = {screen.X + 10, screen.Y - 10};
      info.HintStr = anchor;
    }
  }
  if (hintShowFull_ && !onAnchor) info.HintStr = htmlHint_ ? GetDisplText() : GetText();
}

void TROVUveza::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_HINTSHOW:
      HintShow(*reinterpret_cast<THintInfo*>(message.LParam));
      message.Result = 0;
      return;
    case CM_MOUSEENTER:
      TGraphicControl::WndProc(message);
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      if (hover_ && hoverIndex_ != -1) RepaintRect(hoverRect_);
      hoverIndex_ = -1;
      TGraphicControl::WndProc(message);
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    default: TGraphicControl::WndProc(message);
  }
}
