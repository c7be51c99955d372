// CSV files of the grid: the bytes written, what Python's csv module makes
// of them and writes for us, separator detection, multi-line and Java-style
// cells, inserting above a footer row, and loads that stay inside the grid,
// report sane progress and refuse files that would swamp it.
#include <QCoreApplication>
#include <QMetaObject>

#include "filetesting.h"

namespace {

using Rows = std::vector<std::vector<AnsiString>>;

std::string Hex(const AnsiString& text) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

// One line per row, the fields' UTF-8 bytes in hex separated by tabs: what
// the Python script below prints for the rows it read.
std::string HexLines(const Rows& rows) {
  std::string lines;
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) lines += (i ? "\t" : "") + Hex(row[i]);
    lines += "\n";
  }
  return lines;
}

std::string PythonRows(const Rows& rows) {
  std::string list = "[";
  for (const auto& row : rows) {
    list += "[";
    for (const auto& field : row) list += "bytes.fromhex('" + Hex(field) + "').decode(),";
    list += "],";
  }
  return list + "]";
}

class CsvFiles : public GridFiles {
 protected:
  // The rows Python's csv module reads from the file.
  std::string PythonReads(const std::string& path, char delimiter = ',') {
    const auto [status, out] = Run(Python() + " -c 'import csv,sys\n"
                                   "for row in csv.reader(open(sys.argv[1], newline=\"\", encoding=\"utf-8\"), "
                                   "delimiter=sys.argv[2]): print(\"\\t\".join(f.encode().hex() for f in row))' " +
                                   path + " '" + std::string(1, delimiter) + "'");
    EXPECT_EQ(status, 0);
    return out;
  }

  std::vector<int> progress;
  void RecordProgress() {
    grid->OnFileProgress = [this](TObject*, short p) { progress.push_back(p); };
  }
};

TEST_F(CsvFiles, WritesQuotingAsSpreadsheetsExpect) {
  Fill({{"a", "b,c", "", "say \"hi\""}});
  grid->SaveToCSV(File("row.csv"));
  EXPECT_EQ(Read(File("row.csv")), "a,\"b,c\",\"\",\"say \"\"hi\"\"\"\r\n");

  grid->CsvQuoteEmpty = false;
  grid->CsvQuoteAll = true;
  grid->SaveToCSV(File("all.csv"));
  EXPECT_EQ(Read(File("all.csv")), "\"a\",\"b,c\",\"\",\"say \"\"hi\"\"\"\r\n");
  grid->CsvQuoteAll = false;
  grid->SaveToCSV(File("bare.csv"));
  EXPECT_EQ(Read(File("bare.csv")), "a,\"b,c\",,\"say \"\"hi\"\"\"\r\n");
}

TEST_F(CsvFiles, PythonReadsTheExportAndWeReadPythonsFiles) {
  const Rows rows = {{"id", "text", "note"},
                     {"1", "b,c", ""},
                     {"2", "say \"hi\"", "é ü"},
                     {"3", "semi;colon", "  padded  "}};
  Fill(rows);
  grid->SaveToCSV(File("ours.csv"));
  EXPECT_EQ(PythonReads(File("ours.csv")), HexLines(rows));
  grid->CsvSeparator = ';';
  grid->SaveToCSV(File("semi.csv"));
  EXPECT_EQ(PythonReads(File("semi.csv"), ';'), HexLines(rows));

  // Python quotes only where it must and keeps line breaks inside quotes.
  const Rows theirs = {{"a", "two\r\nlines", "q\"uote"}, {"", "x,y", "\"\""}};
  ASSERT_EQ(Run(Python() + " -c \"import csv\nw = csv.writer(open('" + File("py.csv") +
                "', 'w', newline='', encoding='utf-8'))\nw.writerows(" + PythonRows(theirs) + ")\"")
                .first,
            0);
  TVudUvizidIzed fresh(&form);
  fresh.LoadFromCSV(File("py.csv"));
  ASSERT_EQ(fresh.RowCount(), 2);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(fresh.GetCellEx(c, r), theirs[r][c]) << c << "," << r;
}

