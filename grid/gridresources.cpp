#include "grid/gridresources.h"

#include <string>
#include <utility>

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

// A hover cursor of the header cells: a black arrow with a white rim
// pointing along (dx, dy); both set, a diagonal one for the corner.
TResourcePainter HoverCursor(int dx, int dy) {
  return [=](TCanvas& c, int w, int h) {
    const int cx = w / 2, cy = h / 2;
    // The shaft runs back from the tip against the direction.
    const TPoint tip{cx + dx * 6, cy + dy * 6};
    const TPoint tail{cx - dx * 6, cy - dy * 6};
    const int px = -dy * 4, py = dx * 4;
    for (const auto& [color, width] : {std::pair{clWhite, 5}, std::pair{clBlack, 2}}) {
      c.Pen()->SetColor(color);
      c.Pen()->SetWidth(width);
      c.MoveTo(tail.X, tail.Y);
      c.LineTo(cx, cy);
    }
    c.Pen()->SetWidth(1);
    c.Pen()->SetColor(clWhite);
    c.Brush()->SetColor(clBlack);
    c.Polygon({tip, {cx + px, cy + py}, {cx - px, cy - py}});
  };
}

// A close cross in a square; hot and down show the square raised and
// sunk. Grey when disabled.
TResourcePainter CloseGlyph(int look) {
  return [=](TCanvas& c, int w, int h) {
    Clear(c, w, h, clFuchsia);
    if (look > 0) {
      c.Brush()->SetColor(look == 1 ? clWhite : clSilver);
      c.FillRect({1, 1, w - 1, h - 1});
      c.Brush()->SetColor(clGray);
      c.FrameRect({0, 0, w, h});
    }
    c.Pen()->SetColor(clBlack);
    c.Pen()->SetWidth(2);
    const int shift = look == 2 ? 1 : 0;
    c.MoveTo(4 + shift, 4 + shift);
    c.LineTo(w - 4 + shift, h - 4 + shift);
    c.MoveTo(w - 5 + shift, 4 + shift);
    c.LineTo(3 + shift, h - 4 + shift);
  };
}

// A search arrow: a triangle pointing down or up, grey when disabled.
TResourcePainter SearchArrow(bool down, bool enabled) {
  return [=](TCanvas& c, int w, int h) {
    Clear(c, w, h, clFuchsia);
    const TColor color = enabled ? clBlue : clGray;
    c.Pen()->SetColor(color);
    c.Brush()->SetColor(color);
    const int top = h / 4, bottom = h - h / 4 - 1;
    if (down)
      c.Polygon({{2, top}, {w - 3, top}, {w / 2, bottom}});
    else
      c.Polygon({{w / 2, top}, {w - 3, bottom}, {2, bottom}});
  };
}

// The highlight glyph: a marker stroke over a line of text.
TResourcePainter Highlighter(bool enabled) {
  return [=](TCanvas& c, int w, int h) {
    Clear(c, w, h, clFuchsia);
    c.Brush()->SetColor(enabled ? clYellow : clSilver);
    c.FillRect({1, h / 3, w - 1, h * 2 / 3 + 1});
    c.Pen()->SetColor(enabled ? clBlack : clGray);
    c.Pen()->SetWidth(1);
    for (int x = 3; x < w - 3; x += 3) {
      c.MoveTo(x, h / 2 - 2);
      c.LineTo(x, h / 2 + 3);
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
  // The search panel's glyphs: the close button is 14 x 14.
  RegisterBitmapResource("ZGCLOSE", 14, 14, CloseGlyph(0));
  RegisterBitmapResource("ZGCLOSEH", 14, 14, CloseGlyph(1));
  RegisterBitmapResource("ZGCLOSED", 14, 14, CloseGlyph(2));
  RegisterBitmapResource("ZGARDOWN", 16, 16, SearchArrow(true, true));
  RegisterBitmapResource("ZGARDOWND", 16, 16, SearchArrow(true, false));
  RegisterBitmapResource("ZGARUP", 16, 16, SearchArrow(false, true));
  RegisterBitmapResource("ZGARUPD", 16, 16, SearchArrow(false, false));
  RegisterBitmapResource("ZGHI", 16, 16, Highlighter(true));
  RegisterBitmapResource("ZGHID", 16, 16, Highlighter(false));

  // Neutral, down, left, right, up, up-right, up-left, down-right,
  // down-left.
  struct Direction { int dx, dy; };
  static constexpr Direction pans[] = {{0, 0}, {0, 1}, {-1, 0}, {1, 0}, {0, -1}, {1, -1}, {-1, -1}, {1, 1}, {-1, 1}};
  for (int i = 0; i < 9; ++i) RegisterCursorResource(8000 + i, 32, 32, 16, 16, PanCursor(pans[i].dx, pans[i].dy));

  // Hover cursors over the header cells: across a fixed column (selecting
  // rows), down a fixed row (selecting columns), and the corner.
  RegisterCursorResource(8010, 32, 32, 22, 16, HoverCursor(1, 0));
  RegisterCursorResource(8011, 32, 32, 16, 22, HoverCursor(0, 1));
  RegisterCursorResource(8012, 32, 32, 22, 22, HoverCursor(1, 1));
}
