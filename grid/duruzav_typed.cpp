// Cells read and written as numbers, the per-cell look kept in the cell's
// properties, row colours, header lists and zooming.
#include <algorithm>
#include <charconv>

#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/zgutil.h"

namespace {

// An empty cell and a lone minus sign count as zero.
std::string_view NumberOrZero(std::string_view text) { return text.empty() || text == "-" ? "0" : text; }

}  // namespace

// ---- Numbers ----

int TVudUvizidIzed::GetInts(int col, int row) {
  const AnsiString text = GetCellEx(col, row);
  int value = 0;
  if (!TryStrToInt(NumberOrZero(text), value)) throw EDurUzavError("Cell does not contain integer value");
  return value;
}

void TVudUvizidIzed::SetInts(int col, int row, int value) { SetCellEx(col, row, IntToStr(value)); }

double TVudUvizidIzed::GetFloats(int col, int row) { return FloatOfCellText(GetCellEx(col, row)); }

// RemoveSeps leaves '.' as the decimal point whatever the locale uses. A
// text it reduces to nothing ("abc") is no number, not zero.
double TVudUvizidIzed::FloatOfCellText(const AnsiString& cell) {
  const AnsiString text = RemoveSeps(cell);
  std::string_view number = NumberOrZero(text.empty() ? std::string_view(cell) : std::string_view(text));
  if (number.size() > 1 && number.front() == '+') number.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size())
    throw EDurUzavError("Cell does not contain a float value");
  return value;
}

void TVudUvizidIzed::SetFloats(int col, int row, double value) {
  SetCellEx(col, row, Format(settings_.FloatFormat, {value}));
}

// ---- Per-cell look ----

TCellProperties* TVudUvizidIzed::PropsForChange(int col, int row) { return GetCellProperties(col, row); }

TColor TVudUvizidIzed::GetColors(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->BrushColor() : clNone;
}

void TVudUvizidIzed::SetColors(int col, int row, TColor value) {
  PropsForChange(col, row)->SetBrushColor(value);
  RepaintCell(DisplColIndex(col), row);
}

TColor TVudUvizidIzed::GetColorsTo(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->BrushColorTo() : clNone;
}

void TVudUvizidIzed::SetColorsTo(int col, int row, TColor value) {
  PropsForChange(col, row)->SetBrushColorTo(value);
  RepaintCell(DisplColIndex(col), row);
}

TColor TVudUvizidIzed::GetFontColors(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->FontColor : clNone;
}

void TVudUvizidIzed::SetFontColors(int col, int row, TColor value) {
  PropsForChange(col, row)->FontColor = value;
  RepaintCell(DisplColIndex(col), row);
}

TFontStyles TVudUvizidIzed::GetFontStyles(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->FontStyle : 0;
}

void TVudUvizidIzed::SetFontStyles(int col, int row, TFontStyles value) {
  PropsForChange(col, row)->FontStyle = value;
  RepaintCell(DisplColIndex(col), row);
}

AnsiString TVudUvizidIzed::GetFontNames(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->FontName : AnsiString();
}

void TVudUvizidIzed::SetFontNames(int col, int row, const AnsiString& value) {
  PropsForChange(col, row)->FontName = value;
  RepaintCell(DisplColIndex(col), row);
}

int TVudUvizidIzed::GetFontSizes(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->FontSize : 0;
}

void TVudUvizidIzed::SetFontSizes(int col, int row, int value) {
  PropsForChange(col, row)->FontSize = value;
  RepaintCell(DisplColIndex(col), row);
}

TAlignment TVudUvizidIzed::GetAlignments(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->Alignment : taLeftJustify;
}

void TVudUvizidIzed::SetAlignments(int col, int row, TAlignment value) {
  PropsForChange(col, row)->Alignment = value;
  RepaintCell(DisplColIndex(col), row);
}

void TVudUvizidIzed::SetReadOnly(int col, int row, bool value) { PropsForChange(col, row)->ReadOnly = value; }

bool TVudUvizidIzed::GetWordWraps(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->WordWrap() : WordWrap();
}

void TVudUvizidIzed::SetWordWraps(int col, int row, bool value) { PropsForChange(col, row)->SetWordWrap(value); }

// ---- Row colours ----

