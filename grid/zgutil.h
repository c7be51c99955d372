#pragma once
// Utility routines shared by all grid code: the line-break codecs of cell
// texts, search helpers, classification of cell texts, dates, colours, the
// storage form of wide text, the HTML clipboard fragment, the filter matcher
// and the gradient fills. Character positions are 1-based; a parameter taken
// by reference is changed in place.
#include <string_view>

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/datetime.h"
#include "framework/grids.h"
#include "framework/strings.h"

// ---- Line-break codecs and text routines ----

void LineFeedsToCSV(AnsiString& s);    // CR LF -> #11, then enclosed in '"'
void LineFeedsToCSVNQ(AnsiString& s);  // CR LF -> LF
void CSVToLineFeeds(AnsiString& s);    // #11 -> CR LF
AnsiString CSVQuotes(const AnsiString& s);  // every '"' doubled
void LineFeedsToJava(AnsiString& s);   // CR -> '~', LF dropped
void JavaToLineFeeds(AnsiString& s);   // '~' -> CR LF; "^" -> ""
AnsiString LineFeedsToXLS(const AnsiString& s);  // CR dropped
AnsiString CRToLF(const AnsiString& s);          // CR dropped
AnsiString LfToFile(const AnsiString& s);  // with a CR or LF: CR -> #9, LF -> #8
// With a #8: #9 -> CR, #8 -> LF; then the whole text or its first line.
AnsiString FileToLf(const AnsiString& s, bool multiline);
AnsiString CLFToLF(const AnsiString& s);  // "\n" -> CR
AnsiString LFToCLF(const AnsiString& s);  // CR -> "\n", LF dropped
AnsiString HTMLLineBreaks(const AnsiString& s);  // CR -> "<br>"
// The text before the first CR, removed from s with the CR and one LF after
// it; all of s when it holds no CR. s is emptied when not multiline.
AnsiString GetNextLine(AnsiString& s, bool multiline);
int LinesInText(const AnsiString& s, bool multiline);
// Cell texts are UTF-8: the characters of a text, and its first `count`
// characters (the whole text when it has fewer).
int CharCount(std::string_view s);
AnsiString CharPrefix(std::string_view s, int count);
// A doubled ch becomes one, a lone ch is dropped.
AnsiString DoubleToSingleChar(char ch, const AnsiString& s);
AnsiString StringListToText(const TStrings* list);
void StringToPassword(AnsiString& s, char ch);
// Capital at the start and after blank ' , - . and in "Mc" names and Roman
// numerals II and III at the end; other ASCII letters lower case.
AnsiString ShiftCase(const AnsiString& s);

// ---- Search and small routines ----

int CharPos(char ch, std::string_view s);
int VarCharPos(char ch, std::string_view s, int& pos);    // pos set when found
int VarCharPosNC(char ch, std::string_view s, int& pos);  // ch given in upper case
int VarPos(std::string_view sub, std::string_view s, int& pos);  // pos always set
int FIPos(std::string_view sub, std::string_view s);  // sub given in upper case
// The first ch not doubled (the last of an odd run); also stored in pos.
int SinglePos(char ch, std::string_view s, int& pos);
int NumSingleChar(char ch, std::string_view s);
int NumChar(char ch, std::string_view s);
int NumCharInStr(char ch, std::string_view s);
// The first character of s in `set` outside double quotes; '\0' and pos -1
// when there is none.
char FirstChar(std::string_view set, std::string_view s, int& pos);
// The text before delim, removed from s with delim's first character; empty
// (s unchanged) when delim is absent.
AnsiString GetToken(AnsiString& s, std::string_view delim);
bool IsURL(std::string_view s);
void StripURLProtocol(AnsiString& s);
int StrPosWide(std::u16string_view sub, std::u16string_view s);
int Max(int a, int b);
int Min(int a, int b);
// value kept when min = max; else raised to min / lowered to max, a bound
// below 1 not applied.
int CheckLimits(int value, int min, int max);
bool IsInGridRect(const TGridRect& rect, int col, int row);
// "R<row>C<col>", case ignored: point = (col, row).
bool NameToCell(std::string_view name, TPoint& point);
AnsiString RectString(const TRect& rect);  // "[L:T][R:B]"
AnsiString FixDecimalSeparator(const AnsiString& s);

// ---- Classification, numbers and dates ----

