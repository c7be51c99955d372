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
#include "grid/duruzav_mouse.h"

class TArrowWindow;
class THTMLHintWindow;
class TPopupButton;
class TToolTipWindow;
class TVudUvizidIzed;

using TAnchorHoverEvent = std::function<void(TObject* Sender, int ARow, int ACol, const AnsiString& Anchor)>;
using TAnchorHintEvent = std::function<void(TObject* Sender, int ARow, int ACol, AnsiString& Anchor)>;

// The grid's handling of the moving mouse and its windows; the grid holds
// one and forwards to it.
class TGridHover {
 public:
  // Takes the grid's window procedure in front of its own for the cursor,
  // hint and mouse-leave messages.
  explicit TGridHover(TVudUvizidIzed& grid);
  ~TGridHover();
  TGridHover(const TGridHover&) = delete;
  TGridHover& operator=(const TGridHover&) = delete;

  // The state the mouse handlers share (duruzav_mouse.h).
  TGridMouseState& State();

  // The grid's mouse-move handling; runs the framework's once.
  void MouseMove(TShiftState shift, int x, int y);
  void CMMouseLeave(TMessage& message);
  void WMSetCursor(TMessage& message);
  void CMHintShow(TMessage& message);
  void CMCursorChanged(TMessage& message);
  void ShowHintProc(AnsiString& hintStr, bool& canShow, THintInfo& hintInfo);
  // The moving cell, its arrows and the drag cursor go when a move ends.
  void HideMoveIndicators();
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
  // The arrows at a column's drop border: 0 above it (pointing down), 1
  // below it (pointing up); at a row's: 2 left of it, 3 right of it (both
  // pointing at the border).
  TArrowWindow* Arrow(int index);
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
  AnsiString lastAnchor_;
  TPoint hintCell_{-1, -1};
  TGridRect savedSelection_{};
  TGridRect savedSelectionRect_{};
  bool sizingHintShown_ = false;
  std::unique_ptr<THTMLHintWindow> sizingHint_;
  std::unique_ptr<TPopupButton> movingCell_;
  std::array<std::unique_ptr<TArrowWindow>, 4> arrows_;
  std::unique_ptr<TToolTipWindow> toolTip_;
};
