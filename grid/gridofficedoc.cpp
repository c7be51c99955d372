#include "grid/gridofficedoc.h"

#include "grid/duruzav.h"
#include "grid/gridoffice.h"

namespace {

constexpr int kCentred = 1;
constexpr int kRight = 2;

}  // namespace

void TGridDocument::Save(const AnsiString& fileName, const AnsiString& bookmark, bool newDocument, bool append) {
  const TOfficeHourglass hourglass;
  std::unique_ptr<TWordServer> server = OfficeAutomation().AttachWord();
  const bool started = !server;
  if (started) server = OfficeAutomation().StartWord();
  if (!server) throw EDurUzavError("Word OLE server not found");
  QuittingAfter(*server, started, [&] { WriteTable(*server, fileName, bookmark, newDocument, append); });
}

void TGridDocument::WriteTable(TWordServer& server, const AnsiString& fileName, const AnsiString& bookmark,
                               bool newDocument, bool append) {
  if (append) {
    server.OpenDocument(fileName);
  } else if (newDocument || server.DocumentCount() == 0) {
    server.AddDocument();
  } else {
    server.UseActiveDocument();
  }
  server.ShowSpellingErrors(false);
  server.TypeText(grid_.GetText());
  server.TypeParagraph();

  TDocumentPlace place = dpStart;
  if (append) place = !bookmark.empty() && server.BookmarkExists(bookmark) ? dpBookmark : dpEnd;
  const int rows = grid_.RowCount(), cols = grid_.ColCount();
  server.AddTable(place, bookmark, rows, cols);
  for (int i = 1; i <= rows; ++i) {
    for (int j = 1; j <= cols; ++j) {
      server.InsertAfter(i, j, grid_.SaveCell(grid_.RemapCol(j - 1), i - 1));
      const TAlignment alignment = grid_.GetCellAlignment(j - 1, i - 1).HAlign;
      if (alignment == taRightJustify) server.SetAlignment(i, j, kRight);
      if (alignment == taCenter) server.SetAlignment(i, j, kCentred);
    }
  }
  // A save that fails is the exchange's failure, whatever came before.
  try {
    server.SaveAs(fileName);
  } catch (const EAutomationError& e) {
    throw EDurUzavError("Cannot save file " + fileName + ": " + e.Message);
  }
}

// ---- The grid's entry point ----

void TVudUvizidIzed::SaveToDOCInt(const AnsiString& file, const AnsiString& bookmark, bool newDocument, bool append) {
  TGridDocument(*this).Save(file, bookmark, newDocument, append);
}
void TVudUvizidIzed::SaveToDOC(const AnsiString& file, bool newDocument) { SaveToDOCInt(file, "", newDocument, false); }
void TVudUvizidIzed::AppendToDoc(const AnsiString& file, const AnsiString& bookmark) {
  SaveToDOCInt(file, bookmark, false, true);
}
