#pragma once
// TFooterPanel: the panel of the grid's floating footer, aligned to the
// grid's bottom so that it stays while the rows scroll. It shows, by the
// FloatingFooter's style, the grid's last row as a fixed row, the current
// row's cell of one column, or a mark-up template filled with the current
// row's cells.
#include "framework/extracontrols.h"

class TVudUvizidIzed;

class TFooterPanel : public TPanel {
 public:
  // The owner must be the grid.
  explicit TFooterPanel(TComponent* owner);

  // The template with every "<#n>" replaced by the text of cell (n, current
  // row); a marker that holds no number or no column is dropped, and a "<#"
  // without its ">" ends the replacing (the rest stays as it is).
  AnsiString HTMLColReplace(const AnsiString& s) const;
  // r, or r mirrored in the client width when rtl.
  TRect RTLCoord(bool rtl, const TRect& r) const;

 protected:
  void Paint() override;
  void WndProc(TMessage& message) override;
  void MouseMove(TShiftState shift, int x, int y) override;

 private:
  void PaintLastRow(const TRect& used);
  void PaintColPreview(const TRect& used);
  void PaintCustomPreview(const TRect& used);
  // The used part filled and outlined in the footer colour, with a bevel.
  void PaintPreviewFrame(const TRect& used);
  // The part right of the columns, in the grid's colour.
  void PaintUnused(const TRect& used);
  // The width the fixed and the shown columns take.
  int UsedWidth() const;
  // The column under x, counting widths from column 0; -1 past the last.
  int ColumnAt(int x) const;

  TVudUvizidIzed* grid_;
  int lastHintCol_ = -1;
};
