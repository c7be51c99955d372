#include "grid/gridclipboard.h"

#include <QTextDocument>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "framework/datetime.h"
#include "framework/services.h"
#include "framework/streams.h"
#include "grid/duruzav.h"
#include "grid/gridbinstream.h"
#include "grid/gridcellio.h"
#include "grid/richtext.h"
#include "grid/zgutil.h"

namespace {

constexpr char kCellsFormatName[] = "TVudUvizidIzed Cells";
constexpr char kSource[] = "clipboard";

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The plain text of a rich-text cell, its paragraphs ended by CR LF.
AnsiString RichPlainText(const AnsiString& rtf) {
  QTextDocument document;
  RichTextToDocument(rtf, document);
  AnsiString text = document.toPlainText().toStdString();
  AnsiString out;
  for (char c : text) out += c == '\n' ? AnsiString("\r\n") : AnsiString(1, c);
  return out;
}

// The lines of pasted text: up to each CR, an LF right after it belonging
// to the break; nothing after a zero byte. A text ending in a break ends in
// an empty line, its empty rest.
std::vector<std::string_view> PastedLines(std::string_view text) {
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t cr = text.find('\r', pos);
    if (cr == std::string_view::npos) {
      lines.push_back(text.substr(pos));
      return lines;
    }
    lines.push_back(text.substr(pos, cr - pos));
    pos = cr + 1;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  for (std::size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', pos)) {
    fields.push_back(line.substr(pos, tab - pos));
    pos = tab + 1;
  }
  fields.push_back(line.substr(pos));
  return fields;
}

// A field that holds a line feed came quoted from a multi-line cell.
AnsiString UnquoteField(std::string_view field) {
  AnsiString value(field);
  if (value.find('\n') == AnsiString::npos) return value;
  if (!value.empty() && value.front() == '"') value.erase(0, 1);
  const std::size_t quote = value.find('"');
  if (quote != AnsiString::npos && quote + 1 == value.size()) value.pop_back();
  CSVToLineFeeds(value);
  return value;
}

}  // namespace

AnsiString TGridClipboard::CellsFormat() { return NamedClipboardFormat(kCellsFormatName); }

TGridRect TGridClipboard::SaveArea() const {
  return TGridRect{grid_.GetSaveStartCol(), grid_.GetSaveStartRow(), grid_.GetSaveEndCol(), grid_.GetSaveEndRow()};
}

// ---- Editing permission ----

bool TGridClipboard::Editable(int col, int row) {
  if (!EditingAllowed()) return false;
  const TPoint base = grid_.BaseCell(col, row);
  bool canEdit = true;
  grid_.GetCellReadOnly(base.X, base.Y, canEdit);
  bool fixed = false;
  grid_.GetCellFixed(grid_.RemapColInv(base.X), base.Y, fixed);
  return canEdit && !fixed;
}

bool TGridClipboard::EditingAllowed() {
  return (grid_.Options() & goEditing) || grid_.MouseActions()->RangeSelectAndEdit || grid_.Hover().State().pasteAnywhere;
}

bool TGridClipboard::Writable(int col, int row) {
  return grid_.Navigation()->AllowClipboardAlways || Editable(grid_.RemapCol(col), row);
}

// ---- Copy and cut ----

AnsiString TGridClipboard::CopiedCell(int col, int row) {
  AnsiString s = grid_.SaveCell(col, row);
  if (Contains(s, "\r")) s = "\"" + CRToLF(s) + "\"";
  if (!grid_.Navigation()->CopyHTMLTagsToClipboard && Contains(s, "</")) return grid_.GetStrippedCell(col, row);
  if (Contains(s, "{\\")) return RichPlainText(grid_.GetCellEx(col, row));
  return s;
}

