// The grid's mouse-move handling, in the order of its steps: the hot
// header cell, range drags from the headers, fixed borders, the drag and
// drop start, moving and sizing feedback, hover zones, links, hints, the
// framework's own handling and the sizing hint.
#include <QWidget>
#include <cstdlib>

#include "framework/codec.h"
#include "framework/forms.h"
#include "framework/resources.h"
#include "framework/tooltips.h"
#include "grid/arrowwindow.h"
#include "grid/duruzav.h"
#include "grid/griddragdrop.h"
#include "grid/htmlhintwindow.h"
#include "grid/popupbutton.h"
#include "grid/zghtmle.h"
#include "grid/zgutil.h"

namespace {

// Within this distance of a fixed column's (row's) border the border may be
// dragged.
constexpr int kFixedBorderZone = 3;
// The selection resizer: the square at the selection's bottom-right corner.
constexpr int kResizerSize = 6;
// The pointer this close to the bottom edge scrolls a row drag down.
constexpr int kAutoScrollEdge = 4;
constexpr int kSizingHintWidth = 200;
constexpr int kArrowSize = 11;
// The grid's cursors of the hover zones.
constexpr int kColSelectCursor = 8011;
constexpr int kRowSelectCursor = 8010;
constexpr int kAllSelectCursor = 8012;

// The border of a fixed column (row) within reach of pos: the last such
// index, -1 for none. A grid line follows each column.
int FixedBorderNear(int pos, int fixedCount, const std::function<int(int)>& sizeOf) {
  int found = -1;
  for (int i = 0, offset = 0; i < fixedCount; ++i) {
    if (std::abs(sizeOf(i) + offset - pos) < kFixedBorderZone) found = i;
    offset += sizeOf(i) + 1;
  }
  return found;
}

}  // namespace

TGridHover::TGridHover(TVudUvizidIzed& grid) : grid_(grid), gridProc_(grid.WindowProc) {
  grid_.WindowProc = [this](TMessage& message) { Dispatch(message); };
  grid_.Balloon()->OnEnableChange = [this](TObject*) { BalloonChange(); };
}

TGridHover::~TGridHover() { grid_.WindowProc = gridProc_; }

TGridMouseState& TGridHover::State() { return grid_.mouse_; }

void TGridHover::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_SETCURSOR: WMSetCursor(message); break;
    case CM_HINTSHOW: CMHintShow(message); break;
    case CM_MOUSELEAVE: CMMouseLeave(message); break;
    case CM_CURSORCHANGED: CMCursorChanged(message); break;
    default: gridProc_(message); break;
  }
  RelayToToolTip(message);
}

void TGridHover::RelayToToolTip(const TMessage& message) {
  if (toolTip_) toolTip_->RelayEvent(message);
}

// ---- Mouse move ----

