// The Unicode combo box and its item list.
#include <QComboBox>
#include <QLineEdit>

#include "grid/zguni.h"

namespace {

constexpr const char* kInsertLineError = "Unable to insert a line";

bool Editable(TComboBoxStyle style) { return style == csDropDown || style == csSimple; }

}  // namespace

// ---- TComboBoxStrings ----

WideString TComboBoxStrings::Get(int index) const {
  TStrings* items = combo_->TComboBox::Items();
  if (index < 0 || index >= items->Count()) return {};
  return Utf8ToWide(items->Get(index));
}

int TComboBoxStrings::GetCount() const { return combo_->TComboBox::Items()->Count(); }

void TComboBoxStrings::Clear() {
  const WideString text = GetWideWindowText(combo_);
  combo_->TComboBox::Items()->Clear();
  SetWideWindowText(combo_, text);
  combo_->Invalidate();
}

void TComboBoxStrings::Delete(int index) { combo_->TComboBox::Items()->Delete(index); }

void TComboBoxStrings::Insert(int index, const WideString& s) {
  TStrings* items = combo_->TComboBox::Items();
  if (index < 0 || index > items->Count()) throw Exception(kInsertLineError);
  items->Insert(index, WideToUtf8(s));
}

int TComboBoxStrings::Add(const WideString& s) { return combo_->TComboBox::Items()->Add(WideToUtf8(s)); }

TObject* TComboBoxStrings::GetObject(int index) const { return combo_->TComboBox::Items()->GetObject(index); }

void TComboBoxStrings::PutObject(int index, TObject* object) {
  combo_->TComboBox::Items()->PutObject(index, object);
}

void TComboBoxStrings::SetUpdateState(bool updating) {
  if (updating) combo_->TComboBox::Items()->BeginUpdate();
  else combo_->TComboBox::Items()->EndUpdate();
}

// ---- TCustomUNIComboBox ----

TCustomUNIComboBox::TCustomUNIComboBox(TComponent* owner)
    : TWideControl<TComboBox>(owner), items_(std::make_unique<TComboBoxStrings>(this)) {}

TCustomUNIComboBox::~TCustomUNIComboBox() = default;

WideString TCustomUNIComboBox::WideWindowText() const { return ComboBox()->currentText().toStdU16String(); }

void TCustomUNIComboBox::StoreWideWindowText(const WideString& text) { TComboBox::SetText(WideToUtf8(text)); }

WideString TCustomUNIComboBox::SelText() const {
  if (!Editable(Style()) || !ComboBox()->lineEdit()) return {};
  return ComboBox()->lineEdit()->selectedText().toStdU16String();
}

void TCustomUNIComboBox::SetSelText(const WideString& text) {
  if (!Editable(Style()) || !ComboBox()->lineEdit()) return;
  ComboBox()->lineEdit()->insert(QString::fromStdU16String(text));
}

void TCustomUNIComboBox::DoEditCharMsg(TMessage&) {}

void TCustomUNIComboBox::WndProc(TMessage& m) {
  if (m.Msg == WM_CHAR) {
    HideWideChar(m);
    DoEditCharMsg(m);
  }
  TWideControl<TComboBox>::WndProc(m);
}

// Enter and Escape close a dropped-down list and go no further.
void TCustomUNIComboBox::DefaultHandler(TMessage& m) {
  if (m.Msg == WM_CHAR) {
    RestoreWideChar(m);
    const WPARAM ch = m.WParam & 0xFFFF;
    if ((ch == '\r' || ch == 27) && DroppedDown()) {
      SetDroppedDown(false);
      return;
    }
  }
  TWideControl<TComboBox>::DefaultHandler(m);
}

void TCustomUNIComboBox::Select() {
  SetText(items_->Get(ItemIndex()));
  Click();
  TWideControl<TComboBox>::Select();
}
