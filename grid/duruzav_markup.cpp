// The grid's link to the mark-up renderer: cell texts in mark-up are drawn,
// measured and stripped here.
//
// The renderer proper lives in the mark-up unit; until the grid calls it,
// mark-up cells show their text without tags.
#include "grid/duruzav.h"

AnsiString TVudUvizidIzed::StripCellMarkup(const AnsiString& text) const {
  AnsiString plain;
  bool inTag = false;
  for (char c : text) {
    if (c == '<') inTag = true;
    else if (c == '>') inTag = false;
    else if (!inTag) plain += c;
  }
  return plain;
}

TSize TVudUvizidIzed::DrawMarkupText(TCanvas* canvas, const AnsiString& text, TRect r, bool draw) {
  const AnsiString plain = StripCellMarkup(text);
  TRect measured = r;
  canvas->DrawText(plain, measured, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
  if (draw) canvas->DrawText(plain, r, DT_NOPREFIX | DT_WORDBREAK);
  return {measured.Right - measured.Left, measured.Bottom - measured.Top};
}
