// Construction, defaults and lifecycle of the grid: loading, assigning,
// following the owner form's size, bounds and scroll bars, the header lists
// and the columns merged by list.
#include <QApplication>
#include <QStyle>
#include <cmath>

#include "framework/forms.h"
#include "framework/messaging.h"
#include "grid/duruzav.h"
#include "grid/duruzav_cellpainter.h"

namespace {

// The grid timer: blinking, hover tracking and the type-ahead reset.
constexpr unsigned kGridTimer = 111;
constexpr unsigned kGridTimerPeriod = 500;  // ms

int SystemScrollBarWidth() {
  QStyle* style = qApp ? QApplication::style() : nullptr;
  return style ? style->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

}  // namespace

TVudUvizidIzed::TVudUvizidIzed(TComponent* owner)
    : TBaseGrid(owner), TGridCellGraphics(*this), painter_(std::make_unique<TGridCellPainter>(*this)) {
  fixedFont_.SetName("Tahoma");
  fixedFont_.SetStyle(fsBold);
  fixedFont_.OnChange = [this](TObject* sender) { FixedFontChanged(sender); };
  activeCellFont_.SetStyle(fsBold);
  if (ComponentState() & csDesigning) activeCellFont_.SetName("Tahoma");
  activeCellFont_.OnChange = [this](TObject* sender) { FixedFontChanged(sender); };
  columnHeaders_.OnChange = [this](TObject* sender) { ColHeaderChanged(sender); };
  rowHeaders_.OnChange = [this](TObject* sender) { RowHeaderChanged(sender); };
  mergedColumns_.OnChange = [this](TObject*, int, int) {
    UndoColumnMerge();
    ApplyColumnMerge();
  };

  SetRowCount(10);
  SetBounds(Left(), Top(), 400, 250);
  InstallFormResize();

  columnVisible_.fill(true);
  SetDefaultRowHeight(21);
  rememberedDefaultRowHeight_ = DefaultRowHeight();
  rudTo_ = ColorToRGB(clBtnFace);
  settings_.ScrollWidth = SystemScrollBarWidth();
  showModified_.OnChange = [this](TObject* sender) { ModifiedChanged(sender); };
  if (!(ComponentState() & csDesigning)) editControls_ = std::make_unique<TGridEditControls>(this);
}

TVudUvizidIzed::~TVudUvizidIzed() {
  if (editControls_) editControls_->FreeControls();
  RestoreFormResize();
  BalloonDone();
  if (columnSize_.Save) {
    // A store that cannot be written loses the widths, not the program.
    try {
      SaveColSizes();
    } catch (const std::exception&) {
    }
  }
  if (loadedFromStream_) SetCursor(loadedCursor_);
}

// ---- The owner form's resize ----

void TVudUvizidIzed::InstallFormResize() {
  auto* form = dynamic_cast<TForm*>(Owner());
  if (!form || (ComponentState() & csDesigning)) return;
  resizeForm_ = form;
  previousFormResize_ = form->OnResize;
  form->OnResize = [this](TObject* sender) { GridResize(sender); };
  formSize_ = {form->Width(), form->Height()};
}

void TVudUvizidIzed::RestoreFormResize() {
  if (!resizeForm_) return;
  // A form that is being destroyed frees its components after its own
  // members are gone: there is no handler left to give back.
  if (!(resizeForm_->ComponentState() & csDestroying)) resizeForm_->OnResize = previousFormResize_;
  resizeForm_ = nullptr;
}

// The grid follows each change of the form's size. A change that would
// leave the grid no width (height) is not followed, and the form's size it
// was measured from is kept, so that the grid stays as it was until the form
// grows past that size again.
void TVudUvizidIzed::GridResize(TObject* sender) {
  auto* form = dynamic_cast<TForm*>(sender);
  if (form && !(ComponentState() & (csLoading | csDesigning))) {
    const TSize now{form->Width(), form->Height()};
    if (settings_.SizeWithForm) {
      int width = Width() + now.cx - formSize_.cx;
      int height = Height() + now.cy - formSize_.cy;
      if (width > 0) formSize_.cx = now.cx;
      else width = Width();
      if (height > 0) formSize_.cy = now.cy;
      else height = Height();
      SetBounds(Left(), Top(), width, height);
    } else {
      formSize_ = now;
    }
  }
  if (previousFormResize_) previousFormResize_(sender);
}

// ---- The window ----

// The grid's window comes into being with its parent: the stored widths are
// applied then, as when the grid has finished loading, and the grid timer
// starts.
void TVudUvizidIzed::SetParent(TWinControl* parent) {
  TBaseGrid::SetParent(parent);
  if (!parent) return;
  if (columnSize_.Save && !(ComponentState() & csLoading)) LoadColSizes();
  SetTimer(this, kGridTimer, kGridTimerPeriod);
  if ((ComponentState() & csDesigning) && !loadedFromStream_ && !(ComponentState() & csLoading))
    Font()->SetName("Tahoma");
}

void TVudUvizidIzed::WMSize(TMessage& message) {
  // The grid's own parts go before its base when it is destroyed.
  const bool stretched = scroller_ && scroller_->StretchOnSize();
  // The platform's handling runs even after a stretch: it places the
  // aligned panels and fires OnResize.
  TBaseGrid::WMSize(message);
  if (scroller_ && !stretched) scroller_->AfterSize();
}

// ---- Header lists and the columns merged by list ----

void TVudUvizidIzed::ColHeaderChanged(TObject*) {
  UpdateColHeaders();
  ShowColumnHeaders();
}

void TVudUvizidIzed::RowHeaderChanged(TObject*) { ShowRowHeaders(); }

void TVudUvizidIzed::SetRowIndicator(const TBitmap& bitmap) {
  rowIndicator_.SetImage(bitmap.Image());
  rowIndicator_.SetTransparent(bitmap.Transparent());
  RepaintCell(0, Row());
}

void TVudUvizidIzed::ApplyColumnMerge() {
  for (int i = 0; i < mergedColumns_.Count(); ++i) MergeColumnCells(mergedColumns_.Items(i), i == 0);
}

void TVudUvizidIzed::UndoColumnMerge() {
  for (int c = 0; c < ColCount(); ++c) SplitColumnCells(c);
}

// ---- Loading and assigning ----

void TVudUvizidIzed::Loaded() {
  TBaseGrid::Loaded();
  loadedCursor_ = Cursor();
  ShowColumnHeaders();
  ShowRowHeaders();
  if (settings_.Look == glRUD) {
    rudFrom_ = clSilver;
    rudTo_ = clWhite;
  }
  if (columnSize_.Save) LoadColSizes();
  rememberedFixedRows_ = FixedRows();
  rememberedFixedCols_ = FixedCols();
  rememberedDefaultRowHeight_ = DefaultRowHeight();
  MinColWidth = 10;
  MinRowHeight = DefaultRowHeight();
  loadedFromStream_ = true;
  if (Options() & goAlwaysShowEditor) {
    navigation_.AlwaysEdit = true;
    SetOptions(Options() & ~goAlwaysShowEditor);
  }
  // Without visual styles the themed controls are drawn the classic way.
  if (!themedLook_ && controlLook_.ControlStyle() == csTheme && !(ComponentState() & csDesigning))
    controlLook_.SetControlStyle(csClassic);
  if (balloon_.Enable()) BalloonInit();
  UpdateScrollBars(false);
  if (settings_.AutoThemeAdapt) ThemeAdapt();
}

void TVudUvizidIzed::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TVudUvizidIzed*>(source);
  if (!s || s == this) return;
  auto* src = const_cast<TVudUvizidIzed*>(s);
  SetFont(*src->Font());
  settings_.ActiveCellColor = s->settings_.ActiveCellColor;
  settings_.ActiveCellColorTo = s->settings_.ActiveCellColorTo;
  activeCellFont_.Assign(s->activeCellFont_);
  settings_.ActiveCellShow = s->settings_.ActiveCellShow;
  SetActiveRowShow(s->ActiveRowShow());
  SetAlign(s->Align());
  settings_.AnchorHint = s->settings_.AnchorHint;
  settings_.AutoNumAlign = s->settings_.AutoNumAlign;
  settings_.AutoSize = s->settings_.AutoSize;
  settings_.AutoThemeAdapt = s->settings_.AutoThemeAdapt;
  mouseActions_.Assign(&s->mouseActions_);
  navigation_.Assign(&s->navigation_);
  grouping_.Assign(&s->grouping_);
  printSettings_.Assign(&s->printSettings_);
  filter_.Assign(&s->filter_);
  htmlSettings_.Assign(&s->htmlSettings_);
  bands_.Assign(&s->bands_);
  cellNode_.Assign(&s->cellNode_);
  sortSettings_.Assign(&s->sortSettings_);
  dragScrollOptions_.Assign(&s->dragScrollOptions_);