namespace {

// Whether the properties hold more than the look: such a cell must keep
// them when its look is taken back.
bool HoldsMoreThanLook(const TCellProperties& p) {
  return p.GraphicObject || p.CellObject || p.Control || p.CellSpanX != -1 || p.CellSpanY != -1 || !p.IsBaseCell ||
         p.NodeLevel != 0 || p.ReadOnly || p.Editor != edNormal;
}

}  // namespace

// Taking a row's colour back must not lose what the row's cells hold
// besides their look: merges, graphics, objects and node levels stay.
void TVudUvizidIzed::ResetRowLook(int row) {
  for (int c = FixedCols(); c < ColCount(); ++c) {
    const TCellProperties* p = PropsAt(c, row);
    if (!p) continue;
    if (!HoldsMoreThanLook(*p)) {
      ClearPropCell(c, row);
      continue;
    }
    auto* cell = static_cast<TCellProperties*>(GetGridObject(c, row));
    TFont font;
    TBrush brush;
    TColor colorTo = clNone;
    TAlignment alignment = taLeftJustify;
    TVAlignment vAlignment = vtaTop;
    bool wordWrap = WordWrap();
    GetDefaultProps(c, row, &font, &brush, colorTo, alignment, vAlignment, wordWrap);
    cell->SetBrushColor(clNone);
    cell->SetBrushColorTo(clNone);
    cell->FontColor = clNone;
    cell->FontStyle = 0;
    cell->FontSize = 0;
    cell->FontName.clear();
    cell->Alignment = alignment;
    cell->SetVAlignment(vAlignment);
    cell->SetWordWrap(wordWrap);
  }
}

void TVudUvizidIzed::SetRowColor(int row, TColor value) {
  if (value == clNone) ResetRowLook(row);
  else
    for (int c = FixedCols(); c < ColCount(); ++c) GetCellProperties(c, row)->SetBrushColor(value);
  RepaintRow(row);
}

void TVudUvizidIzed::SetRowColorTo(int row, TColor value) {
  if (value == clNone) ResetRowLook(row);
  else
    for (int c = FixedCols(); c < ColCount(); ++c) GetCellProperties(c, row)->SetBrushColorTo(value);
  RepaintRow(row);
}

void TVudUvizidIzed::SetRowFontColor(int row, TColor value) {
  if (value == clNone) ResetRowLook(row);
  else
    for (int c = FixedCols(); c < ColCount(); ++c) GetCellProperties(c, row)->FontColor = value;
  RepaintRow(row);
}

// ---- Headers ----

void TVudUvizidIzed::SetColumnHeaders(const TStrings& list) {
  columnHeaders_.Assign(list);
  if (FixedRows() > 0)
    for (int c = 0; c < ColCount(); ++c) SetCellEx(c, 0, "");
  ShowColumnHeaders();
}

void TVudUvizidIzed::ShowColumnHeaders() {
  if (FixedRows() == 0) return;
  const int count = std::min(columnHeaders_.Count(), ColCount());
  for (int i = 0; i < count; ++i) SetCellEx(i, 0, CLFToLF(columnHeaders_.Strings(i)));
}

void TVudUvizidIzed::SetRowHeaders(const TStrings& list) {
  rowHeaders_.Assign(list);
  if (FixedCols() > 0)
    for (int r = 0; r < RowCount(); ++r) SetCellEx(0, r, "");
  ShowRowHeaders();
}

void TVudUvizidIzed::ShowRowHeaders() {
  if (FixedCols() == 0) return;
  const int count = std::min(rowHeaders_.Count(), RowCount());
  for (int i = 0; i < count; ++i) SetCellEx(0, i, CLFToLF(rowHeaders_.Strings(i)));
}

// ---- Zoom ----

void TVudUvizidIzed::Zoom(int delta) {
  if (zoomLevel_ + delta < -10 || zoomLevel_ + delta > 10) return;
  zoomLevel_ += delta;
  for (int c = 0; c < ColCount(); ++c)
    if (ColWidths(c) + delta > 0) SetColWidths(c, ColWidths(c) + delta);
  for (int r = 0; r < RowCount(); ++r)
    if (RowHeights(r) + delta > 0) SetRowHeights(r, RowHeights(r) + delta);
}
