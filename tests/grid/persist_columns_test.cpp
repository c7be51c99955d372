// Column widths and the column order kept in an INI file or the registry.
#include <gtest/gtest.h>

#include <fstream>

#include "framework/forms.h"
#include "framework/settingsstores.h"
#include "grid/duruzav.h"
#include "tests/support/scratch.h"

namespace {

using Strings = std::vector<std::string>;

// A grid whose header cells name each column by its initial index and whose
// column c is 30 + c pixels wide, keeping its columns in an INI file.
struct ColumnsGrid {
  explicit ColumnsGrid(int columns = 3) {
    grid.SetColCount(columns);
    for (int c = 0; c < columns; ++c) {
      grid.SetGridCell(c, 0, "c" + std::to_string(c));
      grid.SetColWidths(c, 30 + c);
    }
    UseIni(dir.File("COLS.INI"));
  }
  void UseIni(const std::string& file) {
    grid.ColumnSize()->Location = clIniFile;
    grid.ColumnSize()->Key = file;
    grid.ColumnSize()->Section = "Grid";
  }
  Strings Headers() {
    Strings out;
    for (int c = 0; c < grid.ColCount(); ++c) out.push_back(grid.GetGridCell(c, 0));
    return out;
  }
  std::vector<int> Widths() {
    std::vector<int> out;
    for (int c = 0; c < grid.ColCount(); ++c) out.push_back(grid.ColWidths(c));
    return out;
  }
  std::vector<int> Order() {
    std::vector<int> out;
    for (int i = 0; i < grid.ColumnOrder()->Count(); ++i) out.push_back(grid.ColumnOrder()->Items(i));
    return out;
  }
  using Values = std::vector<std::pair<const char*, const char*>>;
  void Store(const Values& values) {
    std::ofstream ini(grid.ColumnSize()->Key);
    ini << "[Grid]\n";
    for (const auto& [key, value] : values) ini << key << "=" << value << "\n";
  }
  TIniFile Ini() { return TIniFile(grid.ColumnSize()->Key); }

