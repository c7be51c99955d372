#pragma once
// Copy, cut and paste of grid cells through the system clipboard: plain
// text (tab-separated, always), the rich text of the top-left cell and the
// grid's private format "TVudUvizidIzed Cells", whose payload is the
// binary cell stream, so that a paste into a grid restores properties and
// graphics. A selection paste fills the selection "smartly": one value
// repeated, or two continued as a date, time, number or pattern series.
//
// What the grid remembers between copies and pastes is its
// TGridTransferState; this class holds nothing of its own.
#include "framework/grids.h"
#include "framework/strings.h"

class TVudUvizidIzed;

class TGridClipboard {
 public:
  explicit TGridClipboard(TVudUvizidIzed& grid) : grid_(grid) {}

  // The clipboard key of the private format.
  static AnsiString CellsFormat();
  // The clipboard key of rich text.
  static const char* RichTextFormat() { return "text/rtf"; }

  void CopyToClipBoard();
  void CopySelectionToClipboard();
  void CutToClipboard();
  void CutSelectionToClipboard();
  // The grid's HTML export as the clipboard's HTML and text; the last copy
  // stays as it was.
  void CopyToClipBoardAsHTML();
  // Widens the selection to whole merged cells.
  void CorrectSelection();

  void PasteFromClipboard();
  void PasteSelectionFromClipboard();
  // Pastes at (col, row) the private format, else rich text, else text;
  // returns the number of cells pasted (0 when the clipboard holds nothing
  // to paste).
  int PasteFunc(int col, int row);
  // Returns the number of fields visited, the empty rest after a final line
  // break included.
  int PasteText(int col, int row, const AnsiString& text);
  // The grid's own way of writing one pasted value.
  void WriteCell(int col, int row, const AnsiString& value);
  // x: the most fields of a line; y: the non-empty lines less one.
  static TPoint PasteSize(const AnsiString& text);

 private:
  void CopyFunc(const TGridRect& range, bool selectedOnly);
  AnsiString CopiedText(const TGridRect& range, bool selectedOnly);
  AnsiString CopiedCell(int col, int row);
  int PasteCells(int col, int row, const std::string& bytes);
  // Whether a paste may write the cell (col as stored).
  bool Editable(int col, int row);
  // Editing is on, or the user's own gesture pastes (a selection resize).
  bool EditingAllowed();
  bool Writable(int col, int row);
  // Offers the value to OnClipboardBeforePasteCell (not for the top-left
  // cell of sel) and writes it when allowed.
  void OfferAndWrite(int col, int row, AnsiString value, bool offer);
  void FillWithOne(const TGridRect& sel);
  void FillSeries(const TGridRect& sel, int count);
  void FillPattern(const TGridRect& sel, int count);
  TGridRect SaveArea() const;

  TVudUvizidIzed& grid_;
};
