// The Unicode edit and memo.
#include <QLineEdit>
#include <QPlainTextEdit>

#include "grid/zguni.h"

// ---- TCustomUNIEdit ----

WideString TCustomUNIEdit::WideWindowText() const { return LineEdit()->text().toStdU16String(); }

void TCustomUNIEdit::StoreWideWindowText(const WideString& text) {
  LineEdit()->setText(QString::fromStdU16String(text));
}

WideString TCustomUNIEdit::SelText() const { return LineEdit()->selectedText().toStdU16String(); }

void TCustomUNIEdit::SetSelText(const WideString& text) { LineEdit()->insert(QString::fromStdU16String(text)); }

// ---- TZurUniCustomMemo ----

TZurUniCustomMemo::TZurUniCustomMemo(TComponent* owner) : TWideControl<TMemo>(owner) {
  SetBounds(Left(), Top(), 200, 100);
  SetWordWrap(false);
  SetWantReturns(false);
  SetWantTabs(false);
}

WideString TZurUniCustomMemo::WideWindowText() const {
  return TextEdit()->toPlainText().replace('\n', "\r\n").toStdU16String();
}

void TZurUniCustomMemo::StoreWideWindowText(const WideString& text) {
  TextEdit()->setPlainText(QString::fromStdU16String(text).replace("\r\n", "\n").replace('\r', '\n'));
}

// Without WantReturns Enter is left to the form and breaks no line.
void TZurUniCustomMemo::WndProc(TMessage& m) {
  if (m.Msg == WM_CHAR && (m.WParam & 0xFFFF) == '\r' && !WantReturns()) return;
  TWideControl<TMemo>::WndProc(m);
}