void TGridHover::MouseMove(TShiftState shift, int x, int y) {
  TVudUvizidIzed& g = grid_;
  const TVudUvizidIzed::Settings& s = g.Props();
  TMouseActions& actions = *g.MouseActions();
  if (State().buttonDown && actions.RangeSelectAndEdit && (g.Options() & goEditing))
    g.SetOptions(g.Options() & ~goEditing);

  const TGridRect before = g.Selection();
  if (s.SelectionRectangle && g.GridState() == gsSelecting && before != savedSelection_) {
    g.Invalidate();
    savedSelection_ = before;
  }
  int col = -1, row = -1;
  g.MouseToCell(x, y, col, row);
  TrackHotCell(col, row);

  bool scrolledUp = false;
  const TGridMouseState& state = State();
  if (state.rowSelectAnchor != -1 && actions.RowSelect && state.hoverZone == THoverZone::RowSelect)
    scrolledUp = DragRowRange(row, y);
  if (state.colSelectAnchor != -1 && actions.ColSelect && state.hoverZone == THoverZone::ColSelect) DragColRange(col);
  DetectFixedBorders(col, row, x, y);
  const bool overResizer = OverResizer(x, y);
  StartDragDrop(col, row, x, y, overResizer);

  if (!(g.ComponentState() & csDesigning)) {
    MovingFeedback(col, row, x, y);
    UpdateHoverZone(col, row, x, y, overResizer, scrolledUp);
  }
  const bool linked = HoverLink(col, row, x, y);
  if (!linked && g.Cursor() != g.loadedCursor_) {
    State().cursorChanged = true;
    g.SetCursorEx(g.loadedCursor_);
  }
  CancelHints(x, y);

  if (g.GridState() == gsSelecting && s.SelectionRectangle && g.Selection() != savedSelectionRect_) {
    g.InvalidateGridRect(g.Selection());
    savedSelectionRect_ = g.Selection();
  }
  g.TBaseGrid::MouseMove(shift, x, y);

  if (g.Navigation()->KeepHorizScroll && State().clickInProgress && g.GridState() != gsColMoving) {
    g.StartUpdate();
    g.SetLeftCol(State().leftColAtPress);
    g.ResetUpdate();
  }
  ShowSizingHint(x, y);
  if (s.EnhRowColMove) g.Update();
  const TGridRect after = g.Selection();
  if (after != before) g.SelectionChanged(after.Left, after.Top, after.Right, after.Bottom);
}

void TGridHover::TrackHotCell(int col, int row) {
  TVudUvizidIzed& g = grid_;
  if (g.Props().Look != glListView || TPoint{col, row} == State().hotCell) return;
  auto repaintFixed = [&](TPoint cell) {
    if (cell.X != -1 && cell.Y != -1 && (cell.X < g.FixedCols() || cell.Y < g.FixedRows())) g.RepaintCell(cell.X, cell.Y);
  };
  repaintFixed(State().hotCell);
  State().hotCell = {col, row};
  repaintFixed(State().hotCell);
}

// The rows from the anchor to the pointer's row, over every column; true
// when the grid scrolled up.
bool TGridHover::DragRowRange(int row, int y) {
  TVudUvizidIzed& g = grid_;
  const int anchor = State().rowSelectAnchor;
  if (row >= g.FixedRows() && row <= g.RowCount() - g.Props().FixedFooters) {
    const int reached = std::max(g.FixedRows(), row);
    TGridRect range{g.FixedCols(), std::min(anchor, reached), g.ColCount() - 1, std::max(anchor, reached)};
    g.SetSelection(range);
    if (g.Props().SelectionRectangle && range != savedSelection_) {
      g.RepaintRect({g.LeftCol(), range.Top, g.LeftCol() + g.VisibleColCount(), range.Bottom});
      savedSelection_ = range;
    }
  }
  if (y > g.Height() - kAutoScrollEdge) g.SetTopRow(g.TopRow() + 1);
  if (g.FixedRows() > 0 && g.RowCount() > 0 && y < g.RowHeights(0) && g.FixedRows() < g.TopRow()) {
    g.SetTopRow(g.TopRow() - 1);
    return true;
  }
  return false;
}

void TGridHover::DragColRange(int col) {
  TVudUvizidIzed& g = grid_;
  const int anchor = State().colSelectAnchor;
  const int reached = std::max(g.FixedCols(), col);
  TGridRect range{std::min(anchor, reached), g.FixedRows(), std::max(anchor, reached), g.RowCount() - 1};
  g.SetSelection(range);
  if (g.Props().SelectionRectangle && range != savedSelection_) {
    g.RepaintRect({range.Left, g.TopRow(), range.Right, g.TopRow() + g.VisibleRowCount()});
    savedSelection_ = range;
  }
}

