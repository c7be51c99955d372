// The rich-text reader of cells: any text is read into a document, written
// back and read again without raising, and the second reading keeps the
// plain text of the first; the text is drawn and measured as cells are.
#include <QImage>
#include <QTextDocument>

#include "framework/canvas.h"
#include "grid/richtext.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/offscreenwindows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const AnsiString rtf(reinterpret_cast<const char*>(data), size);
  QTextDocument document;
  RichTextToDocument(rtf, document);
  const AnsiString written = DocumentToRichText(document);
  QTextDocument again;
  RichTextToDocument(written, again);
  FUZZ_CHECK(again.toPlainText() == document.toPlainText());

  static QImage image(200, 60, QImage::Format_RGB32);
  TCanvas canvas;
  canvas.Attach(&image);
  const TSize measured = MeasureRichText(&canvas, rtf, 120);
  FUZZ_CHECK(measured.cx >= 0 && measured.cy >= 0);
  DrawRichText(&canvas, rtf, {0, 0, 200, 60});
  return 0;
}
