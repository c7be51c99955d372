// The mark-up layout and drawing engine: the call's set-up, the line loop,
// and the pieces of text of one line in its two passes.
#include "grid/zghtmle.h"

#include <algorithm>

#include "framework/theme.h"
#include "grid/zghtmle_engine.h"
#include "grid/zghtmle_language.h"

bool IsWinXP = true;

namespace markup {

Engine::Engine(const Inputs& in, Results& out)
    : in_(in),
      out_(out),
      canvas_(*in.canvas),
      callBackground_(in.canvas->Brush()->Color()),
      baseColor_(in.canvas->Font()->Color()),
      baseName_(in.canvas->Font()->Name()),
      baseSize_(in.canvas->Font()->Size()),
      baseStyle_(in.canvas->Font()->Style()),
      textFlags_(DT_SINGLELINE | DT_BOTTOM | DT_EXPANDTABS | DT_EXTERNALLEADING |
                 (in.variant == Variant::Grid ? DT_NOPREFIX : 0) | (in.wordWrap ? 0 : DT_END_ELLIPSIS)),
      themed_(IsWinXP && in.variant == Variant::Grid && ThemeService().IsThemeActive()) {}

bool Engine::Run(const AnsiString& text) {
  const TColor penColor = canvas_.Pen()->Color();
  const int penWidth = canvas_.Pen()->Width();
  const TBrushStyle brushStyle = canvas_.Brush()->Style();
  TFont baseFont;
  baseFont.Assign(*canvas_.Font());

  out_.controlRect = {};
  out_.controlValue.clear();
  out_.controlType.clear();
  out_.plainText.clear();
  out_.focusAnchor.clear();
  out_.anchorTitle.clear();
  if (!in_.hitTestOnly) out_.controlID.clear();
  out_.xSize = out_.ySize = out_.linkCount = 0;
  out_.mouseLink = -1;

  State state;
  state.fontName = baseName_;
  state.fontSize = baseSize_;
  state.fontColor = baseColor_;
  state.fontStyle = baseStyle_;

  // One painter for all the pieces of an image rather than one per piece.
  const bool ownPainter = Drawing(Pass::Second) && canvas_.Target() && !canvas_.Drawing() && canvas_.BeginDoc();

  const AnsiString prepared = PrepareText(text, in_.variant == Variant::Label);
  std::string_view rest = prepared;
  int top = in_.bounds.Top;
  bool hit = false;
  while (!rest.empty()) {
    SelectFont(state);
    const int startHeight = canvas_.TextHeight("gh");
    Line line;
    line.rect = {in_.bounds.Left + 1, top, in_.bounds.Right, in_.bounds.Bottom};
    line.height = startHeight;
    line.x = line.rect.Left;
    state.subscript = state.superscript = false;
    const State lineStart = state;

    bool endText = false;
    measuredWidths_.clear();
    replayed_ = 0;
    size_t consumed = LayoutLine(rest, state, line, Pass::Measure, endText);
    if (consumed == 0 && !endText) consumed = 1;  // nothing fitted: never loop on the same text
    const std::string_view lineText = rest.substr(0, consumed);
    rest = endText ? std::string_view() : rest.substr(consumed);

    PlaceLine(state, line);
    line.bottom = top + line.height + line.subDepth + line.supHeight;
    if (!in_.measureOnly) {
      Line second = line;
      second.width = 0;
      second.x = line.rect.Left;
      second.hadListItem = false;
      second.pieces = 0;
      second.endsWithBlank = true;
      second.anchorStartedHere = false;
      state = lineStart;
      lineHadAnchorHit_ = false;
      bool ignored = false;
      LayoutLine(lineText, state, second, Pass::Second, ignored);
      const int textBottom = second.bottom - second.baselineOffset;
      if (lineHadAnchorHit_ && in_.pointY > textBottom - canvas_.TextHeight("gh") && in_.pointY < textBottom)
        hit = true;
    }
    const int advance = line.height + line.subDepth + line.supHeight;
    top += advance;
    out_.ySize += advance;
    if (!in_.measureOnly && top + startHeight > in_.bounds.Bottom) break;
  }
  hit = hit || objectHit_;

  if (ownPainter) canvas_.EndDoc();
  canvas_.SetFont(baseFont);
  if (out_.ySize == 0) out_.ySize = canvas_.TextHeight("gh");
  canvas_.Pen()->SetColor(penColor);
  canvas_.Pen()->SetWidth(penWidth);
  canvas_.Brush()->SetColor(callBackground_);
  canvas_.Brush()->SetStyle(brushStyle);
  return hit;
}

void Engine::SelectFont(const State& state) {
  TFont& font = *canvas_.Font();
  if (font.Name() != state.fontName) font.SetName(state.fontName);
  if (font.Size() != state.fontSize) font.SetSize(state.fontSize);
  if (font.Color() != state.fontColor) font.SetColor(state.fontColor);
  if (font.Style() != state.fontStyle) font.SetStyle(state.fontStyle);
  // Rotated text is measured along its baseline, as unrotated text.
  font.SetOrientation(state.rotation);
}

int Engine::PieceWidth(const AnsiString& piece) const {
  // A piece takes the room it is drawn in: its tabs reach their stops, and
  // the label, which draws with prefix processing, gives "&&" the room of one "&".
  const bool prefixed = in_.variant != Variant::Grid;
  if (!prefixed && piece.find('\t') == AnsiString::npos) return canvas_.TextWidth(piece);
  TRect r{0, 0, 0, 0};
  canvas_.DrawText(piece, r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | (prefixed ? 0 : DT_NOPREFIX));
  return r.Width();
}

void Engine::PlaceLine(const State& state, Line& line) const {
  int left = line.rect.Left;
  if (state.alignment == 1 && in_.bounds.Right - line.width > left) left = in_.bounds.Right - line.width;
  if (state.alignment == 2) {
    const int shift = (in_.bounds.Right - left - line.width) / 2;
    if (shift > 0) left += shift;
  }
  line.rect.Left = left + state.indent;
}

int Engine::BaselineBottom(const Line& line) const { return line.bottom - line.subDepth; }

TRect Engine::PieceRect(const State& state, const Line& line) const {
  TRect r{line.x, line.rect.Top, line.rect.Right, BaselineBottom(line)};
  int shift = -line.baselineOffset;
  if (state.superscript) shift -= line.supHeight;
  if (state.subscript) shift += line.subDepth;
  OffsetRect(r, 0, shift);
  return r;
}

size_t Engine::LayoutLine(std::string_view text, State& state, Line& line, Pass pass, bool& endText) {
  if (pass == Pass::Second) {
    if (Drawing(pass) && state.paragraphBackground) FillLineBackground(state, line);
    if (state.inFocusAnchor) {
      line.focusStartX = line.rect.Left;
      line.focusStartTop = line.rect.Top;
    }
  }
  size_t pos = 0;
  while (pos < text.size()) {
    const std::string_view rest = text.substr(pos);
    size_t length = 0;
    if (rest.front() != '<') {
      const size_t tag = rest.find('<');
      const size_t blank = in_.wordWrap ? rest.find(' ') : std::string_view::npos;
      length = blank != std::string_view::npos && blank < tag ? blank + 1 : std::min(tag, rest.size());
    }
    if (length > 0) {
      if (!LayoutPiece(DecodePiece(rest.substr(0, length)), state, line, pass, endText)) break;
      pos += length;
      if (endText) break;
      continue;
    }
    // A "<" that is the last or last-but-one character, or has no ">"
    // after it, ends the text.
    const size_t close = rest.find('>');
    if (rest.size() <= 2 || close == std::string_view::npos) {
      pos = text.size();
      endText = true;
      break;
    }
    const TagEffect effect = ApplyTag(rest.substr(0, close + 1), state, line, pass);
    if (effect == TagEffect::EndLineKeepTag) break;
    pos += close + 1;
    if (effect == TagEffect::BreakLine) break;
  }
  if (pass == Pass::Measure) {
    line.width -= line.trailingBlank;
    out_.xSize = std::max(out_.xSize, line.width);
  } else if (state.inFocusAnchor) {
    DrawFocusPart(line, line.x);
  }
  return pos;
}

bool Engine::LayoutPiece(const AnsiString& piece, State& state, Line& line, Pass pass, bool& endText) {
  if (state.hidden) return true;
  SelectFont(state);
  // The second pass takes the same pieces in the same fonts: their widths
  // are those the measuring pass found.
  const bool replayed = pass == Pass::Second && replayed_ < measuredWidths_.size();
  const int width = replayed ? measuredWidths_[replayed_++] : PieceWidth(piece);
  if (pass == Pass::Measure) {
    const int room = line.rect.Width();
    const bool fits = line.width + width < room || width >= room || !line.endsWithBlank;
    if (!fits && in_.wordWrap) return false;
    // Without wrapping, the piece that overflows is the last one shown.
    if (!fits && line.pieces > 0) endText = true;
    out_.plainText += piece;
    measuredWidths_.push_back(width);
  }
  const int height = canvas_.TextHeight(piece);
  line.height = std::max(line.height, height);
  if (state.subscript) line.subDepth = std::max(line.subDepth, height / 4);
  if (state.superscript) line.supHeight = std::max(line.supHeight, height / 4);

  if (pass == Pass::Second) {
    // Anchors under the pointer are found by hit tests; drawing leaves them.
    const int offset = in_.pointX - line.rect.Left;
    if (in_.hitTestOnly && state.inAnchor && offset >= line.width && offset <= line.width + width) {
      lineHadAnchorHit_ = true;
      if (in_.pointY > line.rect.Top) {
        out_.anchorValue = state.href;
        state.anchorUnderPointer = true;
      }
    }
    if (state.inAnchor && state.linkCounter - 1 == in_.focusLink) out_.focusAnchor = state.href;
    if (Drawing(pass)) DrawPiece(piece, state, PieceRect(state, line), width);
  }
  line.x += width;
  line.width += width;
  ++line.pieces;
  line.endsWithBlank = piece.back() == ' ';
  if (pass == Pass::Measure) line.trailingBlank = line.endsWithBlank ? BlankWidth(state) : 0;
  return true;
}

int Engine::BlankWidth(const State& state) {
  if (blankFontName_ != state.fontName || blankFontSize_ != state.fontSize || blankFontStyle_ != state.fontStyle) {
    blankFontName_ = state.fontName;
    blankFontSize_ = state.fontSize;
    blankFontStyle_ = state.fontStyle;
    blankWidth_ = canvas_.TextWidth(" ");
  }
  return blankWidth_;
}

void Engine::DrawPiece(const AnsiString& piece, const State& state, TRect rect, int width) {
  TBrush& brush = *canvas_.Brush();
  if (state.background == clNone) {
    brush.SetStyle(bsClear);
  } else {
    brush.SetStyle(bsSolid);
    brush.SetColor(state.background);
  }
  TFont& font = *canvas_.Font();
  if (state.shadow) {
    TRect shadow = rect;
    OffsetRect(shadow, in_.shadowOffset, in_.shadowOffset);
    const TBrushStyle style = brush.Style();
    brush.SetStyle(bsClear);
    font.SetColor(in_.shadowColor);
    canvas_.DrawText(piece, shadow, textFlags_);
    brush.SetStyle(style);
  }
  font.SetColor(state.blink && !in_.blinkOn ? callBackground_ : state.fontColor);
  canvas_.DrawText(piece, rect, textFlags_);
  font.SetColor(state.fontColor);
  if (state.error) DrawErrorZigzag(rect.Left, rect.Left + width, rect.Bottom);
}

void Engine::DrawErrorZigzag(int left, int right, int baseline) {
  std::vector<TPoint> points;
  int x = left & ~1;
  bool low = x % 4 == 0;
  for (; x <= right; x += 2, low = !low) points.push_back({x, low ? baseline + 1 : baseline - 1});
  if (points.size() < 2) return;
  canvas_.Pen()->SetColor(clRed);
  canvas_.Pen()->SetWidth(1);
  canvas_.Polyline(points);
}

}  // namespace markup

