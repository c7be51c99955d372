#pragma once
// The Unicode editor controls: an edit, a memo, an edit with a button and a
// combo box whose Text is a WideString, with the wide text accessors and
// character handling they share.
//
// Qt's widgets hold UTF-16 text and are never re-created, so what the
// controls need of a Unicode window comes down to three things here: their
// text read and written as WideString (setting the same text again notifies
// nobody), character messages that carry the whole UTF-16 code unit, and an
// input method's result entered character by character through them.
#include "framework/codec.h"
#include "grid/zgcombo.h"
#include "grid/zgedit.h"
#include "grid/zguni_strings.h"

class QEvent;
class QObject;

// A control whose window holds UTF-16 text.
class TWideTextWindow {
 public:
  virtual WideString WideWindowText() const = 0;
  // Stores the text without telling anyone.
  virtual void StoreWideWindowText(const WideString& text) = 0;

 protected:
  ~TWideTextWindow() = default;
};

// The control's text; any control's, widened, when it holds no UTF-16 text
// of its own.
WideString GetWideWindowText(const TWinControl* control);
// Stores the text and then performs CM_TEXTCHANGED; an equal text changes
// nothing and sends nothing.
void SetWideWindowText(TWinControl* control, const WideString& text);
// Key-press handlers take one byte: a character above U+00FF moves into the
// high word of WParam, the low word becomes 0xFF.
void HideWideChar(TMessage& message);
// Undoes HideWideChar unless a handler replaced the 0xFF; clears the high
// word.
void RestoreWideChar(TMessage& message);
bool IsWindowTextMessage(unsigned msg);
// An input method's committed text goes to the control as one WM_CHAR per
// character, in order; what its handlers let through reaches the widget in
// place of the original event. True when the event was such a commit.
bool InsertImeResult(TWinControl* control, QObject* source, QEvent* event);

// The wide text and character handling over a control class.
template <class TBase>
class TWideControl : public TBase, public TWideTextWindow {
 public:
  using TBase::TBase;
  WideString Text() const { return GetWideWindowText(this); }
  void SetText(const WideString& text) { SetWideWindowText(this, text); }
  void SetText(const AnsiString& text) override { SetWideWindowText(this, Utf8ToWide(text)); }
  bool HandleQtEvent(QObject* source, QEvent* event) override {
    return InsertImeResult(this, source, event) || TBase::HandleQtEvent(source, event);
  }

 protected:
  bool WideCharMessages() const override { return true; }
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_CHAR) HideWideChar(message);
    TBase::WndProc(message);
  }
  void DefaultHandler(TMessage& message) override {
    if (message.Msg == WM_CHAR) RestoreWideChar(message);
    TBase::DefaultHandler(message);
  }
};

class TCustomUNIEdit : public TWideControl<TEdit> {
 public:
  using TWideControl<TEdit>::TWideControl;
  using TEdit::SetSelText;
  WideString SelText() const;
  void SetSelText(const WideString& text);
  WideString WideWindowText() const override;
  void StoreWideWindowText(const WideString& text) override;
};

class TZurUniEdit : public TCustomUNIEdit {
 public:
  using TCustomUNIEdit::TCustomUNIEdit;
};

class TZurUniCustomMemo : public TWideControl<TMemo> {
 public:
  // 200 x 100, without word wrap, returns or tabs.
  explicit TZurUniCustomMemo(TComponent* owner);
  WideString WideWindowText() const override;
  void StoreWideWindowText(const WideString& text) override;

 protected:
  void WndProc(TMessage& message) override;
};

class TZurUniMemo : public TZurUniCustomMemo {
 public:
  using TZurUniCustomMemo::TZurUniCustomMemo;
};

// The edit with a button over the Unicode edit; a new one is empty.
class TZurUniEditBtn : public TEditWithButton<TCustomUNIEdit> {
 public:
  using TEditWithButton<TCustomUNIEdit>::TEditWithButton;
};

class TCustomUNIComboBox;

// The items of a Unicode combo, kept in the combo's list.
class TComboBoxStrings : public TWideStrings {
 public:
  explicit TComboBoxStrings(TCustomUNIComboBox* combo) : combo_(combo) {}
  // Empty for an index outside the list.
  WideString Get(int index) const override;
  int GetCount() const override;
  // Keeps the text in the combo's edit part.
  void Clear() override;
  void Delete(int index) override;
  // Exception "Unable to insert a line" when the index is outside the list.
  void Insert(int index, const WideString& s) override;
  int Add(const WideString& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void SetUpdateState(bool updating) override;

 private:
  TCustomUNIComboBox* combo_;
};

class TCustomUNIComboBox : public TWideControl<TComboBox> {
 public:
  explicit TCustomUNIComboBox(TComponent* owner);
  ~TCustomUNIComboBox() override;

  TWideStrings* Items() const { return items_.get(); }
  void SetItems(const TWideStrings& items) { items_->Assign(&items); }
  // The selected part of an editable combo's text; empty (and not
  // settable) for a drop-down list.
  WideString SelText() const;
  void SetSelText(const WideString& text);
  WideString WideWindowText() const override;
  void StoreWideWindowText(const WideString& text) override;

 protected:
  // Called for each character typed into the edit part before the key
  // press handlers see it.
  virtual void DoEditCharMsg(TMessage& message);
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // The chosen item becomes the text; then OnClick, OnSelect, OnChange.
  void Select() override;

 private:
  std::unique_ptr<TComboBoxStrings> items_;
};

class TZurUniCustomCombo : public TFlatComboOf<TCustomUNIComboBox> {
 public:
  using TFlatComboOf<TCustomUNIComboBox>::TFlatComboOf;

 protected:
  bool InsetButton() const override { return true; }
};

class TZurUniComboBox : public TZurUniCustomCombo {
 public:
  using TZurUniCustomCombo::TZurUniCustomCombo;
};
