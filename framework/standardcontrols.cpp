#include "framework/standardcontrols.h"

#include <QAbstractItemView>
#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cmath>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/messaging.h"
#include "framework/services.h"

namespace {

QString ToQt(const AnsiString& s) { return QString::fromStdString(s); }

void SetBackground(QWidget* widget, QPalette::ColorRole role, TColor color) {
  QPalette palette = widget->palette();
  palette.setColor(role, ToQColor(color));
  widget->setPalette(palette);
}

// Connects a Qt signal to a control's handler behind the exception boundary.
template <class Sender, class Signal, class Fn>
void Connect(Sender* sender, Signal signal, TObject* control, Fn fn) {
  QObject::connect(sender, signal, sender, [control, fn](auto&&...) { Application->Guard(control, fn); });
}

Qt::Alignment QtAlignment(TAlignment a) {
  switch (a) {
    case taRightJustify: return Qt::AlignRight | Qt::AlignTop;
    case taCenter: return Qt::AlignHCenter | Qt::AlignTop;
    default: return Qt::AlignLeft | Qt::AlignTop;
  }
}

// Label text without access-key marks: "&&" is "&", a lone "&" is dropped.
QString WithoutAccel(const AnsiString& text) {
  AnsiString out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return ToQt(out);
}

}  // namespace

// ---- TControlStrings ----

AnsiString TControlStrings::Get(int index) const {
  CheckIndex(index, Count());
  return items_[index].text;
}

void TControlStrings::Put(int index, const AnsiString& s) {
  CheckIndex(index, Count());
  items_[index].text = s;
  if (hooks_.put) hooks_.put(index, s);
}

TObject* TControlStrings::GetObject(int index) const {
  CheckIndex(index, Count());
  return items_[index].object;
}

void TControlStrings::PutObject(int index, TObject* object) {
  CheckIndex(index, Count());
  items_[index].object = object;
}

void TControlStrings::Insert(int index, const AnsiString& s) {
  CheckIndex(index, Count() + 1);
  items_.insert(items_.begin() + index, Item{s, nullptr});
  if (hooks_.insert) hooks_.insert(index, s);
}

int TControlStrings::Add(const AnsiString& s) {
  int index = Count();
  if (sorted_) {
    index = static_cast<int>(std::upper_bound(items_.begin(), items_.end(), s,
                                              [](const AnsiString& v, const Item& item) {
                                                return CompareText(v, item.text) < 0;
                                              }) - items_.begin());
  }
  Insert(index, s);
  return index;
}

void TControlStrings::Delete(int index) {
  CheckIndex(index, Count());
  items_.erase(items_.begin() + index);
  if (hooks_.remove) hooks_.remove(index);
}

void TControlStrings::Clear() {
  items_.clear();
  if (hooks_.clear) hooks_.clear();
}

void TControlStrings::SetSorted(bool on) {
  if (sorted_ == on) return;
  sorted_ = on;
  if (!on) return;
  std::vector<Item> items = items_;
  std::stable_sort(items.begin(), items.end(),
                   [](const Item& a, const Item& b) { return CompareText(a.text, b.text) < 0; });
  BeginUpdate();
  Clear();
  for (const Item& item : items) {
    items_.push_back(item);
    if (hooks_.insert) hooks_.insert(Count() - 1, item.text);
  }
  EndUpdate();
}

// ---- TButton ----

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  auto* button = new QPushButton();
  button->setAutoDefault(false);
  AttachWidget(button);
  SetBounds(0, 0, 75, 25);
  Connect(button, &QPushButton::clicked, this, [this] { Click(); });
}

void TButton::SetDefault(bool on) {
  default_ = on;
  static_cast<QPushButton*>(Widget())->setDefault(on);
}

void TButton::SetText(const AnsiString& text) {
  TWinControl::SetText(text);
  static_cast<QPushButton*>(Widget())->setText(ToQt(text));
}

void TButton::Click() {
  if (modalResult_ != 0)
    if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
  TWinControl::Click();
}

int TButton::FittingWidth() const { return Widget()->sizeHint().width(); }

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TControl(owner), label_(new QLabel()) {
  label_->setFocusPolicy(Qt::NoFocus);
  AttachWidget(label_);
  SetBounds(0, 0, 32, 13);
  UpdateLabel();
}

