#pragma once
// The standard controls, each over the matching Qt widget so that typing,
// selection and input methods are Qt's.
#include <functional>
#include <vector>

#include "framework/controls.h"
#include "framework/strings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTextDocument;
class QTextEdit;

// The item list of a list control: kept here and mirrored into the widget
// through the hooks.
class TControlStrings : public TStrings {
 public:
  struct Hooks {
    std::function<void(int, const AnsiString&)> insert;
    std::function<void(int)> remove;
    std::function<void(int, const AnsiString&)> put;
    std::function<void()> clear;
  };
  explicit TControlStrings(Hooks hooks) : hooks_(std::move(hooks)) {}
  int Count() const override { return static_cast<int>(items_.size()); }
  AnsiString Get(int index) const override;
  void Put(int index, const AnsiString& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const AnsiString& s) override;
  void Delete(int index) override;
  void Clear() override;
  // A sorted list inserts in order (case-insensitive).
  bool Sorted() const { return sorted_; }
  void SetSorted(bool on);
  int Add(const AnsiString& s) override;

 private:
  struct Item {
    AnsiString text;
    TObject* object = nullptr;
  };
  std::vector<Item> items_;
  Hooks hooks_;
  bool sorted_ = false;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  void SetText(const AnsiString& text) override;
  // Sets the form's ModalResult (when non-zero), then fires OnClick.
  void Click() override;
  // The width at which the caption shows uncut, by the font's metrics and
  // the style's margins.
  int FittingWidth() const;

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = 0;
};

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner);
  void SetText(const AnsiString& text) override;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  // With ShowAccelChar (the default) "&x" underlines x and "&&" is "&".
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool on);

 protected:
  bool ClicksOnMouseUp() const override { return true; }
  void ColorChanged() override;
  void FontChanged() override;
  // An auto-sized label takes the size of its text once its window is
  // built, whatever size it was placed with.
  void Loaded() override;

 private:
  void UpdateLabel();
  QLabel* label_;
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  bool wordWrap_ = false;
  bool transparent_ = true;
  bool showAccelChar_ = true;
};

enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };

class TStaticText : public TWinControl {
 public:
  explicit TStaticText(TComponent* owner);
  void SetText(const AnsiString& text) override;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TStaticBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TStaticBorderStyle style);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on) { autoSize_ = on; }

 protected:
  bool ClicksOnMouseUp() const override { return true; }
  void ColorChanged() override;
  void Loaded() override;

 private:
  void FitToText();
  QLabel* label_;
  TAlignment alignment_ = taLeftJustify;
  TStaticBorderStyle borderStyle_ = sbsNone;
  bool autoSize_ = true;
};

// WM_PASTE for the keys that paste in an edit (Ctrl+V, Shift+Insert), WM_CUT
// for those that cut (Ctrl+X, Shift+Delete), 0 for any other.
unsigned ClipboardCommandOfKey(unsigned short key, TShiftState shift);

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);
  AnsiString GetText() const override;
  void SetText(const AnsiString& text) override;
  int MaxLength() const;
  void SetMaxLength(int length);
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char c);
  bool ReadOnly() const;
  void SetReadOnly(bool on);
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  AnsiString SelText() const;
  void SetSelText(const AnsiString& text);
  void SelectAll();
  // Pastes the clipboard's text over the selection (WM_PASTE) or moves the
  // selection to the clipboard (WM_CUT), through the clipboard service.
  void PasteOrCutSelection(unsigned msg);
  void Clear() { SetText(""); }
  bool Modified() const { return modified_; }
  void SetModified(bool on) { modified_ = on; }
  QLineEdit* LineEdit() const { return edit_; }

  // Fires for every change of the text, typed or set.
  TNotifyEvent OnChange;

 protected:
  void ColorChanged() override;
  virtual void Change();

 private:
  QLineEdit* edit_;
  char passwordChar_ = 0;
  bool modified_ = false;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  ~TMemo() override;
  TStrings* Lines() { return lines_.get(); }
  AnsiString GetText() const override;
  void SetText(const AnsiString& text) override;
  bool ReadOnly() const;
  void SetReadOnly(bool on);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle style);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool on) { wantReturns_ = on; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool on);
  void Clear() { SetText(""); }
  QPlainTextEdit* TextEdit() const { return edit_; }

  TNotifyEvent OnChange;

 protected:
  bool WantsDialogKey(unsigned short key) const override;
  void ColorChanged() override;

 private:
  QPlainTextEdit* edit_;
  std::unique_ptr<TStrings> lines_;
  bool wordWrap_ = true;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  TScrollStyle scrollBars_ = ssNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* owner);
  void SetText(const AnsiString& text) override;
  bool Checked() const { return State() == cbChecked; }
  // A change of state, from the user or from code, fires OnClick.
  void SetChecked(bool on) { SetState(on ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const;
  void SetState(TCheckBoxState state);
  bool AllowGrayed() const;
  void SetAllowGrayed(bool on);
};

class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* owner);
  void SetText(const AnsiString& text) override;
  bool Checked() const;
  // Checking a button, from the user or from code, fires its OnClick and
  // unchecks the other radio buttons of the same parent.
  void SetChecked(bool on);
};

