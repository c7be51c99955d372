// The binary cell stream: what it writes, byte for byte where the layout is
// fixed, what comes back from a file or placed at a cell, and that damaged
// or forged streams are refused with the grid left as it was.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <vector>

#include "framework/filer.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/gridcellio.h"
#include "tests/support/scratch.h"

namespace {

struct Grids {
  TForm form{nullptr};
  TVudUvizidIzed a{&form};
  TVudUvizidIzed b{&form};
  Grids() {
    for (TVudUvizidIzed* g : {&a, &b}) {
      g->SetColCount(4);
      g->SetRowCount(4);
    }
  }
};

std::string Bytes(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

std::vector<std::string> AllTexts(TVudUvizidIzed& g) {
  std::vector<std::string> texts;
  for (int r = 0; r < g.RowCount(); ++r)
    for (int c = 0; c < g.ColCount(); ++c) texts.push_back(g.GetGridCell(c, r));
  return texts;
}

// The records of a stream after its header, as (class, col, row, text).
struct CellRecord {
  int col, row;
  std::string text;
  bool hasProp;
};
std::vector<CellRecord> CellRecords(TVudUvizidIzed& owner, TMemoryStream& stream) {
  stream.SetPosition(0);
  TReader reader(stream);
  TGridPropIO header(&owner);
  header.ReadRecord(reader);
  std::vector<CellRecord> cells;
  TGridCellIO cell(&owner);
  TGridCellPropIO props(&owner);
  while (stream.Position() < stream.Size() - 1) {
    cell.ReadRecord(reader);
    cells.push_back({cell.Col, cell.Row, cell.Cell, cell.HasProp});
    if (cell.HasProp) props.ReadRecord(reader);
    EXPECT_FALSE(cell.HasProp && props.HasGraphic) << "only plain cells expected here";
  }
  return cells;
}

TEST(BinStream, RecordBytesFollowTheComponentStreaming) {
  Grids g;
  g.a.SetColWidths(1, 64);
  g.a.SetRowHeights(1, 20);
  g.a.SetGridCell(1, 1, "abc");
  TMemoryStream stream;
  g.a.SaveRectToBinStream(TRect{1, 1, 1, 1}, stream);
  const std::string id = [&] {
    TMemoryStream value;
    TWriter(value).WriteInteger(g.a.TransferState().id);
    return Bytes(value);
  }();
  using namespace std::string_literals;
  const std::string expected =
      "TPF0\x0bTGridPropIO\x00"s
      "\x08" "ColCount\x02\x01" "\x08" "RowCount\x02\x01"
      "\x09" "ColWidths\x06\x02" "64" "\x0a" "RowHeights\x06\x02" "20"
      "\x08" "FullGrid\x08" "\x02" "ID"s + id + "\x00\x00"s +
      "TPF0\x0bTGridCellIO\x00"s
      "\x03" "Col\x02\x01" "\x03" "Row\x02\x01" "\x04" "Cell\x06\x03" "abc" "\x07" "HasProp\x08" "\x00\x00"s;
  EXPECT_EQ(Bytes(stream), expected);
}

TEST(BinStream, FileRoundTripCarriesTextsPropertiesAndGraphics) {
  Grids g;
  benchtest::TempDir dir;
  g.a.SetColWidths(2, 77);
  g.a.SetGridCell(1, 1, "one");
  g.a.SetGridCell(3, 3, "last");
  TCellProperties* p = g.a.GetCellProperties(2, 1);
  p->SetBrushColor(clRed);
  p->SetBrushColorTo(clBlue);
  p->FontName = "Courier";
  p->FontStyle = fsBold | fsUnderline;
  p->Alignment = taCenter;
  p->ReadOnly = true;
  TBitmap* bitmap = g.a.CreateBitmap(1, 2, true, haRight, vaBottom);
  bitmap->SetSize(3, 2);
  auto* radio = new TStringList;
  radio->Add("left");
  radio->Add("right");
  const AnsiString radioText = radio->Text();
  g.a.AddRadio(2, 2, 1, 1, radio);
  g.a.GetCellGraphic(2, 2)->CellCreated = true;
  g.a.AddCheckBox(3, 1, true, false);
  const std::string file = dir.File("cells.bin");
  g.a.SaveToBinFile(file);

  g.b.SetColCount(9);
  g.b.SetGridCell(5, 3, "gone");
  g.b.LoadFromBinFile(file);
  EXPECT_EQ(g.b.ColCount(), 4);
  EXPECT_EQ(g.b.RowCount(), 4);
  EXPECT_EQ(g.b.ColWidths(2), 77);
  EXPECT_EQ(AllTexts(g.b), AllTexts(g.a));
  const TCellProperties* q = g.b.GetCellProperties(2, 1);
  EXPECT_EQ(q->BrushColor(), clRed);
  EXPECT_EQ(q->BrushColorTo(), clBlue);
  EXPECT_EQ(q->FontName, "Courier");
  EXPECT_EQ(q->FontStyle, fsBold | fsUnderline);
  EXPECT_EQ(q->Alignment, taCenter);
  EXPECT_TRUE(q->ReadOnly);
  ASSERT_NE(g.b.GetBitmap(1, 2), nullptr);
  EXPECT_EQ(g.b.GetBitmap(1, 2)->Width(), 3);
  EXPECT_EQ(g.b.GetCellGraphic(1, 2)->CellHAlign, haRight);
  ASSERT_NE(g.b.GetRadioStrings(2, 2), nullptr);
  EXPECT_EQ(g.b.GetRadioStrings(2, 2)->Text(), radioText);
  bool checked = false;
  EXPECT_TRUE(g.b.GetCheckBoxState(3, 1, checked));
  EXPECT_TRUE(checked);
}

TEST(BinStream, WhatIsWrittenForEmptyAndPropertyOnlyCells) {
  Grids g;
  g.a.SetGridCell(2, 1, "x");
  g.a.GetCellProperties(1, 2)->FontSize = 12;  // properties, no text
  // A bitmap the grid did not make is kept by its owner: properties only.
  TBitmap foreign;
  foreign.SetSize(2, 2);
  g.a.AddBitmap(2, 2, &foreign, false, haLeft, vaTop);
  TMemoryStream stream;
  g.a.SaveRectToBinStream(TRect{1, 1, 2, 2}, stream);
  const std::vector<CellRecord> cells = CellRecords(g.a, stream);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].text, "x");
  EXPECT_EQ(cells[1].col, 1);
  EXPECT_TRUE(cells[1].text.empty());
  EXPECT_TRUE(cells[1].hasProp);
  EXPECT_TRUE(cells[2].hasProp);

