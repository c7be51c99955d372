// Gradient fills and progress painters of cells.
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/resources.h"
#include "framework/standardcontrols.h"
#include "framework/theme.h"
#include "grid/zgutil.h"

namespace {

// Nearest integer, halves to the even neighbour.
int RoundEven(double value) { return static_cast<int>(std::lrint(value)); }

void SetPenAndBrush(TCanvas* canvas, TColor color) {
  canvas->Pen()->SetColor(color);
  canvas->Brush()->SetColor(color);
}

}  // namespace

void DrawGradient(TCanvas* canvas, TColor from, TColor to, int steps, TRect r, bool horizontal) {
  canvas->Brush()->SetStyle(bsSolid);
  if (to == clNone) {
    SetPenAndBrush(canvas, ColorToRGB(from));
    canvas->Rectangle(r);
    return;
  }
  if (steps == 0) steps = 1;
  const TColor a = ColorToRGB(from), b = ColorToRGB(to);
  const double dR = double(GetRValue(b) - GetRValue(a)) / steps;
  const double dG = double(GetGValue(b) - GetGValue(a)) / steps;
  const double dB = double(GetBValue(b) - GetBValue(a)) / steps;
  const double band = double(horizontal ? r.Right - r.Left : r.Bottom - r.Top) / steps;
  const int w = RoundEven(band);
  // Bands overlap by a pixel so no gap shows; the last one stops a step
  // short of `to`.
  for (int i = 0; i < steps; ++i) {
    SetPenAndBrush(canvas, RGB(GetRValue(a) + RoundEven(i * dR), GetGValue(a) + RoundEven(i * dG),
                               GetBValue(a) + RoundEven(i * dB)));
    const int offset = RoundEven(i * band);
    if (horizontal)
      canvas->Rectangle(r.Left + offset, r.Top, r.Left + offset + w + 1, r.Bottom);
    else
      canvas->Rectangle(r.Left, r.Top + offset, r.Right, r.Top + offset + w + 1);
  }
}

void Frame3D(TCanvas* canvas, TRect& r, TColor topColor, TColor bottomColor, int width) {
  canvas->Pen()->SetWidth(1);
  --r.Bottom;
  --r.Right;
  for (; width > 0; --width) {
    canvas->Pen()->SetColor(topColor);
    canvas->Polyline({{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}});
    canvas->Pen()->SetColor(bottomColor);
    canvas->Polyline({{r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left - 1, r.Bottom}});
    InflateRect(r, -1, -1);
  }
  ++r.Bottom;
  ++r.Right;
}