enum TTextType { ttText, ttHTML, ttRTF, ttFormula, ttURL, ttUnicode };
TTextType TextType(std::string_view s, bool markup);
// 0 integer, 1 number with the locale's separators, 2 anything else.
int IsType(std::string_view s);
// A displayed number as plain number text ("(1,234.5)" -> "-1234.5").
AnsiString RemoveSeps(std::string_view s);
bool IsDateStr(std::string_view s);
TDateTime GetNextDate(TDateTime date, int years, int months, int days, double span);
// month/day/year and day/month/year with '/', '.' or '-'; two-digit years
// 0..25 are 20xx, 26..99 are 19xx. 0 when not three integer fields;
// EConvertError when they form no date.
TDateTime StrToShortdateUS(std::string_view s);
TDateTime StrToShortDateEU(std::string_view s);

// ---- Colours and conversions ----

AnsiString HTMLColor(TColor color);  // "RRGGBB" of a plain RGB colour
TColor DarkenColor(TColor color);
// Cell text (UTF-8) to the OEM code page of console files and back; the
// text ends at its first character 0. Characters the code page lacks become
// '?'.
void StringToOem(AnsiString& s);
void OemToString(AnsiString& s);
// "|\" followed by each UTF-16 code unit as two characters, high byte first.
AnsiString EncodeWideStr(const WideString& text);
// Reverses EncodeWideStr; any other text is the cell's own (UTF-8) text.
WideString DecodeWideStr(const AnsiString& text);
// Wraps an HTML fragment in the "HTML Format" clipboard text; the offsets
// count bytes of the UTF-8 text.
void MakeFragment(AnsiString& s);

// ---- Filter matching ----

// A filter of patterns joined by & (and), | ^ ; (or), left to right.
bool MatchStrEx(std::string_view filter, std::string_view value, bool caseSensitive);
bool MatchStr(std::string_view pattern, std::string_view value, bool caseSensitive);
// Comparisons >, >=, <, <=, combined with ^ or &, else the wildcards * ? and
// the negation !.
bool Matches(std::string_view pattern, std::string_view value);

// ---- Painting ----

// A raised or sunken frame `width` pixels wide inside r; r shrinks by it.
void Frame3D(TCanvas* canvas, TRect& r, TColor topColor, TColor bottomColor, int width);
// Fills r in `steps` bands (0 counts as 1) stacked top to bottom, or left to
// right when `horizontal`; band i has the colour `from` + i steps toward `to`
// (the last band is a step short of `to`) and overlaps the next by a pixel.
// With `to` clNone r is one rectangle of `from`. Pen and brush keep the last
// colour.
void DrawGradient(TCanvas* canvas, TColor from, TColor to, int steps, TRect r, bool horizontal);
// The colour at `position` of a gradient over first..last; `from` unchanged
// when `to` is clNone.
TColor GradientAt(TColor from, TColor to, int first, int last, int position);
// A horizontal bar within the margins of rect with its text centred; the
// text changes colour where the done part ends. With a format the part is
// (position - min) * 100 / max percent (none when max is 0), else position
// percent. Leaves the brush in the colour it had.
void DrawProgressLin(TCanvas* canvas, TRect rect, TColor doneColor, TColor doneTextColor, TColor restColor,
                     TColor restTextColor, int position, int marginX, int marginY, int min, int max,
                     const AnsiString& format, TColor borderColor, bool raised);
// A bar from the middle of rect, right for positive values and left for
// negative ones, value limited to -range..range; no bar when range is not
// positive.
void DrawRangeIndicator(TCanvas* canvas, TRect rect, int value, int range, bool showValue, TColor negativeColor,
                        TColor positiveColor);
// A pie in rect filled in `color` clockwise from twelve o'clock to position
// percent (with `outside`, the area above the pie's top is filled instead).
void DrawProgressPie(TCanvas* canvas, TRect rect, TColor color, int position, bool outside);
// The drop-down button at the right end of rect: with `themed` in the
// theme's look when a theme is active (window is the control drawn on),
// else in the classic flat look.
void DrawComboButton(TCanvas* canvas, TWinControl* window, TRect rect, bool themed);
// Draws bitmap at rect's top-left corner at its own size, its top-left
// pixel's colour replaced by backgroundColor.
void DrawBitmapTransp(TCanvas* canvas, TBitmap* bitmap, TColor backgroundColor, TRect rect);
// DrawBitmapTransp of the named bitmap resource; EResNotFound, with
// nothing drawn, when there is no such resource.
void DrawBitmapResourceTransp(TCanvas* canvas, TColor backgroundColor, TRect rect, const AnsiString& resourceName);
// The red zigzag under charCount characters of text from the 0-based
// character firstChar, as the text shows in a single-line edit placed on
// control at rect; lineOffset moves it down.
void DrawErrorLines(TWinControl* control, TCanvas* canvas, const AnsiString& text, TRect rect, int lineOffset,
                    int firstChar, int charCount);
