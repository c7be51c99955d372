// The grid's settings objects: defaults, setters with side effects and the
// copying Assign of each.
#include "grid/duruzav.h"

#include "grid/zgdd.h"

namespace {

// Copies the data record of a source of the same class; any other source
// is ignored.
template <class Settings, class Data>
const Settings* CopyData(Settings* target, const TPersistent* source) {
  const auto* s = dynamic_cast<const Settings*>(source);
  if (s && s != target) static_cast<Data&>(*target) = static_cast<const Data&>(*s);
  return s;
}

}  // namespace

// ---- TCellNode ----

TCellNode::TCellNode(TVudUvizidIzed* grid) : grid_(grid) {}

template <class T>
void TCellNode::Change(T& field, T value) {
  if (field == value) return;
  field = value;
  if (grid_) grid_->Invalidate();
}

void TCellNode::SetNodeType(TNodeType value) { Change(nodeType_, value); }
void TCellNode::SetNodeIndent(int value) { Change(nodeIndent_, value); }
void TCellNode::SetShowTree(bool value) { Change(showTree_, value); }
void TCellNode::SetShowTreeFull(bool value) { Change(showTreeFull_, value); }
void TCellNode::SetTreeColor(TColor value) { Change(TreeColor, value); }

void TCellNode::SetExpandGlyph(const TBitmap& glyph) { expandGlyph_.SetImage(glyph.Image()); }
void TCellNode::SetContractGlyph(const TBitmap& glyph) { contractGlyph_.SetImage(glyph.Image()); }

void TCellNode::Assign(const TPersistent* source) {
  const TCellNode* s = CopyData<TCellNode, TCellNodeData>(this, source);
  if (!s || s == this) return;
  nodeType_ = s->nodeType_;
  nodeIndent_ = s->nodeIndent_;
  showTree_ = s->showTree_;
  showTreeFull_ = s->showTreeFull_;
  SetExpandGlyph(s->expandGlyph_);
  SetContractGlyph(s->contractGlyph_);
  if (grid_) grid_->Invalidate();
}

// ---- Plain settings ----

void TSizeWhileTyping::Assign(const TPersistent* source) { CopyData<TSizeWhileTyping, TSizeWhileTypingData>(this, source); }

void TNavigation::Assign(const TPersistent* source) { CopyData<TNavigation, TNavigationData>(this, source); }

void THTMLSettings::Assign(const TPersistent* source) {
  if (const THTMLSettings* s = CopyData<THTMLSettings, THTMLSettingsData>(this, source)) colWidths_ = s->colWidths_;
}

void TPrintSettings::Assign(const TPersistent* source) {
  const TPrintSettings* s = CopyData<TPrintSettings, TPrintSettingsData>(this, source);
  if (!s || s == this) return;
  titleLines_.Assign(s->titleLines_);
  font_.Assign(s->font_);
  fixedFont_.Assign(s->fixedFont_);
  headerFont_.Assign(s->headerFont_);
  footerFont_.Assign(s->footerFont_);
}

// ---- TMouseActions ----

void TMouseActions::Assign(const TPersistent* source) {
  const TMouseActions* s = CopyData<TMouseActions, TMouseActionsData>(this, source);
  if (!s || s == this) return;
  disjunct_ = s->disjunct_;
  SetHotmailRowSelect(s->hotmailRowSelect_);
}

void TMouseActions::SetHotmailRowSelect(bool value) {
  hotmailRowSelect_ = value;
  if (grid_) grid_->Invalidate();
}

void TMouseActions::SetDisjunct(int which, bool value) {
  disjunct_[which] = value;
  if (value && grid_ && (grid_->ComponentState() & csDesigning))
    for (int other = 0; other < 3; ++other)
      if (other != which) disjunct_[other] = false;
}

// ---- TColumnSize ----

void TColumnSize::Assign(const TPersistent* source) {
  if (const TColumnSize* s = CopyData<TColumnSize, TColumnSizeData>(this, source)) stretch_ = s->stretch_;
}

