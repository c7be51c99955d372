// The in-place editor's lifecycle: shown over the current cell, written
// back through SetEditText once per committed edit.
#include "framework/grids.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <algorithm>

#include "framework/application.h"

TInplaceEdit::TInplaceEdit(TCustomGrid* grid) : TCustomMaskEdit(grid), grid_(grid) { SetVisible(false); }

int TInplaceEdit::CharFromPos(TPoint p) const {
  if (!ClientRect().Contains(p)) return -1;
  const QPoint point(p.X, p.Y);
  if (MultiLine()) return memo_->cursorForPosition(memo_->viewport()->mapFrom(Widget(), point)).position();
  return LineEdit()->cursorPositionAt(point);
}

void TInplaceEdit::SetMultiLine(bool on) {
  if (on == MultiLine()) return;
  const AnsiString text = GetText();
  multiLine_ = on;
  if (!memo_) {
    // The text editor lies over the line edit, which stays the control's
    // widget and hands it the focus.
    memo_ = new QPlainTextEdit(LineEdit());
    memo_->setFrameShape(QFrame::NoFrame);
    memo_->setPalette(LineEdit()->palette());
    memo_->setGeometry(LineEdit()->rect());
    RouteEventsOf(memo_);
    RouteEventsOf(memo_->viewport());
    QObject::connect(memo_, &QPlainTextEdit::textChanged, memo_,
                     [this] { Application->Guard(this, [this] { Change(); }); });
  }
  const bool focused = Focused();
  switchingMode_ = true;
  LineEdit()->setFocusProxy(on ? memo_ : nullptr);
  if (on) memo_->show();
  if (focused) (on ? static_cast<QWidget*>(memo_) : LineEdit())->setFocus();
  if (!on) memo_->hide();
  switchingMode_ = false;
  SetText(text);
  SetSelStart(static_cast<int>(QString::fromStdString(text).size()));
}

AnsiString TInplaceEdit::GetText() const {
  return MultiLine() ? memo_->toPlainText().toStdString() : TCustomMaskEdit::GetText();
}

void TInplaceEdit::SetText(const AnsiString& text) {
  if (!MultiLine()) {
    TCustomMaskEdit::SetText(text);
    return;
  }
  if (GetText() == text) return;
  memo_->setPlainText(QString::fromStdString(text));
  TControl::SetText(text);
}

int TInplaceEdit::SelStart() const {
  return MultiLine() ? memo_->textCursor().selectionStart() : TCustomMaskEdit::SelStart();
}

void TInplaceEdit::SetSelStart(int start) {
  if (!MultiLine()) return TCustomMaskEdit::SetSelStart(start);
  QTextCursor cursor = memo_->textCursor();
  cursor.setPosition(std::clamp(start, 0, memo_->document()->characterCount() - 1));
  memo_->setTextCursor(cursor);
}

int TInplaceEdit::SelLength() const {
  if (!MultiLine()) return TCustomMaskEdit::SelLength();
  const QTextCursor cursor = memo_->textCursor();
  return cursor.selectionEnd() - cursor.selectionStart();
}

void TInplaceEdit::SetSelLength(int length) {
  if (!MultiLine()) return TCustomMaskEdit::SetSelLength(length);
  QTextCursor cursor = memo_->textCursor();
  const int start = cursor.selectionStart();
  cursor.setPosition(start);
  cursor.setPosition(std::clamp(start + length, 0, memo_->document()->characterCount() - 1), QTextCursor::KeepAnchor);
  memo_->setTextCursor(cursor);
}

AnsiString TInplaceEdit::SelText() const {
  if (!MultiLine()) return TCustomMaskEdit::SelText();
  return memo_->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n').toStdString();
}

void TInplaceEdit::SelectAll() { MultiLine() ? memo_->selectAll() : TCustomMaskEdit::SelectAll(); }

void TInplaceEdit::SetSelText(const AnsiString& text) {
  if (!MultiLine()) return TCustomMaskEdit::SetSelText(text);
  memo_->textCursor().insertText(QString::fromStdString(text));
}