void TLabel::UpdateLabel() {
  label_->setText(showAccelChar_ ? WithoutAccel(Caption()) : ToQt(Caption()));
  label_->setAlignment(QtAlignment(alignment_));
  label_->setWordWrap(wordWrap_);
  label_->setAutoFillBackground(!transparent_);
  if (autoSize_) {
    const QSize hint = wordWrap_ ? QSize(Width(), label_->heightForWidth(Width())) : label_->sizeHint();
    SetBounds(Left(), Top(), hint.width(), hint.height());
  }
}

void TLabel::SetText(const AnsiString& text) {
  TControl::SetText(text);
  UpdateLabel();
}

void TLabel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  UpdateLabel();
}

void TLabel::SetAutoSize(bool on) {
  autoSize_ = on;
  UpdateLabel();
}

void TLabel::SetWordWrap(bool on) {
  wordWrap_ = on;
  UpdateLabel();
}

void TLabel::SetTransparent(bool on) {
  transparent_ = on;
  UpdateLabel();
}

void TLabel::SetShowAccelChar(bool on) {
  showAccelChar_ = on;
  UpdateLabel();
}

void TLabel::ColorChanged() {
  SetBackground(label_, QPalette::Window, Color());
  UpdateLabel();
}

void TLabel::FontChanged() {
  TControl::FontChanged();
  UpdateLabel();
}

void TLabel::Loaded() {
  TControl::Loaded();
  UpdateLabel();
}

// ---- TStaticText ----

TStaticText::TStaticText(TComponent* owner) : TWinControl(owner), label_(new QLabel()) {
  label_->setFocusPolicy(Qt::NoFocus);
  AttachWidget(label_);
  SetBounds(0, 0, 65, 17);
}

void TStaticText::SetText(const AnsiString& text) {
  TWinControl::SetText(text);
  label_->setText(WithoutAccel(text));
  FitToText();
}

void TStaticText::FitToText() {
  if (autoSize_) SetBounds(Left(), Top(), label_->sizeHint().width(), label_->sizeHint().height());
}

void TStaticText::Loaded() {
  TWinControl::Loaded();
  FitToText();
}

void TStaticText::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  label_->setAlignment(QtAlignment(alignment));
}

void TStaticText::SetBorderStyle(TStaticBorderStyle style) {
  borderStyle_ = style;
  label_->setFrameStyle(style == sbsNone ? QFrame::NoFrame
                                         : style == sbsSingle ? (QFrame::Box | QFrame::Plain)
                                                              : (QFrame::Panel | QFrame::Sunken));
}

void TStaticText::ColorChanged() {
  SetBackground(label_, QPalette::Window, Color());
  label_->setAutoFillBackground(true);
}

// ---- TEdit ----

TEdit::TEdit(TComponent* owner) : TWinControl(owner), edit_(new QLineEdit()) {
  AttachWidget(edit_);
  SetBounds(0, 0, 121, 21);
  SetColor(clWindow);
  Connect(edit_, &QLineEdit::textChanged, this, [this] {
    Change();
    NotifyParent(this, EN_CHANGE);
  });
  Connect(edit_, &QLineEdit::textEdited, this, [this] { modified_ = true; });
}

AnsiString TEdit::GetText() const { return edit_->text().toStdString(); }