  benchtest::TempDir dir;
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
};

TEST(ColumnPositions, StoredOrderIsRestoredIntoAGridInItsInitialOrder) {
  ColumnsGrid saved;
  saved.grid.MoveColumn(2, 0);
  ASSERT_EQ(saved.Headers(), (Strings{"c2", "c0", "c1"}));
  saved.grid.SaveColPositions();
  TIniFile ini = saved.Ini();
  EXPECT_EQ(ini.ReadInteger("Grid", "Pos0", -1), 2);
  EXPECT_EQ(ini.ReadInteger("Grid", "Pos1", -1), 0);
  EXPECT_EQ(ini.ReadInteger("Grid", "Pos2", -1), 1);

  ColumnsGrid loaded;
  loaded.UseIni(saved.grid.ColumnSize()->Key);
  loaded.grid.LoadColPositions();
  EXPECT_EQ(loaded.Headers(), (Strings{"c2", "c0", "c1"}));
  EXPECT_EQ(loaded.Widths(), (std::vector<int>{32, 30, 31}));
  EXPECT_EQ(loaded.Order(), (std::vector<int>{2, 0, 1}));
}

// Positions that do not place every column leave the grid as it is.
TEST(ColumnPositions, IncompleteOrOutOfRangePositionsLeaveTheColumnsAsTheyAre) {
  const std::vector<ColumnsGrid::Values> cases = {
      {{"Pos0", "1"}, {"Pos1", "0"}},                   // saved with fewer columns
      {{"Pos0", "1"}, {"Pos1", "0"}, {"Pos2", "7"}},    // an index beyond the grid
      {{"Pos0", "1"}, {"Pos2", "0"}},                   // a gap
      {{"Pos0", "2"}, {"Pos1", "abc"}, {"Pos2", "0"}},  // no number
  };
  for (const auto& values : cases) {
    ColumnsGrid g;
    g.grid.MoveColumn(0, 1);
    g.Store(values);
    EXPECT_NO_THROW(g.grid.LoadColPositions());
    EXPECT_EQ(g.Headers(), (Strings{"c1", "c0", "c2"})) << values.size();
    EXPECT_EQ(g.Order(), (std::vector<int>{1, 0, 2}));
  }
}

TEST(ColumnPositions, NothingStoredOrAnEmptyOrderChangesNothing) {
  ColumnsGrid g;
  g.grid.LoadColPositions();
  EXPECT_EQ(g.Headers(), (Strings{"c0", "c1", "c2"}));
  EXPECT_TRUE(g.Order().empty());
  g.grid.SaveColPositions();
  EXPECT_FALSE(g.Ini().ValueExists("Grid", "Pos0"));
}

TEST(ColumnSizes, WidthsAreSavedForEveryColumnAndLoadedForThoseStored) {
  ColumnsGrid five(5);
  five.grid.SaveColSizes();
  EXPECT_EQ(five.Ini().ReadInteger("Grid", "Col0", -1), 30);
  EXPECT_EQ(five.Ini().ReadInteger("Grid", "Col4", -1), 34);

  ColumnsGrid seven(7);
  for (int c = 0; c < 7; ++c) seven.grid.SetColWidths(c, 50);
  seven.UseIni(five.grid.ColumnSize()->Key);
  seven.grid.LoadColSizes();
  EXPECT_EQ(seven.Widths(), (std::vector<int>{30, 31, 32, 33, 34, 50, 50}));

  ColumnsGrid three(3);
  for (int c = 0; c < 3; ++c) three.grid.SetColWidths(c, 50);
  three.UseIni(five.grid.ColumnSize()->Key);
  three.grid.LoadColSizes();
  EXPECT_EQ(three.Widths(), (std::vector<int>{30, 31, 32}));
}

TEST(ColumnSizes, AWidthNoColumnCanHaveKeepsTheColumnsWidth) {
  ColumnsGrid g;
  g.Store({{"Col0", "-5"}, {"Col1", "2147483647"}, {"Col2", "40"}});
  g.grid.LoadColSizes();
  EXPECT_EQ(g.Widths(), (std::vector<int>{30, 31, 40}));
}

TEST(ColumnSizes, WithoutKeyOrSectionNothingIsStoredOrRead) {
  for (bool keyMissing : {true, false}) {
    ColumnsGrid g;
    g.Store({{"Col0", "77"}, {"Pos0", "1"}, {"Pos1", "0"}, {"Pos2", "2"}});
    const std::string file = g.grid.ColumnSize()->Key;
    (keyMissing ? g.grid.ColumnSize()->Key : g.grid.ColumnSize()->Section) = "";
    g.grid.LoadColSizes();
    g.grid.LoadColPositions();
    g.grid.SetColWidths(1, 99);
    g.grid.SaveColSizes();
    EXPECT_EQ(g.Widths(), (std::vector<int>{30, 99, 32}));
    EXPECT_EQ(g.Headers(), (Strings{"c0", "c1", "c2"}));
    EXPECT_FALSE(TIniFile(file).ValueExists("Grid", "Col1"));
  }
}

TEST(ColumnSizes, TheRegistryKeepsWidthsAndPositionsUnderKeyAndSection) {
  benchtest::RedirectedRegistry registry;
  ColumnsGrid saved;
  saved.grid.ColumnSize()->Location = clRegistry;
  saved.grid.ColumnSize()->Key = "Software\\Vorkelt, LLC.\\Flashwright\\Grids";
  saved.grid.MoveColumn(2, 0);
  saved.grid.SaveColSizes();
  saved.grid.SaveColPositions();
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Vorkelt, LLC.\\Flashwright\\Grids\\Grid", false));
  EXPECT_EQ(reg.ReadInteger("Col0"), 32);
  EXPECT_EQ(reg.ReadInteger("Pos0"), 2);

  ColumnsGrid loaded;
  loaded.grid.ColumnSize()->Location = clRegistry;
  loaded.grid.ColumnSize()->Key = saved.grid.ColumnSize()->Key;
  for (int c = 0; c < 3; ++c) loaded.grid.SetColWidths(c, 50);
  // Widths go by display index: the columns are put in place first.
  loaded.grid.LoadColPositions();
  loaded.grid.LoadColSizes();
  EXPECT_EQ(loaded.Headers(), (Strings{"c2", "c0", "c1"}));
  EXPECT_EQ(loaded.Widths(), (std::vector<int>{32, 30, 31}));

  // Values a person wrote as text count when they are numbers.
  reg.WriteString("Col1", "45");
  reg.WriteString("Col2", "wide");
  loaded.grid.LoadColSizes();
  EXPECT_EQ(loaded.Widths(), (std::vector<int>{32, 45, 31}));
}

// With ColumnSize.Save the widths go to the store when the grid goes and
// come back when a grid of the window has been built.
TEST(ColumnSizes, SaveSwitchKeepsWidthsFromOneWindowToTheNext) {
  benchtest::TempDir dir;
  const std::string ini = dir.File("WINDOW.INI");
  auto makeForm = [&] {
    auto form = std::make_unique<TForm>(nullptr);
    auto* grid = new TVudUvizidIzed(form.get());
    grid->SetColCount(3);
    grid->ColumnSize()->Save = true;
    grid->ColumnSize()->Location = clIniFile;
    grid->ColumnSize()->Key = ini;
    grid->ColumnSize()->Section = "Nodes";
    form->AfterConstruction();
    return std::pair{std::move(form), grid};
  };
  {
    auto [form, grid] = makeForm();
    grid->SetColWidths(1, 123);
  }
  EXPECT_EQ(TIniFile(ini).ReadInteger("Nodes", "Col1", -1), 123);
  auto [form, grid] = makeForm();
  EXPECT_EQ(grid->ColWidths(1), 123);
}

// A grid made in code and placed later takes its widths when it gets its
// parent; one whose store cannot be written still goes quietly.
TEST(ColumnSizes, AGridPlacedInCodeLoadsOnParentAndAnUnwritableStoreDoesNotStopItsEnd) {
  ColumnsGrid g;
  g.Store({{"Col2", "66"}});
  g.grid.ColumnSize()->Save = true;
  g.grid.SetParent(&g.form);
  EXPECT_EQ(g.grid.ColWidths(2), 66);

  auto doomed = std::make_unique<TVudUvizidIzed>(nullptr);
  doomed->ColumnSize()->Save = true;
  doomed->ColumnSize()->Location = clIniFile;
  std::ofstream(g.dir.File("plain")) << "a file, not a folder";
  doomed->ColumnSize()->Key = g.dir.File("plain/COLS.INI");
  doomed->ColumnSize()->Section = "Grid";
  EXPECT_NO_FATAL_FAILURE(doomed.reset());
}

}  // namespace
