#include "grid/zurinplaceedit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>

#include "framework/codec.h"
#include "framework/messaging.h"
#include "framework/services.h"
#include "grid/duruzav.h"
#include "grid/zgutil.h"

namespace {

// The longest completion taken from one lookup item.
constexpr int kMaxCompletion = 255;

QString ToQt(const AnsiString& s) { return QString::fromStdString(s); }

// Characters every filtering editor type lets through.
bool IsControlKey(char ch) { return ch == VK_BACK || ch == VK_TAB || ch == VK_RETURN || ch == VK_ESCAPE; }
bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

// A typed byte (Windows-1252) in upper or lower case; itself when its other
// case has no byte.
char Recase(char ch, bool upper) {
  const QString c = ToQt(Win1252ToUtf8(std::string(1, ch)));
  const std::string out = Utf8ToWin1252((upper ? c.toUpper() : c.toLower()).toStdString());
  return out.size() == 1 ? out[0] : ch;
}

// The clipboard message a key combination stands for; 0 for other keys.
unsigned ClipboardMessageOfKey(unsigned short key, TShiftState shift) {
  if ((shift & ssCtrl) && (key == 'C' || key == VK_INSERT)) return WM_COPY;
  return ClipboardCommandOfKey(key, shift);
}

}  // namespace

TZurInplaceEdit::TZurInplaceEdit(TVudUvizidIzed* grid)
    : TInplaceEdit(grid), grid_(grid), lengthLimit_(grid->Props().MaxEditLength) {
  ApplyStyle();
}

void TZurInplaceEdit::SetEditorType(TEditorType type) {
  editorType_ = type;
  ApplyStyle();
}

void TZurInplaceEdit::ApplyStyle() {
  const bool password = editorType_ == edPassword;
  SetPasswordChar(password ? grid_->PasswordChar() : 0);
  SetMultiLine(grid_->Navigation()->AllowCtrlEnter && !password);
  SetWordWrap(grid_->WordWrap());
}

void TZurInplaceEdit::StartFromClick(TPoint screenPoint) {
  clickStarted_ = true;
  clickPoint_ = screenPoint;
}

void TZurInplaceEdit::SetWordWrap(bool on) {
  if (QPlainTextEdit* memo = TextEdit())
    memo->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TZurInplaceEdit::SetVisible(bool visible) {
  if (visible == Visible()) return;
  if (visible) {
    TInplaceEdit::SetVisible(true);
    grid_->EditStarted();
    return;
  }
  // The focus leaves while the editor hides, before its text is written back.
  grid_->editState_.textEditorHiding = true;
  try {
    TInplaceEdit::SetVisible(false);
  } catch (...) {
    grid_->editState_.textEditorHiding = false;
    throw;
  }
  grid_->editState_.textEditorHiding = false;
}

void TZurInplaceEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
      if (const unsigned command = ClipboardMessageOfKey(static_cast<unsigned short>(m.WParam),
                                                         KeyboardShiftState())) {
        Perform(command);
        return;
      }
      break;
    case WM_CHAR: {
      if (editorType_ == edMixedCase && static_cast<unsigned char>(m.WParam) >= ' ') {
        TypeMixedCase(m);
        return;
      }
      char ch = static_cast<char>(m.WParam);
      if (!FilterChar(ch, m.LParam)) return;
      m.WParam = static_cast<unsigned char>(ch);
      break;
    }
    case WM_COPY:
      if (AllowClipboard(grid_->OnClipboardCopy) && SelLength() > 0) Services().SetClipboardText(SelText());
      return;
    case WM_CUT:
      if (AllowClipboard(grid_->OnClipboardCut) && SelLength() > 0) {
        Services().SetClipboardText(SelText());
        SetSelText("");
      }
      return;
    case WM_PASTE:
      Paste();
      return;
    case WM_SETFOCUS:
      TInplaceEdit::WndProc(m);
      PlaceCaretOnFocus();
      return;
    case WM_KILLFOCUS:
      KillFocus(m);
      return;
    case WM_KEYUP:
      TInplaceEdit::WndProc(m);
      ReportProgress();
      return;
    default: break;
  }
  TInplaceEdit::WndProc(m);
}

