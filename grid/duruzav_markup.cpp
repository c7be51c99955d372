// The grid's link to the mark-up renderer: cell texts in mark-up are drawn,
// measured and stripped through it.
#include "grid/duruzav.h"
#include "grid/zghtmle.h"

AnsiString TVudUvizidIzed::StripCellMarkup(const AnsiString& text) const { return HTMLStrip(text); }

TSize TVudUvizidIzed::DrawMarkupText(TCanvas* canvas, const AnsiString& text, TRect r, bool draw) {
  AnsiString anchor, plain, focusAnchor, title, controlID, controlValue, controlType;
  int width = 0, height = 0, links = 0, mouseLink = -1;
  TRect hover, control;
  HTMLDrawEx(canvas, text, r, gridImages_, -1, -1, -1, 0, 1, false, !draw, false, false, false, false,
             !settings_.EnhTextSize, false, 1.0, settings_.URLColor, clNone, clNone, clGray, anchor, plain,
             focusAnchor, title, width, height, links, mouseLink, hover, control, controlID, controlValue,
             controlType, nullptr, nullptr, this);
  return {width, height};
}

AnsiString TVudUvizidIzed::GetCtrlVal(int col, int row, const AnsiString& controlName) {
  AnsiString value;
  if (!GetControlValue(GetCellEx(col, row), controlName, value)) return AnsiString();
  return value;
}

void TVudUvizidIzed::SetCtrlVal(int col, int row, const AnsiString& controlName, const AnsiString& value) {
  AnsiString text = GetCellEx(col, row);
  if (SetControlValue(text, controlName, value)) SetCellEx(col, row, text);
}
