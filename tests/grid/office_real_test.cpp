// The grid's exchanges against the real outside programs: a headless office
// suite driven through the helper, and ODBC data sources (SQLite, which the
// test fills itself, and the Access driver over mdbtools). Skipped where
// they are not installed (scripts/setup --office installs them).
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>

#include "filetesting.h"
#include "framework/strings.h"
#include "grid/griddatabase.h"
#include "grid/gridofficeport.h"
#include "grid/gridofficeprocess.h"

namespace {

bool Installed(const char* path) { return std::ifstream(path).good(); }

class OfficeSuite : public GridFiles {
 protected:
  void SetUp() override {
    if (!Installed("/usr/bin/soffice") || !Installed("/usr/lib/python3/dist-packages/uno.py"))
      GTEST_SKIP() << "no office suite: scripts/setup --office installs it";
    GridFiles::SetUp();
    SetOfficeAutomation(nullptr);
  }

  void Fill3x3() {
    Fill({{"a", "b", "c"}, {"1", "two\r\nlines", ""}, {"x y", "2.5", "last"}});
  }

  // The texts of the document's first table and whether a table ends it,
  // asked of the suite directly.
  static std::pair<std::vector<std::vector<AnsiString>>, bool> DocumentTable(const std::string& file) {
    TOfficeHelperProcess helper(TOfficeHelperProcess::DefaultCommand("word"), {});
    EXPECT_TRUE(helper.Start());
    helper.Call({{"op", "open"}, {"file", QString::fromStdString(file)}});
    std::vector<std::vector<AnsiString>> rows;
    for (const QJsonValue& row : helper.Call({{"op", "table_texts"}}).toArray()) {
      rows.emplace_back();
      for (const QJsonValue& cell : row.toArray()) rows.back().push_back(cell.toString().toStdString());
    }
    return {rows, helper.Call({{"op", "last_is_table"}}).toBool()};
  }
};

TEST_F(OfficeSuite, WorkbookRoundTripKeepsTheTexts) {
  Fill3x3();
  grid->SaveToXLS(File("grid.xls"), true);
  ASSERT_TRUE(std::ifstream(File("grid.xls")).good());

  grid->Clear();
  grid->SetColCount(1);
  grid->SetRowCount(1);
  grid->LoadFromXLS(File("grid.xls"));
  ASSERT_EQ(grid->ColCount(), 3);
  ASSERT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(Row(0), (std::vector<AnsiString>{"a", "b", "c"}));
  EXPECT_EQ(Row(1), (std::vector<AnsiString>{"1", "two\nlines", ""}));
  EXPECT_EQ(Row(2), (std::vector<AnsiString>{"x y", "2.5", "last"}));
}

TEST_F(OfficeSuite, SingleUsedCellLoadsIntoTheFirstNonFixedCell) {
  {
    TOfficeHelperProcess helper(TOfficeHelperProcess::DefaultCommand("excel"), {});
    ASSERT_TRUE(helper.Start());
    helper.Call({{"op", "add"}});
    helper.Call({{"op", "select_sheet"}, {"index", 1}});
    helper.Call({{"op", "set_values"}, {"address", "C5:C5"}, {"rows", QJsonArray{QJsonArray{"x"}}}});
    helper.Call({{"op", "save_as"}, {"file", QString::fromStdString(File("one.xls"))}});
  }
  grid->SetColCount(4);
  grid->SetRowCount(4);
  grid->SetFixedCols(1);
  grid->SetFixedRows(1);
  grid->ExportFixedCells = false;
  grid->LoadFromXLS(File("one.xls"));
  EXPECT_EQ(grid->ColCount(), 2);
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->GetCellEx(1, 1), "x");
}

TEST_F(OfficeSuite, NamedSheetJoinsTheWorkbookAndMissingSheetsAreReported) {
  Fill3x3();
  grid->SaveToXLS(File("book.xls"), true);
  grid->SetCellEx(0, 0, "second");
  grid->SaveToXLSSheet(File("book.xls"), "Grid");

  const std::unique_ptr<TStringList> names(grid->GetXLSSheets(File("book.xls")));
  ASSERT_EQ(names->Count(), 2);
  EXPECT_EQ(names->Strings(1), "Grid");
  grid->LoadFromXLSSheet(File("book.xls"), names->Strings(0));
  EXPECT_EQ(grid->GetCellEx(0, 0), "a");
  grid->LoadFromXLSSheet(File("book.xls"), "Grid");
  EXPECT_EQ(grid->GetCellEx(0, 0), "second");
  EXPECT_THROW(grid->LoadFromXLSSheet(File("book.xls"), "None"), EDurUzavError);
}

TEST_F(OfficeSuite, SaveThatCannotBeWrittenIsReported) {
  Fill3x3();
  Write(File("plain"), "a file, not a folder");
  EXPECT_THROW(grid->SaveToXLS(File("plain") + "/grid.xls", true), EDurUzavError);
  EXPECT_THROW(grid->SaveToDOC(File("plain") + "/grid.doc", true), EDurUzavError);
}

