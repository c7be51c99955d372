// The looks of the fixed cells (the header gradients of the RUD and XP
// looks, the list-view header item, the edge lines of the classic and soft
// looks, the lines of the fixed right columns) and the selection rectangle.
#include "framework/messaging.h"
#include "framework/theme.h"
#include "grid/duruzav_cellpaint.h"
#include "grid/zgutil.h"

// The current cell's header cells show the active-cell colours.
void TVudUvizidIzed::DrawFixedGradient(CellPaint& paint) {
  const TGridLook look = settings_.Look;
  if (!paint.fixed || (look != glRUD && look != glXP) || settings_.Flat) return;
  const bool activeRowHeader = paint.row == Row() && FixedCols() > 0 && paint.col == FixedCols() - 1;
  const bool activeColHeader = paint.col == Col() && FixedRows() > 0 && paint.row == FixedRows() - 1;
  if (settings_.ActiveCellShow && (activeRowHeader || activeColHeader))
    DrawGradient(paint.canvas, settings_.ActiveCellColor, settings_.ActiveCellColorTo, 10, paint.r, false);
  else
    DrawGradient(paint.canvas, rudFrom_, rudTo_, 10, paint.r, false);
}

void TVudUvizidIzed::DrawListViewHeader(CellPaint& paint) {
  if (!paint.fixed || settings_.Look != glListView || settings_.Flat) return;
  TCanvas* canvas = paint.canvas;
  if (themedLook_) {
    InflateRect(paint.r, 1, 1);
    const bool hot = paint.r.Contains(ScreenToClient(GetCursorPos()));
    const bool pressed = hot && GetKeyState(VK_LBUTTON) < 0;
    const int state = pressed ? HIS_PRESSED : hot ? HIS_HOT : HIS_NORMAL;
    DrawThemePart(this, kThemeHeader, *canvas, HP_HEADERITEM, state, paint.r);
    canvas->Pen()->SetColor(clWhite);
    canvas->Polyline({{paint.r.Left, paint.r.Top}, {paint.r.Right, paint.r.Top}});
    return;
  }
  canvas->Brush()->SetColor(clBtnFace);
  canvas->Pen()->SetColor(clWhite);
  canvas->Rectangle(paint.r);
}

void TVudUvizidIzed::DrawFixedEdges(CellPaint& paint) {
  if (!paint.fixed || settings_.Flat) return;
  TCanvas* canvas = paint.canvas;
  TRect& r = paint.r;
  switch (settings_.Look) {
    case glClassic: {
      TRect edge = r;
      DrawEdge(canvas, &edge, BDR_RAISEDINNER, BF_LEFT);
      DrawEdge(canvas, &edge, BDR_RAISEDINNER, BF_TOP);
      DrawEdge(canvas, &edge, EDGE_RAISED, BF_RIGHT | BF_BOTTOM);
      canvas->Pen()->SetColor(clBlack);
      canvas->Polyline({{r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left - 1, r.Bottom - 1}});
      break;
    }
    case glRUD: case glXP: case glSoft: {
      InflateRect(r, 1, 1);
      r.Bottom -= 1;
      const TColor dark = DarkenColor(FixedColor());
      if (Options() & goFixedHorzLine) {
        canvas->Pen()->SetColor(dark);
        canvas->Polyline({{r.Left, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1}});
        canvas->Pen()->SetColor(clWhite);
        canvas->Polyline({{r.Right, r.Top + 1}, {r.Left + 1, r.Top + 1}, {r.Left + 1, r.Bottom - 1}});
      }
      if (settings_.Look == glSoft && (Options() & goFixedVertLine)) {
        canvas->Pen()->SetColor(dark);
        canvas->Polyline({{r.Right - 2, r.Top}, {r.Right - 2, r.Bottom - 1}});
        canvas->Pen()->SetColor(clWhite);
        canvas->Polyline({{r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}});
      }
      break;
    }
    default: break;
  }
}

// Grey lines frame the cells of the fixed right columns in the flat look.
void TVudUvizidIzed::DrawFixedRightColLines(CellPaint& paint) {
  const int fixedRight = settings_.FixedRightCols;
  if (fixedRight <= 0 || !settings_.Flat || settings_.Look == glClassic) return;
  if (ColCount() - paint.realCol + NumHiddenColumns() > fixedRight) return;
  TCanvas* canvas = paint.canvas;
  const TRect& r = paint.r;
  canvas->Pen()->SetColor(clGray);
  canvas->Pen()->SetWidth(1);
  if (Options() & goFixedHorzLine) {
    canvas->Polyline({{r.Left - 1, r.Top - 1}, {r.Right + 1, r.Top - 1}});
    canvas->Polyline({{r.Left - 1, r.Bottom + 1}, {r.Right + 1, r.Bottom + 1}});
  }
  if (Options() & goFixedVertLine) {
    canvas->Polyline({{r.Left - 1, r.Top - 1}, {r.Left - 1, r.Bottom + 1}});
    canvas->Polyline({{r.Right + 1, r.Top - 1}, {r.Right + 1, r.Bottom + 1}});
  }
}

// A black frame two pixels wide around the selection, drawn cell by cell
// along its edges, with the resizer square in its bottom-right corner.
void TVudUvizidIzed::DrawSelectionRectangle(const CellPaint& paint, const TRect& r) {
  const TGridRect sel = Selection();
  if (!settings_.SelectionRectangle || !sel.Contains(paint.col, paint.row)) return;
  TCanvas* canvas = paint.canvas;
  const int g = GridLineWidth();
  const bool rightCol = paint.col == sel.Right;
  const int rowEnd = rightCol ? r.Right - 1 : r.Right;
  canvas->Pen()->SetColor(clBlack);
  canvas->Pen()->SetWidth(2);
  if (paint.col == sel.Left) canvas->Polyline({{r.Left + 1 - g, r.Bottom}, {r.Left + 1 - g, r.Top - g}});
  if (rightCol) canvas->Polyline({{r.Right - 1, r.Bottom}, {r.Right - 1, r.Top - g}});
  if (paint.row == sel.Top) canvas->Polyline({{r.Left - g, r.Top + 1 - g}, {rowEnd, r.Top + 1 - g}});
  if (paint.row == sel.Bottom) canvas->Polyline({{r.Left - g, r.Bottom}, {rowEnd, r.Bottom}});
  if (settings_.SelectionResizer && rightCol && paint.row == sel.Bottom) {
    const TColor brush = canvas->Brush()->Color();
    canvas->Brush()->SetColor(clBlack);
    canvas->FillRect({r.Right - 4, r.Bottom - 4, r.Right, r.Bottom});
    canvas->Brush()->SetColor(brush);
  }
  canvas->Pen()->SetWidth(1);
}
