#pragma once
// What the cell grid's mouse handlers share: the state a press leaves for
// the moves and the release, the hover state a move leaves for the next
// press, and the sizing record that the size-change handlers consume.
#include <cstdlib>
#include <functional>

#include "framework/controls.h"
#include "framework/grids.h"
#include "framework/sysutils.h"
#include "framework/types.h"

class TGridTransEdit;
class TObject;
class TVudUvizidIzed;

// A point closer than this to a cell's edge is on the border between cells:
// a press there drags the border rather than clicking the cell.
inline constexpr int kBorderZone = 4;
inline bool NearBorder(int pos, int edge) { return std::abs(pos - edge) < kBorderZone; }

// Where the pointer rests, as the last mouse move found it.
enum class THoverZone {
  None = 0,
  ColSelect = 1,         // over a fixed row, MouseActions.ColSelect
  RowSelect = 2,         // over a fixed column, MouseActions.RowSelect
  SelectAll = 3,         // over the top-left fixed corner, MouseActions.AllSelect
  SelectionResizer = 5,  // over the selection's resize handle
};

// The border a press started to drag; the next ColWidthsChanged or
// RowHeightsChanged consumes it.
struct TGridSizingRecord {
  int col = -1;  // -1: no column is being sized
  int row = -1;  // -1: no row is being sized
  int widthBefore = 0;
  int heightBefore = 0;
  bool colSizing = false;
  bool rowSizing = false;
};

struct TGridMouseState {
  // ---- Left by a press (the release and the moves read it) ----
  bool buttonDown = false;
  bool clickInProgress = false;
  TPoint pressPoint{0, 0};
  // The cell under the press, before merged cells are mapped.
  TPoint clickedCell{-1, -1};
  // The cell whose right (bottom) border a press near it may drag: the
  // cell under (X-5, Y) in row 0, under (X, Y-4) in column 0, else under
  // (X-5, Y-4); with its width and height when it is a cell.
  TPoint sizingCell{-1, -1};
  int sizingCellWidth = 0;
  int sizingCellHeight = 0;
  // The press point from the sizing cell's right and bottom edges, and from
  // the pressed cell's left and top edges.
  TPoint sizingEdgeOffset{0, 0};
  TPoint cellEdgeOffset{0, 0};
  // The pressed normal column of a fixed row, or row of a fixed column.
  int movingIndex = -1;
  TPoint pressedButton{-1, -1};
  bool fixedButtonDown = false;
  TPoint fixedButtonCell{-1, -1};
  TRect fixedButtonRect{};
  bool controlButtonDown = false;
  TPoint controlButtonCell{-1, -1};
  bool oleDragPending = false;
  bool deselectOnRelease = false;
  bool clearOnRelease = false;
  bool selectionResizing = false;
  TGridRect selectionAtPress{};
  // The in-place editor puts its caret under the press point.
  bool caretPositioning = false;
  int leftColAtPress = 0;
  int topRowAtPress = 0;
  // A double click on a border sized the column; the release ends nothing.
  bool dblClickSizing = false;
  // The editor of fixed cells, made on first use (owned by the grid).
  TGridTransEdit* fixedEditor = nullptr;

  // ---- Left by a move (the press reads it) ----
  THoverZone hoverZone = THoverZone::None;
  bool cursorChanged = false;
  // Where a range drag from a fixed column (row) started, -1 when none.
  int rowSelectAnchor = -1;
  int colSelectAnchor = -1;
  // The pointer on the border of a fixed column (row) that may be sized by
  // a drawn sizing line, and that column (row).
  bool fixedColBorder = false;
  int fixedBorderCol = -1;
  bool fixedRowBorder = false;
  int fixedBorderRow = -1;
  // Sizing by a drawn line in progress, with the line's position.
  bool colSizingLine = false;
  int colSizingLinePos = 0;
  bool rowSizingLine = false;
  int rowSizingLinePos = 0;
  TPoint hotCell{-1, -1};
  // Where the arrow windows mark the drop of an enhanced move.
  TPoint dropTarget{-1, -1};
  bool colWasSized = false;
  bool rowWasSized = false;

  // ---- Release ----
  // A column or row move during the release ends it after the default
  // handling; the second flag does the same for the grid's other uses.
  bool moved = false;
  bool movedOther = false;
  // An enhanced move ended in this release.
  bool moveEnded = false;
  // Set while a row move onto the footer row is taken back.
  bool undoingRowMove = false;
  // Set while the release of a selection resize pastes: the user's own
  // gesture writes the cells as if editing were on.
  bool pasteAnywhere = false;
  // Milliseconds the last sort by a header click took.
  unsigned lastSortTime = 0;

  // ---- Sizing and stretching ----
  TGridSizingRecord sizing;
  // False while a stretch runs.
  bool stretchGuard = true;
  bool colWidthsChanged = false;
};