bool TZurInplaceEdit::FilterChar(char& ch, LPARAM keyData) {
  // A keypad '.' (its scan code has bit 22 of the key data) types the
  // locale's decimal separator.
  if (grid_->Props().ExcelStyleDecimalSeparator && ch == '.' && (keyData & (LPARAM{1} << 22)))
    ch = FormatSettings.DecimalSeparator;
  const bool full = lengthLimit_ > 0 && static_cast<int>(ToQt(Text()).size()) >= lengthLimit_ && SelLength() == 0;
  if (full && ch != VK_BACK && ch != VK_ESCAPE && ch != VK_RETURN) return false;
  switch (editorType_) {
    case edNormal: case edPassword: return true;
    case edNumeric: return FilterNumeric(ch, true);
    case edPositiveNumeric: return FilterNumeric(ch, false);
    case edFloat: return FilterFloat(ch);
    case edCapital: case edUpperCase: ch = Recase(ch, true); return true;
    case edLowerCase: ch = Recase(ch, false); return true;
    case edMixedCase: return true;  // control characters; the others are recased when typed
    default: return false;
  }
}

bool TZurInplaceEdit::FilterNumeric(char ch, bool allowMinus) {
  const bool minusFits = ch == '-' && allowMinus && SelStart() == 0 && Text().find('-') == AnsiString::npos;
  if (IsControlKey(ch) || IsDigit(ch) || minusFits) return true;
  MessageBeep(0);
  return false;
}

bool TZurInplaceEdit::FilterFloat(char ch) {
  if (IsControlKey(ch) || IsDigit(ch)) return true;
  if (ch != ',' && ch != '.' && ch != '-') return false;
  const QString text = ToQt(Text());
  const QString selected = ToQt(SelText());
  if (ch == '-') {
    if ((SelStart() == 0 && !text.contains('-')) || selected.contains('-')) return true;
    MessageBeep(0);
    return false;
  }
  if (ch == FormatSettings.ThousandSeparator || ch != FormatSettings.DecimalSeparator) return false;
  return text.count(QChar(ch)) == selected.count(QChar(ch));
}

void TZurInplaceEdit::TypeMixedCase(TMessage& m) {
  char ch = static_cast<char>(m.WParam);
  if (!FilterChar(ch, m.LParam)) return;
  const int caret = SelStart();
  QString text = ToQt(Text());
  text.replace(caret, SelLength(), ToQt(Win1252ToUtf8(std::string(1, ch))));
  SetText(ShiftCase(text.toStdString()));
  SetSelStart(caret + 1);
}

bool TZurInplaceEdit::AllowClipboard(const std::function<void(TObject*, bool&)>& event) {
  bool allow = true;
  if (event) event(grid_, allow);
  return allow;
}

void TZurInplaceEdit::Paste() {
  AnsiString pasted = Services().ClipboardText();
  if (pasted.empty()) return;
  bool allow = AllowClipboard(grid_->OnClipboardPaste);
  if (grid_->OnClipboardBeforePasteCell) grid_->OnClipboardBeforePasteCell(grid_, grid_->Col(), grid_->Row(), pasted, allow);
  if (!allow) return;
  const QString insert = ToQt(pasted);
  if (lengthLimit_ > 0 && insert.size() > lengthLimit_) return;
  const int start = SelStart(), replaced = SelLength();
  QString text = ToQt(Text());
  text.replace(start, replaced, insert);
  if (lengthLimit_ > 0 && text.size() > lengthLimit_) return;
  AnsiString newText = text.toStdString();
  if (TakePasted(newText)) SetText(newText);
  grid_->SetEditCell(Text());
  // The caret goes where the paste would have left it, taken or not.
  if (replaced > 0) {
    SetSelStart(start);
    SetSelLength(static_cast<int>(insert.size()));
  } else {
    SetSelStart(start + static_cast<int>(insert.size()));
  }
}

bool TZurInplaceEdit::TakePasted(AnsiString& text) const {
  switch (editorType_) {
    case edNumeric: case edPositiveNumeric: return IsType(text) == 0;
    case edFloat: return IsType(text) <= 1;
    case edMixedCase: text = ShiftCase(text); return true;
    case edLowerCase: text = ToQt(text).toLower().toStdString(); return true;
    case edUpperCase: text = ToQt(text).toUpper().toStdString(); return true;
    default: return true;
  }
}