// Stretching the column to the grid's width comes with the column sizing
// services; the switch is kept for them.
void TColumnSize::SetStretch(bool value) { stretch_ = value; }

// ---- Settings of the look ----

void TGridLookSettings::RepaintGrid() {
  if (grid_) grid_->Invalidate();
}

void TBackGround::SetBitmap(const TBitmap& bitmap) {
  bitmap_.SetImage(bitmap.Image());
  RepaintGrid();
}

void TBackGround::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TBackGround*>(source);
  if (!s || s == this) return;
  top_ = s->top_;
  left_ = s->left_;
  display_ = s->display_;
  bitmap_.SetImage(s->bitmap_.Image());
  cells_ = s->cells_;
  color_ = s->color_;
  colorTo_ = s->colorTo_;
  RepaintGrid();
}

void TBands::RepaintIfActive() {
  if (active_) RepaintGrid();
}

void TBands::SetPrimaryColor(TColor value) {
  primaryColor_ = value;
  RepaintIfActive();
}

void TBands::SetPrimaryLength(int value) {
  primaryLength_ = value;
  RepaintIfActive();
}

void TBands::SetSecondaryColor(TColor value) {
  secondaryColor_ = value;
  RepaintIfActive();
}

void TBands::SetSecondaryLength(int value) {
  secondaryLength_ = value;
  RepaintIfActive();
}

void TBands::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TBands*>(source);
  if (!s || s == this) return;
  active_ = s->active_;
  primaryColor_ = s->primaryColor_;
  primaryLength_ = s->primaryLength_;
  secondaryColor_ = s->secondaryColor_;
  secondaryLength_ = s->secondaryLength_;
  Print = s->Print;
}

void TControlLook::CopyGlyph(TBitmap& own, const TBitmap& glyph) {
  own.SetImage(glyph.Image());
  RepaintGrid();
}

void TControlLook::SetFixedGradientFrom(TColor value) {
  fixedGradientFrom_ = value;
  if (value != clNone && Grid()) Grid()->SetRUDGradFrom(value);
}

void TControlLook::SetFixedGradientTo(TColor value) {
  fixedGradientTo_ = value;
  if (value != clNone && Grid()) Grid()->SetRUDGradTo(value);
}

void TControlLook::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TControlLook*>(source);
  if (!s || s == this) return;
  checkSize_ = s->checkSize_;
  radioSize_ = s->radioSize_;
  controlStyle_ = s->controlStyle_;
  checkedGlyph_.SetImage(s->checkedGlyph_.Image());
  unCheckedGlyph_.SetImage(s->unCheckedGlyph_.Image());
  radioOnGlyph_.SetImage(s->radioOnGlyph_.Image());
  radioOffGlyph_.SetImage(s->radioOffGlyph_.Image());
  progressMarginX_ = s->progressMarginX_;
  progressMarginY_ = s->progressMarginY_;
  commentColor_ = s->commentColor_;
  color_ = s->color_;
  ProgressBorderColor = s->ProgressBorderColor;
  CheckAlwaysActive = s->CheckAlwaysActive;
  RadioAlwaysActive = s->RadioAlwaysActive;
}

// ---- Sorting, grouping and filtering ----

void TSortSettings::SetShow(bool value) {
  if (show_ == value) return;
  show_ = value;
  RepaintGrid();
}

void TSortSettings::SetRow(int value) {
  if (Grid() && value > Grid()->FixedRows()) throw Exception("Sort row should be smaller than number of fixed rows");
  row_ = value;
}

void TSortSettings::Assign(const TPersistent* source) {
  const TSortSettings* s = CopyData<TSortSettings, TSortSettingsData>(this, source);
  if (!s || s == this) return;
  show_ = s->show_;
  row_ = s->row_;
  upGlyph_.SetImage(s->upGlyph_.Image());
  downGlyph_.SetImage(s->downGlyph_.Image());
  indexUpGlyph_.SetImage(s->indexUpGlyph_.Image());
  indexDownGlyph_.SetImage(s->indexDownGlyph_.Image());
}

