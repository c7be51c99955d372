// The grid's settings objects: defaults, setters with side effects and the
// copying Assign of each.
#include "grid/duruzav.h"

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
