// Update locking of the grid: the counter that holds painting off during a
// bulk change and the one repaint at its end.
#include <algorithm>

#include "grid/duruzav.h"

// ---- Update counter ----

void TVudUvizidIzed::BeginUpdate() {
  if (!Visible()) return;
  ++updateCount_;
  Perform(WM_SETREDRAW, 0);
}

// Counts down also on a grid hidden since its BeginUpdate: otherwise it
// would stay locked, and never paint again once shown.
void TVudUvizidIzed::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  if (updateCount_ != 0) return;
  Perform(WM_SETREDRAW, 1);
  Invalidate();
  // The frame around the cells is drawn on this message.
  Perform(WM_NCPAINT, 1);
}

// Redrawing is switched back on so that later changes paint; what changed
// while locked waits for them or for a repaint.
void TVudUvizidIzed::ResetUpdate() {
  updateCount_ = 0;
  Perform(WM_SETREDRAW, 1);
}

TGridUpdate::TGridUpdate(TVudUvizidIzed& grid) : grid_(grid) { grid_.BeginUpdate(); }

TGridUpdate::~TGridUpdate() { grid_.EndUpdate(); }

// ---- Window procedure ----

void TVudUvizidIzed::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT: WMPaint(message); return;
    case WM_NCPAINT: WMNCPaint(message); return;
    case WM_CHAR:
      // A character that opens an editor control goes on into it.
      if (editControls_) editControls_->startKey = static_cast<char>(message.WParam);
      WMChar(message);
      if (editControls_) editControls_->startKey = 0;
      return;
    case WM_SETFOCUS: WMSetFocus(message); return;
    case WM_NOTIFY:
      DateTimeChanged(message);
      TBaseGrid::WndProc(message);
      return;
    default: TBaseGrid::WndProc(message);
  }
}

void TVudUvizidIzed::WMPaint(TMessage& message) {
  if (updateCount_ > 0) {
    message.Result = 0;
    return;
  }
  TBaseGrid::WndProc(message);
}

// ---- Change notifications ----

void TVudUvizidIzed::CellsChanged(const TRect& r) {
  if (OnCellsChanged) OnCellsChanged(this, r);
  // A notifier may unregister itself when told.
  const std::vector<TGridChangeNotifier*> notifiers = notifiers_;
  for (TGridChangeNotifier* notifier : notifiers) notifier->CellsChanged(r);
  CalcFooter(-1);
}

void TVudUvizidIzed::CellsLoaded() { CalcFooter(-1); }

void TVudUvizidIzed::UpdateCell(int col, int) { CalcFooter(col); }

void TVudUvizidIzed::RegisterNotifier(TGridChangeNotifier* notifier) {
  if (notifier && std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end())
    notifiers_.push_back(notifier);
}

void TVudUvizidIzed::UnRegisterNotifier(TGridChangeNotifier* notifier) {
  std::erase(notifiers_, notifier);
}