class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner);
  void SetText(const AnsiString& text) override;
  TRect ClientRect() const override;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* owner);
  ~TComboBox() override;
  TStrings* Items() { return items_.get(); }
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  int ItemIndex() const;
  // Code changes of the selection and text do not fire OnChange.
  void SetItemIndex(int index);
  AnsiString GetText() const override;
  void SetText(const AnsiString& text) override;
  int DropDownCount() const;
  void SetDropDownCount(int count);
  bool Sorted() const;
  void SetSorted(bool on);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length);
  bool DroppedDown() const;
  void SetDroppedDown(bool on);
  void Clear();
  QComboBox* ComboBox() const { return combo_; }

  // Fires when the user chooses an item or types; never for changes made
  // from code.
  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

 protected:
  bool WantsDialogKey(unsigned short key) const override;
  virtual void Change();
  // The user chose an item from the list: OnSelect, then Change.
  virtual void Select();
  void ColorChanged() override;

 private:
  QComboBox* combo_;
  std::unique_ptr<TControlStrings> items_;
  TComboBoxStyle style_ = csDropDown;
  int maxLength_ = 0;
};

class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* owner);
  ~TListBox() override;
  TStrings* Items() { return items_.get(); }
  int ItemIndex() const;
  // Code changes of the selection do not fire OnClick.
  void SetItemIndex(int index);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int height);
  bool MultiSelect() const;
  void SetMultiSelect(bool on);
  bool Selected(int index) const;
  void SetSelected(int index, bool on);
  int SelCount() const;
  bool Sorted() const;
  void SetSorted(bool on);
  int TopIndex() const;
  void Clear();
  QListWidget* ListWidget() const { return list_; }

 protected:
  void ColorChanged() override;

 private:
  QListWidget* list_;
  std::unique_ptr<TControlStrings> items_;
  int itemHeight_ = 13;
  int programmatic_ = 0;
};

// A text control whose characters carry fonts, sizes, styles and colours.
// Its document is where formatted text is read into and written from; the
// file formats of such text belong to the units that use them.
class TCustomRichEdit : public TWinControl {
 public:
  explicit TCustomRichEdit(TComponent* owner);
  ~TCustomRichEdit() override;

  QTextDocument* Document() const;
  // The text without its formats, lines ended by CR LF.
  AnsiString GetText() const override;
  void SetText(const AnsiString& text) override;
  void Clear();
  bool WordWrap() const { return wordWrap_; }
  // Switching the wrap asks for the size the text needs again.
  void SetWordWrap(bool on);
  QTextEdit* TextEdit() const { return edit_; }
  void SelectAll();
  int SelStart() const;
  int SelLength() const;
  // Where the text is laid out, in client pixels: the text keeps r's left
  // and top and ends at its right edge.
  void SetFormattingRect(const TRect& r);
  const TRect& FormattingRect() const { return formattingRect_; }
  // Lays the text out now and asks for the size it needs, changed or not.
  // Otherwise the control asks whenever that size changes.
  void RequestSize();

  TNotifyEvent OnChange;
  TNotifyEvent OnSelectionChange;

 protected:
  void ColorChanged() override;
  void Resize() override;
  // The size the control needs to show all its text (in the width it
  // wraps at, or its widest line without wrap) has changed to
  // requested.Width() x requested.Height(): the resize request.
  virtual void RequestResize(const TRect& requested) { (void)requested; }

 private:
  void ApplyFormattingRect();
  // Asks for the size the text needs; unless forced, only when it changed.
  void SendResizeRequest(bool force);
  QTextEdit* edit_;
  bool wordWrap_ = true;
  TRect formattingRect_{0, 0, 0, 0};
  bool formattingRectSet_ = false;
  TSize requested_{-1, -1};
};

class TRichEdit : public TCustomRichEdit {
 public:
  using TCustomRichEdit::TCustomRichEdit;
};