// Fixed borders that may be dragged, and the inverted line of one being
// dragged moved along.
void TGridHover::DetectFixedBorders(int col, int row, int x, int y) {
  TGridMouseState& m = State();
  TVudUvizidIzed& g = grid_;
  const bool inCells = col >= 0 && row >= 0 && !(g.ComponentState() & csDesigning);
  m.fixedColBorder = false;
  const int colBorder = FixedBorderNear(x, g.FixedCols(), [&](int i) { return g.ColWidths(i); });
  if (inCells && colBorder >= 0) {
    m.fixedColBorder = g.MouseActions()->SizeFixedCol;
    m.fixedBorderCol = colBorder;
  }
  if (m.colSizingLine) {
    g.DrawSizingLine(m.colSizingLinePos);
    m.colSizingLinePos = x;
    g.DrawSizingLine(x);
  }
  m.fixedRowBorder = false;
  const int rowBorder = FixedBorderNear(y, g.FixedRows(), [&](int i) { return g.RowHeights(i); });
  if (inCells && rowBorder >= 0) {
    m.fixedRowBorder = g.MouseActions()->SizeFixedRow;
    m.fixedBorderRow = rowBorder;
  }
  if (m.rowSizingLine) {
    g.DrawSizingLineR(m.rowSizingLinePos);
    m.rowSizingLinePos = y;
    g.DrawSizingLineR(y);
  }
}

bool TGridHover::OverResizer(int x, int y) {
  TVudUvizidIzed& g = grid_;
  if (!g.Props().SelectionResizer || !g.Props().SelectionRectangle) return false;
  const TRect r = g.CellRect(g.Selection().Right, g.Selection().Bottom);
  return x >= r.Right - kResizerSize && x <= r.Right && y >= r.Bottom - kResizerSize && y <= r.Bottom;
}

void TGridHover::StartDragDrop(int col, int row, int x, int y, bool overResizer) {
  if (!State().oleDragPending || overResizer) return;
  if (StartOleDrag(grid_, State().pressPoint, {x, y}, col, row)) State().oleDragPending = false;
}

// ---- Moving and sizing feedback ----

void TGridHover::MovingFeedback(int col, int row, int x, int y) {
  TGridMouseState& m = State();
  TVudUvizidIzed& g = grid_;
  const TGridState state = g.GridState();
  if (state == gsColSizing) m.colWasSized = true;
  if (state == gsRowSizing) m.rowWasSized = true;
  if (state == gsColMoving || state == gsRowMoving) {
    bool allow = true;
    const TColumnAllowEvent& event = state == gsColMoving ? g.OnColumnMove : g.OnRowMove;
    if (event) event(&g, m.movingIndex, allow);
    if (!allow) {
      g.CancelGridState();
      HideMoveIndicators();
      return;
    }
    const bool away = x != m.pressPoint.X || y != m.pressPoint.Y;
    if (away && g.Props().EnhRowColMove && !m.colSizingLine && !m.rowSizingLine)
      PlaceMovingCell(col, row, x, y);
    AutoScrollMove(x, y);
  }
}

void TGridHover::PlaceMovingCell(int col, int row, int x, int y) {
  TGridMouseState& m = State();
  TVudUvizidIzed& g = grid_;
  const bool columns = g.GridState() == gsColMoving;
  TPopupButton* cell = MovingCell();
  const int index = m.movingIndex;
  if (columns && index >= g.FixedCols() && col >= 0) {
    cell->SetCaption(g.GetCellEx(g.RemapCol(index), 0));
    cell->SetBounds(cell->Left(), cell->Top(), g.ColWidths(index), g.RowHeights(0));
  } else if (!columns && index >= g.FixedRows() && row >= 0) {
    cell->SetCaption(g.GetCellEx(0, index));
    cell->SetBounds(cell->Left(), cell->Top(), g.ColWidths(0), g.RowHeights(index));
  }
  cell->Invalidate();
  const TPoint screen = g.ClientToScreen({x, y});
  cell->SetBounds(screen.X, screen.Y, cell->Width(), cell->Height());
  PlaceArrows(columns);
  if (columns) m.dropTarget = {col, 0};
  else m.dropTarget = {0, row};
  if (!cell->Visible()) {
    const bool themed = g.Props().Look == glRUD || g.Props().Look == glXP;
    cell->SetGradFrom(themed ? g.GradientRUDFrom() : clNone);
    cell->SetGradTo(themed ? g.GradientRUDTo() : clNone);
    cell->SetImages(g.GridImages());
    cell->Show();
    if (g.Parent() && g.Parent()->Widget()) g.Parent()->Widget()->setFocus();
  }
  if (Screen->Cursor() != crDrag) Screen->SetCursor(crDrag);
}