TColor GradientAt(TColor from, TColor to, int first, int last, int position) {
  if (to == clNone) return from;
  const TColor a = ColorToRGB(from), b = ColorToRGB(to);
  if (last == first) return a;  // a gradient of no length has only its start
  const double scale = double(position) / (last - first);
  auto channel = [&](int ca, int cb) { return ca + RoundEven((cb - ca) * scale); };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

void DrawProgressLin(TCanvas* canvas, TRect rect, TColor doneColor, TColor doneTextColor, TColor restColor,
                     TColor restTextColor, int position, int marginX, int marginY, int min, int max,
                     const AnsiString& format, TColor borderColor, bool raised) {
  const TColor background = canvas->Brush()->Color();
  SetPenAndBrush(canvas, doneColor);
  canvas->Font()->SetColor(doneTextColor);

  AnsiString text;
  int percent = position;
  if (format.empty()) {
    text = IntToStr(position) + "%";
  } else {
    text = Format(format, {position});
    percent = max == 0 ? 0 : RoundEven(double(position - min) * 100 / max);
  }
  percent = std::max(std::min(percent, max), min);

  TRect inner = rect;
  InflateRect(inner, -marginX, -marginY);
  TRect done = inner;
  done.Right = inner.Left + RoundEven(double(inner.Right - inner.Left) * percent / 100);

  const int x = inner.Left + (inner.Width() - canvas->TextWidth(text)) / 2;
  const int y = inner.Top + (inner.Height() - (raised ? -1 : 1) * canvas->TextHeight(text)) / 2;
  canvas->TextRect(done, x, y, text);
  SetPenAndBrush(canvas, restColor);
  canvas->Font()->SetColor(restTextColor);
  canvas->TextRect(Rect(done.Right, inner.Top, inner.Right, inner.Bottom), x, y, text);

  InflateRect(inner, 1, 1);
  if (borderColor != clNone) {
    canvas->Brush()->SetColor(borderColor);
    canvas->FrameRect(inner);
  }
  InflateRect(inner, 1, 1);
  canvas->Brush()->SetColor(background);
  canvas->FrameRect(inner);
}

void DrawRangeIndicator(TCanvas* canvas, TRect rect, int value, int range, bool showValue, TColor negativeColor,
                        TColor positiveColor) {
  TRect r = rect;
  InflateRect(r, -2, -2);
  const int half = (r.Right - r.Left) / 2;
  if (range <= 0) {
    value = 0;  // no range: an empty bar
  } else {
    value = std::max(-range, std::min(value, range));
  }
  const int length = range <= 0 ? 0 : RoundEven(double(value) * half / range);
  if (length != 0) {
    SetPenAndBrush(canvas, value >= 0 ? positiveColor : negativeColor);
    const int middle = r.Left + half;
    canvas->Rectangle(std::min(middle, middle + length), r.Top, std::max(middle, middle + length), r.Bottom);
  }
  if (showValue) {
    canvas->Brush()->SetStyle(bsClear);
    canvas->DrawText(IntToStr(value), r, DT_CENTER | DT_SINGLELINE);
  }
}

void DrawProgressPie(TCanvas* canvas, TRect rect, TColor color, int position, bool outside) {
  constexpr TColor kOutline = 0x808080;
  canvas->Pen()->SetColor(kOutline);
  canvas->Pen()->SetWidth(1);
  canvas->Ellipse(rect);
  const int cx = rect.Left + (rect.Right - rect.Left) / 2;
  const int cy = rect.Top + (rect.Bottom - rect.Top) / 2;
  canvas->MoveTo(cx, rect.Top);
  canvas->LineTo(cx, cy);
  const double angle = position / 100.0 * 2 * M_PI;
  canvas->MoveTo(cx, cy);
  canvas->LineTo(cx + RoundEven(std::sin(angle) * (rect.Right - rect.Left + 1) * 0.5),
                 cy - RoundEven(std::cos(angle) * (rect.Bottom - rect.Top + 1) * 0.5));
  canvas->Brush()->SetColor(color);
  canvas->FloodFill(cx + 2, outside ? rect.Top - 2 : rect.Top + 2, kOutline, fsBorder);
}

void DrawComboButton(TCanvas* canvas, TWinControl* window, TRect rect, bool themed) {
  TRect button = Rect(rect.Right - 16, rect.Top + 1, rect.Right, rect.Bottom - 1);
  OffsetRect(button, -2, 0);
  if (themed && DrawThemePart(window, kThemeComboBox, *canvas, CP_DROPDOWNBUTTON, CBXS_NORMAL, button)) return;
  DrawFrameControl(canvas, &button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_FLAT);
}

void DrawBitmapTransp(TCanvas* canvas, TBitmap* bitmap, TColor backgroundColor, TRect rect) {
  const int width = bitmap->Width(), height = bitmap->Height();
  TBitmap copy;
  copy.SetSize(width, height);
  TCanvas* target = copy.Canvas();
  target->Brush()->SetColor(backgroundColor);
  target->FillRect(Rect(0, 0, width, height));
  TCanvas* source = bitmap->Canvas();
  const TColor transparent = source->Pixels(0, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (const TColor pixel = source->Pixels(x, y); pixel != transparent) target->SetPixel(x, y, pixel);
  canvas->CopyRect(Rect(rect.Left, rect.Top, rect.Left + width, rect.Top + height), target, Rect(0, 0, width, height));
}

void DrawBitmapResourceTransp(TCanvas* canvas, TColor backgroundColor, TRect rect, const AnsiString& resourceName) {
  TBitmap bitmap;
  LoadBitmapResource(bitmap, resourceName);
  DrawBitmapTransp(canvas, &bitmap, backgroundColor, rect);
}

namespace {

// The top-left client position of character `index` in a single-line edit.
TPoint PosFromChar(QLineEdit* edit, int index) {
  edit->setCursorPosition(index);
  const QRect cursor = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
  return Point(cursor.left(), cursor.top());
}

}  // namespace

void DrawErrorLines(TWinControl* control, TCanvas* canvas, const AnsiString& text, TRect rect, int lineOffset,
                    int firstChar, int charCount) {
  // Character positions are those of an edit of the cell's size and font.
  TEdit measure(nullptr);
  measure.SetVisible(false);
  measure.SetParent(control);
  measure.SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
  measure.SetText(text);
  auto* edit = static_cast<QLineEdit*>(measure.Widget());
  const int length = static_cast<int>(edit->text().size());

  TPoint start = PosFromChar(edit, std::min(firstChar, length));
  if (length <= firstChar) start.X += 4;
  TPoint end;
  if (length > firstChar + charCount) {
    end = PosFromChar(edit, firstChar + charCount - 1);
  } else {
    end = PosFromChar(edit, std::max(length - 1, 0));
    end.X += 4;
    end.Y = start.Y;
  }

  canvas->Pen()->SetColor(clRed);
  canvas->Pen()->SetWidth(2);
  int x = rect.Left + start.X;
  canvas->MoveTo(x, rect.Top + start.Y + lineOffset + 3);
  bool up = true;
  do {  // at least one segment, and one past the end
    x += 3;
    canvas->LineTo(x, rect.Top + end.Y + lineOffset + (up ? 0 : 3));
    up = !up;
  } while (x <= rect.Left + end.X);
}
