// The wide text of controls and the character messages of the Unicode
// controls.
#include <QCoreApplication>
#include <QInputMethodEvent>

#include "grid/zguni.h"

namespace {

constexpr WPARAM kPlaceholder = 0xFF;

// Set while a replacement input-method event is delivered, so it is not
// taken apart again.
thread_local bool deliveringImeResult = false;

}  // namespace

WideString GetWideWindowText(const TWinControl* control) {
  if (const auto* wide = dynamic_cast<const TWideTextWindow*>(control)) return wide->WideWindowText();
  return Utf8ToWide(control->GetText());
}

void SetWideWindowText(TWinControl* control, const WideString& text) {
  auto* wide = dynamic_cast<TWideTextWindow*>(control);
  if (!wide) {
    control->SetText(WideToUtf8(text));
    return;
  }
  if (wide->WideWindowText() == text) return;
  wide->StoreWideWindowText(text);
  control->Perform(CM_TEXTCHANGED);
}

void HideWideChar(TMessage& m) {
  const WPARAM ch = m.WParam & 0xFFFF;
  if (ch > kPlaceholder) m.WParam = (m.WParam & ~WPARAM{0xFFFFFFFF}) | (ch << 16) | kPlaceholder;
}

void RestoreWideChar(TMessage& m) {
  const WPARAM high = (m.WParam >> 16) & 0xFFFF, low = m.WParam & 0xFFFF;
  if (high != 0 && low == kPlaceholder) m.WParam = (m.WParam & ~WPARAM{0xFFFF}) | high;
  m.WParam &= ~(WPARAM{0xFFFF} << 16);
}

bool IsWindowTextMessage(unsigned msg) {
  return msg == WM_SETTEXT || msg == WM_GETTEXT || msg == WM_GETTEXTLENGTH;
}

bool InsertImeResult(TWinControl* control, QObject* source, QEvent* event) {
  if (event->type() != QEvent::InputMethod || deliveringImeResult) return false;
  auto* composition = static_cast<QInputMethodEvent*>(event);
  if (composition->commitString().isEmpty()) return false;
  QString passed;
  for (const QChar unit : composition->commitString()) {
    TMessage m{WM_CHAR, unit.unicode(), 0, 0, false};
    control->WindowProc(m);
    if (m.Defaulted) passed += QChar(static_cast<char16_t>(m.WParam & 0xFFFF));
  }
  QInputMethodEvent result(composition->preeditString(), composition->attributes());
  result.setCommitString(passed, composition->replacementStart(), composition->replacementLength());
  deliveringImeResult = true;
  QCoreApplication::sendEvent(source, &result);
  deliveringImeResult = false;
  return true;
}