// The arrows on the drop border of the target the previous move found:
// before the target when it lies before the moved column (row), else after.
void TGridHover::PlaceArrows(bool columns) {
  TVudUvizidIzed& g = grid_;
  const int target = columns ? State().dropTarget.X : State().dropTarget.Y;
  TArrowWindow* first = Arrow(columns ? 0 : 2);
  TArrowWindow* second = Arrow(columns ? 1 : 3);
  const bool inView = columns ? target >= g.FixedCols() && target - g.LeftCol() < g.VisibleColCount()
                              : target >= g.FixedRows() && target - g.TopRow() < g.VisibleRowCount();
  const TFloatingFooter& footer = *g.FloatingFooter();
  const bool footerRow = !columns && footer.Visible() && footer.FooterStyle() == fsFixedLastRow &&
                         target == g.RowCount() - 1;
  if (!inView || footerRow) {
    first->Hide();
    second->Hide();
    return;
  }
  const TRect r = columns ? g.CellRect(target, 0) : g.CellRect(0, target);
  const bool before = target < State().movingIndex;
  const int half = first->Width() / 2;
  TPoint a, b;
  if (columns) {
    const int border = before ? r.Left : r.Right;
    a = g.ClientToScreen({border - half, r.Top - first->Height()});
    b = g.ClientToScreen({border - half, r.Bottom});
  } else {
    const int border = before ? r.Top : r.Bottom;
    a = g.ClientToScreen({r.Left - first->Width(), border - half});
    b = g.ClientToScreen({r.Right, border - half});
  }
  first->SetBounds(a.X, a.Y, first->Width(), first->Height());
  second->SetBounds(b.X, b.Y, second->Width(), second->Height());
  first->Show();
  second->Show();
}

void TGridHover::AutoScrollMove(int x, int y) {
  TVudUvizidIzed& g = grid_;
  if (g.GridState() == gsColMoving && g.VisibleColCount() + g.FixedCols() < g.ColCount()) {
    int fixedWidth = 0;
    for (int i = 0; i < g.FixedCols(); ++i) fixedWidth += g.ColWidths(i);
    if (x < fixedWidth && g.LeftCol() > g.FixedCols()) {
      g.SetLeftCol(g.LeftCol() - 1);
      g.Repaint();
    } else if (x > g.Width() && g.LeftCol() + g.VisibleColCount() < g.ColCount()) {
      g.SetLeftCol(g.LeftCol() + 1);
      g.Repaint();
    }
  }
  if (g.GridState() == gsRowMoving && g.VisibleRowCount() + g.FixedRows() < g.RowCount()) {
    int fixedHeight = 0;
    for (int i = 0; i < g.FixedRows(); ++i) fixedHeight += g.RowHeights(i);
    if (y < fixedHeight && g.TopRow() > g.FixedRows()) {
      g.SetTopRow(g.TopRow() - 1);
      g.Repaint();
    } else if (y > g.Height() && g.TopRow() + g.VisibleRowCount() < g.RowCount()) {
      g.SetTopRow(g.TopRow() + 1);
      g.Repaint();
    }
  }
}

