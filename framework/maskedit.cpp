// The mask edit over the line edit's masked input.
#include "framework/maskedit.h"

#include <QLineEdit>

namespace {

constexpr const char* kInvalidInput = "Invalid input value.  Use escape key to abandon changes";

// The fields of a mask: the mask, whether literals are kept, the blank.
struct MaskFields {
  std::string mask;
  bool saveLiterals = true;
  char blank = '_';
};

MaskFields SplitMask(std::string_view editMask) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < editMask.size(); ++i) {
    const char c = editMask[i];
    if (c == '\\' && i + 1 < editMask.size()) {
      fields.back() += editMask.substr(i, 2);
      ++i;
    } else if (c == ';' && fields.size() < 3) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  MaskFields result;
  result.mask = fields[0];
  if (fields.size() > 1 && !fields[1].empty()) result.saveLiterals = fields[1][0] != '0';
  if (fields.size() > 2 && !fields[2].empty()) result.blank = fields[2][0];
  return result;
}

// The characters with a meaning in a Qt input mask, escaped when literal.
bool SpecialToQt(char c) {
  return std::string_view("AaNnXx90Dd#HhBb><!;\\[]{}").find(c) != std::string_view::npos;
}

char QtPlaceFor(char c) {
  switch (c) {
    case '0': return '9';
    case '9': return '0';
    case '#': return '#';
    case 'L': return 'A';
    case 'l': return 'a';
    case 'A': return 'N';
    case 'a': return 'n';
    case 'C': return 'X';
    case 'c': return 'x';
    default: return 0;
  }
}

}  // namespace

std::string MaskToQtInputMask(std::string_view editMask, std::vector<bool>* literals) {
  const MaskFields fields = SplitMask(editMask);
  std::string out;
  std::vector<bool> places;
  auto literal = [&](char c) {
    if (SpecialToQt(c)) out += '\\';
    out += c;
    places.push_back(true);
  };
  const std::string& mask = fields.mask;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const char c = mask[i];
    if (const char place = QtPlaceFor(c)) {
      out += place;
      places.push_back(false);
    } else if (c == '<' && i + 1 < mask.size() && mask[i + 1] == '>') {
      out += '!';
      ++i;
    } else if (c == '>' || c == '<') {
      out += c;
    } else if (c == '!') {
      // Trimming of leading blanks has no counterpart in the line edit.
    } else if (c == '\\' && i + 1 < mask.size()) {
      literal(mask[++i]);
    } else if (c == ':') {
      literal(FormatSettings.TimeSeparator);
    } else if (c == '/') {
      literal(FormatSettings.DateSeparator);
    } else if (c == '_') {
      literal(' ');
    } else {
      literal(c);
    }
  }
  if (literals) *literals = std::move(places);
  if (out.empty()) return out;
  return out + ';' + fields.blank;
}

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const AnsiString& mask) {
  if (mask == editMask_) return;
  editMask_ = mask;
  const MaskFields fields = SplitMask(mask);
  saveLiterals_ = fields.saveLiterals;
  blank_ = fields.blank;
  LineEdit()->setInputMask(QString::fromStdString(MaskToQtInputMask(mask, &literals_)));
}

AnsiString TCustomMaskEdit::EditText() const { return LineEdit()->displayText().toStdString(); }

AnsiString TCustomMaskEdit::GetText() const {
  if (!IsMasked()) return TEdit::GetText();
  const QString shown = LineEdit()->displayText();
  AnsiString text;
  for (int i = 0; i < shown.size(); ++i) {
    const bool literal = i < static_cast<int>(literals_.size()) && literals_[i];
    if (literal && !saveLiterals_) continue;
    const QString c = shown.mid(i, 1);
    text += !literal && c == QChar(blank_) ? AnsiString(" ") : c.toStdString();
  }
  return text;
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked() || LineEdit()->hasAcceptableInput()) return;
  if (CanFocus()) SetFocus();
  throw EDBEditError(kInvalidInput);
}

void TCustomMaskEdit::WndProc(TMessage& message) {
  if (message.Msg == CM_EXIT) ValidateEdit();
  TEdit::WndProc(message);
}
