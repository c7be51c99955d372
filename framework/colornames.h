#pragma once
// Colours as text, the way property files keep them: the name of a colour
// constant where the colour has one ("clRed", "clBtnFace"), otherwise "$"
// and eight hexadecimal digits ("$00EACAB6").
#include "framework/graphics.h"

// The constant's name, or "$" and the eight hexadecimal digits of the value.
AnsiString ColorToString(TColor color);
// A constant's name (in any case), "$" or "0x" and one to eight hexadecimal
// digits (the 32-bit pattern, so "$80000005" is clWindow), or a decimal
// integer within 32 bits. Anything else raises EConvertError.
TColor StringToColor(const AnsiString& text);