void TEdit::SetText(const AnsiString& text) {
  if (GetText() == text) return;
  edit_->setText(ToQt(text));
  TWinControl::SetText(text);
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

int TEdit::MaxLength() const { return edit_->maxLength() == 32767 ? 0 : edit_->maxLength(); }
void TEdit::SetMaxLength(int length) { edit_->setMaxLength(length > 0 ? length : 32767); }

void TEdit::SetPasswordChar(char c) {
  passwordChar_ = c;
  edit_->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
}

bool TEdit::ReadOnly() const { return edit_->isReadOnly(); }
void TEdit::SetReadOnly(bool on) { edit_->setReadOnly(on); }
int TEdit::SelStart() const { return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition(); }
void TEdit::SetSelStart(int start) { edit_->setCursorPosition(start); }
int TEdit::SelLength() const { return static_cast<int>(edit_->selectedText().size()); }
void TEdit::SetSelLength(int length) { edit_->setSelection(SelStart(), length); }
AnsiString TEdit::SelText() const { return edit_->selectedText().toStdString(); }
void TEdit::SetSelText(const AnsiString& text) { edit_->insert(ToQt(text)); }
void TEdit::SelectAll() { edit_->selectAll(); }
void TEdit::ColorChanged() { SetBackground(edit_, QPalette::Base, Color()); }

// ---- TMemo ----

namespace {

// The lines of a memo, read from and written to its document.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(QPlainTextEdit* edit) : edit_(edit) {}
  int Count() const override { return static_cast<int>(Lines().size()); }
  AnsiString Get(int index) const override {
    const QStringList lines = Lines();
    CheckIndex(index, static_cast<int>(lines.size()));
    return lines[index].toStdString();
  }
  void Put(int index, const AnsiString& s) override {
    QStringList lines = Lines();
    CheckIndex(index, static_cast<int>(lines.size()));
    lines[index] = ToQt(s);
    Store(lines);
  }
  void Insert(int index, const AnsiString& s) override {
    QStringList lines = Lines();
    CheckIndex(index, static_cast<int>(lines.size()) + 1);
    lines.insert(index, ToQt(s));
    Store(lines);
  }
  void Delete(int index) override {
    QStringList lines = Lines();
    CheckIndex(index, static_cast<int>(lines.size()));
    lines.removeAt(index);
    Store(lines);
  }
  void Clear() override { edit_->clear(); }

 private:
  // The document's text without a final empty line, so "a\n" is one line.
  QStringList Lines() const {
    QString text = edit_->toPlainText();
    if (text.isEmpty()) return {};
    if (text.endsWith('\n')) text.chop(1);
    return text.split('\n');
  }
  void Store(const QStringList& lines) { edit_->setPlainText(lines.join('\n')); }
  QPlainTextEdit* edit_;
};

}  // namespace

TMemo::TMemo(TComponent* owner) : TWinControl(owner), edit_(new QPlainTextEdit()) {
  AttachWidget(edit_);
  RouteEventsOf(edit_->viewport());
  lines_ = std::make_unique<TMemoStrings>(edit_);
  SetBounds(0, 0, 185, 89);
  SetColor(clWindow);
  SetScrollBars(ssNone);
  Connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
    if (OnChange) OnChange(this);
  });
}

void TEdit::PasteOrCutSelection(unsigned msg) {
  if (msg == WM_PASTE) {
    SetSelText(Services().ClipboardText());
    return;
  }
  if (SelLength() == 0) return;
  Services().SetClipboardText(SelText());
  SetSelText("");
}

unsigned ClipboardCommandOfKey(unsigned short key, TShiftState shift) {
  if (((shift & ssCtrl) && key == 'V') || ((shift & ssShift) && key == VK_INSERT)) return WM_PASTE;
  if (((shift & ssCtrl) && key == 'X') || ((shift & ssShift) && key == VK_DELETE)) return WM_CUT;
  return 0;
}

TMemo::~TMemo() = default;

AnsiString TMemo::GetText() const { return edit_->toPlainText().replace('\n', "\r\n").toStdString(); }

void TMemo::SetText(const AnsiString& text) {
  edit_->setPlainText(ToQt(text).replace("\r\n", "\n").replace('\r', '\n'));
}

bool TMemo::ReadOnly() const { return edit_->isReadOnly(); }
void TMemo::SetReadOnly(bool on) { edit_->setReadOnly(on); }

void TMemo::SetWordWrap(bool on) {
  wordWrap_ = on;
  edit_->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle style) {
  scrollBars_ = style;
  const bool h = style == ssHorizontal || style == ssBoth, v = style == ssVertical || style == ssBoth;
  edit_->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  edit_->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWantTabs(bool on) {
  wantTabs_ = on;
  edit_->setTabChangesFocus(!on);
}

bool TMemo::WantsDialogKey(unsigned short key) const { return key == VK_RETURN && wantReturns_; }
void TMemo::ColorChanged() { SetBackground(edit_, QPalette::Base, Color()); }

// ---- TCheckBox, TRadioButton, TGroupBox ----

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  auto* box = new QCheckBox();
  AttachWidget(box);
  SetBounds(0, 0, 97, 17);
  Connect(box, &QCheckBox::stateChanged, this, [this] { Click(); });
}

void TCheckBox::SetText(const AnsiString& text) {
  TWinControl::SetText(text);
  static_cast<QCheckBox*>(Widget())->setText(ToQt(text));
}

