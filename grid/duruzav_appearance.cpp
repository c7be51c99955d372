// What a cell looks like before it is painted, printed, measured or
// exported: brush, font, alignment, graphic, formatted text and text size,
// in a fixed order of overrides.
#include <cmath>

#include "framework/codec.h"
#include "framework/imglist.h"
#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/richtext.h"
#include "grid/zgutil.h"

namespace {

bool IsNumberText(const AnsiString& text) { return IsType(Trim(text)) < 2; }

}  // namespace

// Later steps override earlier ones: the grid's font and colour, the cell's
// properties, bands, fixed cells, the colour event, then the selection.
void TVudUvizidIzed::GetVisualProperties(int col, int row, TGridDrawState& state, bool print, bool select, bool remap,
                                         TBrush* brush, TColor& colorTo, TFont* font, TAlignment& hAlign,
                                         TVAlignment& vAlign, bool& wordWrap) {
  const bool fixedArea = col < FixedCols() || row < FixedRows();
  const bool printFonts = print && !printSettings_.UseDisplayFont;
  if (fixedArea) font->Assign(printFonts ? *printSettings_.FixedFont() : fixedFont_);
  else font->Assign(printFonts ? *printSettings_.Font() : *Font());

  // What the cell holds is asked at its real column; where it shows (fixed
  // areas, selection) at the column it was asked for.
  const int realCol = remap ? RemapCol(col) : col;
  const int shownCol = remap ? col : DisplColIndex(col);
  TColor color = clNone;
  colorTo = clNone;
  if (const TCellProperties* p = PropsAt(realCol, row)) {
    color = p->BrushColor();
    if (p->FontColor != clNone) font->SetColor(p->FontColor);
    if (p->FontStyle != 0) font->SetStyle(p->FontStyle);
    if (p->FontSize != 0) font->SetSize(p->FontSize);
    if (!p->FontName.empty()) font->SetName(p->FontName);
    wordWrap = p->WordWrap();
    colorTo = p->BrushColorTo();
  }
  if (color == clNone) {
    color = Color();
    const bool bandPass = bands_.Active() && (bands_.Print == print || !print);
    const bool normalCell = col >= FixedCols() && col < ColCount() - settings_.FixedRightCols + NumHiddenColumns() &&
                            row >= FixedRows() && row < RowCount() - settings_.FixedFooters;
    const int period = bands_.PrimaryLength() + bands_.SecondaryLength();
    if (bandPass && normalCell && period > 0)
      color = (row - FixedRows()) % period >= bands_.PrimaryLength() ? bands_.SecondaryColor() : bands_.PrimaryColor();
    if (fixedArea || shownCol >= ColCount() - settings_.FixedRightCols ||
        row >= RowCount() - settings_.FixedFooters)
      color = FixedColor();
  }
  brush->SetColor(color);

  const bool fixed = IsFixed(col, row) || fixedArea;
  if (fixed && !print) {
    brush->SetColor(FixedColor());
    font->Assign(fixedFont_);
    state |= gdFixed;
  }
  if (print) GetCellPrintColor(realCol, row, state, brush, font);
  else GetCellColor(realCol, row, state, brush, font);

  ApplySelectionLook(col, row, fixed, print, select, state, brush, colorTo, font);

  GetCellWordWrap(realCol, row, wordWrap);
  const TCellAlignment alignment = GetCellAlignment(realCol, row);
  hAlign = alignment.HAlign;
  vAlign = alignment.VAlign;
}

TVudUvizidIzed::TCellAlignment TVudUvizidIzed::GetCellAlignment(int col, int row) {
  TCellAlignment a{taLeftJustify, settings_.VAlignment};
  if (settings_.AutoNumAlign) {
    AnsiString text = GetCellEx(col, row);
    const bool formula = (!text.empty() && text[0] == '=') ||
                         (text.size() > 3 && text.compare(0, 2, "|\\") == 0 && text[3] == '=');
    if (formula) text = CalcCell(col, row);
    if (IsNumberText(text)) a.HAlign = taRightJustify;
  }
  if (const TCellProperties* p = PropsAt(col, row)) a.HAlign = p->Alignment;
  GetCellAlign(col, row, a.HAlign, a.VAlign);
  return a;
}