  ClearProps();
  SetColCount(s->ColCount());
  SetRowCount(s->RowCount());
  SetFixedRows(s->FixedRows());
  SetFixedCols(s->FixedCols());
  SetDefaultColWidth(s->DefaultColWidth());
  SetDefaultRowHeight(s->DefaultRowHeight());
  SetOptions(s->Options());
  // The cells: texts and properties, copied (never shared between grids).
  for (int c = 0; c < ColCount(); ++c) {
    for (int r = 0; r < RowCount(); ++r) {
      SetGridCell(c, r, s->GetGridCell(c, r));
      if (const TCellProperties* p = s->PropsAt(c, r)) {
        auto* copy = new TCellProperties(this, c, r);
        copy->Assign(p);
        copy->SetBrushColorTo(p->BrushColorTo());
        SetCellProperties(c, r, copy);
      }
    }
  }
  Invalidate();
}

// ---- Size and scroll bars ----

void TVudUvizidIzed::SetRowCount(int count) {
  TBaseGrid::SetRowCount(count);
  SetDisplRowLimit(RowCount());
}

void TVudUvizidIzed::SetRowCountEx(int count) {
  SetRowCount(count);
  UpdateScrollBars(true);
}

void TVudUvizidIzed::SetFixedRows(int count) {
  TBaseGrid::SetFixedRows(count);
  rememberedFixedRows_ = count;
}