void TZurInplaceEdit::KeyDown(unsigned short& key, TShiftState shift) {
  lookupEnabled_ = key != VK_BACK && key != VK_DELETE;
  if (LeavingKey(key, shift) || CursorWalk(key, shift)) {
    key = 0;
    return;
  }
  if (key == VK_RETURN && MultiLine() && grid_->Navigation()->LineFeedOnEnter) {
    SetSelText("\n");
    key = 0;
    return;
  }
  TInplaceEdit::KeyDown(key, shift);
}

bool TZurInplaceEdit::LeavingKey(unsigned short key, TShiftState shift) {
  const TNavigation* nav = grid_->Navigation();
  const bool plain = !(shift & (ssCtrl | ssShift));
  switch (key) {
    case VK_TAB:
      if (!(grid_->Options() & goTabs)) return false;
      if (!grid_->ValidateCell(Text())) {
        ReloadFromCell();
        return true;
      }
      SetText(grid_->GetCurrentCell());
      grid_->HideInplaceEdit();
      grid_->TabEdit(shift & ssShift);
      return true;
    case VK_UP: case VK_DOWN:
      // Inside the text the key moves the caret between the lines.
      return CaretOnEdgeLine(key) && !CommitAndValidate();
    case VK_RETURN:
      if ((shift & ssCtrl) || nav->LineFeedOnEnter) return false;
      if (CommitAndValidate()) {
        grid_->HideEditor();
        grid_->AdvanceEdit(grid_->Col(), grid_->Row(), false, false, true, false);
      }
      return true;
    case VK_HOME: case VK_END:
      if (!plain) return false;
      SetSelStart(key == VK_HOME ? 0 : static_cast<int>(ToQt(Text()).size()));
      return true;
    default: return false;
  }
}

bool TZurInplaceEdit::CommitAndValidate() {
  grid_->SetCurrentCell(Text());
  if (!grid_->ValidateCell(Text())) {
    ReloadFromCell();
    Invalidate();
    return false;
  }
  SetText(grid_->GetCurrentCell());
  return true;
}

void TZurInplaceEdit::ReloadFromCell() {
  SetText(grid_->GetCurrentCell());
  if (grid_->Navigation()->EditSelectAll) SelectAll();
  else SetSelStart(static_cast<int>(ToQt(Text()).size()));
}

bool TZurInplaceEdit::CaretOnEdgeLine(unsigned short key) const {
  if (!MultiLine()) return true;
  QTextCursor cursor = TextEdit()->textCursor();
  return !cursor.movePosition(key == VK_UP ? QTextCursor::Up : QTextCursor::Down);
}

// A click-edited cell next door is made current without an editor;
// otherwise the edit advances into the next cell the way Enter does.
bool TZurInplaceEdit::CursorWalk(unsigned short key, TShiftState shift) {
  TNavigation* nav = grid_->Navigation();
  if (!nav->CursorWalkEditor || (shift & (ssShift | ssCtrl | ssAlt)) || SelLength() > 0) return false;
  const bool right = key == VK_RIGHT && SelStart() == static_cast<int>(ToQt(Text()).size());
  if (!right && !(key == VK_LEFT && SelStart() == 0)) return false;
  if (!CommitAndValidate()) return true;
  const int next = grid_->Col() + (right ? 1 : -1);
  const bool inBody = right ? next < grid_->ColCount() - 1 - grid_->Props().FixedRightCols : next >= grid_->FixedCols();
  if (inBody && grid_->HasStaticEdit(grid_->RemapCol(next), grid_->Row())) {
    grid_->HideInplaceEdit();
    grid_->SetCol(next);
    return true;
  }
  const TAdvanceDirection direction = std::exchange(nav->AdvanceDirection, adLeftRight);
  try {
    grid_->AdvanceEdit(grid_->Col(), grid_->Row(), true, true, right, false);
  } catch (...) {
    nav->AdvanceDirection = direction;
    throw;
  }
  nav->AdvanceDirection = direction;
  return true;
}

