#pragma once
// A scripted office back-end for the grid's exchange tests: workbooks and
// documents live in memory, every call is logged by name, any call can be
// made to fail, and the back-end can be "not installed" or already running.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "grid/gridofficeport.h"

struct TFakeSheet {
  TFakeSheet(AnsiString name = "Sheet1") : Name(std::move(name)) {}
  AnsiString Name;
  AnsiString UsedRange = "$A$1";
  // What RangeValues returns, whatever the address.
  TAutomationValues Values;
  // The last SetRangeValues: its address and rows.
  AnsiString WrittenAddress;
  TAutomationTexts Written;
};

struct TFakeWorkbook {
  std::vector<TFakeSheet> Sheets{TFakeSheet()};
  int ActiveSheet = 0;
  int ActiveCellRow = 1;
};

struct TFakeDocument {
  AnsiString Typed;
  std::set<AnsiString> Bookmarks;
  TDocumentPlace TablePlace = dpStart;
  int Rows = 0, Columns = 0;
  // "row,column" -> text or alignment.
  std::map<std::string, AnsiString> Cells;
  std::map<std::string, int> Alignments;
};

class TFakeOffice : public TOfficeAutomation {
 public:
  bool Installed = true;
  // A server that is running before the exchange, with these open.
  bool Running = false;
  std::vector<TFakeWorkbook> OpenBooks;
  std::vector<TFakeDocument> OpenDocuments;
  // Files on the fake's disk, by name.
  std::map<AnsiString, TFakeWorkbook> BookFiles;
  std::map<AnsiString, TFakeDocument> DocumentFiles;
  // Calls by name ("OpenWorkbook", "SaveAs", "Quit", ...).
  std::vector<std::string> Calls;
  std::set<std::string> Failing;

  int Count(const std::string& call) const { return static_cast<int>(std::count(Calls.begin(), Calls.end(), call)); }
  void Log(const std::string& call) {
    Calls.push_back(call);
    if (Failing.count(call)) throw EAutomationError(call + " failed");
  }

  std::unique_ptr<TSpreadsheetServer> StartSpreadsheet() override;
  std::unique_ptr<TSpreadsheetServer> AttachSpreadsheet() override;
  std::unique_ptr<TWordServer> StartWord() override;
  std::unique_ptr<TWordServer> AttachWord() override;
};

class TFakeSpreadsheet : public TSpreadsheetServer {
 public:
  explicit TFakeSpreadsheet(TFakeOffice& office) : office_(office) {}
  int WorkbookCount() override {
    office_.Log("WorkbookCount");
    return static_cast<int>(office_.OpenBooks.size());
  }
  void OpenWorkbook(const AnsiString& fileName) override {
    office_.Log("OpenWorkbook");
    const auto file = office_.BookFiles.find(fileName);
    if (file == office_.BookFiles.end()) throw EAutomationError("no file " + fileName);
    Adopt(file->second);
    fileName_ = fileName;
  }
  void AddWorkbook() override {
    office_.Log("AddWorkbook");
    Adopt(TFakeWorkbook{});
  }
  void UseActiveWorkbook() override {
    office_.Log("UseActiveWorkbook");
    book_ = office_.OpenBooks.size() - 1;
  }
  std::vector<AnsiString> SheetNames() override {
    office_.Log("SheetNames");
    std::vector<AnsiString> names;
    for (const TFakeSheet& sheet : Book().Sheets) names.push_back(sheet.Name);
    return names;
  }
  void SelectSheet(int index) override {
    office_.Log("SelectSheet");
    sheet_ = static_cast<std::size_t>(index - 1);
  }
  void SelectActiveSheet() override {
    office_.Log("SelectActiveSheet");
    sheet_ = static_cast<std::size_t>(Book().ActiveSheet);
  }
  void AddSheet(const AnsiString& name) override {
    office_.Log("AddSheet");
    Book().Sheets.push_back(TFakeSheet{name});
    sheet_ = Book().Sheets.size() - 1;
  }
  int ActiveCellRow() override {
    office_.Log("ActiveCellRow");
    return Book().ActiveCellRow;
  }
  AnsiString UsedRangeAddress() override {
    office_.Log("UsedRangeAddress");
    return Sheet().UsedRange;
  }
  TAutomationValues RangeValues(const AnsiString& address) override {
    office_.Log("RangeValues");
    AskedAddress = address;
    return Sheet().Values;
  }
  void SetRangeValues(const AnsiString& address, const TAutomationTexts& rows) override {
    office_.Log("SetRangeValues");
    Sheet().WrittenAddress = address;
    Sheet().Written = rows;
  }
  void CloseWorkbook() override { office_.Log("CloseWorkbook"); }
  void Save() override {
    office_.Log("Save");
    office_.BookFiles[fileName_] = Book();
  }
  void SaveAs(const AnsiString& fileName) override {
    office_.Log("SaveAs");
    fileName_ = fileName;
    office_.BookFiles[fileName] = Book();
  }
  void Quit() override { office_.Log("Quit"); }