void TVudUvizidIzed::SetFixedCols(int count) {
  TBaseGrid::SetFixedCols(count);
  rememberedFixedCols_ = count;
}

// A gradient background spans the whole client area: a new size redraws it
// all.
void TVudUvizidIzed::Resize() {
  TBaseGrid::Resize();
  const TBackGroundDisplay display = backGround_.Display();
  if ((display == bdGradientHorz || display == bdGradientVert) && backGround_.ColorTo() != clNone) Invalidate();
  UpdateScrollBars(false);
}

void TVudUvizidIzed::SetBounds(int left, int top, int width, int height) {
  if (settings_.IntegralHeight && DefaultRowHeight() >= 1) {
    const int h = AllColsFit() ? 0 : settings_.ScrollWidth;
    const int b = settings_.SingleBorder ? 2 : 0;
    const int usable = height - h - b;
    height = usable - usable % DefaultRowHeight() + h + 2 * b;
  }
  TBaseGrid::SetBounds(left, top, width, height);
}

void TVudUvizidIzed::ScrollBarPolicy(bool vertical, bool fits, bool& show, bool& enable) const {
  const TScrollBarAlways always = settings_.ScrollBarAlways;
  if (always == saNone) {
    TBaseGrid::ScrollBarPolicy(vertical, fits, show, enable);
  } else {
    const bool wanted = always == saBoth || always == (vertical ? saVert : saHorz);
    show = !fits || wanted;
    enable = !fits;
  }
  // ScrollBars names the bars the grid may show at all.
  if (scroller_ && !scroller_->AllowsBar(vertical ? SB_VERT : SB_HORZ)) show = false;
}

// Without ScrollBarAlways the bars already follow the grid's size; forcing
// adds nothing.
void TVudUvizidIzed::UpdateScrollBars(bool) { SyncScrollBars(); }
