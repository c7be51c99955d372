// The frame around cell painting: what a paint does after the cells, the
// empty area right of and below the cells (gradient or wallpaper), the thin
// border of the flat looks, the colour schemes of the visual styles, rich
// text in a cell, and the hooks and automatic row changes beside painting.
#include <algorithm>

#include <QTextDocument>

#include "framework/theme.h"
#include "grid/duruzav.h"
#include "grid/richtext.h"
#include "grid/zgutil.h"

// ---- Paint ----

void TVudUvizidIzed::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Pen()->SetStyle(psSolid);
  // Everything below draws in the grid's own order; a right-to-left grid
  // mirrors it as a whole.
  SetGridOrientation(UseRightToLeftAlignment());
  TBaseGrid::Paint();
  if (EditorMode()) {
    // The editor covers the cell but not its lines: they are drawn again
    // around it in the colour the lines have.
    const bool lines = Options() & (goVertLine | goHorzLine);
    canvas->Pen()->SetColor(lines && GridLineWidth() >= 1 ? GridLineColor() : Color());
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(CellRect(Col(), Row()));
    canvas->Brush()->SetStyle(bsSolid);
  }
  canvas->Pen()->SetColor(clBlack);
  PaintBackground();
  SetGridOrientation(false);
  if (OnAfterPaint) OnAfterPaint(this);
}

// ---- The empty area ----

void TVudUvizidIzed::PaintBackground() {
  const bool lastRowShown = VisibleRowCount() + TopRow() >= RowCount();
  const bool lastColShown = VisibleColCount() + LeftCol() >= ColCount();
  if (!lastRowShown && !lastColShown) return;
  const TBackGroundDisplay display = backGround_.Display();
  const bool gradient = display == bdGradientHorz || display == bdGradientVert;
  if (gradient && backGround_.ColorTo() == clNone) return;

  // The panels below the cells paint themselves.
  TRect client = ClientRect();
  client.Bottom -= SearchPanelHeight() + FooterPanelHeight();
  TRect lastCol = CellRect(ColCount() - 1, TopRow());
  InflateRect(lastCol, 1, 1);
  TRect lastRow = CellRect(LeftCol(), RowCount() - 1);
  InflateRect(lastRow, 1, 1);
  const bool rightStrip = lastColShown && client.Right > lastCol.Right;
  const bool bottomStrip = lastRowShown && client.Bottom > lastRow.Bottom;
  if (!rightStrip && !bottomStrip) return;

  // The strip right of the cells (full height) and the one below them
  // (full width) together are the client less the cells' corner.
  TCanvas* canvas = Canvas();
  canvas->SetClipRect(client);
  canvas->ExcludeClipRect({client.Left, client.Top, rightStrip ? lastCol.Right : client.Right,
                           bottomStrip ? lastRow.Bottom : client.Bottom});
  TBitmap* bitmap = backGround_.Bitmap();
  if (bitmap->Empty()) {
    if (gradient) DrawGradient(canvas, backGround_.Color(), backGround_.ColorTo(), 128, client, display == bdGradientHorz);
  } else if (display == bdFixed) {
    DrawWallPaperFixed(client);
  } else if (display == bdTile && backGround_.Cells() != bcFixed) {
    TRect tile = client;
    if (backGround_.Cells() == bcNormal) {
      // The tiles line up with the scrolling area, the first normal cell's
      // corner when nothing is scrolled.
      tile.Left = FixedColsWidth() + XYOffset.X;
      tile.Top = FixedRowsHeight() + XYOffset.Y;
    }
    DrawWallPaperTile(tile);
  }
  canvas->ResetClip();
}

void TVudUvizidIzed::DrawWallPaperFixed(const TRect& r) {
  TBitmap* bitmap = backGround_.Bitmap();
  const TRect placed = Bounds(backGround_.Left(), backGround_.Top(), bitmap->Width(), bitmap->Height());
  TRect shown;
  if (!IntersectRect(shown, placed, r)) return;
  TRect source = shown;
  OffsetRect(source, -placed.Left, -placed.Top);
  Canvas()->CopyRect(shown, bitmap->Canvas(), source);
}

void TVudUvizidIzed::DrawWallPaperTile(const TRect& r) { TileBitmap(r, {0, 0}); }

void TVudUvizidIzed::TileBitmap(const TRect& r, TPoint phase) {
  TBitmap* bitmap = backGround_.Bitmap();
  const int w = bitmap->Width(), h = bitmap->Height();
  if (w <= 0 || h <= 0) return;
  for (int y = r.Top - 1, sy = phase.Y % h; y < r.Bottom; y += h - sy, sy = 0) {
    for (int x = r.Left - 1, sx = phase.X % w; x < r.Right; x += w - sx, sx = 0) {
      const TRect dest{x, y, std::min(x + w - sx, r.Right), std::min(y + h - sy, r.Bottom)};
      Canvas()->CopyRect(dest, bitmap->Canvas(), Bounds(sx, sy, dest.Width(), dest.Height()));
    }
  }
}

// ---- The border of the flat looks ----

bool TVudUvizidIzed::ThemesActive() { return ThemeService().IsThemeActive(); }

