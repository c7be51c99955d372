#include "grid/gridresources.h"

#include <string>

#include "framework/canvas.h"
#include "framework/resources.h"

namespace {

void Clear(TCanvas& c, int w, int h, TColor color) {
  c.Brush()->SetColor(color);
  c.FillRect({0, 0, w, h});
}

// A check box: a framed white (grey when disabled) square with a tick.
TResourcePainter CheckBox(bool checked, bool enabled) {
  return [=](TCanvas& c, int w, int h) {
    Clear(c, w, h, enabled ? clWhite : clSilver);
    c.Brush()->SetColor(clGray);
    c.FrameRect({1, 1, w - 1, h - 1});
    if (!checked) return;
    c.Pen()->SetColor(enabled ? clBlack : clGray);
    c.Pen()->SetWidth(2);
    c.MoveTo(w / 4, h / 2);
    c.LineTo(w * 2 / 5, h * 3 / 4);
    c.LineTo(w * 3 / 4, h / 4);
  };
}

// A radio item: a circle on the transparent colour with a dot when checked.
TResourcePainter Radio(bool checked, bool enabled) {
  return [=](TCanvas& c, int w, int h) {
    Clear(c, w, h, clFuchsia);
    c.Pen()->SetColor(clGray);
    c.Brush()->SetColor(enabled ? clWhite : clSilver);
    c.Ellipse(1, 1, w - 1, h - 1);
    if (!checked) return;
    c.Pen()->SetColor(enabled ? clBlack : clGray);
    c.Brush()->SetColor(enabled ? clBlack : clGray);
    c.Ellipse(w / 2 - 2, h / 2 - 2, w / 2 + 3, h / 2 + 3);
  };
}

// A node glyph: a framed box with a minus (expanded) or plus (contracted).
TResourcePainter Node(bool expanded) {
  return [=](TCanvas& c, int w, int h) {
    Clear(c, w, h, clWhite);
    c.Brush()->SetColor(clGray);
    c.FrameRect({0, 0, w, h});
    c.Pen()->SetColor(clBlack);
    c.Pen()->SetWidth(1);
    c.MoveTo(2, h / 2);
    c.LineTo(w - 2, h / 2);
    if (expanded) return;
    c.MoveTo(w / 2, 2);
    c.LineTo(w / 2, h - 2);
  };
}

// A funnel.
void Filter(TCanvas& c, int w, int h) {
  Clear(c, w, h, clFuchsia);
  c.Pen()->SetColor(clBlack);
  c.Brush()->SetColor(clGray);
  c.Polygon({{2, 3}, {w - 3, 3}, {w / 2 + 1, h / 2}, {w / 2 + 1, h - 3}, {w / 2 - 1, h - 3}, {w / 2 - 1, h / 2}});
}

// A pan cursor: a ring, with an arrow head towards the direction (dx, dy);
// the neutral one has all four.
TResourcePainter PanCursor(int dx, int dy) {
  return [=](TCanvas& c, int w, int h) {
    const int cx = w / 2, cy = h / 2;
    c.Pen()->SetColor(clBlack);
    c.Brush()->SetColor(clWhite);
    c.Ellipse(cx - 3, cy - 3, cx + 4, cy + 4);
    auto head = [&](int ax, int ay) {
      const TPoint tip{cx + ax * 13, cy + ay * 13};
      const TPoint base{cx + ax * 7, cy + ay * 7};
      // The base runs across the direction.
      const int px = -ay * 4, py = ax * 4;
      c.Brush()->SetColor(clBlack);
      c.Polygon({tip, {base.X + px, base.Y + py}, {base.X - px, base.Y - py}});
    };
    if (dx == 0 && dy == 0) {
      head(0, -1);
      head(0, 1);
      head(-1, 0);
      head(1, 0);
    } else {
      head(dx, dy);
    }
  };
}

// The mark of the wheel-click point: a ring with arrow heads along the axes
// panning can take, on the transparent colour (its top-left pixel).
TResourcePainter PanMark(bool horizontal, bool vertical) {
  return [=](TCanvas& c, int w, int h) {
    Clear(c, w, h, clFuchsia);
    if (horizontal) {
      PanCursor(-1, 0)(c, w, h);
      PanCursor(1, 0)(c, w, h);
    }
    if (vertical) {
      PanCursor(0, -1)(c, w, h);
      PanCursor(0, 1)(c, w, h);
    }
  };
}

std::string Numbered(const char* prefix, int n) { return prefix + std::string(n < 10 ? "0" : "") + std::to_string(n); }

struct Registrar {
  Registrar() { RegisterGridResources(); }
} registrar;

}  // namespace

void RegisterGridResources() {
  // Checked, unchecked; enabled, then disabled: large (20 x 20) first,
  // then the small (16 x 16) style.
  for (int style = 0; style < 2; ++style) {
    const int checkSize = style == 0 ? 20 : 16;
    for (int i = 0; i < 4; ++i) {
      const bool checked = i % 2 == 0, enabled = i < 2;
      const int n = style * 4 + i + 1;
      RegisterBitmapResource(Numbered("ZGCHK", n), checkSize, checkSize, CheckBox(checked, enabled));
      RegisterBitmapResource(Numbered("ZGRAD", n), 16, 16, Radio(checked, enabled));
    }
  }
  RegisterBitmapResource("ZGLEAFCLOSE", 16, 16, Node(false));
  RegisterBitmapResource("ZGLEAFOPEN", 16, 16, Node(true));
  RegisterBitmapResource("XPNODEC", 9, 9, Node(false));
  RegisterBitmapResource("XPNODEO", 9, 9, Node(true));
  RegisterBitmapResource("ZGFILT", 16, 16, Filter);
  RegisterBitmapResource("INTLI1", 32, 32, PanMark(true, true));
  RegisterBitmapResource("INTLI2", 32, 32, PanMark(true, false));
  RegisterBitmapResource("INTLI3", 32, 32, PanMark(false, true));

  // Neutral, down, left, right, up, up-right, up-left, down-right,
  // down-left.
  struct Direction { int dx, dy; };
  static constexpr Direction pans[] = {{0, 0}, {0, 1}, {-1, 0}, {1, 0}, {0, -1}, {1, -1}, {-1, -1}, {1, 1}, {-1, 1}};
  for (int i = 0; i < 9; ++i) RegisterCursorResource(8000 + i, 32, 32, 16, 16, PanCursor(pans[i].dx, pans[i].dy));
}
