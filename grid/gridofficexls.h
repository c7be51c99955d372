#pragma once
// The grid's exchange with spreadsheet workbooks through the office port:
// a sheet's used range loaded into the grid, the grid's cells written into a
// sheet of a new or existing workbook, and a workbook's sheet names.
#include <memory>

#include "grid/gridofficeport.h"

class TStringList;
class TVudUvizidIzed;

class TGridSpreadsheet {
 public:
  explicit TGridSpreadsheet(TVudUvizidIzed& grid) : grid_(grid) {}

  // A new list owned by the caller.
  TStringList* SheetNames(const AnsiString& fileName);
  // An empty sheet name loads the active sheet.
  void Load(const AnsiString& fileName, const AnsiString& sheetName);
  // An empty sheet name writes into a new workbook, or with newWorkbook off
  // into the active sheet of a running server's active workbook from its
  // active cell's row on.
  void Save(const AnsiString& fileName, const AnsiString& sheetName, bool newWorkbook);

 private:
  void LoadUsedRange(TSpreadsheetServer& server, const AnsiString& fileName, const AnsiString& sheetName);
  // The first row to write into; the workbook and sheet made current.
  int ChooseTarget(TSpreadsheetServer& server, const AnsiString& fileName, const AnsiString& sheetName,
                   bool newWorkbook, bool& saveAs);
  void WriteCells(TSpreadsheetServer& server, int startRow);
  // Quits the server and tells the grid its cells changed.
  void EndLoad(TSpreadsheetServer& server);

  TVudUvizidIzed& grid_;
};
