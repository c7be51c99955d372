#pragma once
// The subset of rich text (RTF) that cells hold and the grid draws: fonts,
// sizes, bold, italic, underline, colours and paragraphs. A cell holds the
// RTF source, starting with "{\".
#include <QTextDocument>

#include "framework/canvas.h"
#include "framework/strings.h"

// Reads RTF into a document; groups and control words outside the subset
// are skipped, so that any RTF shows at least its text.
void RichTextToDocument(const AnsiString& rtf, QTextDocument& document);
// Writes the document's text and character formats as RTF.
AnsiString DocumentToRichText(const QTextDocument& document);
// The pixels RTF takes in the canvas font: wrapped at width, or its natural
// width when width is 0.
TSize MeasureRichText(TCanvas* canvas, const AnsiString& rtf, int width);
// Draws RTF into r, clipped to it.
void DrawRichText(TCanvas* canvas, const AnsiString& rtf, const TRect& r);
// Draws a document into r, clipped to it; its width becomes r's.
void DrawRichDocument(TCanvas* canvas, QTextDocument& document, const TRect& r);
// Gives all the document's text one colour.
void ColourRichText(QTextDocument& document, TColor color);