void TInplaceEdit::Resize() {
  TCustomMaskEdit::Resize();
  if (memo_) memo_->setGeometry(LineEdit()->rect());
}

void TInplaceEdit::WndProc(TMessage& message) {
  const unsigned m = message.Msg;
  // The focus moving from one editor to the other stays inside the control.
  if (switchingMode_ && (m == WM_SETFOCUS || m == WM_KILLFOCUS || m == CM_ENTER || m == CM_EXIT)) return;
  TCustomMaskEdit::WndProc(message);
}

bool TInplaceEdit::MovesWithinText(unsigned short key) const {
  QTextCursor cursor = memo_->textCursor();
  return cursor.movePosition(key == VK_UP ? QTextCursor::Up : QTextCursor::Down);
}

void TInplaceEdit::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomMaskEdit::KeyDown(key, shift);
  if (MultiLine()) {
    if (key == VK_RETURN && (shift & ssCtrl)) {
      SetSelText("\n");
      key = 0;
      return;
    }
    // The key goes on to the text editor.
    if ((key == VK_UP || key == VK_DOWN) && MovesWithinText(key)) return;
  }
  switch (key) {
    case VK_RETURN:
      grid_->HideEditor();
      key = 0;
      break;
    case VK_ESCAPE:
      grid_->CancelEditor();
      key = 0;
      break;
    case VK_UP: case VK_DOWN: case VK_TAB: case VK_PRIOR: case VK_NEXT: {
      // The grid moves on; leaving the cell commits the edit.
      unsigned short gridKey = key;
      grid_->HideEditor();
      grid_->KeyDown(gridKey, shift);
      key = 0;
      break;
    }
    default: break;
  }
}

void TInplaceEdit::DoExit() {
  TCustomMaskEdit::DoExit();
  if (!grid_->hidingEditor_) grid_->HideEditor();
}

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::CanEditShow() {
  return (options_ & goEditing) && !(options_ & goRowSelect) && gridState_ == gsNormal && Col() >= fixedCols_ &&
         Row() >= fixedRows_;
}

bool TCustomGrid::EditorMode() const { return editor_ && editor_->Visible(); }

void TCustomGrid::SetEditorMode(bool on) { on ? ShowEditor() : HideEditor(); }

void TCustomGrid::ShowEditor() {
  if (EditorMode() || !CanEditShow()) return;
  if (!editor_) {
    editor_ = CreateEditor();
    editor_->SetParent(this);
  }
  editorCell_ = current_;
  editorOriginal_ = GetEditText(Col(), Row());
  editor_->SetText(editorOriginal_);
  UpdateEditorBounds();
  editor_->Show();
  if (editor_->CanFocus()) editor_->SetFocus();
}

void TCustomGrid::UpdateEditorBounds() {
  if (!editor_) return;
  const TRect r = CellRect(editorCell_.X, editorCell_.Y);
  // Over the cell where it shows: mirrored in a right-to-left layout.
  const int left = UseRightToLeftAlignment() ? ClientWidth() - r.Right : r.Left;
  editor_->SetBounds(left, r.Top, r.Width(), r.Height());
}

void TCustomGrid::HideEditor() {
  if (!EditorMode() || hidingEditor_) return;
  hidingEditor_ = true;
  const AnsiString text = editor_->Text();
  const bool refocus = editor_->Focused();
  editor_->Hide();
  try {
    if (text != editorOriginal_) SetEditText(editorCell_.X, editorCell_.Y, text);
  } catch (...) {
    hidingEditor_ = false;
    throw;
  }
  hidingEditor_ = false;
  InvalidateCell(editorCell_.X, editorCell_.Y);
  if (refocus && CanFocus()) SetFocus();
}

void TCustomGrid::CancelEditor() {
  if (!EditorMode()) return;
  editor_->SetText(editorOriginal_);
  HideEditor();
}

AnsiString TCustomGrid::GetEditText(int, int) { return {}; }
void TCustomGrid::SetEditText(int, int, const AnsiString&) {}
