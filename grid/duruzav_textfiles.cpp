// The grid's text file formats, each done by a class of its own.
#include "grid/duruzav.h"
#include "grid/gridasciiexport.h"
#include "grid/gridfixedwidth.h"
#include "grid/gridhtmlexport.h"
#include "grid/gridtextfile.h"
#include "grid/gridtextstream.h"

void TVudUvizidIzed::SaveToFile(const AnsiString& fileName) { TGridTextFile(*this).SaveToFile(fileName); }
void TVudUvizidIzed::LoadFromFile(const AnsiString& fileName) { TGridTextFile(*this).LoadFromFile(fileName); }
void TVudUvizidIzed::SaveToASCII(const AnsiString& fileName) { TGridAsciiExport(*this).Save(fileName, false); }
void TVudUvizidIzed::AppendToASCII(const AnsiString& fileName) { TGridAsciiExport(*this).Save(fileName, true); }
AnsiString TVudUvizidIzed::SaveToHTMLString() { return TGridHtmlExport(*this).SaveToString(); }
void TVudUvizidIzed::SaveToHTML(const AnsiString& fileName) { TGridHtmlExport(*this).Output(fileName, false); }
void TVudUvizidIzed::AppendToHTML(const AnsiString& fileName) { TGridHtmlExport(*this).Output(fileName, true); }
void TVudUvizidIzed::SaveToStream(TStream& stream) { TGridTextStream(*this).Save(stream); }
void TVudUvizidIzed::LoadFromStream(TStream& stream) { TGridTextStream(*this).Load(stream); }
void TVudUvizidIzed::SaveToFixed(const AnsiString& fileName, TIntList& widths) {
  TGridFixedWidth(*this).Save(fileName, widths);
}
void TVudUvizidIzed::LoadFromFixed(const AnsiString& fileName, const TIntList& positions) {
  TGridFixedWidth(*this).Load(fileName, positions);
}