TCellGraphic* TVudUvizidIzed::GetGraphicDetails(int col, int row, int& width, int& height, bool& displayText,
                                                TCellHAlign& hAlign, TCellVAlign& vAlign) {
  width = height = 0;
  displayText = true;
  hAlign = haLeft;
  vAlign = vaTop;
  TCellGraphic* g = GetCellGraphic(col, row);
  if (!g) return nullptr;
  auto imageSize = [&] {
    if (gridImages_) width = gridImages_->Width(), height = gridImages_->Height();
  };
  switch (g->CellType) {
    case ctBitmap:
      if (const TBitmap* b = g->Bitmap()) width = b->Width(), height = b->Height();
      break;
    case ctIcon:
      if (const TIcon* i = g->Icon()) width = i->Width(), height = i->Height();
      break;
    case ctImageList:
      imageSize();
      break;
    case ctDataImage:
      imageSize();
      displayText = gridImages_ == nullptr;
      break;
    case ctCheckBox:
      width = height = controlLook_.CheckSize();
      break;
    case ctDataCheckBox:
    case ctVirtCheckBox:
    case ctRowCheckBox:
      width = height = controlLook_.CheckSize();
      displayText = false;
      break;
    case ctRotated:
    case ctRadio:
    case ctProgress:
    case ctRangeIndicator:
      displayText = false;
      break;
    case ctImages:
      if (const TIntList* list = g->Images(); list && gridImages_) {
        width = gridImages_->Width() * (g->CellBoolean ? list->Count() : 1);
        height = gridImages_->Height() * (g->CellBoolean ? 1 : list->Count());
      }
      break;
    case ctPicture:
    case ctFilePicture: {
      const TPoint size = CellSize(col, row);
      const TPoint fitted = g->GetPictureSize(size.X, size.Y, false);
      width = fitted.X, height = fitted.Y;
      break;
    }
    case ctButton:
    case ctBitButton:
      width = g->ButtonWidth(), height = g->ButtonHeight();
      break;
    case ctProgressPie:
      width = height = 20;
      break;
    default:
      break;
  }
  hAlign = g->CellHAlign;
  vAlign = g->CellVAlign;
  return g;
}

AnsiString TVudUvizidIzed::GetFormattedCell(int col, int row) {
  const AnsiString text = GetCellEx(col, row);
  if (!OnGetFloatFormat) return text;
  bool isFloat = IsNumberText(text);
  if (!isFloat) return text;
  AnsiString format = settings_.FloatFormat;
  OnGetFloatFormat(this, col, row, isFloat, format);
  if (!isFloat) return text;
  try {
    if (format.find('d') != AnsiString::npos) return Format(format, {GetInts(col, row)});
    return Format(format, {GetFloats(col, row)});
  } catch (const std::exception&) {
    return text;
  }
}

