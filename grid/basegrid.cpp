// The base grid: construction, cell text and cell objects.
#include "grid/basegrid.h"

#include <QString>

#include "grid/zgutil.h"

TBaseGrid::TBaseGrid(TComponent* owner) : TStringGrid(owner) {
  SetGridLineWidth(1);
  SetGridLineColor(0xC0C0C0);
  SetDefaultDrawing(false);
  SetOptions(Options() | goDrawFocusSelected);
}

TBaseGrid::~TBaseGrid() {
  ClearProps();
  if (undoRedo_) undoRedo_->RemoveFreeNotification(this);
}

// ---- Own look ----

void TBaseGrid::SetDefaultDrawing(bool on) {
  defaultDrawing_ = on;
  // The framework's drawing stays off in every case: this grid paints its
  // cells itself.
  TStringGrid::SetDefaultDrawing(false);
}

void TBaseGrid::SetGridLineWidth(int width) {
  gridLineWidth_ = width;
  // Cells touch; this grid draws its lines inside them.
  TStringGrid::SetGridLineWidth(0);
  Invalidate();
}

void TBaseGrid::SetGridLineColor(TColor color) {
  gridLineColor_ = color;
  Invalidate();
}

void TBaseGrid::SetActiveRowShow(bool on) {
  activeRowShow_ = on;
  Invalidate();
}

void TBaseGrid::SetActiveRowColor(TColor color) {
  activeRowColor_ = color;
  Invalidate();
}

// ---- Cell text ----

AnsiString TBaseGrid::GetCellEx(int col, int row) {
  const TPoint base = BaseCell(col, row);
  AnsiString text = GetGridCell(base.X, base.Y);
  if (base.Y < displRowLimit_) {
    GetDisplText(base.X, base.Y, text);
    if (OnGetDisplWideText) {
      const QString q = QString::fromStdString(text);
      WideString wide(reinterpret_cast<const char16_t*>(q.utf16()), q.size());
      GetDisplWideText(base.X, base.Y, wide);
      text = EncodeWideStr(wide);
    }
  }
  return text;
}

void TBaseGrid::SetCellEx(int col, int row, const AnsiString& value) {
  if (!HasCellProperties(col, row)) {
    SetGridCell(col, row, value);
  } else {
    const TPoint base = BaseCell(col, row);
    SetGridCell(base.X, base.Y, value);
    if (Parent()) RepaintCell(col, row);
  }
  if (lastRowFooter_ && row == RowCount() - 1) FloatFooterUpdate();
}

void TBaseGrid::GetDisplText(int col, int row, AnsiString& value) {
  if (OnGetDisplText) OnGetDisplText(this, col, row, value);
}

void TBaseGrid::GetDisplWideText(int col, int row, WideString& value) {
  if (OnGetDisplWideText) OnGetDisplWideText(this, col, row, value);
}

// ---- Cell objects ----

TObject* TBaseGrid::GetObjectEx(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->CellObject : nullptr;
}

void TBaseGrid::SetObjectEx(int col, int row, TObject* object) {
  if (!HasCellProperties(col, row)) SetCellProperties(col, row, new TCellProperties(this, col, row));
  static_cast<TCellProperties*>(GetGridObject(col, row))->CellObject = object;
}

TObject* TBaseGrid::GetGraphicObjectEx(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->GraphicObject : nullptr;
}

void TBaseGrid::SetGraphicObjectEx(int col, int row, TObject* object) {
  if (!HasCellProperties(col, row)) SetCellProperties(col, row, new TCellProperties(this, col, row));
  static_cast<TCellProperties*>(GetGridObject(col, row))->GraphicObject = object;
}

// These drop the pointer only: row and column operations move properties
// between cells with them.
void TBaseGrid::NilCell(int col, int row) {
  SetGridCell(col, row, "");
  SetGridObject(col, row, nullptr);
}

void TBaseGrid::NilCol(int col) {
  for (int r = 0; r < RowCount(); ++r) NilCell(col, r);
}

void TBaseGrid::NilRow(int row) {
  for (int c = 0; c < ColCount(); ++c) NilCell(c, row);
}

// Texts and property pointers are shared, not duplicated (freeing is safe
// against that: see ClearPropRect).
void TBaseGrid::CopyCols(int target, int source) {
  for (int r = 0; r < RowCount(); ++r) {
    SetGridCell(target, r, GetGridCell(source, r));
    SetGridObject(target, r, GetGridObject(source, r));
  }
}

void TBaseGrid::CopyRows(int target, int source) {
  for (int c = 0; c < ColCount(); ++c) {
    SetCellEx(c, target, GetCellEx(c, source));
    SetGridObject(c, target, GetGridObject(c, source));
  }
}

// ---- Hooks ----

bool TBaseGrid::IsFixed(int, int) { return false; }
int TBaseGrid::NodeIndent(int) { return 0; }
bool TBaseGrid::HasNodes() { return false; }
void TBaseGrid::FloatFooterUpdate() {}
int TBaseGrid::DisplColIndex(int col) { return col; }

void TBaseGrid::GetDefaultProps(int, int, TFont* font, TBrush* brush, TColor& colorTo, TAlignment& alignment,
                                TVAlignment& vAlignment, bool& wordWrap) {
  font->Assign(*Font());
  brush->SetColor(Color());
  colorTo = clNone;
  alignment = taLeftJustify;
  vAlignment = vtaTop;
  wordWrap = wordWrap_;
}

void TBaseGrid::GetVisualProperties(int, int, TGridDrawState&, bool, bool, bool, TBrush*, TColor&, TFont*,
                                    TAlignment&, TVAlignment&, bool&) {}

// ---- Undo/redo link ----

void TBaseGrid::SetUndoRedo(TDurUzavUndoRedo* value) {
  if (undoRedo_) undoRedo_->RemoveFreeNotification(this);
  undoRedo_ = value;
  if (value) {
    value->SetGrid(this);
    value->FreeNotification(this);
  }
}

void TBaseGrid::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == undoRedo_) undoRedo_ = nullptr;
  TStringGrid::Notification(component, operation);
}