void TGrouping::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TGrouping*>(source);
  if (!s || s == this) return;
  HeaderColor = s->HeaderColor;
  HeaderColorTo = s->HeaderColorTo;
  HeaderTextColor = s->HeaderTextColor;
  HeaderUnderline = s->HeaderUnderline;
  MergeHeader = s->MergeHeader;
  MergeSummary = s->MergeSummary;
  SummaryColor = s->SummaryColor;
  SummaryColorTo = s->SummaryColorTo;
  SummaryTextColor = s->SummaryTextColor;
  SummaryLine = s->SummaryLine;
}

void TFilterData::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TFilterData*>(source);
  if (!s || s == this) return;
  Column = s->Column;
  Condition = s->Condition;
  CaseSensitive = s->CaseSensitive;
  Data = s->Data;
  Prefix = s->Prefix;
  Suffix = s->Suffix;
  Operation = s->Operation;
}

void TFilter::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TFilter*>(source);
  if (!s || s == this) return;
  Clear();
  for (const auto& item : s->items_) Add()->Assign(item.get());
}

TFilterData* TFilter::Add() { return items_.emplace_back(std::make_unique<TFilterData>()).get(); }

TFilterData* TFilter::Insert(int) { return Add(); }

TFilterData* TFilter::GetItem(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return items_[static_cast<std::size_t>(index)].get();
}

void TFilter::SetItem(int index, const TFilterData& value) { GetItem(index)->Assign(&value); }

void TFilter::Delete(int index) {
  GetItem(index);
  items_.erase(items_.begin() + index);
}

TFilterData* TFilter::GetColFilter(int col) {
  for (const auto& item : items_)
    if (item->Column == col) return item.get();
  TFilterData* added = Add();
  added->Column = static_cast<short>(col);
  return added;
}

// ---- Drag and drop ----

void TDragDropSettings::SetOleDropTarget(bool value) {
  oleDropTarget_ = value;
  if (!grid_ || (grid_->ComponentState() & csDesigning)) return;
  if (value)
    grid_->RegisterOleDropTarget();
  else
    grid_->RevokeOleDropTarget();
}

void TDragDropSettings::SetOleDropRTF(bool value) {
  SetRTFAware(value);
  oleDropRTF_ = value;
}

void TDragScrollDelays::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TDragScrollDelays*>(source);
  if (!s || s == this) return;
  InitialDelay = s->InitialDelay;
  RepeatDelay = s->RepeatDelay;
}

void TDragScrollMargins::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TDragScrollMargins*>(source);
  if (!s || s == this) return;
  TopMargin = s->TopMargin;
  BottomMargin = s->BottomMargin;
  LeftMargin = s->LeftMargin;
  RightMargin = s->RightMargin;
}

void TDragScrollOptions::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TDragScrollOptions*>(source);
  if (!s || s == this) return;
  margins_.Assign(&s->margins_);
  delays_.Assign(&s->delays_);
  Active = s->Active;
}

// ---- Settings that report through their events ----

void TBalloonSettings::SetEnable(bool value) {
  enable_ = value;
  if (OnEnableChange) OnEnableChange(this);
}

void TBalloonSettings::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TBalloonSettings*>(source);
  if (!s || s == this) return;
  TextColor = s->TextColor;
  BackgroundColor = s->BackgroundColor;
  InitialDelay = s->InitialDelay;
  AutoHideDelay = s->AutoHideDelay;
  ReshowDelay = s->ReshowDelay;
  enable_ = s->enable_;
}

void TShowModified::SetColor(TColor value) {
  color_ = value;
  if (OnChange) OnChange(this);
}

void TShowModified::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TShowModified*>(source);
  if (!s || s == this) return;
  Enabled = s->Enabled;
  SetColor(s->color_);
}

