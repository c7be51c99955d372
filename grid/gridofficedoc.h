#pragma once
// The grid written as a table into a word-processor document through the
// office port: a new document, the running server's active one, or an
// existing file, at a bookmark or at its end; then saved under the name.
#include "grid/gridofficeport.h"

class TVudUvizidIzed;

class TGridDocument {
 public:
  explicit TGridDocument(TVudUvizidIzed& grid) : grid_(grid) {}

  void Save(const AnsiString& fileName, const AnsiString& bookmark, bool newDocument, bool append);

 private:
  void WriteTable(TWordServer& server, const AnsiString& fileName, const AnsiString& bookmark, bool newDocument,
                  bool append);
  TVudUvizidIzed& grid_;
};
