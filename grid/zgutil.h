#pragma once
// Utility routines of the grid: gradient fills and the storage form of wide
// text in an 8-bit cell.
#include "framework/canvas.h"

// Fills r in `steps` bands (0 counts as 1) running linearly per RGB channel
// from `from` to `to`, stacked top to bottom, or left to right when
// `horizontal`; with `to` clNone r is filled with `from`.
void DrawGradient(TCanvas* canvas, TColor from, TColor to, int steps, TRect r, bool horizontal);

// "|\" followed by each UTF-16 code unit as two characters, high byte first.
AnsiString EncodeWideStr(const WideString& text);
// Reverses EncodeWideStr; a text without the prefix is taken as Latin-1.
WideString DecodeWideStr(const AnsiString& text);