// Events of the mouse handlers.
using TColumnEvent = std::function<void(TObject* Sender, int ACol)>;
using TColumnSizeEvent = std::function<void(TObject* Sender, int ACol, int& AWidth)>;
using TColumnAllowEvent = std::function<void(TObject* Sender, int ACol, bool& Allow)>;
using TCellButtonEvent = std::function<void(TObject* Sender, int ACol, int ARow)>;
using TCheckBoxClickEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool State)>;
using TRadioIndexEvent = std::function<void(TObject* Sender, int ACol, int ARow, int AIdx)>;
using TNodeAllowEvent = std::function<void(TObject* Sender, int ARow, int ARowReal, bool& Allow)>;
using TNodeEvent = std::function<void(TObject* Sender, int ARow, int ARowReal)>;
using TAnchorClickEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, const AnsiString& Anchor, bool& AutoHandle)>;
using TControlClickEvent = std::function<void(TObject* Sender, int ARow, int ACol, const AnsiString& CtrlID,
                                              const AnsiString& CtrlType, const AnsiString& CtrlVal)>;
using TSelectionResizeEvent =
    std::function<void(TObject* Sender, const TGridRect& OrigSelection, const TGridRect& NewSelection)>;

// The grid's mouse buttons: the left press, the double click, the right
// press, the releases and the fixed-cell editor. One object serves one
// message; what lives on between messages is the grid's TGridMouseState.
// The release fires the grid's OnClick itself (not when it ends a column
// sizing), so the grid does not click on every release as other controls do.
class TGridMouse {
 public:
  explicit TGridMouse(TVudUvizidIzed& grid);

  // A left press is decided in a fixed order of tests; the first that
  // claims the press ends its handling.
  void LeftPress(TShiftState shift, int x, int y);
  void DoubleClick(TShiftState shift, int x, int y);
  void RightPress(TShiftState shift, int x, int y);
  void LeftRelease(TShiftState shift, int x, int y);
  void RightRelease(TShiftState shift, int x, int y);
  // Opens the editor of fixed cells over (col, row), a display column.
  void StartFixedEdit(int col, int row);

  // The anchor or form control of a cell's mark-up under a client point,
  // the mark-up laid out as the cell's text is drawn; false when the point
  // is over neither. col is the display column, realCol its real one.
  struct MarkupHit {
    AnsiString anchor;
    AnsiString controlID, controlType, controlValue;
    TRect controlRect{};
  };
  static bool MarkupHitAt(TVudUvizidIzed& grid, int col, int realCol, int row, TPoint p, MarkupHit& hit);

 private:
  // The pressed cell as the press's tests see it.
  struct Press {
    int x = 0, y = 0;
    TShiftState shift = 0;
    int col = -1, row = -1;  // the base cell of a merged area
    int realCol = -1;
    TRect rect{};  // the cell's (merged area's) rectangle
    bool fixedByPosition = false;
    // Fixed by IsFixed (OnIsFixedCell, the footers) without lying in the
    // fixed rows or columns.
    bool declaredFixed = false;
  };

  // The framework grid's own press, with the selection change reported and
  // the start of a border drag recorded.
  void DefaultPress(TMouseButton button, TShiftState shift, int x, int y);
  void RecordSizingStart();
  void WatchSelection(const std::function<void()>& inherited);
  bool DoubleClickSizing(TGridCoord cell, int x);

  // ---- Steps of the left press; true when the step claimed the press ----
  bool SelectionResizerPress(int x, int y);
  void RecordPress(int col, int row, int x, int y);
  bool SizingLinePress(int x, int y);
  void PushFixedButton(const Press& p);
  void HeaderNodePress(const Press& p);
  bool NodePress(const Press& p);
  bool RadioPress(const Press& p);
  bool OleDragPress(const Press& p);
  bool CellButtonPress(const Press& p);
  void DisjunctPress(const Press& p);
  bool AnchorPress(const Press& p);
  void FollowAnchor(const AnsiString& anchor);
  void FixedSelectPress(const Press& p);
  // The selection that a press on a fixed cell makes, set as select-all does.
  void SelectFromFixed(const TGridRect& selection, int col, int row, bool notifyExport);
  bool CheckBoxPress(const Press& p, bool canEdit);
  void CellPress(const Press& p, bool canEdit);

  // ---- Steps of the left release; true when the step ended the release ----
  void EndSizingLines(int x, int y);
  void LiftFixedButton();
  void LiftCellButton(TGridCoord hit);
  bool EndOleDragPending(TShiftState shift, TGridCoord hit);
  void EndDisjunctSelection(TGridCoord hit);
  void EndEnhancedMove(TGridCoord hit);
  bool DefaultRelease(TShiftState shift, int x, int y);
  void EndSelectionResize();
  void CellMouseUp(int realCol, int row);
  bool IsSortClick(TGridCoord hit, int x);
  void SortClick(int realCol, TShiftState shift);
  void RunClickSort(bool indexed, bool unsort);

  TVudUvizidIzed& grid_;
  TGridMouseState& s_;
};
