// The edits with an embedded button: layout, keys, focus, cut and paste.
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <algorithm>
#include <memory>

#include "framework/messaging.h"
#include "framework/services.h"
#include "grid/zgedit.h"
#include "grid/zguni.h"

namespace {

// The gap between the text and the button, and between the unit text and
// the button.
constexpr int kButtonGap = 3;

// The actions of the line edit's own menu that change the text.
bool ChangesText(const QAction* action) {
  static const char* const kEditing[] = {"edit-undo", "edit-redo", "edit-cut", "edit-paste", "edit-delete"};
  return std::any_of(std::begin(kEditing), std::end(kEditing),
                     [&](const char* name) { return action->objectName() == name; });
}

}  // namespace

template <class TEditBase>
TEditWithButton<TEditBase>::TEditWithButton(TComponent* owner)
    : TEditBase(owner), button_(new TZurEditButton(this)) {
  button_->SetBounds(0, 0, buttonWidth_, 18);
  button_->SetParent(this);
  button_->SetFocusControl(this);
  button_->OnClick = [this](TObject* sender) { BtnClick(sender); };
  Relayout();
}

template <class TEditBase>
void TEditWithButton<TEditBase>::SetRightAlign(bool on) {
  rightAlign_ = on;
  this->LineEdit()->setAlignment((on ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

template <class TEditBase>
void TEditWithButton<TEditBase>::SetButtonWidth(int width) {
  buttonWidth_ = width;
  Relayout();
}

template <class TEditBase>
void TEditWithButton<TEditBase>::SetIsWinXP(bool on) {
  isWinXP_ = on;
  button_->Button()->SetIsWinXP(on);
}

template <class TEditBase>
void TEditWithButton<TEditBase>::SetBorderStyle(TFormBorderStyle style) {
  borderStyle_ = style == bsNone ? bsNone : bsSingle;
  this->LineEdit()->setFrame(borderStyle_ == bsSingle);
  Relayout();
}

template <class TEditBase>
void TEditWithButton<TEditBase>::SetUnitSize(int size) {
  unitSize_ = std::max(size, 0);
  Relayout();
}

template <class TEditBase>
TRect TEditWithButton<TEditBase>::TextRect() const {
  // The edit's own frame takes two pixels a side; the text keeps one more
  // from it (two without a frame).
  const int frame = borderStyle_ == bsSingle ? 2 : 0;
  const int margin = borderStyle_ == bsSingle ? 1 : 2;
  const int clientWidth = this->Width() - 2 * frame, clientHeight = this->Height() - 2 * frame;
  int right = clientWidth - buttonWidth_ - kButtonGap - unitSize_;
  if (unitSize_ > 0) right -= kButtonGap;
  return {frame + margin, frame + margin, frame + right, frame + clientHeight + 1};
}

template <class TEditBase>
int TEditWithButton<TEditBase>::MinimumHeight() const {
  const int own = QFontMetrics(this->LineEdit()->font()).height();
  const int system = QFontMetrics(QApplication::font()).height();
  return own + std::min(own, system) / 4;
}

template <class TEditBase>
void TEditWithButton<TEditBase>::Relayout() {
  const bool framed = borderStyle_ == bsSingle;
  const int inset = framed ? 5 : 1, frame = framed ? 2 : 0;
  button_->SetBounds(this->Width() - buttonWidth_ - inset + frame, frame, buttonWidth_,
                     std::max(this->Height() - inset, 0));
  const TRect text = TextRect();
  this->LineEdit()->setTextMargins(0, 0, std::max(this->Width() - text.Right, 0), 0);
}

template <class TEditBase>
void TEditWithButton<TEditBase>::BtnClick(TObject*) {
  if (OnClickBtn) OnClickBtn(this);
}

template <class TEditBase>
void TEditWithButton<TEditBase>::KeyDown(unsigned short& key, TShiftState shift) {
  TEditBase::KeyDown(key, shift);
  if (key == VK_F4) BtnClick(this);
}

template <class TEditBase>
void TEditWithButton<TEditBase>::PasteOrCut(unsigned msg) {
  if (!editorEnabled_ || this->ReadOnly()) return;
  this->PasteOrCutSelection(msg);
}

// Keys that change the text otherwise than by a character: paste and cut
// go through their messages; Delete is refused while the editor is off.
template <class TEditBase>
bool TEditWithButton<TEditBase>::HandleEditingKey(TMessage& m) {
  const auto key = static_cast<unsigned short>(m.WParam);
  const TShiftState shift = KeyboardShiftState();
  if (const unsigned command = ClipboardCommandOfKey(key, shift)) {
    this->Perform(command);
    return true;
  }
  return key == VK_DELETE && !editorEnabled_;
}

template <class TEditBase>
void TEditWithButton<TEditBase>::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SIZE:
      TEditBase::WndProc(m);
      if (this->Height() < MinimumHeight()) {
        this->SetHeight(MinimumHeight());
        return;
      }
      Relayout();
      return;
    case WM_KEYDOWN:
      TEditBase::WndProc(m);
      if (m.Defaulted && HandleEditingKey(m)) m.Defaulted = false;
      return;
    case WM_CHAR:
      if (editorEnabled_) TEditBase::WndProc(m);
      return;
    case WM_PASTE: case WM_CUT:
      PasteOrCut(m.Msg);
      return;
    case CM_ENTER:
      // Selected on any entry: a click into the text places the caret
      // right after, as the click of a mouse does.
      if (autoSelect_) this->SelectAll();
      break;
    default: break;
  }
  TEditBase::WndProc(m);
}

template <class TEditBase>
bool TEditWithButton<TEditBase>::HandleQtEvent(QObject* source, QEvent* event) {
  if (event->type() == QEvent::ContextMenu && !editorEnabled_ && !this->PopupMenu()) {
    ShowContextMenu(source, event);
    return true;
  }
  return TEditBase::HandleQtEvent(source, event);
}

// The line edit's own menu without its editing commands.
template <class TEditBase>
void TEditWithButton<TEditBase>::ShowContextMenu(QObject*, QEvent* event) {
  std::unique_ptr<QMenu> menu(this->LineEdit()->createStandardContextMenu());
  for (QAction* action : menu->actions())
    if (ChangesText(action)) action->setEnabled(false);
  menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
}

template class TEditWithButton<TEdit>;
template class TEditWithButton<TCustomUNIEdit>;

// ---- TZurEditBtn ----

TZurEditBtn::TZurEditBtn(TComponent* owner) : TEditWithButton<TEdit>(owner) { SetText("0"); }
