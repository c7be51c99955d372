// Update locking of the grid: the counter that holds painting off during a
// bulk change and the one repaint at its end.
#include <algorithm>

#include "framework/forms.h"
#include "framework/messaging.h"
#include "grid/duruzav.h"
#include "grid/editlink.h"
#include "grid/gridcombo.h"

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
  if (!TGridInput(*this).BeforeDispatch(message)) return;
  switch (message.Msg) {
    case WM_PAINT: WMPaint(message); return;
    case WM_NCPAINT: WMNCPaint(message); return;
    case WM_KEYDOWN: WMKeyDown(message); return;
    case WM_TIMER: WMTimer(message); return;
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

bool TGridInput::BeforeDispatch(TMessage& message) {
  TGridInputState& state = State();
  const TVudUvizidIzed::Settings& settings = g_.Props();
  const bool wheel = state.wheelMessage != 0;
  const bool panning = wheel && settings.IntelliPan != ipNone;
  switch (message.Msg) {
    case WM_CANCELMODE: CancelMode(); break;
    case WM_THEMECHANGED:
      if (settings.AutoThemeAdapt) g_.ThemeAdapt();
      break;
    case WM_COMMAND:
      if (!Command(message)) return false;
      break;
    case WM_DESTROY: Destroyed(); break;
    case WM_SIZE:
    case WM_LBUTTONUP:
      // The proportional thumbs follow a new size and the end of a thumb
      // drag or a sizing; the grid's parts are gone while it is destroyed.
      if (!(g_.ComponentState() & csDesigning) && g_.Scroller()) {
        g_.UpdateVScroller();
        g_.UpdateHScroller();
      }
      break;
    case WM_TIMER:
      if (message.WParam == TGridInputState::kPanTimer && panning && state.panActive) PanStep();
      break;
    default: break;
  }
  const unsigned msg = message.Msg;
  if (msg == WM_MBUTTONDOWN && panning && !state.panActive && g_.RowCount() > g_.FixedRows()) StartPan(message);
  else if ((msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_KEYDOWN) &&
           state.panActive)
    StopPan();
  if (wheel && msg == state.wheelMessage && !state.panActive) return Wheel(message);
  return true;
}

// A row or column move ended by the system (a window came up, the capture
// was lost): the drag cursor, the moving cell and its arrows go and the
// move's auto-scroll stops.
void TGridInput::CancelMode() {
  const TGridState gridState = g_.GridState();
  const bool moving = gridState == gsRowMoving || gridState == gsColMoving;
  if (Screen->Cursor() != crDrag || !moving || !g_.Props().EnhRowColMove) return;
  // Also gives the screen back its default cursor.
  g_.Hover().HideMoveIndicators();
  KillTimer(&g_, TGridInputState::kMoveScrollTimer);
  g_.CancelGridState();
}

bool TGridInput::Command(TMessage& message) {
  const auto code = static_cast<unsigned short>(HiWord(static_cast<LPARAM>(message.WParam)));
  auto* source = reinterpret_cast<TControl*>(message.LParam);
  const bool fromChild = source && source != &g_;
  // A control's notification goes back to it once, for it to handle its own.
  if (fromChild) source->Perform(WM_COMMAND, message.WParam, message.LParam);
  if (code == EN_CHANGE && g_.EditorMode()) {
    if (g_.OnSetEditText) g_.OnSetEditText(&g_, g_.Col(), g_.Row(), g_.InplaceEditor()->Text());
    return false;
  }
  ComboCommand(code, source);
  return true;
}

namespace {

// The item's text, empty for no item (index -1): an edit that matches no
// item has none to read.
AnsiString ItemText(TComboBox& combo, int index) {
  return index >= 0 && index < combo.Items()->Count() ? combo.Items()->Strings(index) : AnsiString();
}

}  // namespace

void TGridInput::ComboCommand(unsigned code, TControl* source) {
  TGridCombo* combo = g_.editControls_ ? g_.editControls_->combo : nullptr;
  const bool fromCombo = source && source == combo;
  const int realCol = g_.RealColIndex(g_.Col()), row = g_.Row();
  if ((code == CBN_SELCHANGE || code == CBN_EDITCHANGE) && fromCombo) {
    const int index = combo->ItemIndex();
    const bool item = index >= 0 && index < combo->Items()->Count();
    const AnsiString text = ItemText(*combo, index);
    if (g_.OnComboChange) g_.OnComboChange(&g_, realCol, row, index, text);
    if (g_.OnComboObjectChange)
      g_.OnComboObjectChange(&g_, realCol, row, index, text, item ? combo->Items()->Objects(index) : nullptr);
  } else if ((code == CBN_SELCHANGE || code == CBN_EDITCHANGE) && source && g_.OnComboChange && g_.EditLink() &&
             source == g_.EditLink()->GetEditControl()) {
    auto* linked = dynamic_cast<TComboBox*>(source);
    const int index = linked ? linked->ItemIndex() : -1;
    g_.OnComboChange(&g_, g_.Col(), row, index, linked ? ItemText(*linked, index).substr(0, 255) : AnsiString());
  }
  if (code == CBN_CLOSEUP && fromCombo && g_.OnComboCloseUp) g_.OnComboCloseUp(&g_, row, realCol);
  if (code == CBN_EDITCHANGE && g_.OnComboChange) g_.OnComboChange(&g_, g_.Col(), row, -1, combo ? combo->Text() : "");
}

void TGridInput::Destroyed() {
  if (g_.OleDropTargetRegistered()) g_.RevokeOleDropTarget();
  if (State().panActive) StopPan();
  KillTimer(&g_, TGridInputState::kGridTimer);
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