AnsiString TGridClipboard::CopiedText(const TGridRect& range, bool selectedOnly) {
  const TMouseActions& mouse = *grid_.MouseActions();
  const bool allBodyRows = range.Top <= grid_.FixedRows() && range.Bottom >= grid_.RowCount() - 1 - grid_.Props().FixedFooters;
  const auto rowLeftOut = [&](int r) {
    return selectedOnly && mouse.DisjunctRowSelect() && !mouse.DisjunctColSelect() &&
           !grid_.GetRowSelect(mouse.RowSelectPersistent ? grid_.RemapRowInv(r) : r);
  };
  const auto colLeftOut = [&](int c) { return selectedOnly && mouse.DisjunctColSelect() && !grid_.GetColSelect(c); };
  for (int r = range.Top; r <= range.Bottom; ++r) grid_.ExportNotification(allBodyRows ? esExportNewRow : esExportSelRow, r);
  const bool multiRow = range.Bottom > range.Top;
  AnsiString text;
  for (int r = range.Top; r <= range.Bottom; ++r) {
    grid_.ExportNotification(esExportNewRow, r);
    if (rowLeftOut(r)) continue;
    bool first = true;
    for (int c = range.Left; c <= range.Right; ++c) {
      if (colLeftOut(c)) continue;
      if (!first) text += '\t';
      first = false;
      text += CopiedCell(grid_.RemapCol(c), r);
    }
    if (multiRow) text += "\r\n";
  }
  return text;
}

void TGridClipboard::CopyFunc(const TGridRect& range, bool selectedOnly) {
  TGridTransferState& state = grid_.TransferState();
  state.lastCopyOrigin = TPoint{range.Left, range.Top};
  grid_.ExportNotification(esExportStart, -1);
  TClipboardData data;
  data.text = CopiedText(range, selectedOnly);
  const TNavigation& nav = *grid_.Navigation();
  if (nav.AllowRTFClipboard) {
    const AnsiString rich = grid_.GetCellEx(range.Left, range.Top);
    if (Contains(rich, "{\\")) data.formats[RichTextFormat()] = rich;
  }
  if (nav.AllowFmtClipboard) {
    TMemoryStream stream;
    TGridBinStream(grid_).SaveRect(TRect{range.Left, range.Top, range.Right, range.Bottom}, stream);
    data.formats[CellsFormat()] = std::string(reinterpret_cast<const char*>(stream.Memory()),
                                              static_cast<std::size_t>(stream.Size()));
  }
  Services().SetClipboardData(data);
  grid_.ExportNotification(esExportDone, -1);
}

void TGridClipboard::CopyToClipBoard() {
  CopyFunc(SaveArea(), false);
  grid_.TransferState().lastOperation = coCopy;
}

void TGridClipboard::CopySelectionToClipboard() {
  CorrectSelection();
  const TMouseActions& mouse = *grid_.MouseActions();
  if (mouse.DisjunctRowSelect() || mouse.DisjunctColSelect()) CopyFunc(SaveArea(), true);
  else CopyFunc(grid_.Selection(), false);
  grid_.TransferState().lastOperation = coCopy;
}

void TGridClipboard::CutToClipboard() {
  CopyFunc(SaveArea(), false);
  const TGridRect area = SaveArea();
  for (int r = area.Top; r <= area.Bottom; ++r)
    for (int c = area.Left; c <= area.Right; ++c) {
      const int real = grid_.RemapCol(c);
      if (grid_.Navigation()->AllowClipboardAlways || Editable(real, r)) grid_.SetCellEx(real, r, "");
    }
  grid_.TransferState().lastOperation = coCut;
}

void TGridClipboard::CutSelectionToClipboard() {
  CopySelectionToClipboard();
  const TMouseActions& mouse = *grid_.MouseActions();
  const TNavigation& nav = *grid_.Navigation();
  if (mouse.DisjunctRowSelect()) {
    for (int r = grid_.FixedRows(); r < grid_.RowCount(); ++r)
      if (grid_.GetRowSelect(mouse.RowSelectPersistent ? grid_.RemapRowInv(r) : r)) grid_.ClearRows(r, 1);
  } else if (mouse.DisjunctColSelect()) {
    for (int c = grid_.FixedCols(); c < grid_.ColCount(); ++c)
      if (grid_.GetColSelect(c)) grid_.ClearCols(c, 1);
  } else {
    const TGridRect sel = grid_.Selection();
    for (int c = sel.Left; c <= sel.Right; ++c) {
      const int real = grid_.RealColIndex(c);
      for (int r = sel.Top; r <= sel.Bottom; ++r)
        if (Editable(real, r) || nav.AllowClipboardAlways) grid_.SetCellEx(real, r, "");
      // The properties freed are those of the cells just cleared: by real
      // column, past hidden columns.
      if (nav.AllowFmtClipboard) grid_.ClearPropRect(real, sel.Top, real, sel.Bottom);
    }
  }
  grid_.TransferState().lastOperation = coCut;
  if (grid_.NumHiddenColumns() > 0) grid_.Invalidate();
}

