// The grid's spreadsheet and word-processor exchanges through a scripted
// office back-end: column letters and used ranges, where loaded cells land
// and how the grid sizes itself, what is written where, and that every
// server the exchange starts is quit, also when the exchange fails.
#include <memory>

#include "fakeoffice.h"
#include "filetesting.h"
#include "framework/strings.h"
#include "grid/gridoffice.h"

namespace {

TAutomationValue Text(const AnsiString& text) { return {TAutomationValue::avText, text, 0}; }
TAutomationValue Number(double number, const AnsiString& text) { return {TAutomationValue::avNumber, text, number}; }
TAutomationValue Kind(TAutomationValue::TKind kind) { return {kind, "", 0}; }

class OfficeExchange : public GridFiles {
 protected:
  void SetUp() override {
    GridFiles::SetUp();
    SetOfficeAutomation(office);
  }
  void TearDown() override { SetOfficeAutomation(nullptr); }

  // The exchange's message, or "" when it raised none.
  template <typename Work>
  static AnsiString Failure(Work work) {
    try {
      work();
    } catch (const EDurUzavError& e) {
      return e.Message;
    }
    return "";
  }

  void FillData(int cols, int rows, const AnsiString& prefix = "c") {
    grid->SetColCount(cols);
    grid->SetRowCount(rows);
    for (int c = 0; c < cols; ++c)
      for (int r = 0; r < rows; ++r) grid->SetCellEx(c, r, prefix + std::to_string(c) + "," + std::to_string(r));
  }

