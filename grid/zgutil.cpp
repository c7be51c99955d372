// Gradient fills.
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