// The platform's HTML format is the mark-up itself: it needs no
// description header with byte offsets.
void TGridClipboard::CopyToClipBoardAsHTML() {
  TClipboardData data;
  data.html = grid_.SaveToHTMLString();
  data.text = data.html;
  Services().SetClipboardData(data);
}

void TGridClipboard::CorrectSelection() {
  TGridRect sel = grid_.Selection();
  bool merged = false;
  if (grid_.IsMergedCell(sel.Left, sel.Top)) {
    const TPoint base = grid_.BaseCell(sel.Left, sel.Top);
    sel.Left = std::min(sel.Left, base.X);
    sel.Top = std::min(sel.Top, base.Y);
    merged = true;
  }
  if (grid_.IsMergedCell(sel.Right, sel.Bottom)) {
    const TPoint base = grid_.BaseCell(sel.Right, sel.Bottom);
    const TPoint span = grid_.CellSpan(base.X, base.Y);
    sel.Right = std::max(sel.Right, base.X + span.X);
    sel.Bottom = std::max(sel.Bottom, base.Y + span.Y);
    merged = true;
  }
  if (merged) grid_.SetSelection(sel);
}

// ---- Paste ----

void TGridClipboard::PasteFromClipboard() {
  grid_.ImportNotification(isImportStart, -1);
  grid_.TransferState().wholeGridPaste = true;
  PasteFunc(grid_.GetSaveStartCol(), grid_.GetSaveStartRow());
  grid_.ImportNotification(isImportDone, -1);
  grid_.CellsLoaded();
}

int TGridClipboard::PasteFunc(int col, int row) {
  const TClipboardData data = Services().ClipboardData();
  const TNavigation& nav = *grid_.Navigation();
  if (nav.AllowFmtClipboard) {
    const auto cells = data.formats.find(CellsFormat());
    if (cells != data.formats.end()) return PasteCells(col, row, cells->second);
  }
  if (nav.AllowRTFClipboard) {
    const auto rich = data.formats.find(RichTextFormat());
    if (rich != data.formats.end()) {
      const std::string& bytes = rich->second;
      if (Editable(grid_.RemapCol(col), row)) grid_.PasteInCell(col, row, bytes.substr(0, bytes.find('\0')));
      return 0;
    }
  }
  // No text is nothing to paste: not one empty field that a smart fill
  // would then spread over the selection.
  if (data.text.empty()) return 0;
  return PasteText(col, row, data.text);
}

int TGridClipboard::PasteCells(int col, int row, const std::string& bytes) {
  TStringStream stream(bytes);
  TGridBinStream(grid_).LoadAtPoint(TPoint{col, row}, stream, kSource);
  TGridPropIO header(&grid_);
  TGridBinStream::ReadHeader(stream, header, kSource);
  const TGridTransferState& state = grid_.TransferState();
  const TPoint from = header.ID == state.id ? state.lastCopyOrigin : TPoint{-1, -1};
  const TGridRect block{col, row, col + header.ColCount - 1, row + header.RowCount - 1};
  grid_.PasteNotify(from, block, state.lastOperation);
  return static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(header.ColCount) * header.RowCount, INT_MAX));
}

