#pragma once
// The HTML and XHTML export of a cell grid: one table whose cells carry
// their fonts, colours and alignment as generated CSS classes, merged cells
// as spans and, with URLShow, web and mail addresses as links. All choices
// come from the grid's HTMLSettings.
#include <vector>

#include "framework/graphics.h"
#include "framework/strings.h"

class TVudUvizidIzed;

class TGridHtmlExport {
 public:
  explicit TGridHtmlExport(TVudUvizidIzed& grid) : grid_(grid) {}
  // The whole mark-up; in XHTML it starts with the XML declaration.
  AnsiString SaveToString();
  // The mark-up between the header and footer files (when they can be
  // read), into a new file or appended to an existing one; EDurUzavError
  // "Cannot Create file " + the name when the file cannot be made.
  void Output(const AnsiString& fileName, bool append);

 private:
  struct CellLook;
  // The cell's font, brush, alignments and word wrap as the grid shows it.
  CellLook LookOf(int col, int row);
  // The <td> line of a cell whose text is ready; width -1 for none.
  AnsiString CellElement(int col, int row, const AnsiString& text, const CellLook& look, int width);
  AnsiString LinkWrapped(const AnsiString& text) const;
  // Line breaks, and the text of an empty cell (which keeps its borders),
  // as the document kind writes them.
  AnsiString LineBreaks(const AnsiString& text) const;
  AnsiString EmptyCell() const;
  // The index of the declaration in the style list, added when new.
  int StyleIndex(const AnsiString& declaration);
  void AddHeaderRow(std::vector<AnsiString>& lines);
  void AddBodyRow(std::vector<AnsiString>& lines, int row, int firstCol, bool withWidths);

  TVudUvizidIzed& grid_;
  std::vector<AnsiString> styles_;
};