TCheckBoxState TCheckBox::State() const {
  switch (static_cast<QCheckBox*>(Widget())->checkState()) {
    case Qt::Checked: return cbChecked;
    case Qt::PartiallyChecked: return cbGrayed;
    default: return cbUnchecked;
  }
}

void TCheckBox::SetState(TCheckBoxState state) {
  static_cast<QCheckBox*>(Widget())->setCheckState(state == cbChecked ? Qt::Checked
                                                   : state == cbGrayed ? Qt::PartiallyChecked
                                                                       : Qt::Unchecked);
}

bool TCheckBox::AllowGrayed() const { return static_cast<QCheckBox*>(Widget())->isTristate(); }
void TCheckBox::SetAllowGrayed(bool on) { static_cast<QCheckBox*>(Widget())->setTristate(on); }

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
  auto* button = new QRadioButton();
  AttachWidget(button);
  SetBounds(0, 0, 113, 17);
  QObject::connect(button, &QRadioButton::toggled, button, [this](bool on) {
    if (on) Application->Guard(this, [this] { Click(); });
  });
}

void TRadioButton::SetText(const AnsiString& text) {
  TWinControl::SetText(text);
  static_cast<QRadioButton*>(Widget())->setText(ToQt(text));
}

bool TRadioButton::Checked() const { return static_cast<QRadioButton*>(Widget())->isChecked(); }

void TRadioButton::SetChecked(bool on) {
  auto* button = static_cast<QRadioButton*>(Widget());
  if (on) {
    button->setChecked(true);
    return;
  }
  // Qt keeps one button of a group checked; unchecking goes around that.
  button->setAutoExclusive(false);
  button->setChecked(false);
  button->setAutoExclusive(true);
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
  AttachWidget(new QGroupBox());
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::SetText(const AnsiString& text) {
  TWinControl::SetText(text);
  static_cast<QGroupBox*>(Widget())->setTitle(WithoutAccel(text));
}

TRect TGroupBox::ClientRect() const {
  const QRect r = Widget()->contentsRect();
  return {r.left(), r.top() + 6, r.right() + 1, r.bottom() + 1};
}

// ---- TComboBox ----

namespace {

class ComboWidget : public QComboBox {
 public:
  explicit ComboWidget(TComboBox* owner) : owner_(owner) {}
  void showPopup() override {
    Application->Guard(owner_, [this] {
      if (owner_->OnDropDown) owner_->OnDropDown(owner_);
    });
    QComboBox::showPopup();
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    Application->Guard(owner_, [this] {
      if (owner_->OnCloseUp) owner_->OnCloseUp(owner_);
      NotifyParent(owner_, CBN_CLOSEUP);
    });
  }

 private:
  TComboBox* owner_;
};

}  // namespace

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner), combo_(new ComboWidget(this)) {
  combo_->setInsertPolicy(QComboBox::NoInsert);
  AttachWidget(combo_);
  items_ = std::make_unique<TControlStrings>(TControlStrings::Hooks{
      [this](int i, const AnsiString& s) { combo_->insertItem(i, ToQt(s)); },
      [this](int i) { combo_->removeItem(i); },
      [this](int i, const AnsiString& s) { combo_->setItemText(i, ToQt(s)); },
      [this] {
        const QString text = combo_->currentText();
        combo_->clear();
        if (combo_->isEditable()) combo_->setEditText(text);
      }});
  SetStyle(csDropDown);
  SetBounds(0, 0, 145, 21);
  SetColor(clWindow);
  SetDropDownCount(8);
  // Only the user's choices and typing count as changes.
  QObject::connect(combo_, &QComboBox::activated, combo_, [this](int) { Application->Guard(this, [this] { Select(); }); });
}

TComboBox::~TComboBox() = default;

void TComboBox::SetStyle(TComboBoxStyle style) {
  style_ = style;
  const bool editable = style == csDropDown || style == csSimple;
  if (editable == combo_->isEditable()) return;
  QLineEdit* old = combo_->lineEdit();
  combo_->setEditable(editable);
  // Qt frees the edit part only later; dying while the combo has the
  // focus, it would take the focus away with it.
  delete old;
  if (QLineEdit* edit = combo_->lineEdit()) {
    RouteEventsOf(edit);
    if (maxLength_ > 0) edit->setMaxLength(maxLength_);
    QObject::connect(edit, &QLineEdit::textEdited, combo_, [this] {
      Application->Guard(this, [this] {
        Change();
        NotifyParent(this, CBN_EDITCHANGE);
      });
    });
  }
}

