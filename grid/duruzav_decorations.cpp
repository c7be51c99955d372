// Everything of a cell that is not its text: the user borders and the cell
// graphic (bitmap, icon, images, picture, check box, radio group, button,
// progress bar and pie, range indicator, comment mark, rotated text).
#include <QPainter>
#include <cmath>

#include "framework/imglist.h"
#include "framework/resources.h"
#include "framework/sysutils.h"
#include "grid/duruzav_cellpaint.h"
#include "grid/zgutil.h"


// ---- Borders ----

void TGridCellPainter::DrawCellBorders(int col, int row, TRect r) {
  TCanvas* canvas = grid_.Canvas();
  TPen saved;
  saved.Assign(*canvas->Pen());
  TCellBorders borders = 0;
  grid_.GetCellBorder(col, row, canvas->Pen(), borders);
  if (!borders && !grid_.OnGetCellBorderProp) {
    canvas->Pen()->Assign(saved);
    return;
  }
  // Each side starts with the border pen; the application may restyle any.
  TPen left, top, right, bottom;
  for (TPen* side : {&left, &top, &right, &bottom}) side->Assign(*canvas->Pen());
  if (grid_.OnGetCellBorderProp) grid_.OnGetCellBorderProp(&grid_, row, col, &left, &top, &right, &bottom);
  const int half = (canvas->Pen()->Width() + 1) / 2;
  const int h = (grid_.Options() & goVertLine) ? half : 0;
  const int v = (grid_.Options() & goHorzLine) ? half : 0;
  r.Left += h, r.Right -= h, r.Top += v, r.Bottom -= v;
  auto line = [canvas](const TPen& pen, int x1, int y1, int x2, int y2) {
    canvas->Pen()->Assign(pen);
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  if (borders & cbLeft) line(left, r.Left, r.Top, r.Left, r.Bottom);
  if (borders & cbRight) line(right, r.Right - 1, r.Top, r.Right - 1, r.Bottom);
  if (borders & cbTop) {
    const int y = grid_.GridLineWidth() == 0 ? r.Top + 1 : r.Top - grid_.GridLineWidth();
    line(top, r.Left, y, r.Right, y);
  }
  if (borders & cbBottom) line(bottom, r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
  canvas->Pen()->Assign(saved);
}

// ---- Graphic ----

bool TGridCellPainter::CellEnabled(int col, int row) {
  bool canEdit = true;
  grid_.GetCellReadOnly(col, row, canEdit);
  return canEdit;
}

void TGridCellPainter::ReportDrawProblem(int col, int row, const AnsiString& problem) {
  if (!reportedProblems_.insert({col, row, problem}).second) return;
  if (grid_.OnCellDrawProblem) grid_.OnCellDrawProblem(&grid_, col, row, problem);
}

std::optional<int> TGridCellPainter::PaintedInteger(int col, int row) {
  const AnsiString text = grid_.GetCellEx(col, row);
  int value = 0;
  if (text.empty() || text == "-") return 0;
  if (TryStrToInt(text, value)) return value;
  ReportDrawProblem(col, row, "Cell does not contain integer value");
  return std::nullopt;
}

namespace {

// The graphic rectangle of width x height inside the cell rectangle r.
TRect PlaceGraphic(const TRect& r, int width, int height, TCellHAlign hAlign, TCellVAlign vAlign, TAlignment textAlign,
                   int textW) {
  TRect g;
  const int rw = r.Right - r.Left, rh = r.Bottom - r.Top;
  switch (hAlign) {
    case haRight: g.Left = r.Right - 1 - width; break;
    case haCenter: g.Left = width < rw ? r.Left + (rw - width) / 2 : r.Left + 1; break;
    case haBeforeText:
      g.Left = textAlign == taLeftJustify ? r.Left + 1 : std::max(r.Right - textW - width, r.Left + 1);
      break;
    case haAfterText: g.Left = textAlign == taRightJustify ? r.Right - 1 - width : r.Left + textW; break;
    case haFull: g.Left = r.Left; break;
    default: g.Left = r.Left + 1; break;
  }
  g.Right = hAlign == haFull ? r.Right : g.Left + width;
  switch (vAlign) {
    case vaBottom: g.Top = r.Bottom - 1 - height; break;
    case vaCenter: g.Top = height < rh ? r.Top + (rh - height) / 2 : r.Top + 1; break;
    case vaUnderText: g.Top = r.Bottom - height; break;
    case vaFull: g.Top = r.Top; break;
    default: g.Top = r.Top + 1; break;
  }
  g.Bottom = vAlign == vaFull ? r.Bottom : g.Top + height;
  return g;
}

TCellVAlign FromGridVAlign(TVAlignment a) { return a == vtaCenter ? vaCenter : a == vtaBottom ? vaBottom : vaTop; }

void DrawResourceBitmap(TCanvas* canvas, const AnsiString& name, TColor background, int x, int y) {
  TBitmap bitmap;
  LoadBitmapResource(bitmap, name);
  if (!bitmap.Empty()) DrawBitmapTransp(canvas, &bitmap, background, Bounds(x, y, 0, 0));
}

}  // namespace

void TGridCellPainter::DrawCellGraphic(CellPaint& paint, TRect r) {
  TCellGraphic* g = paint.graphic;
  TCanvas* canvas = paint.canvas;
  const int textW = paint.textW > 0 ? paint.textW + 2 : 0;
  const TCellVAlign vAlign = IsCheckBoxKind(g->CellType) && grid_.settings_.VAlignment != paint.vAlign
                                 ? FromGridVAlign(paint.vAlign)
                                 : g->CellVAlign;
  TRect place = PlaceGraphic(r, paint.grW, paint.grH, g->CellHAlign, vAlign, paint.hAlign, textW);
  const TColor background = canvas->Brush()->Color();

  switch (g->CellType) {
    case ctCheckBox:
    case ctDataCheckBox:
    case ctVirtCheckBox:
    case ctRowCheckBox: {
      const int rw = r.Right - r.Left;
      const bool own = g->CellType == ctCheckBox;
      if (paint.hAlign == taRightJustify) place.Left = r.Right - paint.grW - 1 - (own ? textW : 0);
      else if (paint.hAlign == taCenter)
        place.Left = own && textW > 0 ? r.Left + std::max(0, rw - textW) / 2 - paint.grW
                                      : r.Left + std::max(0, rw - paint.grW) / 2;
      else place.Left = r.Left + 1;
      place.Left = std::max(place.Left, r.Left + 1);
      place.Right = place.Left + paint.grW;
      bool checked = false;
      grid_.GetCheckBoxState(paint.realCol, paint.row, checked);
      DrawCheckGlyph(place, checked, CellEnabled(paint.realCol, paint.row));
      break;
    }
    case ctRotated:
      DrawRotatedText(paint, r);
      break;
    case ctComment:
      if (grid_.controlLook_.CommentColor() != clNone) {
        const TColor color = g->CellAngle != clNone ? g->CellAngle : grid_.controlLook_.CommentColor();
        canvas->Pen()->SetColor(color);
        canvas->Brush()->SetColor(color);
        canvas->Polygon({{r.Right - 7, r.Top + 1}, {r.Right - 2, r.Top + 1}, {r.Right - 2, r.Top + 6}});
        canvas->Brush()->SetColor(grid_.Color());
      }
      break;
    case ctProgressPie:
      DrawProgressPie(canvas, Bounds(place.Left, place.Top, 20, 20), g->FirstColor(), g->CellAngle, false);
      break;
    case ctRangeIndicator:
      if (const std::optional<int> value = PaintedInteger(paint.realCol, paint.row)) {
        InflateRect(r, -grid_.controlLook_.ProgressMarginX(), -grid_.controlLook_.ProgressMarginY());
        DrawRangeIndicator(canvas, r, *value, g->CellIndex, g->CellBoolean, g->SecondColor(), g->FirstColor());
      }
      break;
    case ctProgress:
      DrawProgressCell(paint, r);
      break;
    case ctBitmap:
      // An empty bitmap has no pixel to take as transparent colour and
      // nothing to show.
      if (TBitmap* b = g->Bitmap(); b && !b->Empty()) {
        if (g->CellTransparent) DrawBitmapTransp(canvas, b, background, place);
        else canvas->Draw(place.Left, place.Top, b);
      }
      break;
    case ctButton:
    case ctBitButton: {
      const unsigned offset = static_cast<unsigned>(place.Left - paint.r.Left) & 0xFFFF;
      g->CellValue = static_cast<double>(offset | (static_cast<unsigned>(place.Top - paint.r.Top) << 16));
      const bool enabled = CellEnabled(paint.realCol, paint.row);
      unsigned state = DFCS_BUTTONPUSH | (g->CellBoolean ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE);
      TRect face = place;
      DrawFrameControl(canvas, &face, DFC_BUTTON, state);
      InflateRect(face, g->CellBoolean ? -3 : -2, g->CellBoolean ? -3 : -2);
      if (TBitmap* glyph = g->Glyph(); glyph && !glyph->Empty()) {
        DrawBitmapTransp(canvas, glyph, clBtnFace, face);
        face.Left += glyph->Width() + 2;
      }
      canvas->Brush()->SetStyle(bsClear);
      canvas->Font()->SetColor(enabled ? clBtnText : clGrayText);
      canvas->DrawText(g->CellText, face, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
      canvas->Brush()->SetStyle(bsSolid);
      canvas->Brush()->SetColor(background);
      break;
    }
    case ctPicture:
      if (const TPicture* p = g->Picture(); p && p->Graphic()) {
        if (static_cast<TStretchMode>(g->CellAngle) == noStretch) canvas->Draw(place.Left, place.Top, p->Graphic());
        else canvas->StretchDraw(place, p->Graphic());
      }
      break;
    case ctFilePicture:
      DrawFilePicture(paint, place);
      break;
    case ctIcon:
      if (const TIcon* icon = g->Icon(); icon && !icon->Empty()) canvas->Draw(place.Left, place.Top, icon);
      break;
    case ctRadio:
      DrawRadioGroup(paint, r, !CellEnabled(paint.realCol, paint.row));
      break;
    case ctImageList:
      if (grid_.gridImages_) grid_.gridImages_->Draw(canvas, place.Left, place.Top, g->CellIndex);
      break;
    case ctImages:
      if (const TIntList* list = g->Images(); list && grid_.gridImages_) {
        int x = place.Left, y = place.Top;
        for (int i = 0; i < list->Count(); ++i) {
          grid_.gridImages_->Draw(canvas, x, y, list->Items(i));
          (g->CellBoolean ? x : y) += g->CellBoolean ? grid_.gridImages_->Width() : grid_.gridImages_->Height();
        }
      }
      break;
    case ctNode:
      DrawNodeGlyph(paint, r);
      break;
    case ctDataImage:
      if (!grid_.gridImages_) break;
      if (const std::optional<int> value = PaintedInteger(paint.realCol, paint.row)) {
        const int index = *value + g->CellIndex;
        if (index >= 0 && index < grid_.gridImages_->Count())
          grid_.gridImages_->Draw(canvas, place.Left, place.Top, index);
      }
      break;
    default:
      break;
  }
}

// A progress cell whose text is no number draws an empty bar.
void TGridCellPainter::DrawProgressCell(CellPaint& paint, TRect r) {
  const TCellGraphic* g = paint.graphic;
  const int position = PaintedInteger(paint.realCol, paint.row).value_or(0);
  InflateRect(r, -2, -2);
  const TColor bar = ColorToRGB(g->FirstColor());
  const TColor rest = ColorToRGB(g->SecondColor());
  const TColor barText = g->CellBoolean ? static_cast<TColor>(g->CellIndex) : (~bar & 0xFFFFFF);
  const TColor restText = g->CellBoolean ? static_cast<TColor>(g->CellAngle) : (~rest & 0xFFFFFF);
  DrawProgressLin(paint.canvas, r, bar, barText, rest, restText, position, grid_.controlLook_.ProgressMarginX(),
                  grid_.controlLook_.ProgressMarginY(), g->CellErrFrom, g->CellErrLen, g->CellText,
                  grid_.controlLook_.ProgressBorderColor, false);
}

// The file is read on every paint; one that cannot be read leaves the cell
// empty and is reported once, not thrown into every paint.
void TGridCellPainter::DrawFilePicture(CellPaint& paint, const TRect& place) {
  const TFilePicture* picture = paint.graphic->FilePicture();
  if (!picture) return;
  try {
    picture->DrawPicture(paint.canvas, place);
  } catch (const Exception& e) {
    ReportDrawProblem(paint.realCol, paint.row, e.Message);
  }
}

void TGridCellPainter::DrawCheckGlyph(const TRect& glyph, bool checked, bool enabled) {
  TCanvas* canvas = grid_.Canvas();
  TRect g = glyph;
  const TUnmirroredOutput unmirrored(grid_, g);
  if (grid_.controlLook_.CheckAlwaysActive) enabled = true;
  if (grid_.FlatControls()) {
    const int size = grid_.controlLook_.CheckSize();
    TRect box = Bounds(g.Left + (g.Right - g.Left - size) / 2, g.Top + (g.Bottom - g.Top - size) / 2, size, size);
    DrawFrameControl(canvas, &box, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0) | (enabled ? 0 : DFCS_INACTIVE));
    return;
  }
  static const char* const kNames[] = {"ZGCHK05", "ZGCHK06", "ZGCHK07", "ZGCHK08"};
  const int index = (checked ? 0 : 1) + (enabled ? 0 : 2);
  DrawResourceBitmap(canvas, kNames[index], canvas->Brush()->Color(), g.Left, g.Top);
}

void TGridCellPainter::DrawRadioGroup(CellPaint& paint, const TRect& r, bool disabled) {
  TCanvas* canvas = paint.canvas;
  const TCellGraphic* g = paint.graphic;
  const TStringList* captions = g->RadioStrings();
  if (!captions) return;
  if (grid_.controlLook_.RadioAlwaysActive) disabled = false;
  const bool flat = grid_.FlatControls();
  const int itemSize = flat ? grid_.controlLook_.RadioSize() : 16;
  const int lineHeight = flat ? canvas->TextHeight("gh") : std::max(16, canvas->TextHeight("gh"));
  const AnsiString cellText = grid_.GetCellEx(paint.realCol, paint.row);
  canvas->Brush()->SetStyle(bsClear);
  int advance = 0;
  for (int i = 0; i < captions->Count(); ++i) {
    const AnsiString caption = captions->Strings(i);
    const bool checked = i == g->CellIndex || (g->CellIndex == -1 && caption == cellText);
    int x, y;
    if (g->CellBoolean) {
      x = r.Left + 2 + advance + i * itemSize;
      y = r.Top + (r.Bottom - r.Top - itemSize) / 2;
      advance += canvas->TextWidth(caption);
    } else {
      x = caption.empty() ? r.Left + (r.Right - r.Left - itemSize) / 2 : r.Left + 2;
      y = r.Top + 2 + i * lineHeight;
    }
    if (flat) {
      TRect item = Bounds(x, y, itemSize + 2, itemSize + 2);
      DrawFrameControl(canvas, &item, DFC_BUTTON,
                       DFCS_BUTTONRADIO | DFCS_FLAT | (checked ? DFCS_CHECKED : 0) | (disabled ? DFCS_INACTIVE : 0));
      canvas->TextOut(x + itemSize + (g->CellBoolean ? 0 : 4), y - 2, caption);
    } else {
      static const char* const kNames[] = {"ZGRAD05", "ZGRAD06", "ZGRAD07", "ZGRAD08"};
      const int index = (checked ? 0 : 1) + (disabled ? 2 : 0);
      DrawResourceBitmap(canvas, kNames[index], paint.savedBrush, x, y);
      canvas->TextOut(x + 16, y + 1, caption);
    }
  }
  canvas->Brush()->SetStyle(bsSolid);
}

// Turned text is drawn upright into an image of its own that is then
// turned: the canvas knows no text escapement, and glyphs drawn turned would
// each fill a glyph cache that lives as long as the font engine.
void TGridCellPainter::DrawRotatedText(CellPaint& paint, TRect r) {
  InflateRect(r, -2, -2);
  const int width = r.Right - r.Left, height = r.Bottom - r.Top;
  if (width <= 0 || height <= 0) return;
  const QFont font = paint.canvas->Font()->ToQFont();
  const QString text = QString::fromStdString(grid_.GetCellEx(paint.realCol, paint.row));
  const QFontMetrics metrics(font);
  QImage upright(std::max(1, metrics.horizontalAdvance(text)), std::max(1, metrics.height()),
                 QImage::Format_ARGB32_Premultiplied);
  upright.fill(Qt::transparent);
  {
    QPainter painter(&upright);
    painter.setFont(font);
    painter.setPen(ToQColor(paint.canvas->Font()->Color()));
    painter.drawText(QPointF(0, metrics.ascent()), text);
  }
  const QImage turned = upright.transformed(QTransform().rotate(-paint.graphic->CellAngle), Qt::SmoothTransformation);
  QImage layer(width, height, QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  {
    QPainter painter(&layer);
    painter.drawImage(QPointF((width - turned.width()) / 2.0, (height - turned.height()) / 2.0), turned);
  }
  TBitmap bitmap;
  bitmap.SetImage(layer);
  paint.canvas->Draw(r.Left, r.Top, &bitmap);
}