  // Placed at a cell, the first written cell, not the corner, lands there.
  stream.SetPosition(0);
  g.b.LoadAtPointFromBinStream(TPoint{1, 0}, stream);
  EXPECT_EQ(g.b.GetGridCell(1, 0), "x");
  EXPECT_EQ(g.b.GetCellProperties(0, 1)->FontSize, 12);
  EXPECT_EQ(g.b.GetCellType(1, 1), ctEmpty);

  // An empty rectangle is the header alone, without widths.
  TMemoryStream empty;
  g.a.SaveRectToBinStream(TRect{2, 2, 1, 1}, empty);
  EXPECT_TRUE(CellRecords(g.a, empty).empty());
  EXPECT_EQ(Bytes(empty).find("ColWidths"), std::string::npos);
}

TEST(BinStream, RowsPastSixteenBitsKeepTheirNumbers) {
  Grids g;
  g.a.SetRowCount(70'001);
  g.a.SetGridCell(1, 70'000, "far");
  TMemoryStream stream;
  g.a.SaveRectToBinStream(TRect{1, 70'000, 1, 70'000}, stream);
  const std::vector<CellRecord> cells = CellRecords(g.a, stream);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].row, 70'000);
}

TEST(BinStream, WholeGridSavedWithoutFixedCellsComesBackWhole) {
  Grids g;
  g.a.ExportFixedCells = false;
  g.a.SetGridCell(3, 3, "corner");
  g.a.SetGridCell(1, 1, "first");
  TMemoryStream stream;
  g.a.SaveToBinStream(stream);
  stream.SetPosition(0);
  g.b.LoadFromBinStream(stream);
  // The saved counts are those of the body; the cells past the fixed ones
  // still find room.
  EXPECT_EQ(g.b.GetGridCell(3, 3), "corner");
  EXPECT_EQ(g.b.GetGridCell(1, 1), "first");
  EXPECT_EQ(g.b.RowCount(), 4);
}

TEST(BinStream, ProgressEndsAtHundredFromAnyFirstRow) {
  Grids g;
  g.a.SetRowCount(12);
  std::vector<int> seen;
  g.a.OnFileProgress = [&](TObject*, short p) { seen.push_back(p); };
  TMemoryStream stream;
  g.a.SaveRectToBinStream(TRect{0, 6, 3, 11}, stream);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  for (int p : seen) EXPECT_LE(p, 100);
}

TEST(BinStream, ReadingOneCellRecordAfterAnotherLeavesNothingBehind) {
  Grids g;
  g.a.SetGridCell(1, 1, "text");
  g.a.GetCellProperties(1, 1)->FontName = "Courier";
  g.a.GetCellProperties(2, 1)->FontSize = 9;
  g.a.GetCellProperties(2, 1)->FontName = "";  // no name, no text: both absent
  TMemoryStream stream;
  g.a.SaveRectToBinStream(TRect{1, 1, 2, 1}, stream);
  stream.SetPosition(0);
  g.b.LoadAtPointFromBinStream(TPoint{1, 1}, stream);
  EXPECT_EQ(g.b.GetGridCell(2, 1), "");
  EXPECT_EQ(g.b.GetCellProperties(2, 1)->FontName, "");
  EXPECT_EQ(g.b.GetCellProperties(2, 1)->FontSize, 9);
}

TEST(BinStream, LoadingHandlesNoWindowEvents) {
  Grids g;
  g.a.SetGridCell(1, 1, "saved");
  TMemoryStream stream;
  g.a.SaveToBinStream(stream);
  bool ran = false;
  harness::WhenIdle([&] { ran = true; });
  stream.SetPosition(0);
  g.b.LoadFromBinStream(stream);
  EXPECT_FALSE(ran);
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
}

// ---- Damaged and forged streams ----

// A stream of records written by hand.
struct Forge {
  TMemoryStream stream;
  TWriter writer{stream};
  void Header(int cols, int rows, bool fullGrid, const AnsiString& widths, const AnsiString& heights) {
    writer.WriteSignature();
    writer.WriteStr("TGridPropIO");
    writer.WriteStr("");
    writer.WritePropName("ColCount");
    writer.WriteInteger(cols);
    writer.WritePropName("RowCount");
    writer.WriteInteger(rows);
    writer.WritePropName("ColWidths");
    writer.WriteString(widths);
    writer.WritePropName("RowHeights");
    writer.WriteString(heights);
    writer.WritePropName("FullGrid");
    writer.WriteBoolean(fullGrid);
    writer.WriteListEnd();
    writer.WriteListEnd();
  }
  void Cell(int col, int row, const AnsiString& text, const char* extraName = nullptr) {
    writer.WriteSignature();
    writer.WriteStr("TGridCellIO");
    writer.WriteStr("");
    writer.WritePropName("Col");
    writer.WriteInteger(col);
    writer.WritePropName("Row");
    writer.WriteInteger(row);
    writer.WritePropName("Cell");
    writer.WriteString(text);
    if (extraName) {
      writer.WritePropName(extraName);
      writer.WriteBoolean(true);
    }
    writer.WriteListEnd();
    writer.WriteListEnd();
    writer.WriteListEnd();  // a trailing byte, as a reader ignores
  }
};

TEST(BinStream, DamagedStreamsAreRefusedWithTheGridUnchanged) {
  Grids g;
  benchtest::TempDir dir;
  // A sound stream to cut short at every length.
  g.a.SetGridCell(1, 1, "a");
  g.a.GetCellProperties(2, 2)->FontName = "Courier";
  TMemoryStream good;
  g.a.SaveToBinStream(good);
  // Cut anywhere but where a record ends (what is left is then sound).
  const std::string whole = Bytes(good);
  std::vector<std::pair<std::string, std::string>> damaged;
  for (std::size_t n = 1; n < whole.size(); ++n) {
    const bool recordEnd = whole.compare(n, 4, "TPF0") == 0 || (n > 0 && whole.compare(n - 1, 4, "TPF0") == 0);
    if (!recordEnd && n + 1 < whole.size()) damaged.emplace_back("cut at " + std::to_string(n), whole.substr(0, n));
  }
  const auto forged = [](const std::function<void(Forge&)>& make) {
    Forge f;
    make(f);
    return Bytes(f.stream);
  };
  damaged.emplace_back("cell outside a whole grid", forged([](Forge& f) {
    f.Header(2, 2, true, "5,5", "5,5");
    f.Cell(40, 1, "x");
  }));
  damaged.emplace_back("too few widths", forged([](Forge& f) { f.Header(3, 2, true, "5,5", "5,5"); }));
  damaged.emplace_back("width not a number", forged([](Forge& f) { f.Header(2, 2, true, "5,x", "5,5"); }));
  damaged.emplace_back("negative count", forged([](Forge& f) { f.Header(-1, 2, false, "", ""); }));
  damaged.emplace_back("unknown property", forged([](Forge& f) {
    f.Header(1, 1, false, "5", "5");
    f.Cell(1, 1, "x", "Colour");
  }));
  damaged.emplace_back("not a record", "just some text, no cells");

  g.b.SetGridCell(0, 0, "kept");
  g.b.GetCellProperties(1, 1)->FontSize = 7;
  const std::vector<std::string> before = AllTexts(g.b);
  for (const auto& [what, bytes] : damaged) {
    SCOPED_TRACE(what);
    const std::string file = dir.File("bad.bin");
    TStringStream(bytes).SaveToFile(file);
    try {
      g.b.LoadFromBinFile(file);
      ADD_FAILURE() << "accepted";
    } catch (const EDurUzavError& e) {
      EXPECT_NE(std::string(e.Message).find(file), std::string::npos) << e.Message;
    }
    EXPECT_EQ(AllTexts(g.b), before);
    EXPECT_EQ(g.b.ColCount(), 4);
    EXPECT_EQ(g.b.GetCellProperties(1, 1)->FontSize, 7);
  }
}

TEST(BinStream, PlacedCellsOutsideTheGridAreLeftOut) {
  Grids g;
  g.a.SetGridCell(1, 1, "in");
  g.a.SetGridCell(2, 2, "out");
  g.a.GetCellProperties(1, 1)->FontSize = 3;
  TMemoryStream stream;
  g.a.SaveRectToBinStream(TRect{1, 1, 2, 2}, stream);
  stream.SetPosition(0);
  g.b.LoadAtPointFromBinStream(TPoint{3, 3}, stream);
  EXPECT_EQ(g.b.GetGridCell(3, 3), "in");
  EXPECT_EQ(g.b.GetCellProperties(3, 3)->FontSize, 3);
  EXPECT_EQ(g.b.ColCount(), 4);
}

}  // namespace