TEST_F(CsvFiles, DetectsTheSeparatorForThatReadOnly) {
  grid->SetColCount(1);
  Write(File("semi.csv"), "a;b;c\r\nd;e;f\r\n");
  grid->LoadFromCSV(File("semi.csv"));
  EXPECT_EQ(Row(0), (std::vector<AnsiString>{"a", "b", "c"}));
  EXPECT_EQ(Row(1), (std::vector<AnsiString>{"d", "e", "f"}));
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->CsvSeparator, '\0');

  struct Case {
    const char* first;
    const char* second;
    char separator;
  } cases[] = {
      {"a\tb\tc", "d\te\tf", '\t'},
      {"x|y,z", "1|2", '|'},        // equal counts win over more of another
      {"a,,b;c", "d;e", ';'},       // a doubled comma is no lone comma
      {"a-b-c", "", '-'},           // one line: the most frequent candidate
      {"plain text", "more", '\0'},  // none: a line is one field
  };
  for (const Case& c : cases) EXPECT_EQ(TGridCsv::DetectSeparator(c.first, c.second), c.separator) << c.first;
}

TEST_F(CsvFiles, EmptyFieldsCountButATrailingSeparatorDoesNot) {
  grid->SetColCount(1);
  grid->SetRowCount(1);
  std::vector<std::pair<int, int>> loaded;
  grid->OnLoadCell = [&](TObject*, int c, int r, AnsiString&) { loaded.emplace_back(c, r); };
  grid->CsvSeparator = ',';
  Write(File("gaps.csv"), "1,,3\r\n4,5,\r\n\r\n");
  grid->LoadFromCSV(File("gaps.csv"));
  EXPECT_EQ(loaded, (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}}));
  EXPECT_EQ(grid->ColCount(), 3);
  EXPECT_EQ(grid->RowCount(), 3);  // the empty line is a row
  EXPECT_EQ(Row(0), (std::vector<AnsiString>{"1", "", "3"}));
}

TEST_F(CsvFiles, MultiLineCellsComeBackWhole) {
  const AnsiString twoLines = "l1\r\nl2";
  Fill({{twoLines, "x"}});
  grid->Props().Multilinecells = true;
  grid->SaveToCSV(File("vt.csv"));
  EXPECT_EQ(Read(File("vt.csv")), "\"l1\x0Bl2\",x\r\n");
  grid->CsvQuoteAll = true;  // already quoted: the break stays a line feed
  grid->SaveToCSV(File("lf.csv"));
  EXPECT_EQ(Read(File("lf.csv")), "\"l1\nl2\",\"x\"\r\n");

  for (const char* name : {"vt.csv", "lf.csv"}) {
    TVudUvizidIzed fresh(&form);
    fresh.CsvSeparator = ',';
    fresh.LoadFromCSV(File(name));
    EXPECT_EQ(fresh.RowCount(), 1) << name;
    EXPECT_EQ(fresh.GetCellEx(0, 0), twoLines) << name;
    EXPECT_EQ(fresh.GetCellEx(1, 0), "x") << name;
  }
}

TEST_F(CsvFiles, JavaLineBreaksNeedNoQuotes) {
  Fill({{"l1\r\nl2", "", "a,b"}});
  grid->Props().Multilinecells = true;
  grid->JavaLineBreaks = true;
  grid->SaveToCSV(File("java.csv"));
  EXPECT_EQ(Read(File("java.csv")), "l1~l2,^,a,b\r\n");
  TVudUvizidIzed fresh(&form);
  fresh.JavaLineBreaks = true;
  fresh.LoadFromCSV(File("java.csv"));
  EXPECT_EQ(fresh.GetCellEx(0, 0), "l1\r\nl2");
  EXPECT_EQ(fresh.GetCellEx(1, 0), "");
  EXPECT_EQ(fresh.GetCellEx(2, 0), "a");  // the separator splits the cell
}

TEST_F(CsvFiles, AppendAddsToTheFileOrCreatesIt) {
  Fill({{"a", "b"}});
  grid->AppendToCSV(File("log.csv"));
  grid->AppendToCSV(File("log.csv"));
  EXPECT_EQ(Read(File("log.csv")), "a,b\r\na,b\r\n");
  EXPECT_THROW(
      try { grid->SaveToCSV(dir.Path().string()); } catch (const EDurUzavError& e) {
        EXPECT_EQ(e.Message, "Cannot Create file " + dir.Path().string());
        throw;
      },
      EDurUzavError);
}