int TGridClipboard::PasteText(int col, int row, const AnsiString& text) {
  const TNavigation& nav = *grid_.Navigation();
  const bool mayEdit = EditingAllowed() || nav.AllowClipboardAlways;
  if (col < 0 || row < 0 || !mayEdit) return 0;
  const std::vector<std::string_view> lines = PastedLines(text);
  const std::size_t last = lines.size() - 1;
  // The empty rest after a final line break counts as a field, not a line.
  const bool emptyRest = last > 0 && lines[last].empty();
  const std::size_t lineCount = lines.size() - (emptyRest ? 1 : 0);
  const TGridImportState rowState = grid_.TransferState().wholeGridPaste ? isImportNewRow : isImportSelRow;
  int count = 0;
  int widest = 0;
  int r = row;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    grid_.ImportNotification(rowState, r);
    const std::vector<std::string_view> fields = Fields(lines[i]);
    if (i < lineCount) widest = std::max(widest, static_cast<int>(fields.size()));
    int c = col;
    for (std::size_t j = 0; j < fields.size(); ++j, ++c, ++count) {
      if (c >= grid_.ColCount() && nav.AllowClipboardColGrow) grid_.SetColCount(c + 1);
      const bool rest = i == last && j + 1 == fields.size() && fields[j].empty();
      if (rest || c >= grid_.ColCount() || r >= grid_.RowCount() || !Writable(c, r)) continue;
      AnsiString value = UnquoteField(fields[j]);
      bool allow = true;
      if (value.rfind("|\\", 0) == 0) {
        WideString wide = DecodeWideStr(value);
        if (grid_.OnClipboardBeforePasteWideCell) grid_.OnClipboardBeforePasteWideCell(&grid_, c, r, wide, allow);
        value = EncodeWideStr(wide);
      } else if (grid_.OnClipboardBeforePasteCell) {
        grid_.OnClipboardBeforePasteCell(&grid_, c, r, value, allow);
      }
      if (allow) grid_.PasteInCell(c, r, value);
    }
    if (i + 1 < lineCount) {
      ++r;
      const int limit = grid_.FloatingFooter()->FixedLastRow() ? grid_.RowCount() - 1 : grid_.RowCount();
      if (r == limit && nav.AllowClipboardRowGrow) grid_.SetRowCountEx(grid_.RowCount() + 1);
    }
  }
  TGridRect block{col, row, col + widest - 1, row + static_cast<int>(lineCount) - 1};
  const TGridTransferState& state = grid_.TransferState();
  grid_.PasteNotify(state.lastCopyOrigin, block, state.lastOperation);
  grid_.CellsChanged(TRect{grid_.RemapCol(block.Left), block.Top, grid_.RemapCol(block.Right), block.Bottom});
  return count;
}

void TGridClipboard::WriteCell(int col, int row, const AnsiString& value) {
  const int real = grid_.RemapCol(col);
  if (grid_.HasCheckBox(col, row)) grid_.SetCheckBoxState(col, row, value == grid_.CheckTrue());
  else grid_.SetCellEx(real, row, value);
  if (real != col) grid_.RepaintCell(col, row);
}

TPoint TGridClipboard::PasteSize(const AnsiString& text) {
  TPoint size{0, -1};
  for (std::string_view line : PastedLines(text)) {
    size.X = std::max(size.X, static_cast<int>(Fields(line).size()));
    if (!line.empty()) ++size.Y;
  }
  return size;
}

// ---- Selection paste and smart fill ----

void TGridClipboard::PasteSelectionFromClipboard() {
  grid_.ImportNotification(isImportStart, -1);
  grid_.TransferState().wholeGridPaste = false;
  CorrectSelection();
  TGridRect sel = grid_.Selection();
  const int count = PasteFunc((grid_.Options() & goRowSelect) ? grid_.FixedCols() : sel.Left, sel.Top);
  // A paste of a whole grid may have made the grid smaller than the
  // selection: the fill stays inside the grid.
  sel.Right = std::min(sel.Right, grid_.ColCount() - 1);
  sel.Bottom = std::min(sel.Bottom, grid_.RowCount() - 1);
  const std::int64_t cells = static_cast<std::int64_t>(sel.Bottom - sel.Top + 1) * (sel.Right - sel.Left + 1);
  const bool inside = sel.Right >= sel.Left && sel.Bottom >= sel.Top;
  if (grid_.Navigation()->AllowSmartClipboard && inside && count - 1 != cells) {
    const bool line = sel.Left == sel.Right || sel.Top == sel.Bottom;
    if (count == 1 && cells > 1) FillWithOne(sel);
    else if (count >= 2 && line) FillSeries(sel, count);
  }
  grid_.ImportNotification(isImportDone, -1);
  grid_.CellsLoaded();
}

void TGridClipboard::OfferAndWrite(int col, int row, AnsiString value, bool offer) {
  bool allow = true;
  if (offer && grid_.OnClipboardBeforePasteCell) grid_.OnClipboardBeforePasteCell(&grid_, col, row, value, allow);
  if (allow) grid_.PasteInCell(col, row, value);
}