  std::shared_ptr<TFakeOffice> office = std::make_shared<TFakeOffice>();
};

// ---- Addresses ----

TEST(OfficeAddresses, ColumnLettersRunPastTwoLetters) {
  const std::pair<int, const char*> cases[] = {{1, "A"},   {26, "Z"},    {27, "AA"},   {52, "AZ"},
                                               {53, "BA"}, {702, "ZZ"},  {703, "AAA"}, {16384, "XFD"}};
  for (const auto& [column, letters] : cases) EXPECT_EQ(XLSColumnLetters(column), letters) << column;
  EXPECT_EQ(XLSColumnLetters(0), "");
}

TEST(OfficeAddresses, UsedRangesReadAsTheSpreadsheetWritesThem) {
  struct Case {
    const char* address;
    std::optional<TXLSRange> range;
  };
  const Case cases[] = {
      {"$B$3:$D$10", TXLSRange{2, 3, 4, 10}},
      {"$C$5", TXLSRange{3, 5, 3, 5}},  // one cell is that cell, not A1
      {"$A$1", TXLSRange{1, 1, 1, 1}},
      {"$3:$10", TXLSRange{1, 3, 256, 10}},
      {"$AA$1:$AAA$2", TXLSRange{27, 1, 703, 2}},
      {"", std::nullopt},
      {"$D$10:$B$3", std::nullopt},
      {"$B$x:$D$10", std::nullopt},
      {"$B$0", std::nullopt},
      {"$AAAA$1", std::nullopt},
      {"$B$99999999", std::nullopt},
      {"$b$3", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<TXLSRange> range = ParseUsedRange(c.address);
    ASSERT_EQ(range.has_value(), c.range.has_value()) << c.address;
    if (!range) continue;
    EXPECT_EQ(range->Address(), c.range->Address()) << c.address;
  }
}

// ---- Loading ----

TEST_F(OfficeExchange, UsedRangeLoadsIntoTheFirstNonFixedCell) {
  TFakeWorkbook book;
  book.Sheets[0].UsedRange = "$B$3:$D$10";
  book.Sheets[0].Values.assign(8, std::vector<TAutomationValue>(3));
  book.Sheets[0].Values[0] = {Text("B3"), Number(2.5, "2.5"), Kind(TAutomationValue::avError)};
  book.Sheets[0].Values[7] = {Kind(TAutomationValue::avNull), Text("line\nbreak"), Text("D10")};
  office->BookFiles["book.xls"] = book;
  grid->SetFixedCols(1);
  grid->SetFixedRows(1);
  grid->ExportFixedCells = false;
  int changes = 0;
  grid->OnCellsChanged = [&](TObject*, TRect) { ++changes; };

  grid->LoadFromXLS("book.xls");
  EXPECT_EQ(TFakeSpreadsheet::AskedAddress, "B3:D10");
  EXPECT_EQ(grid->ColCount(), 1 + 3);
  EXPECT_EQ(grid->RowCount(), 1 + 8);
  EXPECT_EQ(grid->FixedCols(), 1);
  EXPECT_EQ(grid->FixedRows(), 1);
  EXPECT_EQ(Row(1, 1), (std::vector<AnsiString>{"B3", "2.5", ""}));
  EXPECT_EQ(Row(8, 1), (std::vector<AnsiString>{"", "line\nbreak", "D10"}));
  EXPECT_EQ(office->Count("CloseWorkbook"), 1);
  EXPECT_EQ(office->Count("Quit"), 1);
  EXPECT_EQ(changes, 1);
}

TEST_F(OfficeExchange, SingleCellUsedRangeIsThatCell) {
  TFakeWorkbook book;
  book.Sheets[0].UsedRange = "$C$5";
  book.Sheets[0].Values = {{Text("x")}};
  office->BookFiles["one.xls"] = book;
  grid->SetFixedCols(1);
  grid->SetFixedRows(1);
  grid->ExportFixedCells = false;

  grid->LoadFromXLS("one.xls");
  EXPECT_EQ(TFakeSpreadsheet::AskedAddress, "C5:C5");
  EXPECT_EQ(grid->ColCount(), 2);
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->GetCellEx(1, 1), "x");
}

TEST_F(OfficeExchange, ValuesShortOfTheRangeLoadWhatThereIs) {
  TFakeWorkbook book;
  book.Sheets[0].UsedRange = "$A$1:$C$3";
  book.Sheets[0].Values = {{Text("a")}};  // a server that hands back less
  office->BookFiles["short.xls"] = book;
  grid->LoadFromXLS("short.xls");
  EXPECT_EQ(grid->ColCount(), 3);
  EXPECT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(grid->GetCellEx(0, 0), "a");
}

TEST_F(OfficeExchange, NamedSheetLoadsTheLastOfThatName) {
  TFakeWorkbook book;
  book.Sheets = {TFakeSheet{"Data"}, TFakeSheet{"Data"}};
  book.Sheets[0].Values = {{Text("first")}};
  book.Sheets[1].Values = {{Text("second")}};
  office->BookFiles["two.xls"] = book;
  grid->LoadFromXLSSheet("two.xls", "Data");
  EXPECT_EQ(grid->GetCellEx(0, 0), "second");
}

TEST_F(OfficeExchange, FailedLoadsQuitTheServerAndRefreshTheGrid) {
  office->BookFiles["book.xls"] = TFakeWorkbook{};
  int changes = 0;
  grid->OnCellsChanged = [&](TObject*, TRect) { ++changes; };
  EXPECT_EQ(Failure([&] { grid->LoadFromXLSSheet("book.xls", "Missing"); }), "Excel worksheet Missing not found");
  EXPECT_EQ(office->Count("Quit"), 1);
  EXPECT_EQ(changes, 1);

  office->BookFiles["bad.xls"].Sheets[0].UsedRange = "$R1C1";
  EXPECT_EQ(Failure([&] { grid->LoadFromXLS("bad.xls"); }), "Cannot read the used range $R1C1 of bad.xls");
  EXPECT_THROW(grid->LoadFromXLS("absent.xls"), EAutomationError);
  EXPECT_EQ(office->Count("Quit"), 3);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(OfficeExchange, SheetNamesInOrder) {
  TFakeWorkbook book;
  book.Sheets = {TFakeSheet{"One"}, TFakeSheet{"Two"}};
  office->BookFiles["book.xls"] = book;
  const std::unique_ptr<TStringList> names(grid->GetXLSSheets("book.xls"));
  ASSERT_EQ(names->Count(), 2);
  EXPECT_EQ(names->Strings(0), "One");
  EXPECT_EQ(names->Strings(1), "Two");
  EXPECT_EQ(office->Count("Quit"), 1);
}

TEST_F(OfficeExchange, NoServerIsReportedByEveryExchange) {
  office->Installed = false;
  const TCursor before = Screen->Cursor();
  EXPECT_EQ(Failure([&] { grid->LoadFromXLS("a.xls"); }), "Excel OLE server not found");
  EXPECT_EQ(Failure([&] { grid->SaveToXLS("a.xls", true); }), "Excel OLE server not found");
  EXPECT_EQ(Failure([&] { delete grid->GetXLSSheets("a.xls"); }), "Excel OLE server not found");
  EXPECT_EQ(Failure([&] { grid->SaveToDOC("a.doc", true); }), "Word OLE server not found");
  EXPECT_EQ(Screen->Cursor(), before);
}

// ---- Saving to spreadsheets ----

TEST_F(OfficeExchange, SaveAddressesTheDataColumns) {
  const std::pair<int, const char*> cases[] = {{27, "A1:AA2"}, {52, "A1:AZ2"}, {703, "A1:AAA2"}};
  for (const auto& [dataCols, address] : cases) {
    FillData(dataCols + 1, 3);
    grid->SetFixedCols(1);
    grid->SetFixedRows(1);
    grid->ExportFixedCells = false;
    grid->SaveToXLS(File("wide.xls"), true);
    const TFakeSheet& sheet = office->BookFiles[File("wide.xls")].Sheets[0];
    EXPECT_EQ(sheet.WrittenAddress, address);
    ASSERT_EQ(sheet.Written.size(), 2u);
    EXPECT_EQ(sheet.Written[0].front(), "c1,1");
    EXPECT_EQ(sheet.Written[1].back(), "c" + std::to_string(dataCols) + ",2");
  }
}

TEST_F(OfficeExchange, SaveDropsCarriageReturnsAndSkipsHiddenColumns) {
  FillData(3, 1);
  grid->SetCellEx(0, 0, "two\r\nlines");
  grid->HideColumn(1);
  grid->SaveToXLS(File("out.xls"), true);
  const TFakeSheet& sheet = office->BookFiles[File("out.xls")].Sheets[0];
  EXPECT_EQ(sheet.WrittenAddress, "A1:B1");
  EXPECT_EQ(sheet.Written, (TAutomationTexts{{"two\nlines", "c2,0"}}));
  EXPECT_EQ(office->Count("SaveAs"), 1);
  EXPECT_EQ(office->Count("Quit"), 1);
}

TEST_F(OfficeExchange, RunningServerTakesTheCellsAtItsActiveRow) {
  office->Running = true;
  office->OpenBooks.resize(1);
  office->OpenBooks[0].ActiveCellRow = 5;
  FillData(2, 2);
  grid->SaveToXLS(File("active.xls"), false);
  EXPECT_EQ(office->BookFiles[File("active.xls")].Sheets[0].WrittenAddress, "A5:B6");
  EXPECT_EQ(office->Count("AddWorkbook"), 0);
  EXPECT_EQ(office->Count("Quit"), 0);  // it was running before: it stays
}

TEST_F(OfficeExchange, NamedSheetIsAddedToAnExistingWorkbook) {
  Write(File("book.xls"), "");
  TFakeWorkbook book;
  book.Sheets = {TFakeSheet{"Keep"}};
  office->BookFiles[File("book.xls")] = book;
  FillData(2, 2);
  grid->SaveToXLSSheet(File("book.xls"), "Grid");
  EXPECT_EQ(office->Count("Save"), 1);
  EXPECT_EQ(office->Count("SaveAs"), 0);
  const TFakeWorkbook& saved = office->BookFiles[File("book.xls")];
  ASSERT_EQ(saved.Sheets.size(), 2u);
  EXPECT_EQ(saved.Sheets[0].Name, "Keep");
  EXPECT_EQ(saved.Sheets[1].Name, "Grid");
  EXPECT_EQ(saved.Sheets[1].WrittenAddress, "A1:B2");

  // A sheet of that name is written over, not added again.
  grid->SaveToXLSSheet(File("book.xls"), "Keep");
  EXPECT_EQ(office->BookFiles[File("book.xls")].Sheets.size(), 2u);
  EXPECT_EQ(office->BookFiles[File("book.xls")].Sheets[0].WrittenAddress, "A1:B2");
}

TEST_F(OfficeExchange, FailedSavesAreReportedAndQuitTheServer) {
  FillData(2, 2);
  // A file there that the server cannot open is not replaced.
  Write(File("locked.xls"), "");
  EXPECT_EQ(Failure([&] { grid->SaveToXLSSheet(File("locked.xls"), "Grid"); }).rfind("Cannot open file " + File("locked.xls"), 0), 0u);
  EXPECT_EQ(office->Count("AddWorkbook"), 0);
  EXPECT_EQ(office->Count("Quit"), 1);

  office->Failing = {"AddWorkbook"};
  EXPECT_EQ(Failure([&] { grid->SaveToXLSSheet(File("new.xls"), "Grid"); }).rfind("Cannot open file", 0), 0u);
  EXPECT_EQ(office->Count("Quit"), 2);

  office->Failing = {"SaveAs"};
  EXPECT_EQ(Failure([&] { grid->SaveToXLS(File("new.xls"), true); }).rfind("Cannot save file " + File("new.xls"), 0),
            0u);
  EXPECT_EQ(office->Count("Quit"), 3);
  EXPECT_EQ(office->BookFiles.count(File("new.xls")), 0u);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

// ---- Documents ----

TEST_F(OfficeExchange, DocumentTableHoldsEveryCellInOrder) {
  FillData(2, 3);
  grid->SetText("Caption");
  grid->OnGetAlignment = [](TObject*, int, int col, TAlignment& h, TVAlignment&) {
    if (col == 1) h = taRightJustify;
  };
  grid->SaveToDOC(File("out.doc"), true);
  const TFakeDocument& document = office->DocumentFiles[File("out.doc")];
  EXPECT_EQ(document.Typed, "Caption\n");
  EXPECT_EQ(document.TablePlace, dpStart);
  EXPECT_EQ(document.Rows, 3);
  EXPECT_EQ(document.Columns, 2);
  EXPECT_EQ(document.Cells.at(TFakeWord::Key(1, 1)), "c0,0");
  EXPECT_EQ(document.Cells.at(TFakeWord::Key(3, 2)), "c1,2");
  EXPECT_EQ(document.Alignments.count(TFakeWord::Key(1, 1)), 0u);
  EXPECT_EQ(document.Alignments.at(TFakeWord::Key(2, 2)), 2);
  EXPECT_EQ(office->Count("Quit"), 1);
}

TEST_F(OfficeExchange, AppendGoesToTheBookmarkOrElseTheEnd) {
  TFakeDocument existing;
  existing.Bookmarks = {"here"};
  office->DocumentFiles["doc.doc"] = existing;
  FillData(1, 1);
  grid->AppendToDoc("doc.doc", "here");
  EXPECT_EQ(office->DocumentFiles["doc.doc"].TablePlace, dpBookmark);
  grid->AppendToDoc("doc.doc", "elsewhere");
  EXPECT_EQ(office->DocumentFiles["doc.doc"].TablePlace, dpEnd);
  grid->AppendToDoc("doc.doc", "");
  EXPECT_EQ(office->DocumentFiles["doc.doc"].TablePlace, dpEnd);
  EXPECT_EQ(office->Count("BookmarkExists"), 2);
}

TEST_F(OfficeExchange, RunningWordProcessorWritesIntoItsActiveDocument) {
  office->Running = true;
  office->OpenDocuments.resize(1);
  FillData(1, 1);
  grid->SaveToDOC(File("active.doc"), false);
  EXPECT_EQ(office->Count("UseActiveDocument"), 1);
  EXPECT_EQ(office->Count("AddDocument"), 0);
  EXPECT_EQ(office->Count("Quit"), 0);
}

TEST_F(OfficeExchange, FailedDocumentSaveIsReported) {
  FillData(1, 1);
  office->Failing = {"SaveAs"};
  EXPECT_EQ(Failure([&] { grid->SaveToDOC(File("out.doc"), true); }).rfind("Cannot save file " + File("out.doc"), 0),
            0u);
  EXPECT_EQ(office->Count("Quit"), 1);
  office->Failing = {"OpenDocument"};
  EXPECT_THROW(grid->AppendToDoc(File("out.doc"), ""), EAutomationError);
  EXPECT_EQ(office->Count("Quit"), 2);
}

}  // namespace
