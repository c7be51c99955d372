#pragma once
// The grid's port to outside office programs: a spreadsheet program and a
// word processor driven by automation. The grid's exchanges call these
// operations only; the back-end that serves them (a headless office suite in
// production, a scripted fake in unit tests) is installed process-wide.
//
// Every operation that the server refuses or cannot answer raises
// EAutomationError with the server's own text.
#include <memory>
#include <vector>

#include "framework/sysutils.h"

class EAutomationError : public Exception {
 public:
  using Exception::Exception;
};

// A cell value as the spreadsheet hands it out.
struct TAutomationValue {
  enum TKind { avEmpty, avNull, avText, avNumber, avError };
  TKind Kind = avEmpty;
  AnsiString Text;
  double Number = 0;
};
// Rows of cells, row 0 first.
using TAutomationValues = std::vector<std::vector<TAutomationValue>>;
using TAutomationTexts = std::vector<std::vector<AnsiString>>;

// The running spreadsheet program. It holds a current workbook and, within
// it, a current sheet, which the operations below work on.
class TSpreadsheetServer {
 public:
  virtual ~TSpreadsheetServer() = default;
  virtual int WorkbookCount() = 0;
  // Each makes the workbook current.
  virtual void OpenWorkbook(const AnsiString& fileName) = 0;
  virtual void AddWorkbook() = 0;
  virtual void UseActiveWorkbook() = 0;
  // The worksheets' names in order; SelectSheet takes 1 for the first.
  virtual std::vector<AnsiString> SheetNames() = 0;
  virtual void SelectSheet(int index) = 0;
  virtual void SelectActiveSheet() = 0;
  // Adds a worksheet, names it and makes it current.
  virtual void AddSheet(const AnsiString& name) = 0;
  // The row of the active cell, from 1.
  virtual int ActiveCellRow() = 0;
  // The used range of the current sheet in absolute A1 notation
  // ("$B$3:$D$10", or "$C$5" for one cell).
  virtual AnsiString UsedRangeAddress() = 0;
  virtual TAutomationValues RangeValues(const AnsiString& address) = 0;
  virtual void SetRangeValues(const AnsiString& address, const TAutomationTexts& rows) = 0;
  // Closes the current workbook without saving it.
  virtual void CloseWorkbook() = 0;
  virtual void Save() = 0;
  virtual void SaveAs(const AnsiString& fileName) = 0;
  virtual void Quit() = 0;
};

// Where a table goes into a document.
enum TDocumentPlace { dpStart, dpBookmark, dpEnd };

// The running word processor, with its current document and, in it, a
// selection that typing moves along and a current table.
class TWordServer {
 public:
  virtual ~TWordServer() = default;
  virtual int DocumentCount() = 0;
  // Each makes the document current.
  virtual void OpenDocument(const AnsiString& fileName) = 0;
  virtual void AddDocument() = 0;
  virtual void UseActiveDocument() = 0;
  virtual void ShowSpellingErrors(bool show) = 0;
  virtual void TypeText(const AnsiString& text) = 0;
  virtual void TypeParagraph() = 0;
  virtual bool BookmarkExists(const AnsiString& name) = 0;
  // Adds a table at the start, at the bookmark or at the end of the current
  // document and makes it current.
  virtual void AddTable(TDocumentPlace place, const AnsiString& bookmark, int rows, int columns) = 0;
  // Table cells from 1.
  virtual void InsertAfter(int row, int column, const AnsiString& text) = 0;
  // 1 centred, 2 right.
  virtual void SetAlignment(int row, int column, int alignment) = 0;
  virtual void SaveAs(const AnsiString& fileName) = 0;
  virtual void Quit() = 0;
};

// Starts servers or attaches to running ones; each returns null when there
// is no server to be had.
class TOfficeAutomation {
 public:
  virtual ~TOfficeAutomation() = default;
  virtual std::unique_ptr<TSpreadsheetServer> StartSpreadsheet() = 0;
  virtual std::unique_ptr<TSpreadsheetServer> AttachSpreadsheet() = 0;
  virtual std::unique_ptr<TWordServer> StartWord() = 0;
  virtual std::unique_ptr<TWordServer> AttachWord() = 0;
};

// The installed back-end: the headless office suite unless one was set.
TOfficeAutomation& OfficeAutomation();
// Installs a back-end for the whole process; null puts the default back.
void SetOfficeAutomation(std::shared_ptr<TOfficeAutomation> automation);
