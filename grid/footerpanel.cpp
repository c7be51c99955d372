#include "grid/footerpanel.h"

#include "framework/hints.h"
#include "grid/duruzav.h"

namespace {

// The grid's selection text colour is black while footer cells are drawn:
// the current row's cell shows in the footer unselected.
class TPlainSelectionText {
 public:
  explicit TPlainSelectionText(TVudUvizidIzed& grid)
      : grid_(grid), saved_(grid.Props().SelectionTextColor) {
    grid.Props().SelectionTextColor = 0;
  }
  ~TPlainSelectionText() { grid_.Props().SelectionTextColor = saved_; }
  TPlainSelectionText(const TPlainSelectionText&) = delete;
  TPlainSelectionText& operator=(const TPlainSelectionText&) = delete;

 private:
  TVudUvizidIzed& grid_;
  TColor saved_;
};

void FillOutlined(TCanvas* canvas, const TRect& r, TColor color) {
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(color);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(color);
  canvas->Rectangle(r);
}

}  // namespace

TFooterPanel::TFooterPanel(TComponent* owner) : TPanel(owner), grid_(dynamic_cast<TVudUvizidIzed*>(owner)) {
  if (!grid_) throw EDurUzavError("A footer panel must be owned by its grid");
  SetBevelOuter(bvNone);
}

AnsiString TFooterPanel::HTMLColReplace(const AnsiString& s) const {
  AnsiString result;
  size_t pos = 0;
  for (size_t marker = s.find("<#"); marker != AnsiString::npos; marker = s.find("<#", pos)) {
    const size_t end = s.find('>', marker);
    if (end == AnsiString::npos) break;
    result += s.substr(pos, marker - pos);
    int col = 0;
    if (TryStrToInt(s.substr(marker + 2, end - marker - 2), col) && col >= 0 && col < grid_->TotalColCount())
      result += grid_->GetCellEx(col, grid_->Row());
    pos = end + 1;
  }
  return result + s.substr(pos);
}

TRect TFooterPanel::RTLCoord(bool rtl, const TRect& r) const {
  if (!rtl) return r;
  const int w = ClientWidth();
  return {w - r.Right, r.Top, w - r.Left, r.Bottom};
}

int TFooterPanel::UsedWidth() const {
  int w = 0;
  for (int c = 0; c < grid_->FixedCols(); ++c) w += grid_->ColWidths(c);
  for (int c = grid_->LeftCol(); c < grid_->ColCount(); ++c) w += grid_->ColWidths(c);
  return w;
}

int TFooterPanel::ColumnAt(int x) const {
  int right = 0;
  for (int c = 0; c < grid_->ColCount(); ++c) {
    right += grid_->ColWidths(c);
    if (x < right) return c;
  }
  return -1;
}

void TFooterPanel::Paint() {
  if (BiDiMode() != grid_->BiDiMode()) SetBiDiMode(grid_->BiDiMode());
  const TRect client = ClientRect();
  const TRect used = RTLCoord(UseRightToLeftAlignment(), {0, 0, std::min(UsedWidth(), client.Right), client.Bottom});
  switch (grid_->FloatingFooter()->FooterStyle()) {
    case fsFixedLastRow: PaintLastRow(used); break;
    case fsColumnPreview: PaintColPreview(used); break;
    case fsCustomPreview: PaintCustomPreview(used); break;
  }
}

void TFooterPanel::PaintUnused(const TRect& used) {
  const TRect client = ClientRect();
  const TRect rest = UseRightToLeftAlignment() ? TRect{0, 0, used.Left, client.Bottom}
                                               : TRect{used.Right, 0, client.Right, client.Bottom};
  if (rest.Right > rest.Left) FillOutlined(Canvas(), rest, grid_->Color());
}

void TFooterPanel::PaintPreviewFrame(const TRect& used) {
  TCanvas* canvas = Canvas();
  FillOutlined(canvas, used, grid_->FloatingFooter()->Color);
  canvas->Pen()->SetColor(TColor{0x808080});
  canvas->MoveTo(used.Left, used.Bottom - 1);
  canvas->LineTo(used.Right - 1, used.Bottom - 1);
  canvas->LineTo(used.Right - 1, used.Top);
  canvas->Pen()->SetColor(TColor{0xFFFFFF});
  canvas->LineTo(used.Left, used.Top);
  canvas->LineTo(used.Left, used.Bottom - 1);
}