namespace {

bool DrawVariant(markup::Variant variant, TCanvas* Canvas, const AnsiString& Text, const TRect& Bounds,
                 TImageList* Images, int PointX, int PointY, int FocusLink, int HoverLink, int ShadowOffset,
                 bool HitTestOnly, bool MeasureOnly, bool Printing, bool BlinkOn, bool Selected, bool HoverOnly,
                 bool WordWrap, bool ControlDown, double PrintScale, TColor LinkColor, TColor HoverColor,
                 TColor HoverFontColor, TColor ShadowColor, markup::Results& out, THTMLPictureCache* PictureCache,
                 TPictureContainer* PictureContainer, TWinControl* OwnerWindow) {
  if (!Canvas) return false;
  markup::Inputs in;
  in.variant = variant;
  in.canvas = Canvas;
  in.bounds = Bounds;
  in.images = Images;
  in.pointX = PointX;
  in.pointY = PointY;
  in.focusLink = FocusLink;
  in.hoverLink = HoverLink;
  in.shadowOffset = ShadowOffset;
  in.hitTestOnly = HitTestOnly;
  in.measureOnly = MeasureOnly;
  in.printing = Printing;
  in.blinkOn = BlinkOn;
  in.selected = Selected;
  in.hoverOnly = HoverOnly;
  in.wordWrap = WordWrap;
  in.controlDown = ControlDown;
  in.printScale = PrintScale;
  in.linkColor = LinkColor;
  in.hoverColor = HoverColor;
  in.hoverFontColor = HoverFontColor;
  in.shadowColor = ShadowColor;
  in.pictureCache = PictureCache;
  in.pictureContainer = PictureContainer;
  in.ownerWindow = OwnerWindow;
  return markup::Engine(in, out).Run(Text);
}

}  // namespace

bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& Bounds, TImageList* Images, int PointX,
                int PointY, int FocusLink, int HoverLink, int ShadowOffset, bool HitTestOnly, bool MeasureOnly,
                bool Printing, bool BlinkOn, bool Selected, bool HoverOnly, bool WordWrap, bool ControlDown,
                double PrintScale, TColor LinkColor, TColor HoverColor, TColor HoverFontColor, TColor ShadowColor,
                AnsiString& AnchorValue, AnsiString& PlainText, AnsiString& FocusAnchor, AnsiString& AnchorTitle,
                int& XSize, int& YSize, int& LinkCount, int& MouseLink, TRect& HoverRect, TRect& ControlRect,
                AnsiString& ControlID, AnsiString& ControlValue, AnsiString& ControlType,
                THTMLPictureCache* PictureCache, TPictureContainer* PictureContainer, TWinControl* OwnerWindow) {
  markup::Results out{AnchorValue, PlainText, FocusAnchor, AnchorTitle, XSize, YSize, LinkCount,
                      MouseLink,   HoverRect, ControlRect, ControlID,   ControlValue, ControlType};
  return DrawVariant(markup::Variant::Grid, Canvas, Text, Bounds, Images, PointX, PointY, FocusLink, HoverLink,
                     ShadowOffset, HitTestOnly, MeasureOnly, Printing, BlinkOn, Selected, HoverOnly, WordWrap,
                     ControlDown, PrintScale, LinkColor, HoverColor, HoverFontColor, ShadowColor, out, PictureCache,
                     PictureContainer, OwnerWindow);
}

bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& Bounds, TImageList* Images, int PointX,
                int PointY, int FocusLink, int HoverLink, int ShadowOffset, bool HitTestOnly, bool MeasureOnly,
                bool Printing, bool BlinkOn, bool Selected, bool HoverOnly, bool WordWrap, double PrintScale,
                TColor LinkColor, TColor HoverColor, TColor HoverFontColor, TColor ShadowColor,
                AnsiString& AnchorValue, AnsiString& PlainText, AnsiString& FocusAnchor, int& XSize, int& YSize,
                int& LinkCount, int& MouseLink, TRect& HoverRect, THTMLPictureCache* PictureCache,
                TPictureContainer* PictureContainer, int) {
  AnsiString title, id, value, type;
  TRect controlRect;
  markup::Results out{AnchorValue, PlainText, FocusAnchor, title, XSize, YSize, LinkCount,
                      MouseLink,   HoverRect, controlRect, id,    value, type};
  return DrawVariant(markup::Variant::Label, Canvas, Text, Bounds, Images, PointX, PointY, FocusLink, HoverLink,
                     ShadowOffset, HitTestOnly, MeasureOnly, Printing, BlinkOn, Selected, HoverOnly, WordWrap, false,
                     PrintScale, LinkColor, HoverColor, HoverFontColor, ShadowColor, out, PictureCache,
                     PictureContainer, nullptr);
}

void PrintBitmap(TCanvas* Canvas, const TRect& DestRect, TBitmap* Bitmap) {
  if (Canvas && Bitmap && !Bitmap->Empty()) Canvas->StretchDraw(DestRect, Bitmap);
}