// ---- The grid's side ----

namespace {

// Stores a changed value and repaints the grid; an unchanged one does
// nothing.
template <class T>
void RepaintOnChange(TVudUvizidIzed& grid, T& field, T value) {
  if (field == value) return;
  field = value;
  grid.Invalidate();
}

}  // namespace

void TVudUvizidIzed::RegisterOleDropTarget() {
  OleDragDrop().RegisterTarget();
  oleDropTargetRegistered_ = OleDragDrop().TargetRegistered();
}

void TVudUvizidIzed::RevokeOleDropTarget() {
  OleDragDrop().RevokeTarget();
  oleDropTargetRegistered_ = false;
}

void TVudUvizidIzed::SetRUDGradFrom(TColor color) {
  rudFrom_ = ColorToRGB(color);
  Invalidate();
}

void TVudUvizidIzed::SetRUDGradTo(TColor color) {
  rudTo_ = ColorToRGB(color);
  Invalidate();
}

void TVudUvizidIzed::SetActiveCellShow(bool show) {
  settings_.ActiveCellShow = show;
  Invalidate();
}

void TVudUvizidIzed::SetActiveCellColor(TColor color) {
  settings_.ActiveCellColor = color;
  Invalidate();
}

void TVudUvizidIzed::SetActiveCellColorTo(TColor color) {
  settings_.ActiveCellColorTo = color;
  Invalidate();
}

void TVudUvizidIzed::SetURLColor(TColor color) {
  settings_.URLColor = color;
  if (settings_.URLShow) Invalidate();
}

void TVudUvizidIzed::SetURLShow(bool show) {
  settings_.URLShow = show;
  Invalidate();
}

void TVudUvizidIzed::SetLook(TGridLook look) {
  if (settings_.Look == look) return;
  settings_.Look = look;
  Invalidate();
}

void TVudUvizidIzed::ModifiedChanged(TObject*) { InvalidateCol(0); }

void TVudUvizidIzed::SetSelectionColor(TColor color) { RepaintOnChange(*this, settings_.SelectionColor, color); }
void TVudUvizidIzed::SetSelectionColorTo(TColor color) { RepaintOnChange(*this, settings_.SelectionColorTo, color); }
void TVudUvizidIzed::SetSelectionTextColor(TColor color) {
  RepaintOnChange(*this, settings_.SelectionTextColor, color);
}
void TVudUvizidIzed::SetSelectionRectangle(bool on) { RepaintOnChange(*this, settings_.SelectionRectangle, on); }
void TVudUvizidIzed::SetSelectionResizer(bool on) { RepaintOnChange(*this, settings_.SelectionResizer, on); }
void TVudUvizidIzed::SetShowSelection(bool on) { RepaintOnChange(*this, settings_.ShowSelection, on); }

void TVudUvizidIzed::SetVAlignment(TVAlignment alignment) {
  settings_.VAlignment = alignment;
  if (!GetLockFlag()) Invalidate();
}

void TVudUvizidIzed::SetFlat(bool flat) {
  settings_.Flat = flat;
  if (!(ComponentState() & csLoading)) Invalidate();
}

void TVudUvizidIzed::SetFixedFooters(int count) {
  settings_.FixedFooters = count;
  Invalidate();
}

void TVudUvizidIzed::SetFixedRightCols(int count) {
  settings_.FixedRightCols = count;
  Invalidate();
}

void TVudUvizidIzed::SetMaxEditLength(int length) {
  settings_.MaxEditLength = length;
  if (TInplaceEdit* editor = InplaceEditor()) editor->SetMaxLength(length);
}

void TVudUvizidIzed::SetIntegralHeight(bool on) {
  settings_.IntegralHeight = on;
  SetBounds(Left(), Top(), Width(), Height());
}

void TVudUvizidIzed::SetScrollBarAlways(TScrollBarAlways always) {
  settings_.ScrollBarAlways = always;
  UpdateScrollBars(true);
}
