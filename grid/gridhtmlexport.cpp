#include "grid/gridhtmlexport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "framework/services.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/zghtmle.h"
#include "grid/zgutil.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr int kMaxLinkLabel = 255;

AnsiString Quoted(const AnsiString& value) { return "\"" + value + "\""; }

// Colours that stand for no colour give no style item. System colours are
// indexes, not RGB: they are written as the colour they stand for now.
bool IsRealColor(TColor color) { return color != clNone && color != clDefault && color != 0x7FFFFFFF; }
AnsiString CssColor(TColor color) { return "#" + HTMLColor(ColorToRGB(color)); }

AnsiString Declaration(const TFont& font, TColor background, TAlignment hAlign, TVAlignment vAlign, bool saveColor) {
  std::vector<AnsiString> items;
  if (saveColor && IsRealColor(background)) items.push_back("background-color: " + CssColor(background));
  if (saveColor && IsRealColor(font.Color())) items.push_back("color: " + CssColor(font.Color()));
  items.push_back("font-size:" + IntToStr(font.Size()) + "pt");
  if (font.Style() & fsItalic) items.push_back("font-style: italic");
  if (font.Style() & fsBold) items.push_back("font-weight: bold");
  items.push_back("font-family: " + font.Name());
  if (hAlign == taRightJustify) items.push_back("text-align: right");
  if (hAlign == taCenter) items.push_back("text-align: center");
  static const char* const kVertical[] = {"vertical-align: top", "vertical-align: middle", "vertical-align: bottom"};
  items.push_back(kVertical[vAlign]);
  AnsiString joined;
  for (const AnsiString& item : items) joined += (joined.empty() ? "" : ";") + item;
  return joined;
}

bool Contains(const AnsiString& text, std::string_view part) { return text.find(part) != AnsiString::npos; }