void TGridClipboard::FillWithOne(const TGridRect& sel) {
  const TGridTransferState& state = grid_.TransferState();
  for (int c = sel.Left; c <= sel.Right; ++c)
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
      if (!Writable(c, r)) continue;
      AnsiString value = grid_.GetCellEx(sel.Left, sel.Top);
      bool checked = false;
      if (grid_.HasCheckBox(sel.Left, sel.Top)) {
        grid_.GetCheckBoxState(sel.Left, sel.Top, checked);
        value = checked ? grid_.CheckTrue() : grid_.CheckFalse();
      }
      OfferAndWrite(c, r, value, c != sel.Left || r != sel.Top);
      grid_.PasteNotify(state.lastCopyOrigin, TGridRect{c, r, c, r}, coCopy);
    }
}

void TGridClipboard::FillSeries(const TGridRect& sel, int count) {
  const bool oneColumn = sel.Left == sel.Right;
  const AnsiString s1 = grid_.GetCellEx(sel.Left, sel.Top);
  const AnsiString s2 = oneColumn ? grid_.GetCellEx(sel.Left, sel.Top + 1) : grid_.GetCellEx(sel.Left + 1, sel.Top);
  const TFormatSettings& locale = FormatSettings;
  // Writes value() over the selection, advancing after every cell.
  const auto series = [&](const std::function<AnsiString()>& value, const std::function<void()>& advance) {
    for (int c = sel.Left; c <= sel.Right; ++c)
      for (int r = sel.Top; r <= sel.Bottom; ++r, advance())
        if (Editable(grid_.RemapCol(c), r)) OfferAndWrite(c, r, value(), c != sel.Left || r != sel.Top);
  };
  const auto timeLike = [&](const AnsiString& s) { return IsDateStr(s) || Contains(s, std::string(1, locale.TimeSeparator)); };
  if (timeLike(s1) && timeLike(s2)) {
    try {
      TDateTime d = StrToDateTime(s1);
      const TDateTime d2 = StrToDateTime(s2);
      int y1 = 0, m1 = 0, day1 = 0, y2 = 0, m2 = 0, day2 = 0;
      DecodeDate(d, y1, m1, day1);
      DecodeDate(d2, y2, m2, day2);
      const double delta = d2 - d;
      const bool asDate = Contains(s1, std::string(1, locale.DateSeparator));
      // Signed steps: a series may run backwards by days, months or years.
      series([&] { return asDate ? DateToStr(d) : TimeToStr(d); },
             [&] { d = GetNextDate(d, y2 - y1, m2 - m1, day2 - day1, delta); });
    } catch (const Exception&) {
    }
    return;
  }
  const std::string decimal(1, locale.DecimalSeparator);
  if (Contains(s1, decimal) || Contains(s2, decimal)) {
    try {
      double f = StrToFloat(s1);
      const double step = StrToFloat(s2) - f;
      series([&] { return Format(grid_.Props().FloatFormat, {f}); }, [&] { f += step; });
    } catch (const Exception&) {
    }
    return;
  }
  int i1 = 0, i2 = 0;
  if (TryStrToInt(s1, i1) && TryStrToInt(s2, i2)) {
    std::int64_t i = i1;
    const std::int64_t step = static_cast<std::int64_t>(i2) - i1;
    series([&] { return AnsiString(std::to_string(i)); }, [&] { i += step; });
    return;
  }
  FillPattern(sel, count);
}

// Repeats the pasted cells: a one-column copy's text ends with a line
// break, so its period is count - 1; a one-row copy's is count.
void TGridClipboard::FillPattern(const TGridRect& sel, int count) {
  if (sel.Left == sel.Right) {
    for (int r = sel.Top + count - 1; r <= sel.Bottom; ++r)
      if (Editable(grid_.RemapCol(sel.Left), r))
        OfferAndWrite(sel.Left, r, grid_.GetCellEx(sel.Left, r - count + 1), r != sel.Top);
  }
  if (sel.Top == sel.Bottom) {
    for (int c = sel.Left + count; c <= sel.Right; ++c)
      if (Editable(grid_.RemapCol(c), sel.Top))
        OfferAndWrite(c, sel.Top, grid_.GetCellEx(c - count, sel.Top), c != sel.Left);
  }
}