void TGridHover::UpdateHoverZone(int col, int row, int x, int y, bool overResizer, bool scrolledUp) {
  TVudUvizidIzed& g = grid_;
  const TMouseActions& actions = *g.MouseActions();
  THoverZone zone = overResizer ? THoverZone::SelectionResizer : THoverZone::None;
  const bool fixedRow = row >= 0 && row < g.FixedRows();
  const bool fixedCol = col >= 0 && col < g.FixedCols();
  if (fixedRow && fixedCol && actions.AllSelect) {
    zone = THoverZone::SelectAll;
  } else if (fixedRow && col >= g.FixedCols() && actions.ColSelect && !g.InSizeZone(x, y)) {
    zone = THoverZone::ColSelect;
  } else if (fixedCol && (row >= g.FixedRows() || scrolledUp) && actions.RowSelect && !g.InSizeZone(x, y) &&
             !g.InNodeRect(row, x)) {
    zone = THoverZone::RowSelect;
  }
  State().hoverZone = zone;
  State().cursorChanged = true;
}

// URLs and mark-up anchors under the pointer: the hand cursor and the
// anchor events. True when the pointer is over one. Leaving an anchor for
// anything else (a plain cell, the space outside the cells) ends it.
bool TGridHover::HoverLink(int col, int row, int x, int y) {
  TVudUvizidIzed& g = grid_;
  const bool inCells = col >= 0 && row >= 0;
  const AnsiString text = inCells ? g.GetCellEx(g.RemapCol(col), row) : AnsiString();
  const TTextType kind = TextType(text, g.Props().EnableHTML);
  if (inCells && g.Props().URLShow && kind != ttHTML && IsURL(text)) {
    if (g.Cursor() != crHandPoint) g.SetCursor(crHandPoint);
    return true;
  }
  const AnsiString anchor = inCells && kind == ttHTML ? AnchorAt(col, row, x, y, nullptr) : AnsiString();
  if (anchor.empty()) {
    if (!lastAnchor_.empty()) {
      if (g.OnAnchorExit) g.OnAnchorExit(&g, row, col, lastAnchor_);
      lastAnchor_.clear();
    }
    return false;
  }
  if (g.Cursor() != crHandPoint) g.SetCursor(crHandPoint);
  if (anchor != lastAnchor_) {
    if (g.OnAnchorEnter) g.OnAnchorEnter(&g, row, col, anchor);
    lastAnchor_ = anchor;
  }
  return true;
}

AnsiString TGridHover::AnchorAt(int col, int row, int x, int y, AnsiString* title) {
  TVudUvizidIzed& g = grid_;
  TRect r = g.CellRect(col, row);
  r.Left += 1 + g.XYOffset.X;
  r.Top += 1 + g.XYOffset.Y;
  if (g.HasCheckBox(col, row)) r.Left += g.ControlLook()->CheckSize();
  AnsiString anchor, plain, focusAnchor, anchorTitle, controlID, controlValue, controlType;
  int width = 0, height = 0, links = 0, mouseLink = -1;
  TRect hover, control;
  TCanvas* c = g.Canvas();
  c->SetFont(*g.Font());
  const bool hit = HTMLDrawEx(c, g.GetCellEx(g.RemapCol(col), row), r, g.GridImages(), x, y, -1, 0, 1, true, false,
                              false, false, false, false, true, false, 1.0, g.Props().URLColor, clNone, clNone, clGray,
                              anchor, plain, focusAnchor, anchorTitle, width, height, links, mouseLink, hover, control,
                              controlID, controlValue, controlType, nullptr, nullptr, &g);
  if (!hit) return AnsiString();
  if (title) *title = anchorTitle;
  return anchor;
}

void TGridHover::CancelHints(int x, int y) {
  TVudUvizidIzed& g = grid_;
  int col = -1, row = -1;
  g.MouseToCell(x, y, col, row);
  if (hintCell_.X != -1 && (col != hintCell_.X || row != hintCell_.Y)) {
    CancelHint();
    hintCell_ = {-1, -1};
  }
  const TPoint balloon = g.balloonCell_;
  if (balloon.X != -1 && g.Balloon()->Enable() && (col != balloon.X || row != balloon.Y)) {
    if (toolTip_) toolTip_->Pop();
    g.balloonCell_ = {-1, -1};
  }
}

