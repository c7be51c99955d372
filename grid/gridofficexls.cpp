#include "grid/gridofficexls.h"

#include <algorithm>
#include <filesystem>

#include "framework/strings.h"
#include "grid/duruzav.h"
#include "grid/gridoffice.h"
#include "grid/zgutil.h"

namespace {

std::unique_ptr<TSpreadsheetServer> StartServer() {
  auto server = OfficeAutomation().StartSpreadsheet();
  if (!server) throw EDurUzavError("Excel OLE server not found");
  return server;
}

// The sheet of that name, from 1 (the last one when several match); 0 when
// there is none.
int SheetIndex(TSpreadsheetServer& server, const AnsiString& name) {
  const std::vector<AnsiString> names = server.SheetNames();
  const auto match = std::find(names.rbegin(), names.rend(), name);
  return match == names.rend() ? 0 : static_cast<int>(names.rend() - match);
}

}  // namespace

// ---- Sheet names ----

TStringList* TGridSpreadsheet::SheetNames(const AnsiString& fileName) {
  const std::unique_ptr<TSpreadsheetServer> server = StartServer();
  auto list = std::make_unique<TStringList>();
  QuittingAfter(*server, true, [&] {
    server->OpenWorkbook(fileName);
    for (const AnsiString& name : server->SheetNames()) list->Add(name);
  });
  return list.release();
}

// ---- Loading ----

void TGridSpreadsheet::Load(const AnsiString& fileName, const AnsiString& sheetName) {
  const TOfficeHourglass hourglass;
  const std::unique_ptr<TSpreadsheetServer> server = StartServer();
  try {
    LoadUsedRange(*server, fileName, sheetName);
  } catch (...) {
    EndLoad(*server);
    throw;
  }
  EndLoad(*server);
}

void TGridSpreadsheet::LoadUsedRange(TSpreadsheetServer& server, const AnsiString& fileName,
                                     const AnsiString& sheetName) {
  server.OpenWorkbook(fileName);
  if (sheetName.empty()) {
    server.SelectActiveSheet();
  } else {
    const int index = SheetIndex(server, sheetName);
    if (index == 0) throw EDurUzavError("Excel worksheet " + sheetName + " not found");
    server.SelectSheet(index);
  }
  const AnsiString address = server.UsedRangeAddress();
  const std::optional<TXLSRange> range = ParseUsedRange(address);
  if (!range) throw EDurUzavError("Cannot read the used range " + address + " of " + fileName);
  const TAutomationValues values = server.RangeValues(range->Address());

  const int firstCol = grid_.ExportFixedCells ? 0 : grid_.FixedCols();
  const int firstRow = grid_.ExportFixedCells ? 0 : grid_.FixedRows();
  const int fixedCols = grid_.FixedCols(), fixedRows = grid_.FixedRows();
  const TGridUpdate update(grid_);
  grid_.SetColCount(range->ColCount() + firstCol);
  grid_.SetRowCount(range->RowCount() + firstRow);
  if (grid_.ColCount() > fixedCols) grid_.SetFixedCols(fixedCols);
  if (grid_.RowCount() > fixedRows) grid_.SetFixedRows(fixedRows);

  // The server's array may be smaller than the range it was asked for.
  const int rows = std::min<int>(range->RowCount(), static_cast<int>(values.size()));
  for (int i = 0; i < rows; ++i) {
    const std::vector<TAutomationValue>& cells = values[static_cast<std::size_t>(i)];
    const int cols = std::min<int>(range->ColCount(), static_cast<int>(cells.size()));
    for (int j = 0; j < cols; ++j) {
      const TAutomationValue& value = cells[static_cast<std::size_t>(j)];
      if (value.Kind == TAutomationValue::avEmpty || value.Kind == TAutomationValue::avError) continue;
      grid_.LoadCell(firstCol + j, firstRow + i, value.Text);
    }
  }
  server.CloseWorkbook();
}

void TGridSpreadsheet::EndLoad(TSpreadsheetServer& server) {
  server.Quit();
  grid_.CellsChanged(TRect{0, 0, grid_.ColCount(), grid_.RowCount()});
  grid_.CellsLoaded();
}

