#pragma once
// Sizing the program's controls by the metrics of their fonts where the
// windows have no fixed geometry for them, so that no caption is cut
// whatever face stands in for the fonts the windows were drawn with.
#include <initializer_list>

class TButton;
class TVudUvizidIzed;

namespace windowfit {

// Places the buttons in one row from (left, top), gap pixels apart, each
// as wide as its caption needs (and no narrower than a standard button).
// Returns the right edge of the row.
int PlaceButtonRow(std::initializer_list<TButton*> buttons, int left, int top, int gap);

// Widens every column whose header or cell texts the grid would cut or
// wrap, measured as the grid draws each cell (in its font and style); a row
// shows one line. Columns wide enough keep their width.
void FitColumnsToTexts(TVudUvizidIzed* grid);

}  // namespace windowfit
