#include "grid/gridcombo.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>

#include "framework/messaging.h"
#include "grid/duruzav.h"

namespace {

// The longest completion taken from one item.
constexpr int kMaxCompletion = 255;

QStringList ItemTexts(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

QStringList LookupTexts(const TStrings& list) {
  QStringList items;
  for (int i = 0; i < list.Count(); ++i) items << QString::fromStdString(list[i]);
  return items;
}

bool IsKeyOf(unsigned short key, std::initializer_list<unsigned short> keys) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

}  // namespace

template <class TBase>
TGridComboOf<TBase>::TGridComboOf(TComponent* owner) : TGridEditorOf<TBase>(owner) {
  this->SetButtonWidth(16);
}

template <class TBase>
void TGridComboOf<TBase>::SizeDropDownWidth() {
  const QComboBox* combo = this->ComboBox();
  const QFontMetrics metrics(combo->font());
  const bool scrolling = combo->count() > this->DropDownCount();
  int width = this->Width();
  for (const QString& item : ItemTexts(combo)) {
    const int textWidth = metrics.horizontalAdvance(item);
    if (scrolling && width - 25 < textWidth) width = textWidth + 25;
    if (!scrolling && width - 5 < textWidth) width = textWidth + 8;
  }
  this->SetDropWidth(width);
}

template <class TBase>
int TGridComboOf<TBase>::CompletingItem(const QString& prefix, const QStringList& items) const {
  const Qt::CaseSensitivity cs = this->grid_->Props().LookupCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (int i = 0; i < items.size(); ++i)
    if (items[i].startsWith(prefix, cs)) return i;
  return -1;
}

template <class TBase>
void TGridComboOf<TBase>::Complete(const QString& typed, const QString& item) {
  QLineEdit* line = this->ComboBox()->lineEdit();
  line->setText((typed + item.mid(typed.size())).left(kMaxCompletion));
  line->setSelection(static_cast<int>(typed.size()), static_cast<int>(line->text().size() - typed.size()));
  completed_ = true;
}

template <class TBase>
void TGridComboOf<TBase>::DoChange() {
  QLineEdit* line = this->ComboBox()->lineEdit();
  if (!completionAllowed_ || !this->grid_->Props().Lookup || !line) return;
  const int caret = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
  const QString typed = line->text().left(caret);
  if (typed.isEmpty()) return;
  if (const int item = CompletingItem(typed, ItemTexts(this->ComboBox())); item >= 0) {
    this->SetItemIndex(item);
    lastCompleted_ = item;
    Complete(typed, this->ComboBox()->itemText(item));
    return;
  }
  const QStringList lookup = LookupTexts(*this->grid_->LookupItems());
  if (const int entry = CompletingItem(typed, lookup); entry >= 0) Complete(typed, lookup[entry]);
}

template <class TBase>
void TGridComboOf<TBase>::DoExit() {
  QComboBox* combo = this->ComboBox();
  const QString text = combo->currentText();
  if (this->grid_->Props().LookupHistory && !text.isEmpty() && combo->findText(text, Qt::MatchExactly) < 0)
    this->Items()->Add(this->Text());
  TGridEditorOf<TBase>::DoExit();
}

template <class TBase>
void TGridComboOf<TBase>::Change() {
  TBase::Change();
  TVudUvizidIzed* grid = this->grid_;
  if (grid->OnEditChange)
    grid->OnEditChange(grid, grid->Col(), grid->Row(), this->ComboBox()->currentText().toStdString());
}

template <class TBase>
void TGridComboOf<TBase>::KeyDown(unsigned short& key, TShiftState shift) {
  completionAllowed_ = key != VK_BACK && key != VK_DELETE;
  completed_ = false;
  const bool listMode = this->Style() == csDropDownList || this->DroppedDown();
  const bool handled = !(key == VK_DOWN && (shift & ssAlt)) &&
                       (listMode ? IsKeyOf(key, {VK_TAB, VK_RETURN, VK_ESCAPE, VK_LEFT, VK_RIGHT})
                                 : IsKeyOf(key, {VK_TAB, VK_RETURN, VK_ESCAPE, VK_PRIOR, VK_NEXT, VK_END, VK_UP,
                                                 VK_DOWN}));
  if (!handled) {
    TBase::KeyDown(key, shift);
    return;
  }
  TVudUvizidIzed* grid = this->grid_;
  if (key == VK_ESCAPE) {
    const AnsiString cell = grid->GetCurrentCell();
    this->SetText(cell);
    const int index = this->ComboBox()->findText(QString::fromStdString(cell), Qt::MatchExactly);
    if (index >= 0) this->SetItemIndex(index);
  }
  if (IsKeyOf(key, {VK_TAB, VK_RETURN, VK_UP, VK_DOWN}) && !this->CommitAndValidate()) {
    key = 0;
    return;
  }
  if (this->TabToNextCell(key, shift)) {
    key = 0;
    return;
  }
  if (listMode) {
    grid->HideInplaceEdit();
    // The grid moves once: the key is spent here.
    if (key == VK_LEFT || key == VK_RIGHT) {
      grid->Perform(WM_KEYDOWN, key);
      key = 0;
    }
  }
  grid->DoneInplaceEdit(key, shift);
  key = 0;
  TBase::KeyDown(key, shift);
}

template <class TBase>
void TGridComboOf<TBase>::KeyPress(char& key) {
  const int before = this->ItemIndex();
  if (key == VK_RETURN && OnReturnKey) OnReturnKey(this);
  if (key == VK_TAB || key == VK_RETURN) key = 0;
  TBase::KeyPress(key);
  const int after = this->ItemIndex();
  if (after != before) FireComboChange(after, this->ComboBox()->currentText().toStdString(), false);
}

template <class TBase>
void TGridComboOf<TBase>::KeyUp(unsigned short& key, TShiftState shift) {
  if (key != VK_RETURN) TBase::KeyUp(key, shift);
  DoChange();
}

template <class TBase>
void TGridComboOf<TBase>::FireComboChange(int index, const AnsiString& selection, bool withObject) {
  TVudUvizidIzed* grid = this->grid_;
  const int col = grid->RealColIndex(grid->Col());
  if (grid->OnComboChange) grid->OnComboChange(grid, col, grid->Row(), index, selection);
  if (withObject && grid->OnComboObjectChange) {
    TObject* object = index >= 0 && index < this->Items()->Count() ? this->Items()->GetObject(index) : nullptr;
    grid->OnComboObjectChange(grid, col, grid->Row(), index, selection, object);
  }
}

template <class TBase>
void TGridComboOf<TBase>::WheelStep(int delta) {
  const int count = this->ComboBox()->count();
  int index = this->ItemIndex();
  if (delta < 0 && index + 1 < count) ++index;
  if (delta > 0) index = std::max(index - 1, 0);
  if (count > 0) this->SetItemIndex(index);
  FireComboChange(index, this->ComboBox()->itemText(index).toStdString(), true);
}

template <class TBase>
void TGridComboOf<TBase>::PlaceCaretFromClick() {
  TGridEditControls& state = this->grid_->EditControls();
  QLineEdit* line = this->ComboBox()->lineEdit();
  if (!state.caretOnClick || !line) return;
  const TPoint p = this->ScreenToClient(GetCursorPos());
  if (!this->ClientRect().Contains(p)) return;
  const QPoint inLine = line->mapFrom(this->Widget(), QPoint(p.X, p.Y));
  const int position = line->cursorPositionAt(inLine);
  if (position < 0) return;
  line->setCursorPosition(position);
  state.caretOnClick = false;
}

template <class TBase>
void TGridComboOf<TBase>::WndProc(TMessage& message) {
  if (message.Msg == WM_MOUSEWHEEL) {
    WheelStep(HiWord(static_cast<LPARAM>(message.WParam)));
    message.Result = 0;
    return;
  }
  TGridEditorOf<TBase>::WndProc(message);
  if (message.Msg == WM_SETFOCUS) PlaceCaretFromClick();
}

template class TGridComboOf<TZurComboBox>;
template class TGridComboOf<TZurUniComboBox>;
