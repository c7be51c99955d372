#pragma once
// The grid's part in drag and drop: its drop target (text, rich text, a
// column from another grid, one CSV file), its drop source, the start of a
// drag of text or of a column from a mouse move, and where the drop
// indicators stand.
#include <functional>
#include <memory>
#include <optional>

#include "framework/grids.h"
#include "grid/zgdd.h"

class TVudUvizidIzed;

using TOleDragDropEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, const AnsiString& data, bool& Allow)>;
using TOleDragOverEvent = std::function<void(TObject* Sender, int ARow, int ACol, bool& Allow)>;
using TOleDropColEvent = std::function<void(TObject* Sender, int ARow, int ACol, int DropCol)>;
using TOleDropFileEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, const AnsiString& FileName, bool& Allow)>;
using TOleDroppedEvent = std::function<void(TObject* Sender, const TGridRect& ARect)>;
using TOleDragStartEvent = std::function<void(TObject* Sender, int ARow, int ACol)>;
using TOleDragStopEvent = std::function<void(TObject* Sender, int OLEEffect)>;

// Where the drop indicators stand, in screen pixels: the arrow at the
// target row, the two arrows at a column insertion point (above the cell's
// top edge and at its bottom edge) and the window that follows a dragged
// column. Empty: hidden.
struct TDropIndicators {
  std::optional<TPoint> RowArrow;
  std::optional<TPoint> ColArrowTop;
  std::optional<TPoint> ColArrowBottom;
  std::optional<TRect> ColumnDragWindow;
};

// A grid's drag and drop state: its registered drop target, the rows of
// its own text drag and the indicators.
class TGridDragDrop {
 public:
  explicit TGridDragDrop(TVudUvizidIzed& grid) : grid_(grid) {}
  // Drops reach the grid while its target is registered.
  void RegisterTarget();
  void RevokeTarget();
  bool TargetRegistered() const;

  bool StartDrag(TPoint pressPoint, TPoint point, int col, int row);

  TDropIndicators Indicators;
  // The rows being dragged out of this grid while its own text drag runs.
  std::optional<TGridRect> DragRect;
  // Counts the drag-over steps; the grid scrolls sideways on every second.
  int ScrollTick = 0;

 private:
  void DragColumn(class TGridDropSource& source, int col);
  void DragText(TGridDropSource& source, int col, int row);
  void ClearMovedSource();
  TVudUvizidIzed& grid_;
};

class TGridDropTarget : public TZurDropTarget {
 public:
  explicit TGridDropTarget(TVudUvizidIzed& grid) : grid_(grid) {}
  // Takes what the grid accepts from its drag and drop settings first.
  HRESULT DragEnter(const std::shared_ptr<IDataObject>& data, DWORD keyState, TPoint point, DWORD* effect) override;
  void DropText(TPoint point, const AnsiString& text) override;
  void DropCol(TPoint point, int column) override;
  void DropRTF(TPoint point, const AnsiString& rtf) override;
  void DropFiles(TPoint point, TStrings& files) override;
  void DragMouseMove(TPoint point, bool& allow, TDropFormats formats) override;
  void DragMouseLeave() override;

 private:
  void ScrollTowards(int col, int row);
  void ShowIndicators(bool allow, bool column, int col, int row);
  void PlaceText(int col, int row, const AnsiString& text, TPoint size);
  bool AllowDrop(int row, int col, const AnsiString& data);
  TGridDragDrop& State();
  TVudUvizidIzed& grid_;
};

class TGridDropSource : public TZurDropSource {
 public:
  explicit TGridDropSource(TVudUvizidIzed& grid);
  // Remembers copy and move; other effects leave the last one.
  void CurrentEffect(DWORD effect) override;
  // Moves the column's window to the cursor.
  void QueryDrag() override;
  DWORD LastEffect() const { return lastEffect_; }

 private:
  TVudUvizidIzed& grid_;
  DWORD lastEffect_ = DROPEFFECT_NONE;
};

// The grid's mouse move starts a drag through this while its OLE drag is
// pending: when (col, row), the display cell under the client point, is a
// cell, the pointer has moved more than 3 pixels from the press point in x
// or y, DragDropSettings.OleDropSource is set and no column is being sized,
// it fires OnOleDrag and, unless refused, drags the column (a fixed row's
// cell with OleColumnDragDrop) or the selected text, and clears a moved
// source. True when it took the gesture (a refusal turns it into a range
// selection); the caller then clears its pending flag.
bool StartOleDrag(TVudUvizidIzed& grid, TPoint pressPoint, TPoint point, int col, int row);
