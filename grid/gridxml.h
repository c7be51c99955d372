#pragma once
// XML files of the cell grid: the save range written as a flat document
// (one list element, a record element per row, a field element per non-empty
// cell), and any document read back by walking its element tree into
// consecutive cells.
//
// Texts are escaped as a pair the reader reverses: "&" is written "$amp",
// ">" "&gt;", "<" "&lt;" and the double quote "&quot;"; a carriage return is
// written "&#13;" so that the parser hands it back.
#include "framework/sysutils.h"

class TStrings;
class TVudUvizidIzed;

class TGridXml {
 public:
  explicit TGridXml(TVudUvizidIzed& grid) : grid_(grid) {}

  // Field elements are named by fieldNames (entry i for the i-th saved
  // column) where it has the entry, else "FIELD" + i. "Cannot Create file "
  // + name when the file cannot be created.
  void Save(const AnsiString& fileName, const AnsiString& listName, const AnsiString& recordName,
            const TStrings* fieldNames);

  // The children of the document element fill one row each (with
  // attributeRows, a node's attributes fill a row of their own). Raises
  // Exception "XML file not found" or "XMLDOM Parsing error <code> on line
  // <line>" before the grid is changed.
  void Load(const AnsiString& fileName, bool attributeRows);

  static AnsiString Escape(const AnsiString& text);
  static AnsiString Unescape(const AnsiString& text);

 private:
  TVudUvizidIzed& grid_;
};
