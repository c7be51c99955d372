#include "grid/zgutil.h"

#include <algorithm>

void DrawGradient(TCanvas* canvas, TColor from, TColor to, int steps, TRect r, bool horizontal) {
  TBrush* brush = canvas->Brush();
  TPen* pen = canvas->Pen();
  brush->SetStyle(bsSolid);
  if (to == clNone) {
    brush->SetColor(from);
    pen->SetColor(from);
    canvas->FillRect(r);
    return;
  }
  steps = std::max(steps, 1);
  const TColor a = ColorToRGB(from), b = ColorToRGB(to);
  const int length = horizontal ? r.Width() : r.Height();
  for (int i = 0; i < steps; ++i) {
    auto channel = [&](int ca, int cb) { return steps == 1 ? ca : ca + (cb - ca) * i / (steps - 1); };
    const TColor band = RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
                            channel(GetBValue(a), GetBValue(b)));
    brush->SetColor(band);
    pen->SetColor(band);
    const int start = length * i / steps, end = length * (i + 1) / steps;
    if (end <= start) continue;
    canvas->FillRect(horizontal ? TRect{r.Left + start, r.Top, r.Left + end, r.Bottom}
                                : TRect{r.Left, r.Top + start, r.Right, r.Top + end});
  }
}

AnsiString EncodeWideStr(const WideString& text) {
  AnsiString result = "|\\";
  for (char16_t unit : text) {
    result += static_cast<char>(unit >> 8);
    result += static_cast<char>(unit & 0xFF);
  }
  return result;
}

WideString DecodeWideStr(const AnsiString& text) {
  WideString result;
  if (text.size() >= 2 && text[0] == '|' && text[1] == '\\') {
    for (size_t i = 2; i + 1 < text.size(); i += 2)
      result += static_cast<char16_t>((static_cast<unsigned char>(text[i]) << 8) | static_cast<unsigned char>(text[i + 1]));
    return result;
  }
  for (unsigned char c : text) result += static_cast<char16_t>(c);
  return result;
}
