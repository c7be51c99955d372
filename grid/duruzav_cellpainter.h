#pragma once
// The sub-painters of one grid cell: its text, borders, graphic, the looks
// of fixed cells, the background share, the node tree, the selection held
// by the disjunct row selection and the modified-row marker. DrawGridCell
// runs them in order over one CellPaint; they read the grid's state and
// draw on its canvas.
#include <optional>
#include <set>
#include <tuple>

#include "grid/duruzav.h"

class TGridCellPainter {
 public:
  using CellPaint = TVudUvizidIzed::CellPaint;

  explicit TGridCellPainter(TVudUvizidIzed& grid) : grid_(grid) {}
  TGridCellPainter(const TGridCellPainter&) = delete;
  TGridCellPainter& operator=(const TGridCellPainter&) = delete;

  // ---- Text (duruzav_painting.cpp) ----
  void DrawCellText(CellPaint& paint);
  void DrawPlainText(CellPaint& paint, AnsiString text, TRect& r);
  // The x of the header sort indicator beside a plain text.
  int PlainSortIndicatorX(const CellPaint& paint, const AnsiString& text);

  // ---- Borders and graphic (duruzav_decorations.cpp) ----
  void DrawCellBorders(int col, int row, TRect r);
  void DrawCellGraphic(CellPaint& paint, TRect r);
  void DrawCheckGlyph(const TRect& g, bool checked, bool enabled);
  void DrawRadioGroup(CellPaint& paint, const TRect& r, bool disabled);
  void DrawProgressCell(CellPaint& paint, TRect r);
  void DrawFilePicture(CellPaint& paint, const TRect& place);
  void DrawRotatedText(CellPaint& paint, TRect r);
  // The cell's integer for a painter: nullopt (reported once) when the
  // text is none.
  std::optional<int> PaintedInteger(int col, int row);
  // OnCellDrawProblem, once per cell and problem.
  void ReportDrawProblem(int col, int row, const AnsiString& problem);
  bool CellEnabled(int col, int row);

  // ---- The sort indicator in the header (duruzav_sortglyph.cpp) ----
  // Whether the cell shows the sort indicator, and its height there.
  bool SortIndicatorShown(const CellPaint& paint) const;
  int SortIndicatorY(const CellPaint& paint, const TRect& r) const;

  // ---- Fixed cells (duruzav_fixedlook.cpp) ----
  // The frame's looks of a fixed cell: the header gradient before the text,
  // the list-view header item, the edge lines after it.
  void DrawFixedGradient(CellPaint& paint);
  void DrawListViewHeader(CellPaint& paint);
  void DrawFixedEdges(CellPaint& paint);
  void DrawFixedRightColLines(CellPaint& paint);
  void DrawSelectionRectangle(const CellPaint& paint, const TRect& r);

  // ---- Background (duruzav_cellbackground.cpp) ----
  // A cell's share of the BackGround wallpaper or gradient.
  void DrawCellBackground(const CellPaint& paint, const TRect& r);
  void DrawCellWallpaperTiled(const CellPaint& paint, const TRect& r);
  void DrawCellBackgroundGradient(TRect r);

  // ---- The node tree in column 0 (duruzav_nodepaint.cpp) ----
  // The node level kept in column 0 of a display row, 0 without one.
  int RowNodeLevel(int row);
  // Moves the cell's left edge to the row's indent.
  void DrawTreeLines(CellPaint& paint);
  void DrawNodeGlyph(CellPaint& paint, TRect r);
  void DrawNodeBox(TCanvas* canvas, TRect r, bool contracted, bool flat);

  // ---- The disjunct selection (duruzav_painting.cpp) ----
  bool HeldByRowSelect(const CellPaint& paint) const;
  void UnselectOutsideDisjunct(CellPaint& paint);

  // ---- Modified rows (duruzav_modified.cpp) ----
  // The bar at the right edge of a modified row's column 0 cell.
  void DrawModifiedMarker(const CellPaint& paint);

 private:
  TVudUvizidIzed& grid_;
  std::set<std::tuple<int, int, AnsiString>> reportedProblems_;
};