int TComboBox::ItemIndex() const { return combo_->currentIndex(); }

void TComboBox::SetItemIndex(int index) {
  combo_->setCurrentIndex(index >= 0 && index < combo_->count() ? index : -1);
}

AnsiString TComboBox::GetText() const { return combo_->currentText().toStdString(); }

void TComboBox::SetText(const AnsiString& text) {
  if (combo_->isEditable()) {
    combo_->setEditText(ToQt(text));
    const int match = combo_->findText(ToQt(text));
    if (match != combo_->currentIndex()) {
      combo_->setCurrentIndex(match);
      combo_->setEditText(ToQt(text));
    }
  } else {
    combo_->setCurrentIndex(combo_->findText(ToQt(text), Qt::MatchFixedString));
  }
}

int TComboBox::DropDownCount() const { return combo_->maxVisibleItems(); }
void TComboBox::SetDropDownCount(int count) { combo_->setMaxVisibleItems(std::max(count, 1)); }
bool TComboBox::Sorted() const { return items_->Sorted(); }
void TComboBox::SetSorted(bool on) { items_->SetSorted(on); }

void TComboBox::SetMaxLength(int length) {
  maxLength_ = length;
  if (QLineEdit* edit = combo_->lineEdit()) edit->setMaxLength(length > 0 ? length : 32767);
}

bool TComboBox::DroppedDown() const { return combo_->view() && combo_->view()->isVisible(); }

void TComboBox::SetDroppedDown(bool on) {
  if (on) combo_->showPopup();
  else combo_->hidePopup();
}