void TZurInplaceEdit::KeyPress(char& key) {
  TInplaceEdit::KeyPress(key);
  // A full mask with the caret at its end moves on as Enter does.
  const bool maskFull = IsMasked() && Text().find(' ') == AnsiString::npos &&
                        SelStart() == static_cast<int>(ToQt(Text()).size());
  if (key && grid_->Navigation()->AdvanceAuto && maskFull && LeavingKey(VK_RETURN, 0)) key = 0;
}

// The typed values are kept for the lookup; focus that goes to another
// window than the grid ends the edit with a validation.
void TZurInplaceEdit::KillFocus(TMessage& m) {
  TStringList* items = grid_->LookupItems();
  if (grid_->Props().LookupHistory && !Text().empty() && items->IndexOf(Text()) == -1) items->Add(Text());
  TInplaceEdit::WndProc(m);
  if (Visible() && !grid_->Focused()) {
    grid_->ValidateCell(Text());
    SetText(grid_->GetCurrentCell());
    grid_->HideInplaceEdit();
  }
  grid_->EditProgress(Text(), {-1, -1}, -1);
  grid_->DoneEditing();
}

void TZurInplaceEdit::ReportProgress() {
  const int caret = SelStart();
  if (caret <= 0 || MultiLine()) return;
  // Where the character before the caret begins in the editor.
  const int x = LineEdit()->fontMetrics().horizontalAdvance(ToQt(Text()).left(caret - 1));
  grid_->EditProgress(Text(), {x, 0}, caret);
}

void TZurInplaceEdit::KeyUp(unsigned short& key, TShiftState shift) {
  if (key == VK_LEFT || key == VK_RIGHT) return;
  TInplaceEdit::KeyUp(key, shift);
  DoLookup();
}

void TZurInplaceEdit::DoLookup() {
  const auto& props = grid_->Props();
  TStringList* items = grid_->LookupItems();
  if (!lookupEnabled_ || SelLength() > 0 || !props.Lookup || items->Count() == 0) return;
  const QString text = ToQt(Text());
  const int caret = SelStart();
  // Only a prefix that ends the text is completed, so that no typed text
  // behind the caret is lost; an empty one completes nothing.
  if (caret == 0 || caret != text.size()) return;
  const QString prefix = text.left(caret);
  const Qt::CaseSensitivity sensitivity = props.LookupCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (int i = 0; i < items->Count(); ++i) {
    const QString item = ToQt(items->Get(i));
    if (!item.startsWith(prefix, sensitivity)) continue;
    const QString completed = prefix + item.mid(caret, kMaxCompletion);
    SetText(completed.toStdString());
    SetSelStart(caret);
    SetSelLength(static_cast<int>(completed.size()) - caret);
    return;
  }
}

void TZurInplaceEdit::PlaceCaretOnFocus() {
  const TNavigation* nav = grid_->Navigation();
  // An edit the grid began with a click puts the caret under the pointer.
  if (std::exchange(grid_->editState_.clickStarted, false)) StartFromClick(GetCursorPos());
  if (clickStarted_) {
    clickStarted_ = false;
    const int pos = CharFromPos(ScreenToClient(clickPoint_));
    if (pos != -1) SetSelStart(pos);
    return;
  }
  if (IsMasked() && nav->ImproveMaskSel) {
    SetSelStart(0);
    SetSelLength(1);
  } else if (!nav->EditSelectAll) {
    SetSelStart(static_cast<int>(ToQt(Text()).size()));
  }
}

void TZurInplaceEdit::Change() {
  TInplaceEdit::Change();
  if (grid_->OnEditChange) grid_->OnEditChange(grid_, grid_->Col(), grid_->Row(), Text());
}

void TZurInplaceEdit::DblClick() {
  TInplaceEdit::DblClick();
  if (grid_->OnDblClickCell) grid_->OnDblClickCell(grid_, grid_->Row(), grid_->Col());
}

TInplaceEdit* TVudUvizidIzed::CreateEditor() {
  auto* editor = new TZurInplaceEdit(this);
  editor->SetEditorType(EditControls().editorType);
  return editor;
}
