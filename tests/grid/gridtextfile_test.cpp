// The grid text file: its bytes, reading it back, and what a bad file does.
#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>
#include <vector>

#include "grid/gridtextfile.h"
#include "tests/grid/textfiletesting.h"

namespace {

struct GridTextFile : ::testing::Test, textfiletesting::GridWithFolder {
  // 3 x 3 with one fixed row and column, every column 64 wide.
  void FillThreeByThree() {
    Size(3, 3);
    for (int c = 0; c < 3; ++c) grid.SetColWidths(c, 64);
    grid.SetGridCell(0, 0, "a");
    grid.SetGridCell(2, 1, "x,y");
    grid.SetGridCell(1, 2, "l1\r\nl2");
  }
};

TEST_F(GridTextFile, WritesTheSizeWidthAndCellLinesAndReadsThemBack) {
  FillThreeByThree();
  const std::string path = Path("grid.txt");
  grid.SaveToFile(path);
  EXPECT_EQ(Read(path),
            "3,3\r\ncw 0,64\r\ncw 1,64\r\ncw 2,64\r\n0,0,a\r\n2,1,x,y\r\n1,2,l1\t\bl2\r\n");

  TVudUvizidIzed other(&form);
  other.Props().Multilinecells = true;
  other.LoadFromFile(path);
  EXPECT_EQ(other.ColCount(), 3);
  EXPECT_EQ(other.RowCount(), 3);
  EXPECT_EQ(other.ColWidths(2), 64);
  EXPECT_EQ(other.GetGridCell(0, 0), "a");
  EXPECT_EQ(other.GetGridCell(2, 1), "x,y");
  EXPECT_EQ(other.GetGridCell(1, 2), "l1\r\nl2");

  other.Props().Multilinecells = false;
  other.LoadFromFile(path);
  EXPECT_EQ(other.GetGridCell(1, 2), "l1");
}

TEST_F(GridTextFile, ALineFeedInsideACellStaysInTheCell) {
  Size(2, 2);
  grid.SetGridCell(0, 0, "top\nbottom");
  grid.SetGridCell(1, 1, "b");
  const std::string path = Path("lf.txt");
  grid.SaveToFile(path);
  EXPECT_NE(Read(path).find("\r\n0,0,top\bbottom\r\n"), std::string::npos);
  grid.Clear();
  grid.LoadFromFile(path);
  EXPECT_EQ(grid.GetGridCell(0, 0), "top\nbottom");
  EXPECT_EQ(grid.GetGridCell(1, 1), "b");
}

TEST_F(GridTextFile, WithoutFixedCellsTheBodyGoesBackToTheSamePlaces) {
  Size(4, 5);
  grid.SetFixedCols(1);
  grid.SetFixedRows(1);
  grid.Props().FixedFooters = 1;
  grid.ExportFixedCells = false;
  grid.SetGridCell(0, 0, "fixed");
  grid.SetGridCell(2, 3, "body");
  grid.SetGridCell(1, 4, "footer");
  const std::string path = Path("body.txt");
  grid.SaveToFile(path);
  EXPECT_EQ(Read(path).substr(0, 5), "3,3\r\n");
  grid.Clear();
  grid.LoadFromFile(path);
  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_EQ(grid.GetGridCell(2, 3), "body");
  EXPECT_EQ(grid.GetGridCell(0, 0), "");
}

TEST_F(GridTextFile, ABadSizeLineNamesTheFileAndLeavesTheGridAsItWas) {
  const std::vector<std::string> sizeLines = {"0,0", "abc", "3", "-2,4", "99999,99999", "3,x", "2147483647,2"};
  for (const std::string& sizeLine : sizeLines) {
    SCOPED_TRACE(sizeLine);
    Size(2, 2);
    grid.SetGridCell(1, 1, "kept");
    const std::string path = Write("bad.txt", sizeLine + "\r\n0,0,new\r\n");
    try {
      grid.LoadFromFile(path);
      ADD_FAILURE() << "no error";
    } catch (const EDurUzavError& e) {
      EXPECT_EQ(e.Message, "File contains no data or corrupt file " + path);
    }
    EXPECT_EQ(grid.ColCount(), 2);
    EXPECT_EQ(grid.GetGridCell(1, 1), "kept");
    EXPECT_EQ(grid.GetGridCell(0, 0), "");
  }
  EXPECT_THROW(grid.LoadFromFile(Path("missing.txt")), EDurUzavError);
}

TEST_F(GridTextFile, LinesOutsideTheGridOrWithoutNumbersAreSkipped) {
  Size(1, 1);
  const std::string path = Write("odd.txt",
                                 "2,2\r\ncw 7,30\r\ncw 1,-5\r\ncw x,9\r\n5,0,far\r\n0,-1,above\r\n"
                                 "stray text\r\n,1,no column\r\n1,1,in\r\n");
  grid.LoadFromFile(path);
  EXPECT_EQ(grid.GetGridCell(0, 0), "");
  EXPECT_EQ(grid.GetGridCell(1, 1), "in");
  EXPECT_EQ(grid.ColWidths(1), grid.DefaultColWidth());
}

TEST_F(GridTextFile, ProgressRunsFromZeroToAHundredAndNoFurther) {
  Size(2, 6);
  grid.SetFixedRows(2);
  grid.ExportFixedCells = false;
  for (int r = 0; r < 6; ++r) grid.SetGridCell(1, r, "x");
  std::vector<int> seen;
  grid.OnFileProgress = [&](TObject*, short p) { seen.push_back(p); };
  grid.SaveToFile(Path("p.txt"));
  EXPECT_EQ(seen, (std::vector<int>{0, 33, 67, 100}));

  seen.clear();
  grid.ExportFixedCells = true;
  grid.LoadFromFile(Write("far.txt", "2,2\r\n0,0,a\r\n0,1,b\r\n0,900,c\r\n0,-4,d\r\n"));
  for (int p : seen) EXPECT_TRUE(p >= 0 && p <= 100) << p;
  EXPECT_EQ(seen.back(), 0);
}

TEST_F(GridTextFile, WindowEventsWaitUntilTheLoadIsDone) {
  FillThreeByThree();
  const std::string path = Path("grid.txt");
  grid.SaveToFile(path);
  bool timerRan = false;
  std::vector<bool> ranDuringLoad;
  QObject lifetime;  // takes the timer away with the test's variables
  QTimer::singleShot(0, &lifetime, [&] { timerRan = true; });
  grid.OnFileProgress = [&](TObject*, short) { ranDuringLoad.push_back(timerRan); };
  grid.LoadFromFile(path);
  EXPECT_EQ(ranDuringLoad, std::vector<bool>(ranDuringLoad.size(), false));
  EXPECT_FALSE(ranDuringLoad.empty());
}

TEST_F(GridTextFile, AReaderUsedTwiceReportsTheSecondFileInFull) {
  Size(1, 2);
  grid.SetGridCell(0, 1, "x");
  const std::string path = Path("one.txt");
  grid.SaveToFile(path);
  std::vector<int> seen;
  grid.OnFileProgress = [&](TObject*, short p) { seen.push_back(p); };
  TGridTextFile reader(grid);
  reader.LoadFromFile(path);
  reader.LoadFromFile(path);
  EXPECT_EQ(seen, (std::vector<int>{100, 100}));
}

}  // namespace