void TComboBox::Clear() {
  items_->Clear();
  SetText("");
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::Select() {
  if (OnSelect) OnSelect(this);
  Change();
  NotifyParent(this, CBN_SELCHANGE);
}

bool TComboBox::WantsDialogKey(unsigned short) const { return DroppedDown(); }
void TComboBox::ColorChanged() { SetBackground(combo_, QPalette::Base, Color()); }

// ---- TListBox ----

TListBox::TListBox(TComponent* owner) : TWinControl(owner), list_(new QListWidget()) {
  AttachWidget(list_);
  RouteEventsOf(list_->viewport());
  items_ = std::make_unique<TControlStrings>(TControlStrings::Hooks{
      [this](int i, const AnsiString& s) {
        ++programmatic_;
        auto* item = new QListWidgetItem(ToQt(s));
        item->setSizeHint(QSize(0, itemHeight_));
        list_->insertItem(i, item);
        --programmatic_;
      },
      [this](int i) {
        ++programmatic_;
        delete list_->takeItem(i);
        --programmatic_;
      },
      [this](int i, const AnsiString& s) { list_->item(i)->setText(ToQt(s)); },
      [this] {
        ++programmatic_;
        list_->clear();
        --programmatic_;
      }});
  SetBounds(0, 0, 121, 97);
  SetColor(clWindow);
  QObject::connect(list_, &QListWidget::currentRowChanged, list_, [this](int) {
    if (programmatic_ == 0) Application->Guard(this, [this] { Click(); });
  });
}

TListBox::~TListBox() = default;

int TListBox::ItemIndex() const { return list_->currentRow(); }

void TListBox::SetItemIndex(int index) {
  ++programmatic_;
  list_->setCurrentRow(index >= 0 && index < list_->count() ? index : -1);
  --programmatic_;
}

void TListBox::SetItemHeight(int height) {
  itemHeight_ = height;
  for (int i = 0; i < list_->count(); ++i) list_->item(i)->setSizeHint(QSize(0, height));
}

bool TListBox::MultiSelect() const { return list_->selectionMode() == QAbstractItemView::ExtendedSelection; }

void TListBox::SetMultiSelect(bool on) {
  list_->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TListBox::Selected(int index) const {
  items_->Get(index);  // range check
  return list_->item(index)->isSelected();
}

void TListBox::SetSelected(int index, bool on) {
  items_->Get(index);
  ++programmatic_;
  list_->item(index)->setSelected(on);
  --programmatic_;
}

int TListBox::SelCount() const { return static_cast<int>(list_->selectedItems().size()); }
bool TListBox::Sorted() const { return items_->Sorted(); }
void TListBox::SetSorted(bool on) { items_->SetSorted(on); }
int TListBox::TopIndex() const { return list_->indexAt(QPoint(1, 1)).row(); }
void TListBox::Clear() { items_->Clear(); }
void TListBox::ColorChanged() { SetBackground(list_, QPalette::Base, Color()); }

// ---- TCustomRichEdit ----

namespace {

// The text edit whose viewport the formatting rectangle places.
class TFormattedTextEdit : public QTextEdit {
 public:
  using QTextEdit::setViewportMargins;
  using QTextEdit::viewportMargins;
};

}  // namespace

TCustomRichEdit::TCustomRichEdit(TComponent* owner) : TWinControl(owner), edit_(new TFormattedTextEdit()) {
  AttachWidget(edit_);
  RouteEventsOf(edit_->viewport());
  edit_->setAcceptRichText(true);
  SetBounds(0, 0, 185, 89);
  SetColor(clWindow);
  Connect(edit_, &QTextEdit::textChanged, this, [this] {
    if (OnChange) OnChange(this);
  });
  Connect(edit_, &QTextEdit::selectionChanged, this, [this] {
    if (OnSelectionChange) OnSelectionChange(this);
  });
  Connect(edit_->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
          [this] { SendResizeRequest(false); });
}

TCustomRichEdit::~TCustomRichEdit() = default;

QTextDocument* TCustomRichEdit::Document() const { return edit_->document(); }

AnsiString TCustomRichEdit::GetText() const { return edit_->toPlainText().replace('\n', "\r\n").toStdString(); }

void TCustomRichEdit::SetText(const AnsiString& text) {
  edit_->setPlainText(ToQt(text).replace("\r\n", "\n").replace('\r', '\n'));
}

void TCustomRichEdit::Clear() { edit_->clear(); }

void TCustomRichEdit::SetWordWrap(bool on) {
  wordWrap_ = on;
  edit_->setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
  SendResizeRequest(true);
}

void TCustomRichEdit::RequestSize() { SendResizeRequest(true); }

void TCustomRichEdit::SelectAll() { edit_->selectAll(); }

int TCustomRichEdit::SelStart() const { return edit_->textCursor().selectionStart(); }

int TCustomRichEdit::SelLength() const {
  const QTextCursor cursor = edit_->textCursor();
  return cursor.selectionEnd() - cursor.selectionStart();
}

void TCustomRichEdit::SetFormattingRect(const TRect& r) {
  formattingRect_ = r;
  formattingRectSet_ = true;
  ApplyFormattingRect();
}

void TCustomRichEdit::ApplyFormattingRect() {
  if (!formattingRectSet_) return;
  const TRect& r = formattingRect_;
  edit_->document()->setDocumentMargin(0);
  static_cast<TFormattedTextEdit*>(edit_)->setViewportMargins(r.Left, r.Top, std::max(0, Width() - r.Right), 0);
}

void TCustomRichEdit::Resize() {
  TWinControl::Resize();
  ApplyFormattingRect();
}

void TCustomRichEdit::SendResizeRequest(bool force) {
  const QMargins margins = static_cast<TFormattedTextEdit*>(edit_)->viewportMargins();
  const int frame = 2 * edit_->frameWidth();
  // A hidden control takes its size only when it shows: until then the
  // text is laid out in the width it will have. A shown one lays it out in
  // its own width.
  if (wordWrap_ && !edit_->isVisible()) edit_->document()->setTextWidth(std::max(0, Width() - frame - margins.left() - margins.right()));
  const QSizeF text = edit_->document()->size();
  const int width = wordWrap_ ? Width()
                              : frame + margins.left() + margins.right() +
                                    static_cast<int>(std::ceil(edit_->document()->idealWidth()));
  const int height = frame + margins.top() + margins.bottom() + static_cast<int>(std::ceil(text.height()));
  if (!force && requested_ == TSize{width, height}) return;
  requested_ = {width, height};
  RequestResize({0, 0, width, height});
}

void TCustomRichEdit::ColorChanged() {
  SetBackground(edit_, QPalette::Base, Color());
  // The margins round the formatting rectangle show the same colour.
  SetBackground(edit_, QPalette::Window, Color());
}