void TFooterPanel::PaintColPreview(const TRect& used) {
  PaintPreviewFrame(used);
  {
    TPlainSelectionText plain(*grid_);
    const int col = grid_->FloatingFooter()->Column;
    TRect r = used;
    if (grid_->OnFooterPaint) grid_->OnFooterPaint(this, col, Canvas(), r);
    // A column the grid does not have shows nothing.
    else if (col >= 0 && col < grid_->ColCount()) grid_->DrawGridCell(Canvas(), col, grid_->Row(), r, 0);
  }
  PaintUnused(used);
}

void TFooterPanel::PaintCustomPreview(const TRect& used) {
  PaintPreviewFrame(used);
  {
    TPlainSelectionText plain(*grid_);
    const AnsiString& layout = grid_->FloatingFooter()->CustomTemplate;
    TRect r = used;
    r.Top += 2;
    Canvas()->Brush()->SetStyle(bsClear);
    if (grid_->ComponentState() & csDesigning) Canvas()->DrawText(layout, r, DT_LEFT);
    else grid_->DrawMarkupText(Canvas(), HTMLColReplace(layout), r, true);
  }
  PaintUnused(used);
}

void TFooterPanel::PaintLastRow(const TRect& used) {
  TCanvas* canvas = Canvas();
  FillOutlined(canvas, used, grid_->FloatingFooter()->Color);
  PaintUnused(used);
  const int row = grid_->RowCount() - 1;
  const unsigned options = grid_->Options();
  const bool soft = grid_->Props().Look == glSoft && !grid_->Props().Flat;
  const int bottom = ClientHeight();
  auto paintColumn = [&](int col, int x, bool fixed) {
    const TPoint span = grid_->CellSize(col, row);
    int width = 0;
    for (int c = col; c < col + std::max(1, span.X) && c < grid_->ColCount(); ++c) width += grid_->ColWidths(c);
    TRect cell = RTLCoord(UseRightToLeftAlignment(), {x, 0, x + width, bottom});
    if (soft) {
      canvas->Pen()->SetColor(TColor{0xFFFFFF});
      if (options & goFixedVertLine) canvas->MoveTo(cell.Left, cell.Top), canvas->LineTo(cell.Left, cell.Bottom);
      if (options & goFixedHorzLine) canvas->MoveTo(cell.Left, cell.Top), canvas->LineTo(cell.Right, cell.Top);
    }
    if (options & goFixedVertLine) {
      canvas->Pen()->SetColor(TColor{0x808080});
      canvas->MoveTo(cell.Right - 1, cell.Top);
      canvas->LineTo(cell.Right - 1, cell.Bottom);
    }
    if (!grid_->IsBaseCell(col, row)) return;
    if (!fixed) {
      const TColor color = grid_->GetColors(col, row);
      if (color != clNone) FillOutlined(canvas, cell, color);
      if (grid_->OnFooterPaint) {
        grid_->OnFooterPaint(this, col, canvas, cell);
        return;
      }
    }
    grid_->DrawGridCell(canvas, col, row, cell, gdFixed);
  };
  int x = 0;
  for (int c = 0; c < grid_->FixedCols(); ++c) {
    paintColumn(c, x, true);
    x += grid_->ColWidths(c);
  }
  for (int c = grid_->LeftCol(); c < grid_->ColCount(); ++c) {
    paintColumn(c, x, false);
    x += grid_->ColWidths(c);
  }
}

void TFooterPanel::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_HINTSHOW: {
      auto& info = *reinterpret_cast<THintInfo*>(message.LParam);
      const int col = ColumnAt(info.CursorPos.X);
      if (grid_->OnGridHint && col >= 0) grid_->OnGridHint(grid_, grid_->RowCount() - 1, col - 1, info.HintStr);
      lastHintCol_ = col >= 0 ? col - 1 : -1;
      message.Result = ShowHint() ? 0 : 1;
      return;
    }
    case CM_MOUSELEAVE: lastHintCol_ = -1; break;
    default: break;
  }
  TPanel::WndProc(message);
}

void TFooterPanel::MouseMove(TShiftState shift, int x, int y) {
  // The footer's ShowHint decides whether the panel shows hints at all.
  SetShowHint(grid_->FloatingFooter()->ShowHint);
  TPanel::MouseMove(shift, x, y);
  const int col = ColumnAt(x);
  const int hintCol = col >= 0 ? col - 1 : -1;
  if (ShowHint() && lastHintCol_ != -1 && lastHintCol_ != hintCol) {
    CancelHint();
    lastHintCol_ = hintCol;
  }
}