  static inline AnsiString AskedAddress;

 private:
  void Adopt(const TFakeWorkbook& book) {
    office_.OpenBooks.push_back(book);
    book_ = office_.OpenBooks.size() - 1;
    sheet_ = 0;
  }
  TFakeWorkbook& Book() { return office_.OpenBooks.at(book_); }
  TFakeSheet& Sheet() { return Book().Sheets.at(sheet_); }

  TFakeOffice& office_;
  std::size_t book_ = 0, sheet_ = 0;
  AnsiString fileName_;
};

class TFakeWord : public TWordServer {
 public:
  explicit TFakeWord(TFakeOffice& office) : office_(office) {}
  int DocumentCount() override {
    office_.Log("DocumentCount");
    return static_cast<int>(office_.OpenDocuments.size());
  }
  void OpenDocument(const AnsiString& fileName) override {
    office_.Log("OpenDocument");
    const auto file = office_.DocumentFiles.find(fileName);
    if (file == office_.DocumentFiles.end()) throw EAutomationError("no file " + fileName);
    Adopt(file->second);
  }
  void AddDocument() override {
    office_.Log("AddDocument");
    Adopt(TFakeDocument{});
  }
  void UseActiveDocument() override {
    office_.Log("UseActiveDocument");
    document_ = office_.OpenDocuments.size() - 1;
  }
  void ShowSpellingErrors(bool) override { office_.Log("ShowSpellingErrors"); }
  void TypeText(const AnsiString& text) override {
    office_.Log("TypeText");
    Document().Typed += text;
  }
  void TypeParagraph() override {
    office_.Log("TypeParagraph");
    Document().Typed += "\n";
  }
  bool BookmarkExists(const AnsiString& name) override {
    office_.Log("BookmarkExists");
    return Document().Bookmarks.count(name) > 0;
  }
  void AddTable(TDocumentPlace place, const AnsiString&, int rows, int columns) override {
    office_.Log("AddTable");
    Document().TablePlace = place;
    Document().Rows = rows;
    Document().Columns = columns;
  }
  void InsertAfter(int row, int column, const AnsiString& text) override {
    office_.Log("InsertAfter");
    Document().Cells[Key(row, column)] += text;
  }
  void SetAlignment(int row, int column, int alignment) override {
    office_.Log("SetAlignment");
    Document().Alignments[Key(row, column)] = alignment;
  }
  void SaveAs(const AnsiString& fileName) override {
    office_.Log("SaveAs");
    office_.DocumentFiles[fileName] = Document();
  }
  void Quit() override { office_.Log("Quit"); }

  static std::string Key(int row, int column) { return std::to_string(row) + "," + std::to_string(column); }

 private:
  void Adopt(const TFakeDocument& document) {
    office_.OpenDocuments.push_back(document);
    document_ = office_.OpenDocuments.size() - 1;
  }
  TFakeDocument& Document() { return office_.OpenDocuments.at(document_); }

  TFakeOffice& office_;
  std::size_t document_ = 0;
};

inline std::unique_ptr<TSpreadsheetServer> TFakeOffice::StartSpreadsheet() {
  if (!Installed) return nullptr;
  Log("StartSpreadsheet");
  return std::make_unique<TFakeSpreadsheet>(*this);
}
inline std::unique_ptr<TSpreadsheetServer> TFakeOffice::AttachSpreadsheet() {
  if (!Installed || !Running) return nullptr;
  Log("AttachSpreadsheet");
  return std::make_unique<TFakeSpreadsheet>(*this);
}
inline std::unique_ptr<TWordServer> TFakeOffice::StartWord() {
  if (!Installed) return nullptr;
  Log("StartWord");
  return std::make_unique<TFakeWord>(*this);
}
inline std::unique_ptr<TWordServer> TFakeOffice::AttachWord() {
  if (!Installed || !Running) return nullptr;
  Log("AttachWord");
  return std::make_unique<TFakeWord>(*this);
}