// "cw=<b>width</b>" or "rh=<b>height</b>" above the sized cell while a
// column or row border is dragged.
void TGridHover::ShowSizingHint(int x, int y) {
  TGridMouseState& m = State();
  TVudUvizidIzed& g = grid_;
  if (!(g.ComponentState() & csDesigning) && !g.Props().HintShowSizing) return;
  const TGridState state = g.GridState();
  const bool columns = state == gsColSizing || m.colSizingLine;
  if (!columns && state != gsRowSizing && !m.rowSizingLine) return;
  TPoint cell{0, 0};
  AnsiString text;
  if (m.colSizingLine) {
    text = "cw=<b>" + IntToStr(m.colSizingLinePos) + "</b>";
  } else if (m.rowSizingLine) {
    text = "rh=<b>" + IntToStr(m.rowSizingLinePos) + "</b>";
  } else if (columns) {
    cell = m.sizingCell.X == -1 ? TPoint{g.ColCount() - 1, 0} : m.sizingCell;
    text = "cw=<b>" + IntToStr(x - g.CellRect(cell.X, cell.Y).Left - m.sizingEdgeOffset.X) + "</b>";
  } else {
    cell = m.sizingCell.Y == -1 ? TPoint{0, g.RowCount() - 1} : m.sizingCell;
    text = "rh=<b>" + IntToStr(y - g.CellRect(cell.X, cell.Y).Top - m.sizingEdgeOffset.Y) + "</b>";
  }
  THTMLHintWindow* hint = SizingHint();
  hint->SetColor(g.Props().HintColor);
  const TRect size = hint->CalcHintRect(kSizingHintWidth, text);
  const TRect r = g.CellRect(cell.X, cell.Y);
  const TPoint at = g.ClientToScreen({r.Left, r.Top});
  hint->ActivateHint(Bounds(at.X, at.Y, size.Width(), size.Height()), text);
  sizingHintShown_ = true;
}

void TGridHover::HideMoveIndicators() {
  if (movingCell_) movingCell_->Hide();
  for (auto& arrow : arrows_)
    if (arrow) arrow->Hide();
  if (Screen->Cursor() == crDrag) Screen->SetCursor(crDefault);
}

void TGridHover::HideSizingHint() {
  if (sizingHint_) sizingHint_->ReleaseHint();
  sizingHintShown_ = false;
}

// ---- Leaving, cursors and hints ----

void TGridHover::CMMouseLeave(TMessage& message) {
  gridProc_(message);
  State().fixedColBorder = false;
  State().fixedRowBorder = false;
  TVudUvizidIzed& g = grid_;
  if (g.Props().Look == glListView && State().hotCell.X != -1 && State().hotCell.Y != -1 &&
      (State().hotCell.X < g.FixedCols() || State().hotCell.Y < g.FixedRows()))
    g.RepaintCell(State().hotCell.X, State().hotCell.Y);
}

// The zones of the headers show the grid's own cursors; a fixed border that
// may be dragged, or one being dragged, shows the split cursors.
void TGridHover::WMSetCursor(TMessage& message) {
  TVudUvizidIzed& g = grid_;
  const TGridState state = g.GridState();
  const bool sizing = state == gsColSizing || state == gsRowSizing;
  TCursor shape = g.Cursor();
  if (State().hoverZone != THoverZone::None && !sizing) {
    switch (State().hoverZone) {
      case THoverZone::ColSelect: shape = LoadCursorResource(kColSelectCursor); break;
      case THoverZone::RowSelect: shape = LoadCursorResource(kRowSelectCursor); break;
      case THoverZone::SelectAll: case THoverZone::SelectionResizer: shape = LoadCursorResource(kAllSelectCursor); break;
      default: shape = g.ShownCursor(); break;
    }
  }
  if (State().fixedColBorder || state == gsColSizing) shape = crHSplit;
  else if (State().fixedRowBorder || state == gsRowSizing) shape = crVSplit;
  g.ShowCursorShape(shape);
  message.Result = 1;
}

