// The looks of the fixed cells (the header gradients of the RUD and XP
// looks, the list-view header item, the edge lines of the classic and soft
// looks, the lines of the fixed right columns) and the selection rectangle.
#include "framework/messaging.h"
#include "framework/theme.h"
#include "grid/duruzav_cellpaint.h"
#include "grid/zgutil.h"

// The current cell's header cells show the active-cell colours.
void TGridCellPainter::DrawFixedGradient(CellPaint& paint) {
  const TGridLook look = grid_.settings_.Look;
  if (!paint.fixed || (look != glRUD && look != glXP) || grid_.settings_.Flat) return;
  const bool activeRowHeader = paint.row == grid_.Row() && grid_.FixedCols() > 0 && paint.col == grid_.FixedCols() - 1;
  const bool activeColHeader = paint.col == grid_.Col() && grid_.FixedRows() > 0 && paint.row == grid_.FixedRows() - 1;
  if (grid_.settings_.ActiveCellShow && (activeRowHeader || activeColHeader))
    DrawGradient(paint.canvas, grid_.settings_.ActiveCellColor, grid_.settings_.ActiveCellColorTo, 10, paint.r, false);
  else
    DrawGradient(paint.canvas, grid_.rudFrom_, grid_.rudTo_, 10, paint.r, false);
}

void TGridCellPainter::DrawListViewHeader(CellPaint& paint) {
  if (!paint.fixed || grid_.settings_.Look != glListView || grid_.settings_.Flat) return;
  TCanvas* canvas = paint.canvas;
  if (grid_.themedLook_) {
    InflateRect(paint.r, 1, 1);
    const bool hot = paint.r.Contains(grid_.ScreenToClient(GetCursorPos()));
    const bool pressed = hot && GetKeyState(VK_LBUTTON) < 0;
    const int state = pressed ? HIS_PRESSED : hot ? HIS_HOT : HIS_NORMAL;
    DrawThemePart(&grid_, kThemeHeader, *canvas, HP_HEADERITEM, state, paint.r);
    canvas->Pen()->SetColor(clWhite);
    canvas->Polyline({{paint.r.Left, paint.r.Top}, {paint.r.Right, paint.r.Top}});
    return;
  }
  canvas->Brush()->SetColor(clBtnFace);
  canvas->Pen()->SetColor(clWhite);
  canvas->Rectangle(paint.r);
}

void TGridCellPainter::DrawFixedEdges(CellPaint& paint) {
  if (!paint.fixed || grid_.settings_.Flat) return;
  TCanvas* canvas = paint.canvas;
  TRect& r = paint.r;
  switch (grid_.settings_.Look) {
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
      const TColor dark = DarkenColor(grid_.FixedColor());
      if (grid_.Options() & goFixedHorzLine) {
        canvas->Pen()->SetColor(dark);
        canvas->Polyline({{r.Left, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1}});
        canvas->Pen()->SetColor(clWhite);
        canvas->Polyline({{r.Right, r.Top + 1}, {r.Left + 1, r.Top + 1}, {r.Left + 1, r.Bottom - 1}});
      }
      if (grid_.settings_.Look == glSoft && (grid_.Options() & goFixedVertLine)) {
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
void TGridCellPainter::DrawFixedRightColLines(CellPaint& paint) {
  const int fixedRight = grid_.settings_.FixedRightCols;
  if (fixedRight <= 0 || !grid_.settings_.Flat || grid_.settings_.Look == glClassic) return;
  if (grid_.ColCount() - paint.realCol + grid_.NumHiddenColumns() > fixedRight) return;
  TCanvas* canvas = paint.canvas;
  const TRect& r = paint.r;
  canvas->Pen()->SetColor(clGray);
  canvas->Pen()->SetWidth(1);
  if (grid_.Options() & goFixedHorzLine) {
    canvas->Polyline({{r.Left - 1, r.Top - 1}, {r.Right + 1, r.Top - 1}});
    canvas->Polyline({{r.Left - 1, r.Bottom + 1}, {r.Right + 1, r.Bottom + 1}});
  }
  if (grid_.Options() & goFixedVertLine) {
    canvas->Polyline({{r.Left - 1, r.Top - 1}, {r.Left - 1, r.Bottom + 1}});
    canvas->Polyline({{r.Right + 1, r.Top - 1}, {r.Right + 1, r.Bottom + 1}});
  }
}

// A black frame two pixels wide around the selection, drawn cell by cell
// along its edges, with the resizer square in its bottom-right corner.
void TGridCellPainter::DrawSelectionRectangle(const CellPaint& paint, const TRect& r) {
  const TGridRect sel = grid_.Selection();
  if (!grid_.settings_.SelectionRectangle || !sel.Contains(paint.col, paint.row)) return;
  TCanvas* canvas = paint.canvas;
  const int g = grid_.GridLineWidth();
  const bool rightCol = paint.col == sel.Right;
  const int rowEnd = rightCol ? r.Right - 1 : r.Right;
  canvas->Pen()->SetColor(clBlack);
  canvas->Pen()->SetWidth(2);
  if (paint.col == sel.Left) canvas->Polyline({{r.Left + 1 - g, r.Bottom}, {r.Left + 1 - g, r.Top - g}});
  if (rightCol) canvas->Polyline({{r.Right - 1, r.Bottom}, {r.Right - 1, r.Top - g}});
  if (paint.row == sel.Top) canvas->Polyline({{r.Left - g, r.Top + 1 - g}, {rowEnd, r.Top + 1 - g}});
  if (paint.row == sel.Bottom) canvas->Polyline({{r.Left - g, r.Bottom}, {rowEnd, r.Bottom}});
  if (grid_.settings_.SelectionResizer && rightCol && paint.row == sel.Bottom) {
    const TColor brush = canvas->Brush()->Color();
    canvas->Brush()->SetColor(clBlack);
    canvas->FillRect({r.Right - 4, r.Bottom - 4, r.Right, r.Bottom});
    canvas->Brush()->SetColor(brush);
  }
  canvas->Pen()->SetWidth(1);
}