void TVudUvizidIzed::NCPaintProc() {
  const TGridLook look = settings_.Look;
  if (look != glSoft && look != glRUD && look != glXP && look != glListView) return;
  if (!settings_.SingleBorder || settings_.Flat) return;
  TCanvas* canvas = Canvas();
  TPen saved;
  saved.Assign(*canvas->Pen());
  canvas->ResetClip();
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetMode(pmCopy);
  canvas->Pen()->SetWidth(1);
  auto outline = [&](int inset, TColor color) {
    canvas->Pen()->SetColor(color);
    const int right = Width() - 1 - inset, bottom = Height() - 1 - inset;
    canvas->Polyline({{inset, Height()}, {inset, inset}, {right, inset}, {right, bottom}, {inset, bottom}});
  };
  outline(1, themedLook_ ? TColor{0xB99D7F} : TColor{0x808080});
  if (Parent()) outline(0, Parent()->Color());
  canvas->Pen()->Assign(saved);
}

void TVudUvizidIzed::WMNCPaint(TMessage& message) {
  TBaseGrid::WndProc(message);
  if (!GetLockFlag()) NCPaintProc();
  message.Result = 0;
}

// ---- Colour schemes of the visual styles ----

TXPColorScheme TVudUvizidIzed::CurrentXPColorScheme() {
  TThemeService& themes = ThemeService();
  TThemeName name;
  if (!themes.IsThemeActive() || !themes.CurrentThemeName(name)) return xpNone;
  if (name.colorName == "NormalColor") return xpBlue;
  if (name.colorName == "HomeStead") return xpGreen;
  if (name.colorName == "Metallic") return xpGray;
  return xpNone;
}

void TVudUvizidIzed::SetTheme(TXPColorScheme scheme) {
  struct Colours {
    TColor from, to, active, activeTo, search, searchTo;
  };
  Colours c{0xFFFFFF, clBtnFace, 0xFFFFFF, 0xFFD9B3, 0xFFFFFF, 0xFFD9B3};
  switch (scheme) {
    case xpBlue: c = {0xFCE1CB, 0xE0A57D, 0x94E6FB, 0x1595EE, 0xFCE1CB, 0xE0A57D}; break;
    case xpGreen: c = {0xCFF0EA, 0x8CC0B1, 0x94E6FB, 0x1595EE, 0xCFF0EA, 0x8CC0B1}; break;
    case xpGray: c = {0xECE2E1, 0xB39698, 0x94E6FB, 0x1595EE, 0xECE2E1, 0xB39698}; break;
    case xpNone: break;
  }
  // The control look's setters hand their colours on to the fixed-cell
  // gradient in the other order: they go first, so that the gradient keeps
  // the scheme's light-to-dark order.
  const bool plain = scheme == xpNone;
  controlLook_.SetFixedGradientTo(plain ? clNone : c.from);
  controlLook_.SetFixedGradientFrom(plain ? clNone : c.to);
  rudFrom_ = ColorToRGB(c.from);
  rudTo_ = ColorToRGB(c.to);
  settings_.ActiveCellColor = c.active;
  settings_.ActiveCellColorTo = c.activeTo;
  SearchFooter()->SetColor(c.search);
  SearchFooter()->SetColorTo(c.searchTo);
}

void TVudUvizidIzed::SetAutoThemeAdapt(bool on) {
  settings_.AutoThemeAdapt = on;
  SearchFooter()->SetAutoThemeAdapt(on);
  if (!on) return;
  ThemeAdapt();
  Invalidate();
}

// ---- Rich text ----

void TVudUvizidIzed::RTFPaint(int col, int row, TCanvas* canvas, const TRect& r) {
  QTextDocument document;
  document.setDefaultFont(canvas->Font()->ToQFont());
  RichTextToDocument(GetCellEx(col, row), document);

  const int displayCol = RemapColInv(col);
  const bool focused = displayCol == Col() && row == Row() && Focused() && !(Options() & goDrawFocusSelected);
  const TMouseActions& mouse = mouseActions_;
  bool selected = false;
  if (mouse.DisjunctRowSelect())
    selected = GetRowSelect(mouse.RowSelectPersistent ? RemapRowInv(row) : row);
  else
    selected = Selection().Contains(displayCol, row) && !focused;
  if (mouse.DisjunctColSelect()) selected = selected || GetColSelect(displayCol);
  if (selected && !settings_.SelectionRTFKeep && canvas->MapMode() == MM_TEXT)
    ColourRichText(document, settings_.SelectionTextColor);

  const int m = XYOffset.X * canvas->DeviceCaps(LOGPIXELSX) / 96;
  const int n = XYOffset.Y * canvas->DeviceCaps(LOGPIXELSY) / 96;
  const int savedMode = ::SetMapMode(canvas, MM_TEXT);
  DrawRichDocument(canvas, document, {r.Left + m, r.Top + n, r.Right - m, r.Bottom - n});
  ::SetMapMode(canvas, savedMode);
}

// ---- Hooks beside painting ----

void TVudUvizidIzed::SelectionChanged(int left, int top, int right, int bottom) {
  if (OnSelectionChanged) OnSelectionChanged(this, left, top, right, bottom);
}

void TVudUvizidIzed::DoInsertRow(int row) {
  if (!HasNodes()) InsertRows(row, 1);
  else if (GetParentRow(row) == -1) InsertNormalRow(row);
  else InsertChildRow(row, 0);
  if (OnAutoInsertRow) OnAutoInsertRow(this, row);
}

void TVudUvizidIzed::DoDeleteRow(int row) {
  if (!HasNodes()) {
    const bool onlyRow = RowCount() - FixedRows() - settings_.FixedFooters == 1;
    if (onlyRow && !settings_.FixedRowAlways) ClearRows(row, 1);
    else RemoveRowsInternal(row, 1);
  } else if (GetParentRow(row) == -1) {
    RemoveNormalRow(row);
  } else {
    RemoveChildRow(row);
  }
  if (OnAutoDeleteRow) OnAutoDeleteRow(this, row);
}
