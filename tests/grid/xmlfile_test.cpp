// XML files of the grid: the document written (checked by xmllint), its
// escaping read back, UTF-8 cells that stay themselves, how a document's tree
// fills the grid, and documents that are refused before the grid changes.
#include "filetesting.h"

namespace {

class XmlFiles : public GridFiles {
 protected:
  void ExpectWellFormed(const std::string& path) {
    EXPECT_EQ(Run("xmllint --noout " + path + " 2>&1").first, 0) << Read(path);
  }
  // The message of the Exception the load raises; empty when none.
  std::string LoadError(const std::string& path, bool attributeRows = false) {
    try {
      grid->LoadFromXML(path, attributeRows);
    } catch (const Exception& e) {
      return e.Message;
    }
    return {};
  }
};

TEST_F(XmlFiles, EscapesAsThePairOfWriterAndReaderAgree) {
  Fill({{"a&b", ""}, {"<x>", "q\""}});
  grid->SaveToXML(File("grid.xml"), "LIST", "ROW");
  EXPECT_EQ(Read(File("grid.xml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<LIST>\r\n"
            "<ROW>\r\n<FIELD0>a$ampb</FIELD0>\r\n</ROW>\r\n"
            "<ROW>\r\n<FIELD0>&lt;x&gt;</FIELD0>\r\n<FIELD1>q&quot;</FIELD1>\r\n</ROW>\r\n</LIST>\r\n");
  ExpectWellFormed(File("grid.xml"));

  TVudUvizidIzed fresh(&form);
  fresh.ExportFixedCells = false;  // no captions: the data starts at (1, 1)
  fresh.LoadFromXML(File("grid.xml"), false);
  EXPECT_EQ(fresh.GetCellEx(1, 1), "a&b");
  EXPECT_EQ(fresh.GetCellEx(1, 2), "<x>");
  EXPECT_EQ(fresh.GetCellEx(2, 2), "q\"");
  EXPECT_EQ(fresh.ColCount(), 3);
  EXPECT_EQ(fresh.RowCount(), 3);
}

TEST_F(XmlFiles, CellsStayThemselvesAcrossAFile) {
  // UTF-8 text, a multi-line cell, and the reader's own escapes.
  Fill({{"é ü €", "l1\r\nl2", "$amp &gt;"}});
  TStringList names;
  names.Add("Name");
  grid->SaveToXML(File("text.xml"), "L", "R", &names);
  const std::string bytes = Read(File("text.xml"));
  EXPECT_NE(bytes.find("<Name>\xC3\xA9 \xC3\xBC \xE2\x82\xAC</Name>"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("<FIELD1>"), std::string::npos);
  ExpectWellFormed(File("text.xml"));

  TVudUvizidIzed fresh(&form);
  fresh.ExportFixedCells = false;
  fresh.LoadFromXML(File("text.xml"), false);
  EXPECT_EQ(fresh.GetCellEx(1, 1), "é ü €");
  EXPECT_EQ(fresh.GetCellEx(2, 1), "l1\r\nl2");
  EXPECT_EQ(fresh.GetCellEx(3, 1), "& >");
}

TEST_F(XmlFiles, TheTreeFillsConsecutiveCells) {
  // Attributes first, a nested element flattened depth first, captions from
  // the first names met; a text-only element is one cell.
  Write(File("tree.xml"),
        "<list>\n"
        "  <rec id=\"1\"><a>x</a><b><c>y</c><d>z</d></b></rec>\n"
        "  <rec id=\"2\"><a>w</a><e></e><a>v</a></rec>\n"
        "</list>\n");
  grid->SetColCount(9);
  grid->SetRowCount(9);
  grid->SetCellEx(1, 0, "mine");  // a caption already there stays
  grid->LoadFromXML(File("tree.xml"), false);
  EXPECT_EQ(grid->ColCount(), 5);
  EXPECT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(Row(0), (std::vector<AnsiString>{"", "mine", "a", "c", "d"}));
  EXPECT_EQ(Row(1), (std::vector<AnsiString>{"", "1", "x", "y", "z"}));
  EXPECT_EQ(Row(2), (std::vector<AnsiString>{"", "2", "w", "v", ""}));

  // Attribute rows: a record's attributes fill a row, its elements the next,
  // an element of several children one more.
  grid->ExportFixedCells = false;
  grid->LoadFromXML(File("tree.xml"), true);
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(Row(1), (std::vector<AnsiString>{"", "1", "", "", ""}));
  EXPECT_EQ(Row(2), (std::vector<AnsiString>{"", "", "x", "", ""}));
  EXPECT_EQ(Row(3), (std::vector<AnsiString>{"", "2", "", "y", "z"}));
  EXPECT_EQ(Row(4), (std::vector<AnsiString>{"", "", "w", "v", ""}));

  // A first record of text alone starts no attribute row: above a grid
  // without fixed rows its text has no cell to go to.
  Write(File("text.xml"), "<list><rec>t</rec><rec><a>1</a><b>2</b></rec></list>");
  grid->SetFixedRows(0);
  grid->LoadFromXML(File("text.xml"), true);
  EXPECT_EQ(Row(0), (std::vector<AnsiString>{"", "1", "2"}));
}

TEST_F(XmlFiles, BadDocumentsAreRefusedBeforeTheGridChanges) {
  Fill({{"keep", "me"}});
  EXPECT_EQ(LoadError(File("missing.xml")), "XML file not found");
  EXPECT_EQ(LoadError(dir.Path().string()), "XML file not found");
  Write(File("broken.xml"), "<list>\n<rec><a>1</a></rec>\n<rec><a>2</b></rec>\n</list>\n");
  EXPECT_EQ(LoadError(File("broken.xml")).rfind("XMLDOM Parsing error ", 0), 0u);
  EXPECT_NE(LoadError(File("broken.xml")).find(" on line 3"), std::string::npos);
  Write(File("empty.xml"), "");
  EXPECT_EQ(LoadError(File("empty.xml")).rfind("XMLDOM Parsing error ", 0), 0u);
  // Many records of many attributes each would ask for a dense grid far
  // beyond the file's size.
  std::string wide = "<l>";
  for (int i = 0; i < 2000; ++i) wide += "<r/>";
  wide += "<r";
  for (int i = 0; i < 2000; ++i) wide += " a" + std::to_string(i) + "=\"\"";
  wide += "/></l>";
  Write(File("wide.xml"), wide);
  EXPECT_NE(LoadError(File("wide.xml")).find(File("wide.xml")), std::string::npos);
  EXPECT_EQ(grid->ColCount(), 2);
  EXPECT_EQ(grid->RowCount(), 1);
  EXPECT_EQ(Row(0), (std::vector<AnsiString>{"keep", "me"}));

  // Nesting deeper than any stack would carry.
  std::string deep = "<l><r>";
  for (int i = 0; i < 100000; ++i) deep += "<n>";
  deep += "t";
  for (int i = 0; i < 100000; ++i) deep += "</n>";
  deep += "<x>1</x></r></l>";
  Write(File("deep.xml"), deep);
  EXPECT_EQ(LoadError(File("deep.xml")), "");
  EXPECT_EQ(grid->GetCellEx(grid->FixedCols(), grid->FixedRows()), "t");
}

}  // namespace
