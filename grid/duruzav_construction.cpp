// Construction, defaults and lifecycle of the grid: loading, assigning,
// following the owner form's size, bounds and scroll bars.
#include <QApplication>
#include <QStyle>

#include "framework/forms.h"
#include "grid/duruzav.h"
#include "grid/duruzav_cellpainter.h"

namespace {

int SystemScrollBarWidth() {
  QStyle* style = qApp ? QApplication::style() : nullptr;
  return style ? style->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

}  // namespace

TVudUvizidIzed::TVudUvizidIzed(TComponent* owner)
    : TBaseGrid(owner), painter_(std::make_unique<TGridCellPainter>(*this)) {
  fixedFont_.SetName("Tahoma");
  fixedFont_.SetStyle(fsBold);
  fixedFont_.OnChange = [this](TObject*) { Invalidate(); };
  activeCellFont_.SetStyle(fsBold);
  if (ComponentState() & csDesigning) activeCellFont_.SetName("Tahoma");
  activeCellFont_.OnChange = [this](TObject*) { Invalidate(); };

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

void TVudUvizidIzed::GridResize(TObject* sender) {
  auto* form = dynamic_cast<TForm*>(sender);
  if (form && !(ComponentState() & (csLoading | csDesigning))) {
    const TSize now{form->Width(), form->Height()};
    if (settings_.SizeWithForm)
      SetBounds(Left(), Top(), Width() + now.cx - formSize_.cx, Height() + now.cy - formSize_.cy);
    formSize_ = now;
  }
  if (previousFormResize_) previousFormResize_(sender);
}

// ---- Loading and assigning ----

void TVudUvizidIzed::Loaded() {
  TBaseGrid::Loaded();
  loadedCursor_ = Cursor();
  for (int c = 0; c < std::min(columnHeaders_.Count(), ColCount()); ++c)
    if (FixedRows() > 0) SetCellEx(c, 0, columnHeaders_[c]);
  for (int r = 0; r < std::min(rowHeaders_.Count(), RowCount()); ++r)
    if (FixedCols() > 0) SetCellEx(0, r, rowHeaders_[r]);
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

void TVudUvizidIzed::Resize() {
  TBaseGrid::Resize();
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
  if (always == saNone) return TBaseGrid::ScrollBarPolicy(vertical, fits, show, enable);
  const bool wanted = always == saBoth || always == (vertical ? saVert : saHorz);
  show = !fits || wanted;
  enable = !fits;
}

// Without ScrollBarAlways the bars already follow the grid's size; forcing
// adds nothing.
void TVudUvizidIzed::UpdateScrollBars(bool) { SyncScrollBars(); }
