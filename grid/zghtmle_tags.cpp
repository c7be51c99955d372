// The mark-up engine's tags: what each opening and closing tag does to the
// formatting state and the line.
#include <algorithm>

#include "framework/sysutils.h"
#include "grid/zghtmle_engine.h"
#include "grid/zghtmle_language.h"
#include "grid/zgutil.h"

namespace markup {

namespace {

constexpr int kListIndent = 12;

bool Is(std::string_view upper, std::string_view prefix) { return upper.starts_with(prefix); }

// FONT SIZE: 1 to 5 name the sizes 8 to 16 points, any other number is the
// point size itself.
std::optional<int> FontSize(std::string_view tag) {
  const std::optional<AnsiString> value = Attribute(tag, "SIZE");
  const std::optional<int> number = value ? WholeNumber(*value) : std::nullopt;
  if (!number || *number <= 0) return std::nullopt;
  return *number <= 5 ? 6 + 2 * *number : *number;
}

// BODY colours: a value holding "CL" is a colour name, one holding "#" is
// hexadecimal (the latter wins).
std::optional<TColor> BodyColor(std::string_view tag, std::string_view name) {
  const std::optional<AnsiString> value = Attribute(tag, name);
  if (!value) return std::nullopt;
  std::optional<TColor> color;
  if (value->find("CL") != AnsiString::npos) color = TextToColor(*value);
  if (const size_t hash = value->find('#'); hash != AnsiString::npos) {
    const TColor hex = HexToColor(value->substr(hash));
    color = hex == clNone ? std::nullopt : std::optional<TColor>(hex);
  }
  return color;
}

}  // namespace

TagEffect Engine::ApplyTag(std::string_view tag, State& state, Line& line, Pass pass) {
  const AnsiString upper = UpperCase(tag);
  if (upper[1] == '/') return upper.size() > 3 ? ApplyClosingTag(upper, state, line, pass) : TagEffect::Continue;
  switch (upper[1]) {
    case 'A': OpenAnchor(tag, state, line, pass); break;
    case 'B':
      if (upper == "<B>") {
        state.fontStyle |= fsBold;
      } else if (Is(upper, "<BR")) {
        if (pass == Pass::Measure) out_.plainText += '\r';
        return TagEffect::BreakLine;
      } else if (Is(upper, "<BL")) {
        state.blink = true;
      } else if (Is(upper, "<BO")) {
        ApplyBody(tag, state, pass);
      }
      break;
    case 'C':
      if (in_.variant == Variant::Grid) return ApplyControl(tag, state, line, pass);
      break;
    case 'E': state.error = true; break;
    case 'F': OpenFont(tag, state, pass); break;
    case 'H':
      if (Is(upper, "<HI")) {
        state.colorBeforeHighlight = state.fontColor;
        state.backgroundBeforeHighlight = state.background;
        state.background = clHighlight;
        state.fontColor = clHighlightText;
      } else if (Is(upper, "<HR")) {
        if (Drawing(pass)) DrawRule(line);
        return TagEffect::BreakLine;
      }
      break;
    case 'I':
      if (upper == "<I>") {
        state.fontStyle |= fsItalic;
      } else if (Is(upper, "<IN")) {
        const std::optional<AnsiString> x = Attribute(tag, "X");
        const std::optional<int> indent = x ? WholeNumber(*x) : std::nullopt;
        if (indent && *indent > line.width) {
          line.width = *indent;
          line.x = in_.bounds.Left + *indent;
        }
      } else if (Is(upper, "<IM")) {
        return ApplyImage(tag, state, line, pass);
      }
      break;
    case 'L': return ApplyListItem(state, line, pass);
    case 'P': ApplyParagraph(tag, state, line, pass); break;
    case 'R': {
      const std::optional<AnsiString> angle = Attribute(tag, "A");
      state.rotations.push_back(state.rotation);
      state.rotation = 10 * (angle ? WholeNumber(*angle).value_or(0) : 0);
      break;
    }
    case 'S':
      if (upper == "<S>") state.fontStyle |= fsStrikeOut;
      else if (Is(upper, "<SH")) state.shadow = true;
      else if (upper == "<SUB>") state.subscript = true;
      else if (upper == "<SUP>") state.superscript = true;
      break;
    case 'U':
      if (upper == "<U>") {
        state.fontStyle |= fsUnderline;
        break;
      }
      ++state.listLevel;
      return TagEffect::BreakLine;
    case 'Z': state.hidden = true; break;
    default: break;
  }
  return TagEffect::Continue;
}

TagEffect Engine::ApplyClosingTag(std::string_view upper, State& state, Line& line, Pass pass) {
  switch (upper[2]) {
    case 'A': CloseAnchor(state, line, pass); break;
    case 'B':
      if (upper == "</B>") {
        state.fontStyle &= ~fsBold;
      } else {
        state.blink = false;
        if (!in_.selected) state.fontColor = baseColor_;
      }
      break;
    case 'E': state.error = false; break;
    case 'F': CloseFont(state); break;
    case 'H':
      state.fontColor = state.colorBeforeHighlight;
      state.background = state.backgroundBeforeHighlight;
      break;
    case 'I': state.fontStyle &= ~fsItalic; break;
    case 'L': return TagEffect::BreakLine;
    case 'P':
      state.paragraphBackground = false;
      state.background = state.backgroundBeforeParagraph;
      return TagEffect::BreakLine;
    case 'R':
      if (!state.rotations.empty()) {
        state.rotation = state.rotations.back();
        state.rotations.pop_back();
      }
      break;
    case 'S':
      if (upper[3] == 'U') state.subscript = state.superscript = false;
      else if (upper[3] == 'H') state.shadow = false;
      else state.fontStyle &= ~fsStrikeOut;
      break;
    case 'U':
      if (upper == "</U>" || state.listLevel == 0) state.fontStyle &= ~fsUnderline;
      else --state.listLevel;
      break;
    case 'Z': state.hidden = false; break;
    default: break;
  }
  return TagEffect::Continue;
}

void Engine::OpenAnchor(std::string_view tag, State& state, Line& line, Pass pass) {
  if (state.linkCounter == in_.focusLink && pass == Pass::Second) {
    state.inFocusAnchor = true;
    line.focusStartX = line.x;
    line.focusStartTop = line.rect.Top;
  }
  ++state.linkCounter;
  if (pass == Pass::Measure) ++out_.linkCount;
  const bool hovered = state.linkCounter == in_.hoverLink;
  state.anchorStyled = !in_.hoverOnly || hovered;
  if (Drawing(pass) && state.anchorStyled) {
    state.fontStyle |= fsUnderline;
    if (in_.hoverColor != clNone) {
      state.backgroundBeforeHover = state.background;
      state.background = in_.hoverColor;
    }
    if (in_.hoverFontColor != clNone) state.fontColor = in_.hoverFontColor;
  }
  const bool keepsHoverFontColor = in_.hoverOnly && hovered && in_.hoverFontColor != clNone;
  if (!in_.selected && !keepsHoverFontColor) state.fontColor = in_.linkColor;

  if (const std::optional<AnsiString> href = Attribute(tag, "HREF", true)) {
    state.inAnchor = true;
    state.href = *href;
  }
  if (const std::optional<AnsiString> title = Attribute(tag, "TITLE")) out_.anchorTitle = *title;
  state.anchorUnderPointer = false;
  line.anchorStartX = line.rect.Left + line.width;
  line.anchorStartTop = line.rect.Top;
  line.anchorStartedHere = true;
}

void Engine::CloseAnchor(State& state, Line& line, Pass pass) {
  if (Drawing(pass) && state.anchorStyled) {
    state.fontStyle &= ~fsUnderline;
    if (in_.hoverColor != clNone) state.background = state.backgroundBeforeHover;
  }
  state.anchorStyled = false;
  if (!in_.selected) state.fontColor = baseColor_;
  state.inAnchor = false;
  if (pass == Pass::Second && state.anchorUnderPointer) {
    const int left = line.anchorStartedHere ? line.anchorStartX : line.rect.Left;
    const int top = line.anchorStartedHere ? line.anchorStartTop : line.rect.Top;
    out_.hoverRect = {left, top, line.rect.Left + line.width, BaselineBottom(line)};
    out_.mouseLink = state.linkCounter;
    state.anchorUnderPointer = false;
  }
  if (pass == Pass::Second && state.inFocusAnchor) {
    DrawFocusPart(line, line.x);
    state.inFocusAnchor = false;
  }
}

void Engine::DrawFocusPart(const Line& line, int right) {
  if (in_.hitTestOnly || in_.measureOnly) return;
  const int bottom = BaselineBottom(line) - line.baselineOffset;
  canvas_.DrawFocusRect({line.focusStartX - 1, bottom - canvas_.TextHeight("gh"), right + 1, bottom});
}

void Engine::OpenFont(std::string_view tag, State& state, Pass pass) {
  state.fonts.push_back({state.fontName, state.fontSize, state.fontColor, state.background, state.fontStyle});
  if (const std::optional<AnsiString> face = Attribute(tag, "FACE", true)) state.fontName = *face;
  if (const std::optional<int> size = FontSize(tag)) state.fontSize = *size;
  if (in_.selected) return;
  if (const std::optional<TColor> color = ColorAttribute(tag, "COLOR")) state.fontColor = *color;
  if (pass == Pass::Second)
    if (const std::optional<TColor> background = ColorAttribute(tag, "BGCOLOR")) state.background = *background;
}

void Engine::CloseFont(State& state) {
  // Back to what the matching FONT tag found (the base font outside any).
  SavedFont found{baseName_, baseSize_, baseColor_, state.background, state.fontStyle};
  if (!state.fonts.empty()) {
    found = state.fonts.back();
    state.fonts.pop_back();
  }
  state.fontName = found.name;
  state.fontSize = found.size;
  if (!in_.selected) state.fontColor = found.color;
  state.background = found.background;
}

void Engine::ApplyBody(std::string_view tag, State& state, Pass pass) {
  if (const std::optional<TColor> color = BodyColor(tag, "BGCOLOR")) {
    state.background = *color;
    if (Drawing(pass)) {
      const std::optional<TColor> to =
          in_.variant == Variant::Label ? BodyColor(tag, "BGCOLORTO") : std::optional<TColor>();
      if (to) {
        DrawBodyGradient(*color, *to, Attribute(tag, "DIR").value_or("H") == "H");
      } else {
        canvas_.Pen()->SetColor(*color);
        canvas_.Brush()->SetStyle(bsSolid);
        canvas_.Brush()->SetColor(*color);
        canvas_.Rectangle(in_.bounds);
      }
    }
  }
  if (Drawing(pass))
    if (const std::optional<AnsiString> background = Attribute(tag, "BACKGROUND", true)) TileBackground(*background);
}

void Engine::DrawBodyGradient(TColor from, TColor to, bool horizontal) {
  constexpr int kBands = 64;
  const TColor start = ColorToRGB(from);
  const TColor end = ColorToRGB(to);
  const TRect& b = in_.bounds;
  const int span = horizontal ? b.Width() : b.Height();
  canvas_.Brush()->SetStyle(bsSolid);
  for (int band = 0; band < kBands; ++band) {
    auto channel = [band](int c1, int c2) { return c1 + band * (c2 - c1) / kBands; };
    const TColor color = RGB(channel(GetRValue(start), GetRValue(end)), channel(GetGValue(start), GetGValue(end)),
                             channel(GetBValue(start), GetBValue(end)));
    const int first = band * span / kBands;
    const int last = (band + 1) * span / kBands;
    if (last <= first) continue;
    canvas_.Brush()->SetColor(color);
    canvas_.FillRect(horizontal ? TRect{b.Left + first, b.Top, b.Left + last, b.Bottom}
                                : TRect{b.Left, b.Top + first, b.Right, b.Top + last});
  }
}

void Engine::ApplyParagraph(std::string_view tag, State& state, Line& line, Pass pass) {
  if (const std::optional<AnsiString> align = Attribute(tag, "ALIGN")) {
    if (*align == "LEFT") state.alignment = 0;
    else if (*align == "RIGHT") state.alignment = 1;
    else if (*align == "CENTER") state.alignment = 2;
  }
  if (const std::optional<AnsiString> indent = Attribute(tag, "INDENT"))
    if (const std::optional<int> pixels = WholeNumber(*indent)) state.indent = *pixels;
  if (const std::optional<TColor> color = ColorAttribute(tag, "BGCOLOR")) {
    if (!state.paragraphBackground) state.backgroundBeforeParagraph = state.background;
    state.paragraphBackground = true;
    state.background = *color;
    if (Drawing(pass)) FillLineBackground(state, line);
  }
}

void Engine::FillLineBackground(const State& state, const Line& line) {
  canvas_.Brush()->SetStyle(bsSolid);
  canvas_.Brush()->SetColor(state.background);
  canvas_.FillRect({in_.bounds.Left, line.rect.Top, in_.bounds.Right, line.rect.Top + line.height});
}

TagEffect Engine::ApplyListItem(State& state, Line& line, Pass pass) {
  if (line.hadListItem) return TagEffect::EndLineKeepTag;
  line.hadListItem = true;
  line.width += state.listLevel * kListIndent;
  line.x += (state.listLevel - 1) * kListIndent;
  if (Drawing(pass)) {
    // A bullet at odd levels, a circle at even ones.
    const char* bullet = state.listLevel % 2 ? "\xE2\x80\xA2" : "o";
    canvas_.Brush()->SetStyle(bsClear);
    TRect r = PieceRect(state, line);
    r.Right = r.Left + kListIndent;
    canvas_.DrawText(bullet, r, DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX | DT_NOCLIP);
  }
  line.x += kListIndent;
  line.endsWithBlank = true;
  return TagEffect::Continue;
}

void Engine::DrawRule(const Line& line) {
  const int y = BaselineBottom(line) + 1;
  canvas_.Pen()->SetColor(clBlack);
  canvas_.Pen()->SetWidth(1);
  canvas_.MoveTo(line.rect.Left, y);
  canvas_.LineTo(line.rect.Right, y);
}

}  // namespace markup