// The cell being edited measures what its editor holds.
TPoint TVudUvizidIzed::GetCellTextSize(int col, int row, bool wrapInColumn) {
  const bool editing = EditorMode() && DisplColIndex(col) == Col() && row == Row();
  TInplaceEdit* editor = editing ? InplaceEditor() : nullptr;
  AnsiString text = editor ? editor->GetText() : GetFormattedCell(col, row);
  const TTextType kind = TextType(text, settings_.EnableHTML);
  TCanvas* canvas = Canvas();
  TGridDrawState state = 0;
  TColor colorTo = clNone;
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = vtaTop;
  bool wordWrap = WordWrap();
  GetVisualProperties(DisplColIndex(col), row, state, false, true, true, canvas->Brush(), colorTo, canvas->Font(),
                      hAlign, vAlign, wordWrap);
  if (kind == ttFormula) text = CalcCell(col, row);
  const TRect cell = CellRect(DisplColIndex(col), row);
  if (kind == ttHTML) {
    TRect r = cell;
    InflateRect(r, -XYOffset.X, -XYOffset.Y);
    r.Bottom = 65535;
    if (!wrapInColumn) r.Right = 65535;
    const TSize size = DrawMarkupText(canvas, text, r, false);
    return {size.cx + 2 + 2 * XYOffset.X, size.cy + 2 + 2 * XYOffset.Y};
  }
  if (kind == ttUnicode) {
    TRect r = cell;
    r.Left += XYOffset.X;
    r.Right -= XYOffset.X;
    const unsigned wrap = WordWrap() || settings_.Multilinecells ? DT_WORDBREAK : DT_SINGLELINE;
    canvas->DrawText(WideToUtf8(DecodeWideStr(text)), r, DT_CALCRECT | DT_NOPREFIX | wrap);
    return {r.Right - r.Left + 2 * XYOffset.X, r.Bottom - r.Top};
  }
  if (kind == ttRTF) {
    // Wrapped in the cell's width as the cell shows it, or on one line for
    // the width it would take.
    const bool wrap = wrapInColumn && WordWrap();
    const TSize size = MeasureRichText(canvas, text, wrap ? cell.Right - cell.Left : 0);
    return {size.cx + 2 * XYOffset.X, size.cy + 2 * XYOffset.Y};
  }
  TPoint size;
  if (wrapInColumn) {
    TRect r = cell;
    r.Left += 2 + XYOffset.X, r.Right -= 2 + XYOffset.X;
    r.Top += 2 + XYOffset.Y, r.Bottom -= 2 + XYOffset.Y;
    // The empty line after a final line break counts while it is typed.
    if (editing && !text.empty() && text.back() == '\n') text += 'w';
    canvas->DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    size = {r.Right - r.Left + 2 * XYOffset.X, r.Bottom - r.Top + 2 * XYOffset.Y};
  } else {
    AnsiString rest = text;
    int widest = 0, lines = 0;
    do {
      AnsiString line = GetNextLine(rest, settings_.Multilinecells);
      if (kind == ttText && settings_.URLShow && !settings_.URLFull) StripURLProtocol(line);
      widest = std::max(widest, canvas->TextWidth(line));
      ++lines;
    } while (!rest.empty());
    size = {widest + 2 * XYOffset.X, lines * canvas->TextHeight("gh") + 2 * XYOffset.Y};
  }
  int angle = 0;
  if (IsRotated(col, row, angle)) {
    const double a = angle * M_PI / 180.0;
    const int A = std::abs(static_cast<int>(std::cos(a) * size.X));
    const int B = std::abs(static_cast<int>(std::sin(a) * size.Y));
    const int C = std::abs(static_cast<int>(std::sin(a) * size.X));
    const int D = std::abs(static_cast<int>(std::cos(a) * size.Y));
    size = {std::abs(B - A) + 12, std::abs(D - C) + 12};
  }
  return size;
}

void TVudUvizidIzed::LoadCell(int col, int row, AnsiString value) {
  if (OnLoadCell) OnLoadCell(this, col, row, value);
  SetGridCell(col, row, value);
}

AnsiString TVudUvizidIzed::SaveCell(int col, int row) {
  AnsiString value = SaveDisplayedText ? GetFormattedCell(col, row) : GetGridCell(col, row);
  if (value.empty() && GetCellType(col, row) == ctCheckBox) {
    bool checked = false;
    GetCheckBoxState(col, row, checked);
    value = checked ? GetCheckTrue(col, row) : GetCheckFalse(col, row);
  }
  if (!SaveWithMarkup) value = StripCellMarkup(value);
  if (OnSaveCell) OnSaveCell(this, col, row, value);
  return value;
}
