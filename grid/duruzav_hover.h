#pragma once
// The grid under a moving mouse: hover looks of the fixed cells, URL and
// anchor cursors and events, the cursors of the header zones, the drag
// gestures a press armed (range selection from a header, moving rows and
// columns with the floating cell and its arrows, the sizing line and its
// hint), the start of a drag and drop, cell hints, and the balloon tool tip.
#include <array>
#include <functional>
#include <memory>

#include "framework/controls.h"
#include "framework/grids.h"
#include "framework/hints.h"
#include "framework/strings.h"

class TArrowWindow;
class THTMLHintWindow;
class TPopupButton;
class TToolTipWindow;
class TVudUvizidIzed;

using TAnchorHoverEvent = std::function<void(TObject* Sender, int ARow, int ACol, const AnsiString& Anchor)>;
using TAnchorHintEvent = std::function<void(TObject* Sender, int ARow, int ACol, AnsiString& Anchor)>;
using TMoveAllowEvent = std::function<void(TObject* Sender, int AIndex, bool& Allow)>;

// The hover zones, as the cursor handler and the press read them.
enum TGridHoverZone { hzNone = 0, hzColSelect = 1, hzRowSelect = 2, hzAllSelect = 3, hzResizer = 5 };

// What a press arms for the moves that follow (the press handler sets it,
// the release clears it) and what the moves leave for the press.
struct TGridGesture {
  // ---- Set by the press ----
  bool buttonDown = false;
  bool clickInProgress = false;
  TPoint pressPoint{0, 0};
  bool oleDragPending = false;
  // The display column (row) being moved.
  int movingIndex = -1;
  int leftColAtPress = 0;
  // The cell whose right (bottom) border is dragged; -1 stands for the
  // last column (row).
  TPoint sizingCell{-1, -1};
  // The press point's distance from that cell's right and bottom edges.
  TPoint pressOffset{0, 0};
  // The row (column) where a range drag from a fixed column (row) began.
  int rangeAnchor = -1;
  // A fixed column's (row's) border dragged with its inverted line.
  bool colSizingLine = false;
  int lineX = 0;
  bool rowSizingLine = false;
  int lineY = 0;
  // ---- Set by the moves ----
  int hoverZone = hzNone;
  // The grid changed the cursor itself: CM_CURSORCHANGED keeps the zone.
  bool cursorChanged = false;
  bool fixedColBorder = false;
  int fixedColIndex = 0;
  bool fixedRowBorder = false;
  int fixedRowIndex = 0;
  bool colWasSized = false;
  bool rowWasSized = false;
};

class TGridHover {
 public:
  // Takes the grid's window procedure in front of its own for the cursor,
  // hint and mouse-leave messages.
  explicit TGridHover(TVudUvizidIzed& grid);
  ~TGridHover();
  TGridHover(const TGridHover&) = delete;
  TGridHover& operator=(const TGridHover&) = delete;

  TGridGesture gesture;

  // The grid's mouse-move handling; runs the framework's once.
  void MouseMove(TShiftState shift, int x, int y);
  void CMMouseLeave(TMessage& message);
  void WMSetCursor(TMessage& message);
  void CMHintShow(TMessage& message);
  void CMCursorChanged(TMessage& message);
  void ShowHintProc(AnsiString& hintStr, bool& canShow, THintInfo& hintInfo);
  // The sizing hint goes when the sizing ends.
  void HideSizingHint();
  bool SizingHintShown() const { return sizingHintShown_; }

  // ---- The balloon tool tip ----
  // A fresh tool tip configured from the Balloon settings; the one before,
  // if any, goes first, so there is never more than one.
  void BalloonInit();
  // Removes the tool tip, if there is one.
  void BalloonDone();
  void BalloonChange();
  void CreateToolTip();
  void DestroyToolTip();
  void AddToolTip(int iconType, const AnsiString& text, const AnsiString& title);
  TToolTipWindow* ToolTip() const { return toolTip_.get(); }

  // ---- Windows of the moving and sizing feedback ----
  THTMLHintWindow* SizingHint();
  TPopupButton* MovingCell();
  // 0 before the drop border (pointing down), 1 after it (pointing up).
  TArrowWindow* Arrow(int index);
  TPoint HotCell() const { return hotCell_; }
  TPoint HintCell() const { return hintCell_; }
  const AnsiString& LastAnchor() const { return lastAnchor_; }

 private:
  void Dispatch(TMessage& message);
  void RelayToToolTip(const TMessage& message);
  // The steps of a move, in their order.
  void TrackHotCell(int col, int row);
  bool DragRowRange(int row, int y);
  void DragColRange(int col);
  void DetectFixedBorders(int col, int row, int x, int y);
  bool OverResizer(int x, int y);
  void StartDragDrop(int col, int row, int x, int y, bool overResizer);
  void MovingFeedback(int col, int row, int x, int y);
  void PlaceMovingCell(int col, int row, int x, int y);
  void PlaceArrows(bool columns);
  void AutoScrollMove(int x, int y);
  void UpdateHoverZone(int col, int row, int x, int y, bool overResizer, bool scrolledUp);
  bool HoverLink(int col, int row, int x, int y);
  void CancelHints(int x, int y);
  void ShowSizingHint(int x, int y);
  // The anchor of the mark-up cell under (x, y), empty for none; title
  // receives the anchor's own hint text.
  AnsiString AnchorAt(int col, int row, int x, int y, AnsiString* title);

  TVudUvizidIzed& grid_;
  TWndMethod gridProc_;
  TPoint hotCell_{-1, -1};
  AnsiString lastAnchor_;
  TPoint hintCell_{-1, -1};
  TGridRect savedSelection_{};
  TGridRect savedSelectionRect_{};
  // Where the arrows were placed by the previous move: column and row.
  TPoint dropTarget_{-1, -1};
  bool sizingHintShown_ = false;
  std::unique_ptr<THTMLHintWindow> sizingHint_;
  std::unique_ptr<TPopupButton> movingCell_;
  std::array<std::unique_ptr<TArrowWindow>, 2> arrows_;
  std::unique_ptr<TToolTipWindow> toolTip_;
};