TEST_F(OfficeSuite, DocumentTablesHoldTheCellsInOrder) {
  Fill3x3();
  grid->SaveToDOC(File("grid.doc"), true);
  const auto [rows, tableLast] = DocumentTable(File("grid.doc"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<AnsiString>{"a", "b", "c"}));
  EXPECT_EQ(rows[2], (std::vector<AnsiString>{"x y", "2.5", "last"}));

  // Without the bookmark the table goes to the end of the document.
  grid->SetCellEx(0, 0, "appended");
  grid->AppendToDoc(File("grid.doc"), "nowhere");
  const auto [again, endsWithTable] = DocumentTable(File("grid.doc"));
  EXPECT_EQ(again[0][0], "a");  // the first table stays first
  EXPECT_TRUE(endsWithTable);
}

TEST_F(OfficeSuite, AppendedTableGoesToTheBookmark) {
  {
    TOfficeHelperProcess helper(TOfficeHelperProcess::DefaultCommand("word"), {});
    ASSERT_TRUE(helper.Start());
    helper.Call({{"op", "add"}});
    helper.Call({{"op", "type_text"}, {"text", "before"}});
    helper.Call({{"op", "type_paragraph"}});
    helper.Call({{"op", "add_bookmark"}, {"name", "here"}});
    helper.Call({{"op", "type_text"}, {"text", "after"}});
    helper.Call({{"op", "save_as"}, {"file", QString::fromStdString(File("marked.doc"))}});
  }
  Fill3x3();
  grid->AppendToDoc(File("marked.doc"), "here");
  const auto [rows, endsWithTable] = DocumentTable(File("marked.doc"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][1], "two\nlines");
  EXPECT_FALSE(endsWithTable);  // the text after the bookmark follows it
}

// ---- Databases ----

class OdbcTables : public GridFiles {
 protected:
  void SetUp() override {
    if (!QSqlDatabase::isDriverAvailable("QODBC") || !Installed("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"))
      GTEST_SKIP() << "no ODBC drivers: scripts/setup --office installs them";
    GridFiles::SetUp();
    connection = "Driver={SQLite3};Database=" + File("test.db");
    Execute({"CREATE TABLE parts (name TEXT, size INTEGER, note TEXT)", "CREATE TABLE empty (id INTEGER, label TEXT)",
             "INSERT INTO parts VALUES ('bolt', 3, NULL)", "INSERT INTO parts VALUES ('nut', NULL, 'hex')"});
  }

  void Execute(const std::vector<const char*>& statements) {
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "setup");
      db.setDatabaseName(QString::fromStdString(connection));
      ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
      QSqlQuery query(db);
      for (const char* statement : statements) ASSERT_TRUE(query.exec(statement)) << statement;
    }
    QSqlDatabase::removeDatabase("setup");
  }

  std::string connection;
};

TEST_F(OdbcTables, RecordsFillTheDataRowsAndNullsLoadEmpty) {
  grid->SetColCount(2);
  grid->SetRowCount(2);
  grid->SetFixedCols(1);
  grid->SetFixedRows(1);
  TGridDatabase(*grid).Load(connection, "SELECT * FROM parts");
  EXPECT_EQ(grid->ColCount(), 4);
  EXPECT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(Row(0, 1), (std::vector<AnsiString>{"name", "size", "note"}));
  EXPECT_EQ(Row(1, 1), (std::vector<AnsiString>{"bolt", "3", ""}));
  EXPECT_EQ(Row(2, 1), (std::vector<AnsiString>{"nut", "", "hex"}));
}

TEST_F(OdbcTables, TableWithoutRowsNamesTheFieldsAndKeepsTheRowCount) {
  grid->SetColCount(5);
  grid->SetRowCount(6);
  grid->SetFixedRows(2);
  grid->SetFixedCols(1);
  TGridDatabase(*grid).Load(connection, "SELECT * FROM empty");
  EXPECT_EQ(grid->ColCount(), 3);
  EXPECT_EQ(grid->RowCount(), 6);
  EXPECT_EQ(Row(1, 1), (std::vector<AnsiString>{"id", "label"}));
}

TEST_F(OdbcTables, FailuresCarryTheDriversTextAndKeepTheCells) {
  grid->SetCellEx(1, 1, "kept");
  EXPECT_THROW(TGridDatabase(*grid).Load(connection, "SELECT * FROM missing"), EAutomationError);
  EXPECT_EQ(grid->GetCellEx(1, 1), "kept");
  // The Access driver is there by its own name, and a missing file is its
  // error, not a crash.
  if (!Installed("/usr/lib/x86_64-linux-gnu/odbc/libmdbodbc.so")) return;
  EXPECT_THROW(grid->LoadFromMDBTable(File("absent.mdb"), "parts"), EAutomationError);
  EXPECT_EQ(grid->GetCellEx(1, 1), "kept");
}

}  // namespace
