#pragma once
// The mark-up engine of cell, hint, footer and label texts: lays a small
// HTML-like language out in a rectangle and draws it, measures it, or finds
// the anchor, picture or form control under a point; and the routines that
// strip, highlight and escape mark-up and read and write the form controls
// embedded in it. Mark-up never raises: what the language does not know
// draws nothing and takes no room.
#include "framework/canvas.h"
#include "framework/graphics.h"
#include "framework/imglist.h"
#include "framework/strings.h"

class THTMLPictureCache;
class TPictureContainer;
class TWinControl;

// Controls embedded in mark-up are drawn with visual styles when this is set
// and the theme service has a theme active.
extern bool IsWinXP;

// Lays Text out in Bounds on Canvas (whose font is the base font) and, by
// the flags, draws it, only measures it (MeasureOnly: all lines, result
// false) or only hit-tests it (HitTestOnly: nothing drawn; ControlID names a
// control to locate). Returns true when the point (PointX, PointY) lies over
// an anchor's text, a picture inside an anchor or an embedded control.
// FocusLink is 0-based (-1 none), HoverLink and MouseLink 1-based (0 and -1
// none). AnchorValue and HoverRect are not cleared on entry. Pen colour and
// width, brush colour and font are as they were on return.
bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& Bounds, TImageList* Images, int PointX,
                int PointY, int FocusLink, int HoverLink, int ShadowOffset, bool HitTestOnly, bool MeasureOnly,
                bool Printing, bool BlinkOn, bool Selected, bool HoverOnly, bool WordWrap, bool ControlDown,
                double PrintScale, TColor LinkColor, TColor HoverColor, TColor HoverFontColor, TColor ShadowColor,
                AnsiString& AnchorValue, AnsiString& PlainText, AnsiString& FocusAnchor, AnsiString& AnchorTitle,
                int& XSize, int& YSize, int& LinkCount, int& MouseLink, TRect& HoverRect, TRect& ControlRect,
                AnsiString& ControlID, AnsiString& ControlValue, AnsiString& ControlType,
                THTMLPictureCache* PictureCache, TPictureContainer* PictureContainer, TWinControl* OwnerWindow);

// The label's variant: no embedded controls and no anchor titles; BODY also
// takes a gradient (BGCOLORTO, DIR); words are drawn with prefix processing,
// so "&amp;" shows one "&" and a single "&" underlines the next character.
// The last argument is reserved and ignored.
bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& Bounds, TImageList* Images, int PointX,
                int PointY, int FocusLink, int HoverLink, int ShadowOffset, bool HitTestOnly, bool MeasureOnly,
                bool Printing, bool BlinkOn, bool Selected, bool HoverOnly, bool WordWrap, double PrintScale,
                TColor LinkColor, TColor HoverColor, TColor HoverFontColor, TColor ShadowColor,
                AnsiString& AnchorValue, AnsiString& PlainText, AnsiString& FocusAnchor, int& XSize, int& YSize,
                int& LinkCount, int& MouseLink, TRect& HoverRect, THTMLPictureCache* PictureCache,
                TPictureContainer* PictureContainer, int Reserved);

// Copies bitmap into DestRect, scaled (printing of image-list pictures).
void PrintBitmap(TCanvas* Canvas, const TRect& DestRect, TBitmap* Bitmap);

// ---- Colour values of the language ----

// "#RRGGBB" (the "#" optional) as 0x00BBGGRR; a pair that is missing or not
// two hexadecimal digits leaves the colour unset: the result is then clNone.
TColor HexToColor(const AnsiString& value);
// A colour name of the language ("clRed", "clBtnFace", ...; case ignored);
// black for a name it does not know.
TColor TextToColor(const AnsiString& name);

// ---- Text utilities ----

// The visible text: BR and HR become CR LF, every other tag is removed; a
// "<" without a ">" after it stays with the rest of the text.
AnsiString HTMLStrip(const AnsiString& s);
// The label's strip: first drops the hidden sections "<z>...</z>" and
// "<Z>...</Z>" with their text, then strips as HTMLStrip.
AnsiString HTMLStripHidden(const AnsiString& s);
// Wraps every occurrence of search in the visible text of s in <tag> and
// </tag>; an empty search returns s unchanged.
AnsiString HiLight(const AnsiString& s, const AnsiString& search, const AnsiString& tag, bool caseSensitive);
// Removes every <tag> and </tag>, in any case.
AnsiString UnHiLight(const AnsiString& s, const AnsiString& tag);
// Plain text made safe for mark-up: & " < > become entities.
AnsiString FixMarkup(const AnsiString& s);
// Every blank becomes "&nbsp;".
AnsiString FixNonBreaking(const AnsiString& s);

// ---- Embedded form controls ----
// <CONTROL TYPE="EDIT|PASSWORD|MASK|COMBO|CHECK|RADIO|BUTTON" ID="..."
// VALUE="..." WIDTH="..." PROP="...">

bool HasHTMLControl(const AnsiString& s);
// The ID of the first editable control (not BUTTON, CHECK or RADIO) after the
// one with currentID (the first when currentID is empty); empty at the end.
AnsiString GetNextControlID(const AnsiString& s, const AnsiString& currentID);
// The decoded VALUE of the control with that ID; false (value unchanged)
// when there is none.
bool GetControlValue(const AnsiString& s, const AnsiString& ID, AnsiString& value);
AnsiString GetControlProp(const AnsiString& s, const AnsiString& ID);
// Rewrites the control with that ID with the new value, keeping its ID,
// WIDTH, TYPE and PROP; false (s unchanged) when there is none.
bool SetControlValue(AnsiString& s, const AnsiString& ID, const AnsiString& value);
