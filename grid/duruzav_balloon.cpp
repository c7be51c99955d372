// The balloon tool tip's text for the cell under the mouse: the cell's text
// by kind, cut to what the tool tip can show, then the user's say.
#include <QTextDocument>

#include "framework/codec.h"
#include "grid/duruzav.h"
#include "grid/richtext.h"
#include "grid/zghtmle.h"
#include "grid/zgutil.h"

namespace {

constexpr std::size_t kMaxBalloonText = 1024;
constexpr std::size_t kMaxBalloonTitle = 100;

// Longer texts keep their first max - 3 characters and end in "...".
AnsiString Shortened(const AnsiString& text, std::size_t max) {
  if (text.size() <= max) return text;
  AnsiString kept(text, 0, max - 3);
  kept.append("...");
  return kept;
}

AnsiString PlainCellText(const AnsiString& text, bool markup) {
  switch (TextType(text, markup)) {
    case ttHTML: return HTMLStrip(text);
    case ttRTF: {
      QTextDocument document;
      RichTextToDocument(text, document);
      return document.toPlainText().toStdString();
    }
    case ttUnicode: return WideToUtf8(DecodeWideStr(text));
    default: return text;
  }
}

// Leading tabs and line breaks are dropped, other tabs show as spaces.
AnsiString BalloonText(const AnsiString& text) {
  const auto first = text.find_first_not_of("\t\r\n");
  AnsiString kept = first == AnsiString::npos ? AnsiString() : text.substr(first);
  for (char& c : kept)
    if (c == '\t') c = ' ';
  return Shortened(kept, kMaxBalloonText);
}

}  // namespace

std::optional<TBalloonTip> TVudUvizidIzed::BalloonTipAt(TPoint p) {
  if (!balloon_.Enable()) return std::nullopt;
  TBalloonTip tip;
  MouseToCell(p.X, p.Y, tip.Col, tip.Row);
  if (tip.Col != -1 && tip.Row != -1)
    tip.Text = BalloonText(PlainCellText(GetCellEx(RemapCol(tip.Col), tip.Row), settings_.EnableHTML));
  tip.Title.assign(1, ' ');
  if (OnCellBalloon) OnCellBalloon(this, tip.Col, tip.Row, tip.Title, tip.Text, tip.Icon);
  balloonCell_ = {tip.Col, tip.Row};
  tip.Title = Shortened(tip.Title, kMaxBalloonTitle);
  return tip;
}
