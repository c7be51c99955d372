// The grid's link to the mark-up renderer: cell texts in mark-up are drawn,
// measured and stripped through it.
#include "grid/duruzav.h"
#include "grid/zghtmle.h"

AnsiString TVudUvizidIzed::StripCellMarkup(const AnsiString& text) const { return HTMLStrip(text); }

namespace {

// The results of one mark-up engine call.
struct MarkupResults {
  AnsiString anchor, plain, focusAnchor, title, controlID, controlValue, controlType;
  int width = 0, height = 0, links = 0, mouseLink = -1;
  TRect hover, control;
};

// The engine as the cell painter calls it: draw (or measure) the text in r;
// with hitTest, nothing is drawn and the control named in results.controlID
// is located.
bool RunCellMarkup(TVudUvizidIzed& grid, TCanvas* canvas, const AnsiString& text, const TRect& r, bool draw,
                   bool hitTest, MarkupResults& m) {
  const TVudUvizidIzed::Settings& settings = grid.Props();
  return HTMLDrawEx(canvas, text, r, grid.GridImages(), -1, -1, -1, 0, 1, hitTest, !draw && !hitTest, false,
                    grid.BlinkOn(), false, false, !settings.EnhTextSize, false, 1.0, settings.URLColor, clNone, clNone, clGray, m.anchor,
                    m.plain, m.focusAnchor, m.title, m.width, m.height, m.links, m.mouseLink, m.hover, m.control,
                    m.controlID, m.controlValue, m.controlType, nullptr, nullptr, &grid);
}

}  // namespace

TSize TVudUvizidIzed::DrawMarkupText(TCanvas* canvas, const AnsiString& text, TRect r, bool draw) {
  MarkupResults m;
  RunCellMarkup(*this, canvas, text, r, draw, false, m);
  return {m.width, m.height};
}

bool TVudUvizidIzed::FindMarkupControl(const AnsiString& text, const TRect& r, const AnsiString& id, TRect& place,
                                       AnsiString& type, AnsiString& value) {
  MarkupResults m;
  m.controlID = id;
  if (!RunCellMarkup(*this, Canvas(), text, r, false, true, m) || m.controlID != id) return false;
  place = m.control;
  type = m.controlType;
  value = m.controlValue;
  return true;
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
