// Cell access beside the typed values: the current cell through the edit
// path, rich text through a rich edit, controls placed in cells, the print
// column table, the version, small setters, column and row sizing
// permission and the wheel-click panning mark.
#include "framework/resources.h"
#include "framework/standardcontrols.h"
#include "grid/duruzav.h"
#include "grid/richtext.h"
#include "grid/zgutil.h"

namespace {

// The major, minor, release and build numbers from the highest byte down.
constexpr unsigned kVersionNr = 3u << 24 | 3u << 16 | 2u << 8 | 9u;
constexpr int kPanMarkSize = 32;

}  // namespace

void TVudUvizidIzed::SetEditCell(const AnsiString& value) {
  const TPoint base = BaseCell(Col(), Row());
  SetEditText(base.X, base.Y, value);
}

// ---- Rich text ----

void TVudUvizidIzed::CellToRich(int col, int row, TRichEdit* richEdit) {
  const AnsiString text = GetCellEx(col, row);
  richEdit->Clear();
  if (!text.empty()) RichTextToDocument(text, *richEdit->Document());
}

AnsiString TVudUvizidIzed::RichToString(TRichEdit* richEdit) { return DocumentToRichText(*richEdit->Document()); }

void TVudUvizidIzed::RichToCell(int col, int row, TRichEdit* richEdit) { SetCellEx(col, row, RichToString(richEdit)); }

// ---- Print columns ----

void TVudUvizidIzed::CheckPrintColumn(int col) const {
  if (col < 0 || col >= kPrintColumns) throw EDurUzavError("Columns is not in valid range");
}

int TVudUvizidIzed::GetPrintColWidth(int col) const {
  CheckPrintColumn(col);
  return printColWidths_[col];
}

int TVudUvizidIzed::GetPrintColOffset(int col) const {
  CheckPrintColumn(col);
  return printColOffsets_[col];
}

// ---- Version ----

int TVudUvizidIzed::GetVersionNr() { return static_cast<int>(kVersionNr); }

AnsiString TVudUvizidIzed::GetVersion() {
  const auto nr = static_cast<unsigned>(GetVersionNr());
  return IntToStr(nr >> 24) + "." + IntToStr((nr >> 16) & 0xFF) + "." + IntToStr((nr >> 8) & 0xFF) + "." +
         IntToStr(nr & 0xFF);
}

// ---- Small setters ----

void TVudUvizidIzed::SetLookupItems(const TStringList* list) {
  if (list) lookupItems_.Assign(*list);
}

void TVudUvizidIzed::SetFixedFont(const TFont& font) {
  fixedFont_.Assign(font);
  Invalidate();
}

void TVudUvizidIzed::RichSelChange(TObject* sender) {
  if (OnRichEditSelectionChange) OnRichEditSelectionChange(sender);
}

void TVudUvizidIzed::SetCursorEx(TCursor cursor) {
  SetCursor(cursor);
  loadedCursor_ = cursor;
}

// ---- Sizing with the mouse ----

// The application may refuse the sizing of a column from the header, or
// of a row from the fixed column.
void TVudUvizidIzed::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs) {
  TBaseGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs);
  // The column being sized lies before the border in reading order.
  const TGridCoord left = MouseCoord(UseRightToLeftAlignment() ? x + 6 : x - 6, y);
  if (left.Y >= 0 && left.Y < FixedRows()) {
    bool allow = true;
    if (OnColumnSize) OnColumnSize(this, left.X, allow);
    if (!allow) state = gsNormal;
  }
  const TGridCoord above = MouseCoord(x, y - 6);
  if (above.X >= 0 && above.X < FixedCols()) {
    bool allow = true;
    if (OnRowSize) OnRowSize(this, above.Y, allow);
    if (!allow) state = gsNormal;
  }
}

// ---- Wheel-click panning mark ----

void TVudUvizidIzed::DrawIntelliFocusPoint() {
  static const char* const kMarks[] = {"INTLI3", "INTLI2", "INTLI1"};  // by TIntelliPan
  if (settings_.IntelliPan == ipNone) return;
  TBitmap mark;
  LoadBitmapResource(mark, kMarks[settings_.IntelliPan]);
  if (!mark.Empty()) DrawBitmapTransp(Canvas(), &mark, clWhite, Bounds(wheelClickPoint_.X, wheelClickPoint_.Y, 0, 0));
}

void TVudUvizidIzed::EraseIntelliFocusPoint() {
  InvalidateRect(Bounds(wheelClickPoint_.X, wheelClickPoint_.Y, kPanMarkSize, kPanMarkSize));
}
