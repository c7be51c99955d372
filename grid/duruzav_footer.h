#pragma once
// The floating footer settings of the cell grid (property FloatingFooter):
// with the fsFixedLastRow style the grid's last row is the footer row, and
// each of its cells may hold a column calculation that the grid keeps up to
// date. The grid's footer panel (footerpanel.h) shows the footer in every
// style, below the rows.
#include <functional>

#include "grid/duruzav_settings.h"

enum TFooterStyle { fsFixedLastRow, fsColumnPreview, fsCustomPreview };

class TFooterPanel;
class TSearchPanel;
class TVudUvizidIzed;
// The grid's two panels, made hidden with the grid and owned by it.
TFooterPanel* CreateFooterPanel(TVudUvizidIzed* grid);
TSearchPanel* CreateSearchPanel(TVudUvizidIzed* grid);

using TCalcFooterEvent = std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)>;

class TFloatingFooter : public TGridLookSettings {
 public:
  using TGridLookSettings::TGridLookSettings;
  // Copies CalculateHiddenRows, Color, Column, FooterStyle and ShowHint,
  // and switches the calculation on.
  void Assign(const TPersistent* source);

  bool Visible() const { return visible_; }
  // Shown with fsFixedLastRow, the last row becomes the one fixed footer
  // row (FixedFooters 1); otherwise the grid has none.
  void SetVisible(bool visible);
  TFooterStyle FooterStyle() const { return style_; }
  void SetFooterStyle(TFooterStyle style);
  // Whether the last row is the calculated footer row now.
  bool FixedLastRow() const { return visible_ && style_ == fsFixedLastRow; }
  // The footer's height; the panel is one pixel lower.
  int Height() const { return height_; }
  void SetHeight(int height);
  // Repaints the panel (after a change of Color, Column or CustomTemplate).
  void Invalidate();

  // The calculation of a footer cell, kept in the properties of (col, last
  // row); setting it recalculates that column.
  TColumnCalcType GetColumnCalc(int col) const;
  void SetColumnCalc(int col, TColumnCalcType type);

  TColor Color = clBtnFace;
  int Column = 0;
  AnsiString CustomTemplate;
  bool ShowHint = false;
  // The hidden rows count in the footer's calculations.
  bool CalculateHiddenRows = false;
  bool EnableCalculation = true;
  TCalcFooterEvent OnCalcFooter;

 private:
  bool visible_ = false;
  TFooterStyle style_ = fsFixedLastRow;
  // The grid's default row height.
  int height_ = 21;
};
