// The tree of node rows in column 0: the lines that join a node's rows to
// their parents, and the node's expand and contract glyph.
#include <algorithm>

#include "framework/resources.h"
#include "grid/duruzav_cellpaint.h"
#include "grid/zgutil.h"

namespace {

// The tree lines keep their look through the whole cell and give the pen
// back as they found it.
class TreePen {
 public:
  TreePen(TCanvas* canvas, TColor color) : canvas_(canvas) {
    saved_.Assign(*canvas->Pen());
    canvas->Pen()->SetColor(color);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(psSolid);
  }
  ~TreePen() { canvas_->Pen()->Assign(saved_); }
  TreePen(const TreePen&) = delete;
  TreePen& operator=(const TreePen&) = delete;

  void Line(int x1, int y1, int x2, int y2) {
    canvas_->MoveTo(x1, y1);
    canvas_->LineTo(x2, y2);
  }

 private:
  TCanvas* canvas_;
  TPen saved_;
};

void DrawNodeBitmap(TCanvas* canvas, const AnsiString& name, int x, int y) {
  TBitmap bitmap;
  LoadBitmapResource(bitmap, name);
  if (!bitmap.Empty()) DrawBitmapTransp(canvas, &bitmap, canvas->Brush()->Color(), Bounds(x, y, 0, 0));
}

}  // namespace

int TGridCellPainter::RowNodeLevel(int row) {
  const TCellProperties* p = row >= 0 && row < grid_.RowCount() ? grid_.PropsAt(0, row) : nullptr;
  return p ? p->NodeLevel : 0;
}

// Lines from the row's indent back to each level above it; a level ends at
// the middle of the row where the next row leaves it.
void TGridCellPainter::DrawTreeLines(CellPaint& paint) {
  if (grid_.nodeCount_ == 0 || paint.realCol != 0 || paint.row < grid_.FixedRows() || !grid_.cellNode_.ShowTree())
    return;
  TCanvas* canvas = paint.canvas;
  TRect& r = paint.r;
  const int indent = grid_.cellNode_.NodeIndent();
  const int level = RowNodeLevel(paint.row);
  const int x = paint.left + grid_.NodeIndent(paint.row);
  r.Left = x;
  const int mid = r.Top + (r.Bottom - r.Top) / 2;
  TreePen pen(canvas, grid_.cellNode_.TreeColor);

  if (level > 0) pen.Line(x - 4, mid, grid_.cellNode_.ShowTreeFull() ? x + r.Right : x + 4, mid);
  switch (grid_.GetNodeSpanType(paint.row)) {
    case 1: pen.Line(x - 4, r.Top, x - 4, mid); break;
    case 2: pen.Line(x - 4, r.Top, x - 4, r.Bottom + 4); break;
    default: break;
  }
  if (!grid_.HasCellProperties(0, paint.row)) return;
  const bool lastRow = paint.row == grid_.RowCount() - 1;
  const int nextLevel = lastRow ? 0 : RowNodeLevel(paint.row + 1);
  for (int i = 1; i <= level; ++i) {
    const int xi = x - 4 - i * indent;
    canvas->MoveTo(xi, r.Top);
    canvas->LineTo(xi, mid);
    if (!lastRow && nextLevel == 0) {
      if (level > i) canvas->LineTo(xi + indent, mid);
    } else {
      canvas->LineTo(xi, r.Bottom + 4);
    }
  }
}

// The glyph sits one indent left of the row's indent; stubs of the tree
// join it to the rows above and below.
void TGridCellPainter::DrawNodeGlyph(CellPaint& paint, TRect r) {
  TCanvas* canvas = paint.canvas;
  const bool contracted = paint.graphic->CellBoolean;
  const int indent = grid_.cellNode_.NodeIndent();
  const int cellRight = r.Right;
  r.Left = paint.left + grid_.NodeIndent(paint.row) - indent;
  const int x0 = r.Left + 2 + indent / 2;

  if (grid_.cellNode_.ShowTree() && paint.row >= grid_.FixedRows()) {
    TreePen pen(canvas, grid_.cellNode_.TreeColor);
    const int own = grid_.NodeIndent(paint.row);
    const int next = paint.row + 1 < grid_.RowCount() ? grid_.NodeIndent(paint.row + 1) : 0;
    if (next > 0 && (!contracted || next >= own)) pen.Line(x0, r.Top + 6, x0, r.Bottom);
    if (grid_.NodeIndent(paint.row - 1) >= own) pen.Line(x0, r.Top, x0, r.Top + 6);
  }
  const TGridLook look = grid_.settings_.Look;
  const bool raisedLook = look == glSoft || look == glRUD || look == glXP || look == glListView;
  if (paint.col < grid_.FixedCols() && !grid_.settings_.Flat && raisedLook) r.Left += 1;

  const TNodeType type = grid_.cellNode_.NodeType();
  switch (type) {
    case cn3D: {
      canvas->Brush()->SetColor(grid_.cellNode_.Color);
      TRect face{r.Left, r.Top, cellRight, r.Bottom};
      canvas->Rectangle(face);
      Frame3D(canvas, face, clWhite, clGray, 1);
      break;
    }
    case cnLeaf:
      DrawNodeBitmap(canvas, contracted ? "ZGLEAFCLOSE" : "ZGLEAFOPEN", r.Left, r.Top + 2);
      return;
    case cnXP:
      DrawNodeBitmap(canvas, contracted ? "XPNODEC" : "XPNODEO", r.Left + 4, r.Top + 6);
      return;
    case cnGlyph: {
      TBitmap* expand = grid_.cellNode_.ExpandGlyph();
      TBitmap* contract = grid_.cellNode_.ContractGlyph();
      if (expand->Empty() || contract->Empty()) break;
      const int y = r.Top + (r.Bottom - r.Top - contract->Height()) / 2;
      DrawBitmapTransp(canvas, contracted ? contract : expand, canvas->Brush()->Color(), Bounds(r.Left, y, 0, 0));
      return;
    }
    case cnFlat:
      break;
  }
  DrawNodeBox(canvas, r, contracted, type == cnFlat);
}

// An 8 x 8 box: drawn flat with a plus or minus, else as a raised
// (contracted) or sunken (expanded) edge.
void TGridCellPainter::DrawNodeBox(TCanvas* canvas, TRect r, bool contracted, bool flat) {
  canvas->Brush()->SetColor(grid_.cellNode_.Color);
  r.Left += 4;
  r.Top += std::max(0, r.Bottom - r.Top - 8) / 2;
  TRect box = Bounds(r.Left, r.Top, 8, 8);
  if (!flat) {
    canvas->FillRect(box);
    DrawEdge(canvas, &box, contracted ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT | BF_SOFT);
    return;
  }
  TPen saved;
  saved.Assign(*canvas->Pen());
  canvas->Pen()->SetColor(grid_.cellNode_.NodeColor);
  canvas->Pen()->SetWidth(1);
  canvas->Rectangle(box.Left - 1, box.Top - 1, box.Right + 1, box.Bottom + 1);
  canvas->MoveTo(r.Left + 1, r.Top + 3);
  canvas->LineTo(r.Left + 6, r.Top + 3);
  if (contracted) {
    canvas->MoveTo(r.Left + 3, r.Top + 1);
    canvas->LineTo(r.Left + 3, r.Top + 6);
  }
  canvas->Pen()->Assign(saved);
}