// ---- Saving ----

void TGridSpreadsheet::Save(const AnsiString& fileName, const AnsiString& sheetName, bool newWorkbook) {
  const TOfficeHourglass hourglass;
  std::unique_ptr<TSpreadsheetServer> server = OfficeAutomation().AttachSpreadsheet();
  const bool started = !server;
  if (started) server = StartServer();
  QuittingAfter(*server, started, [&] {
    bool saveAs = true;
    WriteCells(*server, ChooseTarget(*server, fileName, sheetName, newWorkbook, saveAs));
    try {
      if (saveAs) {
        server->SaveAs(fileName);
      } else {
        server->Save();
      }
    } catch (const EAutomationError& e) {
      throw EDurUzavError("Cannot save file " + fileName + ": " + e.Message);
    }
  });
}

int TGridSpreadsheet::ChooseTarget(TSpreadsheetServer& server, const AnsiString& fileName,
                                   const AnsiString& sheetName, bool newWorkbook, bool& saveAs) {
  if (sheetName.empty()) {
    if (newWorkbook || server.WorkbookCount() == 0) {
      server.AddWorkbook();
      server.SelectSheet(1);
      return 1;
    }
    server.UseActiveWorkbook();
    server.SelectActiveSheet();
    return server.ActiveCellRow();
  }
  // A file that is there but cannot be opened is reported, not replaced by
  // a new workbook holding this sheet only.
  std::error_code error;
  saveAs = !std::filesystem::exists(fileName, error);
  try {
    if (saveAs) {
      server.AddWorkbook();
    } else {
      server.OpenWorkbook(fileName);
    }
  } catch (const EAutomationError& e) {
    throw EDurUzavError("Cannot open file " + fileName + ": " + e.Message);
  }
  const int index = SheetIndex(server, sheetName);
  if (index > 0) {
    server.SelectSheet(index);
  } else {
    server.AddSheet(sheetName);
  }
  return 1;
}

void TGridSpreadsheet::WriteCells(TSpreadsheetServer& server, int startRow) {
  const int firstCol = grid_.ExportFixedCells ? 0 : grid_.FixedCols();
  const int firstRow = grid_.ExportFixedCells ? 0 : grid_.FixedRows();
  TAutomationTexts rows;
  grid_.ExportNotification(esExportStart, -1);
  for (int row = firstRow; row < grid_.RowCount(); ++row) {
    grid_.ExportNotification(esExportNewRow, row);
    std::vector<AnsiString>& cells = rows.emplace_back();
    for (int col = firstCol; col < grid_.ColCount(); ++col)
      cells.push_back(LineFeedsToXLS(grid_.SaveCell(grid_.RemapCol(col), row)));
  }
  grid_.ExportNotification(esExportDone, -1);
  const int cols = grid_.ColCount() - firstCol;
  if (rows.empty() || cols <= 0) return;
  const TXLSRange range{1, startRow, cols, startRow + static_cast<int>(rows.size()) - 1};
  server.SetRangeValues(range.Address(), rows);
}

// ---- The grid's entry points ----

TStringList* TVudUvizidIzed::GetXLSSheets(const AnsiString& file) { return TGridSpreadsheet(*this).SheetNames(file); }
void TVudUvizidIzed::LoadXLS(const AnsiString& file, const AnsiString& sheet) {
  TGridSpreadsheet(*this).Load(file, sheet);
}
void TVudUvizidIzed::LoadFromXLS(const AnsiString& file) { LoadXLS(file, ""); }
void TVudUvizidIzed::LoadFromXLSSheet(const AnsiString& file, const AnsiString& sheet) { LoadXLS(file, sheet); }
void TVudUvizidIzed::SaveXLS(const AnsiString& file, const AnsiString& sheet, bool newWorkbook) {
  TGridSpreadsheet(*this).Save(file, sheet, newWorkbook);
}
void TVudUvizidIzed::SaveToXLS(const AnsiString& file, bool newWorkbook) { SaveXLS(file, "", newWorkbook); }
void TVudUvizidIzed::SaveToXLSSheet(const AnsiString& file, const AnsiString& sheet) { SaveXLS(file, sheet, true); }