TEST_F(CsvFiles, InsertGoesAboveTheFooterRow) {
  grid->SetColCount(2);
  grid->SetRowCount(3);
  grid->FloatingFooter()->SetVisible(true);
  grid->SetCellEx(0, 1, "old");
  grid->SetGridCell(1, 2, "total");
  Write(File("more.csv"), "n1,v1\r\nn2,v2\r\n");
  grid->InsertFromCSV(File("more.csv"));
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(grid->GetCellEx(0, 1), "old");
  EXPECT_EQ(Row(2), (std::vector<AnsiString>{"n1", "v1"}));
  EXPECT_EQ(Row(3), (std::vector<AnsiString>{"n2", "v2"}));
  EXPECT_EQ(grid->GetGridCell(1, 4), "total");

  // A footer that is no row of the grid leaves the last row where it is.
  TVudUvizidIzed preview(&form);
  preview.SetColCount(1);
  preview.SetRowCount(3);
  preview.FloatingFooter()->SetFooterStyle(fsColumnPreview);
  preview.FloatingFooter()->SetVisible(true);
  preview.SetCellEx(0, 1, "d1");
  preview.SetCellEx(0, 2, "d2");
  preview.InsertFromCSV(File("more.csv"));
  EXPECT_EQ(preview.RowCount(), 5);
  EXPECT_EQ(preview.Cols(0), (std::vector<AnsiString>{"", "d1", "d2", "n1", "n2"}));
}

TEST_F(CsvFiles, ALoadWiderThanTheGridGrowsItFirst) {
  grid->ExportFixedCells = false;
  grid->SetColCount(2);
  grid->SetRowCount(2);
  Write(File("wide.csv"), "x,y,z\r\n");
  grid->LoadFromCSV(File("wide.csv"));
  EXPECT_EQ(grid->ColCount(), 4);
  EXPECT_EQ(Row(1, 1), (std::vector<AnsiString>{"x", "y", "z"}));
}

TEST_F(CsvFiles, ProgressClimbsToExactlyOneHundred) {
  RecordProgress();
  // Lone CRs end lines too, and the last line has no end.
  Write(File("cr.csv"), "a,b\rc,d\re,f");
  grid->LoadFromCSV(File("cr.csv"));
  EXPECT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(progress, (std::vector<int>{33, 67, 100}));

  progress.clear();
  Fill({{"only", "row"}});
  grid->SaveToCSV(File("one.csv"));
  EXPECT_EQ(progress, (std::vector<int>{100}));
}

TEST_F(CsvFiles, NoQueuedEventRunsDuringALoad) {
  bool clicked = false;
  QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { clicked = true; }, Qt::QueuedConnection);
  bool seenDuringLoad = false;
  grid->OnLoadCell = [&](TObject*, int, int, AnsiString&) { seenDuringLoad |= clicked; };
  RecordProgress();
  std::string lines;
  for (int i = 0; i < 300; ++i) lines += "r" + std::to_string(i) + ",v\r\n";
  Write(File("many.csv"), lines);
  grid->LoadFromCSV(File("many.csv"));
  EXPECT_FALSE(seenDuringLoad);
  QCoreApplication::processEvents();
  EXPECT_TRUE(clicked);
}

TEST_F(CsvFiles, AFileThatWouldSwampTheGridIsRefusedUntouched) {
  Fill({{"keep", "me"}});
  // A wide first line over many empty ones asks for a dense grid of
  // thousands of times the file's bytes.
  Write(File("bomb.csv"), std::string(3000, ';') + "\r\n" + std::string(3000, '\n'));
  try {
    grid->LoadFromCSV(File("bomb.csv"));
    FAIL() << "loaded";
  } catch (const EDurUzavError& e) {
    EXPECT_NE(e.Message.find(File("bomb.csv")), AnsiString::npos) << e.Message;
  }
  EXPECT_EQ(grid->ColCount(), 2);
  EXPECT_EQ(grid->RowCount(), 1);
  EXPECT_EQ(Row(0), (std::vector<AnsiString>{"keep", "me"}));
  // Nothing of the failed read stays: the next file is detected afresh.
  EXPECT_EQ(grid->CsvSeparator, '\0');
  Write(File("comma.csv"), "a;b,c\r\nd;e,f\r\n");
  grid->LoadFromCSV(File("comma.csv"));
  EXPECT_EQ(grid->ColCount(), 2);
  EXPECT_EQ(grid->GetCellEx(0, 1), "d;e");

  EXPECT_THROW(
      try { grid->LoadFromCSV(File("missing.csv")); } catch (const EDurUzavError& e) {
        EXPECT_EQ(e.Message, "Cannot open file " + File("missing.csv"));
        throw;
      },
      EDurUzavError);
}

}  // namespace