// The lines of a text file, without their line ends; none when it cannot be
// read.
std::vector<AnsiString> TextFileLines(const AnsiString& fileName) {
  std::vector<AnsiString> lines;
  std::ifstream in(fileName, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

struct TGridHtmlExport::CellLook {
  TFont font;
  TBrush brush;
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = vtaTop;
  bool wordWrap = false;
};

AnsiString TGridHtmlExport::LinkWrapped(const AnsiString& text) const {
  if (!grid_.Props().URLShow || Contains(text, "</")) return text;
  const bool xhtml = grid_.HTMLSettings()->XHTML;
  const auto link = [&](std::string_view marker) -> AnsiString {
    const AnsiString label = grid_.Props().URLFull ? text : CharPrefix(text.substr(text.find(marker) + marker.size()), kMaxLinkLabel);
    return "<a href=" + (xhtml ? Quoted(text) : text) + ">" + label + "</a>";
  };
  AnsiString result = text;
  if (Contains(text, "://")) result = link("://");
  if (Contains(text, "mailto:")) result = link("mailto:");
  return result;
}

AnsiString TGridHtmlExport::LineBreaks(const AnsiString& text) const {
  return grid_.HTMLSettings()->XHTML ? StringReplace(text, "\r", "<br/>") : HTMLLineBreaks(text);
}

AnsiString TGridHtmlExport::EmptyCell() const { return grid_.HTMLSettings()->XHTML ? "<br/>" : "<br>"; }

int TGridHtmlExport::StyleIndex(const AnsiString& declaration) {
  const auto found = std::find(styles_.begin(), styles_.end(), declaration);
  if (found != styles_.end()) return static_cast<int>(found - styles_.begin());
  styles_.push_back(declaration);
  return static_cast<int>(styles_.size()) - 1;
}

AnsiString TGridHtmlExport::CellElement(int col, int row, const AnsiString& text, const CellLook& look, int width) {
  const THTMLSettings& settings = *grid_.HTMLSettings();
  const int style =
      StyleIndex(Declaration(look.font, look.brush.Color(), look.hAlign, look.vAlign, settings.SaveColor));
  AnsiString element = "<td class=" + Quoted("c" + IntToStr(style));
  const TPoint span = grid_.CellSpan(col, row);
  if (span.X > 0) element += " colspan=" + Quoted(IntToStr(span.X + 1));
  if (span.Y > 0) element += " rowspan=" + Quoted(IntToStr(span.Y + 1));
  if (!look.wordWrap) element += settings.XHTML ? " nowrap=\"nowrap\"" : " nowrap";
  if (width >= 0) element += " width=" + (settings.XHTML ? Quoted(IntToStr(width)) : IntToStr(width));
  return element + ">" + text + "</td>";
}

TGridHtmlExport::CellLook TGridHtmlExport::LookOf(int col, int row) {
  CellLook look;
  look.font.SetColor(clNone);
  look.font.SetStyle(0);
  look.brush.SetColor(clNone);
  look.wordWrap = grid_.WordWrap();
  TGridDrawState state = 0;
  TColor colorTo = clNone;
  grid_.GetVisualProperties(col, row, state, false, false, true, &look.brush, colorTo, &look.font, look.hAlign,
                            look.vAlign, look.wordWrap);
  return look;
}

void TGridHtmlExport::AddHeaderRow(std::vector<AnsiString>& lines) {
  const std::vector<int>& widths = grid_.HTMLSettings()->ColWidths();
  lines.push_back("<tr>");
  for (int c = 0; c < grid_.ColCount(); ++c) {
    int baseCol = 0, baseRow = 0;
    if (!grid_.IsBaseCellEx(c, 0, baseCol, baseRow)) continue;
    AnsiString text = LinkWrapped(LineBreaks(grid_.SaveCell(grid_.RemapCol(c), 0)));
    if (text.empty()) text = EmptyCell();
    CellLook look = LookOf(c, 0);
    look.brush.SetColor(grid_.FixedColor());
    lines.push_back(CellElement(c, 0, text, look, c < static_cast<int>(widths.size()) ? widths[c] : -1));
  }
  lines.push_back("</tr>");
}

void TGridHtmlExport::AddBodyRow(std::vector<AnsiString>& lines, int row, int firstCol, bool withWidths) {
  THTMLSettings& settings = *grid_.HTMLSettings();
  lines.push_back("<tr>");
  for (int c = firstCol; c < grid_.ColCount(); ++c) {
    int baseCol = 0, baseRow = 0;
    if (!grid_.IsBaseCellEx(c, row, baseCol, baseRow)) continue;
    AnsiString text = grid_.SaveCell(grid_.RemapCol(c), row);
    if (settings.ConvertSpecialChars) text = FixMarkup(text);
    if (settings.NonBreakingText) text = settings.XHTML ? StringReplace(text, " ", "&#160;") : FixNonBreaking(text);
    text = LinkWrapped(LineBreaks(text));
    if (Trim(text).empty()) text = EmptyCell();
    const std::size_t entry = static_cast<std::size_t>(c - firstCol);
    const int width = withWidths && entry < settings.ColWidths().size() ? settings.ColWidths()[entry] : -1;
    lines.push_back(CellElement(c, row, text, LookOf(c, row), width));
  }
  lines.push_back("</tr>");
}

AnsiString TGridHtmlExport::SaveToString() {
  const THTMLSettings& settings = *grid_.HTMLSettings();
  styles_.clear();
  const bool withFixed = grid_.ExportFixedCells;
  const int firstCol = withFixed ? 0 : grid_.FixedCols();
  std::vector<AnsiString> lines;
  if (!settings.PrefixTag.empty()) lines.push_back(settings.PrefixTag);
  lines.push_back("<table border=" + Quoted(IntToStr(settings.BorderSize)) + " cellspacing=" +
                  Quoted(IntToStr(settings.CellSpacing)) + " cellpadding=" + Quoted(IntToStr(settings.CellPadding)) +
                  " " + (settings.TableStyle.empty() ? AnsiString() : " " + settings.TableStyle + " ") +
                  " width=" + Quoted(IntToStr(settings.Width) + "%") + ">");
  const bool headerRow = grid_.FixedRows() > 0 && withFixed;
  if (headerRow) AddHeaderRow(lines);
  grid_.ExportNotification(esExportStart, -1);
  for (int r = headerRow ? 1 : (withFixed ? 0 : grid_.FixedRows()); r < grid_.RowCount(); ++r) {
    grid_.ExportNotification(esExportNewRow, r);
    AddBodyRow(lines, r, firstCol, !headerRow);
  }
  grid_.ExportNotification(esExportDone, -1);
  lines.push_back("</table>");
  if (!settings.SuffixTag.empty()) lines.push_back(settings.SuffixTag);
  if (settings.XHTML) lines.push_back("</html>");

  // The XML declaration must open an XHTML document: the style block
  // follows the html start tag there.
  AnsiString out;
  if (settings.XHTML) {
    for (const char* line : {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                             "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\"",
                             "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">",
                             "<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"en\" lang=\"en\">"})
      out += AnsiString(line) + AnsiString(kLineEnd);
  }
  out += "<style>" + AnsiString(kLineEnd);
  for (std::size_t i = 0; i < styles_.size(); ++i)
    out += ".c" + IntToStr(static_cast<int>(i)) + " {" + styles_[i] + "}" + AnsiString(kLineEnd);
  out += "</style>" + AnsiString(kLineEnd);
  for (const AnsiString& line : lines) out += line + AnsiString(kLineEnd);
  return out;
}

void TGridHtmlExport::Output(const AnsiString& fileName, bool append) {
  const THTMLSettings& settings = *grid_.HTMLSettings();
  std::unique_ptr<TFileStream> file;
  try {
    if (append && std::ifstream(fileName).good()) {
      file = std::make_unique<TFileStream>(fileName, fmOpenWrite);
      file->Seek(0, soEnd);
    } else {
      file = std::make_unique<TFileStream>(fileName, fmCreate);
    }
  } catch (const EStreamError&) {
    throw EDurUzavError("Cannot Create file " + fileName);
  }
  AnsiString out;
  const auto copyFile = [&out](const AnsiString& name) {
    if (name.empty()) return;
    for (const AnsiString& line : TextFileLines(name)) out += line + AnsiString(kLineEnd);
  };
  copyFile(settings.HeaderFile);
  out += SaveToString() + AnsiString(kLineEnd);
  copyFile(settings.FooterFile);
  file->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
  file.reset();
  if (settings.AutoPreview)
    Services().OpenUrl("file://" + AnsiString(std::filesystem::absolute(std::string(fileName)).string()));
}
