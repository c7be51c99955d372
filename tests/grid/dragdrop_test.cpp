// Drag and drop of the grid through the scripted drag service: what its
// drags offer, how drops of other programs' data are read, and what the
// grid does with dropped text, columns and files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "framework/testing/scripteddrag.h"
#include "grid/duruzav.h"
#include "grid/griddragdrop.h"
#include "tests/grid/fakeoffice.h"

namespace {

FORMATETC Format(unsigned short cf, DWORD aspect = DVASPECT_CONTENT, DWORD tymed = TYMED_HGLOBAL) {
  return FORMATETC{cf, nullptr, aspect, -1, tymed};
}

std::string Rendered(IDataObject& data, unsigned short cf) {
  STGMEDIUM medium;
  if (data.GetData(Format(cf), medium) != S_OK) return "refused";
  return std::string(medium.hGlobal->bytes.begin(), medium.hGlobal->bytes.end());
}

std::string Int32(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// ---- What the grid's drags offer ----

TEST(SourceDataObject, OffersTheFormatsItCanRender) {
  SetRTFAware(true);
  TSourceDataObject text("Gr\xC3\xBC\xC3\x9F", "{\\rtf1}", -1);
  TSourceDataObject column("", "", 3);
  EXPECT_EQ(Rendered(text, CF_TEXT), std::string("Gr\xFC\xDF\0", 5));
  EXPECT_EQ(Rendered(text, CF_UNICODETEXT), std::string("G\0r\0\xFC\0\xDF\0\0\0", 10));
  EXPECT_EQ(Rendered(text, RTFFormat()), std::string("{\\rtf1}\0", 8));
  EXPECT_EQ(Rendered(text, ColumnFormat()), "refused");
  // A column drag lists the text formats but renders only the column.
  EXPECT_EQ(Rendered(column, CF_TEXT), "refused");
  EXPECT_EQ(Rendered(column, ColumnFormat()), Int32(3));

  EXPECT_EQ(text.QueryGetData(Format(CF_TEXT, DVASPECT_THUMBNAIL)), DV_E_FORMATETC);
  EXPECT_EQ(text.QueryGetData(Format(CF_TEXT, DVASPECT_CONTENT, TYMED_HGLOBAL | TYMED_ISTREAM)), DV_E_FORMATETC);
  SetRTFAware(false);
  EXPECT_EQ(text.QueryGetData(Format(RTFFormat())), DV_E_FORMATETC);

  std::shared_ptr<IEnumFORMATETC> formats;
  EXPECT_EQ(text.EnumFormatEtc(DATADIR_SET, &formats), E_NOTIMPL);
  EXPECT_EQ(formats, nullptr);
  void* advises = &formats;
  EXPECT_EQ(text.EnumDAdvise(&advises), OLE_E_ADVISENOTSUPPORTED);
  EXPECT_EQ(advises, nullptr);
}

TEST(SourceEnumFormatEtc, ListsTheFormatsAndItsCloneKeepsThePlace) {
  TSourceEnumFormatEtc formats(true);
  FORMATETC entries[5];
  unsigned fetched = 0;
  ASSERT_EQ(formats.Next(2, entries, &fetched), S_OK);
  EXPECT_EQ(entries[0].cfFormat, CF_TEXT);
  EXPECT_EQ(entries[1].cfFormat, CF_UNICODETEXT);
  EXPECT_EQ(entries[1].lindex, -1);
  std::shared_ptr<IEnumFORMATETC> clone;
  ASSERT_EQ(formats.Clone(&clone), S_OK);
  EXPECT_EQ(clone->Next(5, entries, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);  // rich text and the column, from where the original stood
  EXPECT_EQ(entries[0].cfFormat, RTFFormat());
  EXPECT_EQ(entries[1].cfFormat, ColumnFormat());
  EXPECT_EQ(formats.Skip(1), S_OK);
  EXPECT_EQ(formats.Skip(5), S_FALSE);
  EXPECT_EQ(formats.Next(1, entries, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  formats.Reset();
  EXPECT_EQ(formats.Next(1, entries, nullptr), S_OK);
}

// ---- Reading other programs' data ----

// A data object that refuses its enumerator, or lists one format forever.
class OddDataObject : public TMemoryDataObject {
 public:
  explicit OddDataObject(bool endless) : endless_(endless) {}
  HRESULT EnumFormatEtc(DWORD, std::shared_ptr<IEnumFORMATETC>* formats) override {
    if (!endless_) return E_NOTIMPL;
    *formats = std::make_shared<Endless>();
    return S_OK;
  }

 private:
  class Endless : public TFormatList {
   public:
    Endless() : TFormatList({}) {}
    HRESULT Next(unsigned, FORMATETC* entries, unsigned* fetched) override {
      entries[0] = Format(CF_TEXT);
      *fetched = 1;
      return S_OK;
    }
  };
  bool endless_;
};

TEST(EnumFormats, ReadsForeignBlocksWithinTheirBounds) {
  auto data = std::make_shared<TMemoryDataObject>();
  data->Add(CF_TEXT, GlobalFromBytes("no terminator"));
  data->Add(ColumnFormat(), GlobalFromBytes("\x01\x02"));  // shorter than an integer
  data->Add(CF_HDROP, GlobalFromBytes("short"));
  TEnumFormats formats(data);
  EXPECT_EQ(formats.Text(), "no terminator");
  EXPECT_TRUE(formats.HasCol());
  EXPECT_EQ(formats.Col(), -1);
  EXPECT_TRUE(formats.HasFile());
  EXPECT_FALSE(formats.SomeFiles(formats.Files()));
  EXPECT_FALSE(formats.HasRTF());
  EXPECT_EQ(formats.RTF(), "");

  // Text beyond the Windows code page comes through its Unicode form.
  auto wide = std::make_shared<TMemoryDataObject>();
  wide->Add(CF_TEXT, GlobalFromBytes(std::string("??\0", 3)));
  wide->Add(CF_UNICODETEXT, WideTextBlock("\xD0\x9F\xD1\x80"));
  EXPECT_EQ(TEnumFormats(wide).Text(), "\xD0\x9F\xD1\x80");
  EXPECT_EQ(Rendered(*std::make_shared<TSourceDataObject>("\xD0\x9F", "", -1), CF_UNICODETEXT),
            std::string("\x1F\x04\0\0", 4));

  try {
    TEnumFormats refused(std::make_shared<OddDataObject>(false));
    FAIL() << "no assertion";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message, "Cannot get the format enumerator");
  }
  TEnumFormats endless(std::make_shared<OddDataObject>(true));
  EXPECT_FALSE(endless.HasFile());  // ends although the list never does
}

// ---- The base drop target and source ----

class RecordingTarget : public TZurDropTarget {
 public:
  void DropText(TPoint, const AnsiString& text) override { calls.push_back("text:" + text); }
  void DropCol(TPoint, int column) override { calls.push_back("col:" + std::to_string(column)); }
  void DropFiles(TPoint, TStrings& files) override { calls.push_back("files:" + std::to_string(files.Count())); }
  std::vector<std::string> calls;
};

TEST(ZurDropTarget, DropsCallTheHooksOfTheOfferedFormats) {
  auto files = DropFilesBlock({"/tmp/a.csv", "/tmp/b.csv"});
  struct Case {
    const char* name;
    std::vector<std::pair<unsigned short, std::string>> blocks;
    DWORD keys;
    std::vector<std::string> calls;
    DWORD effect;
  };
  const Case cases[] = {
      {"column and text", {{CF_TEXT, std::string("t\0", 2)}, {ColumnFormat(), Int32(4)}}, 0, {"col:4"}, DROPEFFECT_MOVE},
      {"text and files", {{CF_HDROP, std::string(files->bytes.begin(), files->bytes.end())}, {CF_TEXT, std::string("t\0", 2)}},
       MK_CONTROL, {"text:t", "files:2"}, DROPEFFECT_COPY},
      {"nothing accepted", {{RTFFormat(), "x"}}, 0, {}, DROPEFFECT_NONE},
  };
  for (const Case& k : cases) {
    auto data = std::make_shared<TMemoryDataObject>();
    for (const auto& [cf, bytes] : k.blocks) data->Add(cf, GlobalFromBytes(bytes));
    RecordingTarget target;
    target.AcceptCols = true;
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target.DragEnter(data, k.keys, {}, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target.Drop(data, k.keys, {}, &effect);
    EXPECT_EQ(target.calls, k.calls) << k.name;
    EXPECT_EQ(effect, k.effect) << k.name;
  }
}

TEST(ZurDropSource, EndsOnEscapeOrReleaseAndReportsACancelledDrag) {
  TZurDropSource source;
  EXPECT_EQ(source.QueryContinueDrag(true, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(source.QueryContinueDrag(false, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(source.QueryContinueDrag(false, MK_LBUTTON), S_OK);
  EXPECT_EQ(source.GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  EXPECT_EQ(StandardEffect(0, DROPEFFECT_COPY), DROPEFFECT_COPY);
  EXPECT_EQ(StandardEffect(MK_CONTROL, DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT_COPY);

  TScriptedDragService drags;  // no steps: the drag ends over no target
  DWORD effect = 7;
  EXPECT_EQ(StartTextDoDragDrop(source, "x", "", DROPEFFECT_COPY | DROPEFFECT_MOVE, effect), 0x40101);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
}

// ---- The grid as drop target and source ----

class GridDragDrop : public ::testing::Test {
 protected:
  TScopedServices services;
  TScriptedDragService drags;
  TForm form{nullptr};
  TVudUvizidIzed a{&form};
  TVudUvizidIzed b{&form};
  void SetUp() override {
    int left = 0;
    for (TVudUvizidIzed* g : {&a, &b}) {
      g->SetBounds(left, 0, 400, 300);
      left += 420;
      g->SetColCount(5);
      g->SetRowCount(6);
      g->SetOptions(g->Options() | goEditing | goRangeSelect);
      g->DragDropSettings()->SetOleDropTarget(true);
      g->DragDropSettings()->OleDropSource = true;
    }
    form.SetBounds(0, 0, 900, 320);
  }
  static TPoint Middle(TVudUvizidIzed& g, int col, int row) {
    const TRect r = g.CellRect(col, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  using Blocks = std::vector<std::pair<unsigned short, std::string>>;
  // Drops a data object of these blocks on the grid's cell.
  HRESULT DropOn(TVudUvizidIzed& g, int col, int row, const Blocks& blocks) {
    drags.DropOn(&g, Middle(g, col, row));
    return Drag(blocks);
  }
  // Drags a data object of these blocks along the scripted steps.
  HRESULT Drag(const Blocks& blocks) {
    auto data = std::make_shared<TMemoryDataObject>();
    for (const auto& [cf, bytes] : blocks) data->Add(cf, GlobalFromBytes(bytes));
    TZurDropSource source;
    DWORD effect = DROPEFFECT_NONE;
    return DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  }
  static std::pair<unsigned short, std::string> Text(const std::string& text) { return {CF_TEXT, text + '\0'}; }
};

TEST_F(GridDragDrop, TwoLinesWithInsertRowsInsertTwoRowsAndSelectThem) {
  b.SetGridCell(1, 2, "kept");
  b.DragDropSettings()->OleInsertRows = true;
  std::vector<TGridRect> dropped;
  b.OnOleDropped = [&](TObject*, const TGridRect& r) { dropped.push_back(r); };
  EXPECT_EQ(DropOn(b, 1, 2, {Text("x\ty\r\nz\tw\r\n")}), DRAGDROP_S_DROP);
  EXPECT_EQ(b.RowCount(), 8);
  EXPECT_EQ(b.GetGridCell(1, 2), "x");
  EXPECT_EQ(b.GetGridCell(2, 3), "w");
  EXPECT_EQ(b.GetGridCell(1, 4), "kept");
  const TGridRect block{1, 2, 2, 3};
  EXPECT_EQ(b.Selection(), block);
  EXPECT_EQ(dropped, std::vector<TGridRect>{block});
  EXPECT_FALSE(b.OleDragDrop().Indicators.RowArrow);
}

TEST_F(GridDragDrop, ARefusedDropChangesNothingAndReportsNoDrop) {
  bool droppedFired = false;
  b.OnOleDrop = [](TObject*, int, int, const AnsiString&, bool& allow) { allow = false; };
  b.OnOleDropped = [&](TObject*, const TGridRect&) { droppedFired = true; };
  DropOn(b, 1, 2, {Text("x")});
  EXPECT_EQ(b.GetGridCell(1, 2), "");
  EXPECT_FALSE(droppedFired);
}

TEST_F(GridDragDrop, TextIsRefusedOverTheHeaderAndAColumnAnywhereElse) {
  EXPECT_EQ(DropOn(b, 1, 0, {Text("x")}), DRAGDROP_S_CANCEL);
  EXPECT_EQ(b.GetGridCell(1, 0), "");
  std::vector<int> columns;
  b.DragDropSettings()->OleColumnDragDrop = true;
  b.OnOleDropCol = [&](TObject*, int row, int col, int dropped) { columns.insert(columns.end(), {row, col, dropped}); };
  EXPECT_EQ(DropOn(b, 2, 3, {{ColumnFormat(), Int32(4)}}), DRAGDROP_S_CANCEL);
  EXPECT_EQ(DropOn(b, 0, 0, {{ColumnFormat(), Int32(4)}}), DRAGDROP_S_CANCEL);  // a fixed column
  EXPECT_EQ(DropOn(b, 2, 0, {{ColumnFormat(), Int32(4)}, Text("t")}), DRAGDROP_S_DROP);
  EXPECT_EQ(columns, (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(b.GetGridCell(2, 0), "");  // only the column is dropped
}

TEST_F(GridDragDrop, IndicatorsMarkWhereTheDragWouldLand) {
  b.DragDropSettings()->OleColumnDragDrop = true;
  const std::shared_ptr<IDropTarget> target = RegisteredDropTarget(&b);
  ASSERT_NE(target, nullptr);
  const TDropIndicators& shown = b.OleDragDrop().Indicators;
  auto over = [&](const Blocks& blocks, int col, int row) {
    auto data = std::make_shared<TMemoryDataObject>();
    for (const auto& [cf, bytes] : blocks) data->Add(cf, GlobalFromBytes(bytes));
    DWORD effect = DROPEFFECT_MOVE;
    target->DragEnter(data, MK_LBUTTON, b.ClientToScreen(Middle(b, col, row)), &effect);
    effect = DROPEFFECT_MOVE;
    target->DragOver(MK_LBUTTON, b.ClientToScreen(Middle(b, col, row)), &effect);
    return effect;
  };
  const TRect header = b.CellRect(2, 0), cell = b.CellRect(2, 3);
  EXPECT_EQ(over({{ColumnFormat(), Int32(1)}}, 2, 0), DROPEFFECT_MOVE);
  EXPECT_EQ(shown.ColArrowTop, b.ClientToScreen({header.Left, header.Top - 8}));
  EXPECT_EQ(shown.ColArrowBottom, b.ClientToScreen({header.Left, header.Bottom}));
  EXPECT_FALSE(shown.RowArrow);
  EXPECT_EQ(over({{ColumnFormat(), Int32(1)}}, 2, 3), DROPEFFECT_NONE);
  EXPECT_FALSE(shown.ColArrowTop);
  EXPECT_EQ(over({Text("t")}, 2, 3), DROPEFFECT_MOVE);
  EXPECT_EQ(shown.RowArrow, b.ClientToScreen({cell.Left - 10, cell.Top}));
  b.OnOleDragOver = [](TObject*, int, int, bool& allow) { allow = false; };
  EXPECT_EQ(over({Text("t")}, 2, 3), DROPEFFECT_NONE);
  EXPECT_FALSE(shown.RowArrow);
  b.OnOleDragOver = nullptr;
  over({Text("t")}, 2, 3);
  target->DragLeave();
  EXPECT_FALSE(shown.RowArrow);
}

TEST_F(GridDragDrop, CtrlCopiesAndTheSourceKeepsItsCells) {
  a.SetGridCell(1, 1, "moved");
  a.SetSelection(TGridRect{1, 1, 1, 1});
  std::vector<int> stops;
  a.OnOleDragStop = [&](TObject*, int effect) { stops.push_back(effect); };
  const TPoint press = Middle(a, 1, 1);
  auto dragTo = [&](DWORD keys) {
    drags.DropOn(&b, Middle(b, 2, 2), keys);
    return StartOleDrag(a, press, {press.X + 4, press.Y}, 1, 1);
  };
  EXPECT_TRUE(dragTo(MK_LBUTTON | MK_CONTROL));
  EXPECT_EQ(b.GetGridCell(2, 2), "moved");
  EXPECT_EQ(a.GetGridCell(1, 1), "moved");
  b.SetGridCell(2, 2, "");
  EXPECT_TRUE(dragTo(MK_LBUTTON));
  EXPECT_EQ(b.GetGridCell(2, 2), "moved");
  EXPECT_EQ(a.GetGridCell(1, 1), "");  // a move clears the source
  EXPECT_EQ(stops, (std::vector<int>{DROPEFFECT_COPY, DROPEFFECT_MOVE}));
}

TEST_F(GridDragDrop, ADragStartsAfterMoreThanThreePixels) {
  const TPoint press = Middle(a, 1, 1);
  int starts = 0;
  a.OnOleDragStart = [&](TObject*, int, int) { ++starts; };
  EXPECT_FALSE(StartOleDrag(a, press, {press.X + 3, press.Y - 3}, 1, 1));
  EXPECT_FALSE(StartOleDrag(a, press, {press.X + 4, press.Y}, -1, 1));
  EXPECT_EQ(starts, 0);
  EXPECT_TRUE(StartOleDrag(a, press, {press.X, press.Y + 4}, 1, 1));
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(drags.requests.size(), 1u);

  // Refused by OnOleDrag: the gesture becomes a range selection.
  a.OnOleDrag = [](TObject*, int, int, const AnsiString&, bool& allow) { allow = false; };
  EXPECT_TRUE(StartOleDrag(a, press, {press.X - 4, press.Y}, 1, 1));
  EXPECT_EQ(a.GridState(), gsSelecting);
  EXPECT_EQ(drags.requests.size(), 1u);
}

TEST_F(GridDragDrop, AColumnDragFromTheHeaderOffersTheRealColumn) {
  a.DragDropSettings()->OleColumnDragDrop = true;
  b.DragDropSettings()->OleColumnDragDrop = true;
  int dropped = -1;
  b.OnOleDropCol = [&](TObject*, int, int, int column) { dropped = column; };
  drags.DropOn(&b, Middle(b, 3, 0));
  const TPoint press = Middle(a, 2, 0);
  EXPECT_TRUE(StartOleDrag(a, press, {press.X + 5, press.Y}, 2, 0));
  EXPECT_EQ(dropped, 2);
  EXPECT_FALSE(a.OleDragDrop().Indicators.ColumnDragWindow);
}

TEST_F(GridDragDrop, RowsMovedWithinTheGridLeaveFromWhereTheyWere) {
  a.SetOptions(a.Options() | goRowSelect);
  a.DragDropSettings()->SetOleDropTarget(true);
  a.DragDropSettings()->OleInsertRows = true;
  a.DragDropSettings()->OleRemoveRows = true;
  for (int r = 1; r < 6; ++r) a.SetGridCell(1, r, "r" + std::to_string(r));
  a.SetSelection(TGridRect{1, 3, 4, 4});
  drags.DropOn(&a, Middle(a, 2, 1));
  const TPoint press = Middle(a, 1, 3);
  EXPECT_TRUE(StartOleDrag(a, press, {press.X, press.Y + 8}, 1, 3));
  EXPECT_EQ(a.RowCount(), 6);
  std::vector<std::string> column;
  for (int r = 1; r < 6; ++r) column.push_back(a.GetGridCell(1, r));
  EXPECT_EQ(column, (std::vector<std::string>{"r3", "r4", "r1", "r2", "r5"}));
}

TEST_F(GridDragDrop, EntireRowsLandFromColumnZeroWhateverTheColumn) {
  b.SetOptions(b.Options() | goRowSelect);
  b.DragDropSettings()->OleEntireRows = true;
  DropOn(b, 3, 2, {Text("h\tx\ty")});
  // From the fixed column 0, which the paste leaves as it is.
  EXPECT_EQ(b.GetGridCell(1, 2), "x");
  EXPECT_EQ(b.GetGridCell(2, 2), "y");
  EXPECT_EQ(b.GetGridCell(3, 2), "");
}

TEST_F(GridDragDrop, DraggingOverTheHeaderScrollsUpOneRowPerMove) {
  b.SetRowCount(40);
  b.SetTopRow(10);
  const TPoint header = Middle(b, 1, 0);
  drags.Script({{&b, header, MK_LBUTTON}, {&b, header, MK_LBUTTON}, {&b, header, MK_LBUTTON}});
  EXPECT_EQ(Drag({Text("x")}), DRAGDROP_S_CANCEL);  // refused over the header
  EXPECT_EQ(b.TopRow(), 7);
}

class GridFileDrop : public GridDragDrop {
 protected:
  std::string Write(const std::string& name) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << "1,2\n3,4\n";
    written.push_back(path);
    return path;
  }
  void TearDown() override {
    for (const std::string& p : written) std::remove(p.c_str());
  }
  std::vector<std::string> written;
};

TEST_F(GridFileDrop, OnlyOneFileNamedCsvLoads) {
  const std::string csv = Write("dropped.Csv");
  const std::string other = Write("dropped.csv.txt");
  struct Case {
    const char* name;
    std::vector<AnsiString> files;
    bool loads;
    bool refused = false;
  };
  const Case cases[] = {
      {"two files", {csv, csv}, false},
      {"not CSV", {other}, false},
      {"one CSV file refused by OnOleDrop", {csv}, false, true},
      {"one CSV file", {csv}, true},
  };
  for (const Case& k : cases) {
    b.OnOleDrop = [&](TObject*, int, int, const AnsiString&, bool& allow) { allow = !k.refused; };
    const HGLOBAL list = DropFilesBlock(k.files);
    DropOn(b, 1, 1, {{CF_HDROP, std::string(list->bytes.begin(), list->bytes.end())}});
    EXPECT_EQ(b.GetGridCell(0, 0) == "1", k.loads) << k.name;  // the file from the top-left cell
  }
}

TEST_F(GridFileDrop, OneWorkbookLoadsItsActiveSheet) {
  auto office = std::make_shared<TFakeOffice>();
  TFakeWorkbook book;
  book.Sheets[0].Values = {{TAutomationValue{TAutomationValue::avText, "sheet", 0}}};
  for (const char* name : {"book.xls", "BOOK.XLSX", "book.xls.txt"}) office->BookFiles[name] = book;
  SetOfficeAutomation(office);
  struct Case {
    const char* name;
    std::vector<AnsiString> files;
    bool loads;
    bool refusedByDrop = false;
    bool refusedByFile = false;
  };
  const Case cases[] = {
      {"two workbooks", {"book.xls", "book.xls"}, false},
      {"not a workbook", {"book.xls.txt"}, false},
      {"refused by OnOleDrop", {"book.xls"}, false, true},
      {"refused by OnOleDropFile", {"book.xls"}, false, false, true},
      {"one workbook", {"book.xls"}, true},
      {"one workbook, upper case", {"BOOK.XLSX"}, true},
  };
  for (const Case& k : cases) {
    b.SetColCount(5);
    b.SetRowCount(6);
    b.SetGridCell(0, 0, "");
    std::vector<std::string> asked;
    b.OnOleDrop = [&](TObject*, int row, int col, const AnsiString& name, bool& allow) {
      asked.push_back(std::to_string(row) + "," + std::to_string(col) + " " + name);
      allow = !k.refusedByDrop;
    };
    b.OnOleDropFile = [&](TObject*, int, int, const AnsiString&, bool& allow) { allow = !k.refusedByFile; };
    const HGLOBAL list = DropFilesBlock(k.files);
    DropOn(b, 2, 2, {{CF_HDROP, std::string(list->bytes.begin(), list->bytes.end())}});
    EXPECT_EQ(b.GetGridCell(0, 0) == "sheet", k.loads) << k.name;  // the sheet's top-left cell
    const bool asksOnDrop = k.loads || k.refusedByDrop;
    EXPECT_EQ(asked.size(), asksOnDrop ? 1u : 0u) << k.name;
    if (asksOnDrop && !asked.empty()) {
      EXPECT_EQ(asked[0], "-1,-1 " + k.files[0]) << k.name;
    }
  }
  EXPECT_EQ(office->Count("OpenWorkbook"), 2);
  SetOfficeAutomation(nullptr);
}

}  // namespace