void TGridHover::CMCursorChanged(TMessage& message) {
  gridProc_(message);
  if (!State().cursorChanged) State().hoverZone = THoverZone::None;
  State().cursorChanged = false;
}

void TGridHover::CMHintShow(TMessage& message) {
  auto* info = reinterpret_cast<THintInfo*>(message.LParam);
  if (!info) return;
  bool canShow = true;
  ShowHintProc(info->HintStr, canShow, *info);
  message.Result = canShow ? 0 : 1;
}

void TGridHover::ShowHintProc(AnsiString& hintStr, bool&, THintInfo& hintInfo) {
  TVudUvizidIzed& g = grid_;
  hintInfo.HintColor = g.Props().HintColor;
  int col = -1, row = -1;
  g.MouseToCell(hintInfo.CursorPos.X, hintInfo.CursorPos.Y, col, row);
  if (col < 0 || row < 0) return;
  hintCell_ = {col, row};
  const TRect r = g.CellRect(col, row);
  const AnsiString text = g.GetCellEx(g.RemapCol(col), row);
  const TTextType kind = TextType(text, g.Props().EnableHTML);
  if (kind == ttHTML && g.Props().AnchorHint) {
    AnsiString title;
    AnsiString anchor = AnchorAt(col, row, hintInfo.CursorPos.X, hintInfo.CursorPos.Y, &title);
    if (!anchor.empty()) {
      if (!title.empty()) anchor = title;
      if (g.OnAnchorHint) g.OnAnchorHint(&g, row, col, anchor);
      hintStr = anchor;
    }
  }
  AnsiString comment;
  TPoint pos = g.IsComment(col, row, comment) ? TPoint{r.Right, r.Top} : TPoint{r.Left, r.Bottom + 6};
  const bool normal = col >= g.FixedCols() && col < g.ColCount() - g.Props().FixedRightCols &&
                      row >= g.FixedRows() && row < g.RowCount() - g.Props().FixedFooters;
  bool fullText = g.Props().HintShowCells && normal;
  if (!fullText && g.Props().HintShowLargeText) {
    const TPoint size = g.GetCellTextSize(col, row, false);
    fullText = size.X > r.Width() || size.Y > r.Height();
  }
  if (fullText) {
    pos.Y = r.Top;
    if (kind == ttUnicode) hintStr = WideToUtf8(DecodeWideStr(text));
    else if (g.Props().HTMLHint) hintStr = text;
    else hintStr = g.GetStrippedCell(g.RemapCol(col), row);
  }
  const bool footerRow = g.FloatingFooter()->Visible() && row == g.RowCount() - 1;
  if (!footerRow) g.GetCellHint(col, row, hintStr);
  hintInfo.HintPos = g.ClientToScreen(pos);
}

// ---- Windows ----

THTMLHintWindow* TGridHover::SizingHint() {
  if (!sizingHint_) sizingHint_ = std::make_unique<THTMLHintWindow>(nullptr);
  return sizingHint_.get();
}

TPopupButton* TGridHover::MovingCell() {
  if (!movingCell_) movingCell_ = std::make_unique<TPopupButton>(nullptr);
  return movingCell_.get();
}

TArrowWindow* TGridHover::Arrow(int index) {
  static constexpr TArrowDirection kDirections[] = {arrDown, arrUp, arrLeft, arrRight};
  auto& arrow = arrows_.at(static_cast<std::size_t>(index));
  if (!arrow) {
    arrow = std::make_unique<TArrowWindow>(nullptr, kDirections[index]);
    arrow->SetBounds(0, 0, kArrowSize, kArrowSize);
  }
  return arrow.get();
}
