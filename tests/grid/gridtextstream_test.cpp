// The grid's text lines on a stream, and fixed-width text.
#include <gtest/gtest.h>

#include "framework/streams.h"
#include "grid/gridtextstream.h"
#include "grid/vazeri.h"
#include "tests/grid/textfiletesting.h"

namespace {

struct GridTextStream : ::testing::Test, textfiletesting::GridWithFolder {};

TEST_F(GridTextStream, AGridInsideALargerStreamReadsBackAndLeavesTheRestUnread) {
  Size(3, 3);
  grid.SetFixedCols(1);
  grid.SetFixedRows(1);
  grid.ExportFixedCells = false;
  grid.SetColWidths(0, 20);
  grid.SetGridCell(1, 1, "a,b");
  grid.SetGridCell(2, 2, "l1\r\nl2");
  TStringStream stream("head");
  stream.Seek(0, soEnd);
  grid.SaveToStream(stream);
  stream.WriteBuffer("tail", 4);
  EXPECT_EQ(stream.DataString(),
            "head2,2\r\ncw 0,20\r\ncw 1,64\r\ncw 2,64\r\n0,0,a,b\r\n1,1,l1\t\bl2\r\ntail");

  TVudUvizidIzed other(&form);
  other.SetFixedCols(1);
  other.SetFixedRows(1);
  other.ExportFixedCells = false;
  other.Props().Multilinecells = true;
  stream.SetPosition(4);
  other.LoadFromStream(stream);
  EXPECT_EQ(other.ColCount(), 3);
  EXPECT_EQ(other.ColWidths(0), 20);
  EXPECT_EQ(other.GetGridCell(1, 1), "a,b");
  EXPECT_EQ(other.GetGridCell(2, 2), "l1\r\nl2");
  char rest[4] = {};
  stream.ReadBuffer(rest, 4);
  EXPECT_EQ(std::string(rest, 4), "tail");
}

TEST_F(GridTextStream, AReaderUsedTwiceReadsEachStreamFromItsOwnStart) {
  TStringStream first("1,1\r\n0,0,first\r\n");
  TStringStream second("2,1\r\n1,0,second\r\n");
  TGridTextStream reader(grid);
  reader.Load(first);
  reader.Load(second);
  EXPECT_EQ(grid.ColCount(), 2);
  EXPECT_EQ(grid.GetGridCell(0, 0), "first");
  EXPECT_EQ(grid.GetGridCell(1, 0), "second");
}

TEST_F(GridTextStream, CellsOutsideTheGridAreDroppedAndBadNumbersRaise) {
  TStringStream stream("2,2\r\n5,0,far\r\n0,-3,above\r\n1,99999999,below\r\n1,1,in\r\n");
  grid.LoadFromStream(stream);
  EXPECT_EQ(grid.GetGridCell(1, 1), "in");
  EXPECT_EQ(grid.ColCount(), 2);

  TStringStream huge("70000,70000\r\n");
  EXPECT_THROW(grid.LoadFromStream(huge), EDurUzavError);
  EXPECT_EQ(grid.ColCount(), 2);
  TStringStream garbled("2,2\r\n0,0,kept\r\nx,1,bad\r\n");
  EXPECT_THROW(grid.LoadFromStream(garbled), EDurUzavError);
  EXPECT_EQ(grid.GetGridCell(0, 0), "kept");
}

struct FixedWidth : ::testing::Test, textfiletesting::GridWithFolder {
  static TIntList List(std::initializer_list<int> values) {
    TIntList list(0, 0);
    for (int v : values) list.Add(v);
    return list;
  }
};

TEST_F(FixedWidth, MissingWidthsComeFromTheLongestTextAndLongTextsAreCut) {
  Size(3, 2);
  grid.SetGridCell(0, 0, "abcdef");
  grid.SetGridCell(1, 0, "é");
  grid.SetGridCell(2, 0, "zz");
  grid.SetGridCell(0, 1, "ab");
  grid.SetGridCell(1, 1, "çàé");
  TIntList widths = List({4});
  const std::string path = Path("fixed.txt");
  grid.SaveToFixed(path, widths);
  EXPECT_EQ(widths.StrValue(), "4,4,3");
  EXPECT_EQ(Read(path), "abcdé   zz \r\nab  çàé    \r\n");

  TVudUvizidIzed other(&form);
  other.SetFixedCols(0);
  other.SetRowCount(1);
  other.LoadFromFixed(path, List({1, 5, 9, 12}));
  EXPECT_EQ(other.ColCount(), 3);
  EXPECT_EQ(other.RowCount(), 2);
  EXPECT_EQ(other.GetGridCell(0, 0), "abcd");
  EXPECT_EQ(other.GetGridCell(1, 1), "çàé");
  EXPECT_EQ(other.GetGridCell(2, 0), "zz");
}

TEST_F(FixedWidth, FieldsAreTrimmedAndGoBelowTheFixedRowWithRowsAdded) {
  const std::string path = Write("in.txt", "  one     two       \r\nthree\nfour      five\n");
  Size(2, 2);
  grid.SetFixedRows(1);
  grid.ExportFixedCells = false;
  grid.LoadFromFixed(path, List({1, 11, 21}));
  const int first = grid.FixedCols();
  EXPECT_EQ(grid.ColCount(), first + 2);
  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_EQ(grid.GetGridCell(first, 1), "one");
  EXPECT_EQ(grid.GetGridCell(first + 1, 1), "two");
  EXPECT_EQ(grid.GetGridCell(first, 2), "three");
  EXPECT_EQ(grid.GetGridCell(first + 1, 3), "five");
  try {
    grid.LoadFromFixed(Path("missing.txt"), List({1, 2}));
    ADD_FAILURE() << "no error";
  } catch (const EDurUzavError& e) {
    EXPECT_EQ(e.Message, "File " + Path("missing.txt") + " not found");
  }
}

}  // namespace
