// Change notifications of the grid and the footer row they keep up to date.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/grid/modeltesting.h"

namespace {

using modeltesting::GridOnForm;

struct Recorder : TGridChangeNotifier {
  Recorder(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
  void CellsChanged(const TRect& r) override {
    log_.push_back(name_ + " " + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," +
                   std::to_string(r.Right) + "," + std::to_string(r.Bottom));
    if (onTold) onTold();
  }
  std::function<void()> onTold;

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

// One fixed row, data rows 1..3 in column 1 and the footer as row 4.
class Footer : public ::testing::Test, public GridOnForm {
 protected:
  Footer() {
    grid.SetRowCount(5);
    for (int r = 1; r <= 3; ++r) grid.SetGridCell(1, r, std::to_string(r));
    footer().SetVisible(true);
  }
  TFloatingFooter& footer() { return *grid.FloatingFooter(); }
  AnsiString FooterText(int col = 1) { return grid.GetGridCell(col, grid.RowCount() - 1); }
};

TEST_F(Footer, EventThenNotifiersInOrderThenTheFooter) {
  std::vector<std::string> log;
  Recorder first(log, "first"), second(log, "second"), gone(log, "gone");
  grid.OnCellsChanged = [&](TObject* sender, const TRect&) {
    EXPECT_EQ(sender, &grid);
    log.push_back("event");
  };
  grid.RegisterNotifier(&first);
  grid.RegisterNotifier(&gone);
  grid.RegisterNotifier(&second);
  grid.UnRegisterNotifier(&gone);
  first.onTold = [&] { grid.UnRegisterNotifier(&first); };  // leaving while told
  footer().SetColumnCalc(1, acCUSTOM);
  footer().OnCalcFooter = [&](TObject*, int, int, AnsiString& value) {
    log.push_back("footer");
    value = "x";
  };
  grid.CellsChanged(TRect{1, 2, 3, 4});
  EXPECT_EQ(log, (std::vector<std::string>{"event", "first 1,2,3,4", "second 1,2,3,4", "footer"}));
  log.clear();
  grid.CellsChanged(TRect{0, 0, 0, 0});
  EXPECT_EQ(log, (std::vector<std::string>{"event", "second 0,0,0,0", "footer"}));
}

TEST_F(Footer, CalculationsOfTheDataRows) {
  const struct {
    TColumnCalcType type;
    const char* text;
  } cases[] = {{acSUM, "6.00"}, {acAVG, "2.00"}, {acCOUNT, "3.00"}, {acMIN, "1.00"}, {acMAX, "3.00"},
               {acNONE, ""}, {acCUSTOM, ""}};
  for (const auto& c : cases) {
    grid.SetGridCell(1, 4, "old");
    footer().SetColumnCalc(1, c.type);
    EXPECT_EQ(FooterText(), c.text) << c.type;
  }
  grid.SetGridCell(1, 4, "kept");
  footer().SetColumnCalc(1, acSPREAD);
  EXPECT_EQ(FooterText(), "kept");
}

TEST_F(Footer, CalculatesOnlyAsAVisibleFixedLastRow) {
  footer().SetColumnCalc(1, acSUM);
  grid.SetGridCell(1, 4, "");
  footer().SetFooterStyle(fsColumnPreview);
  grid.CellsLoaded();
  EXPECT_EQ(FooterText(), "");
  footer().SetFooterStyle(fsFixedLastRow);
  footer().EnableCalculation = false;
  grid.CellsLoaded();
  EXPECT_EQ(FooterText(), "");
  footer().EnableCalculation = true;
  grid.CellsLoaded();
  EXPECT_EQ(FooterText(), "6.00");
}

TEST_F(Footer, VisibilityMakesTheLastRowTheFixedFooter) {
  EXPECT_EQ(grid.Props().FixedFooters, 1);
  EXPECT_TRUE(grid.LastRowFooter());
  footer().SetFooterStyle(fsColumnPreview);
  EXPECT_FALSE(grid.LastRowFooter());
  footer().SetVisible(true);
  EXPECT_EQ(grid.Props().FixedFooters, 0);
  footer().SetFooterStyle(fsFixedLastRow);
  footer().SetVisible(false);
  EXPECT_EQ(grid.Props().FixedFooters, 0);
  EXPECT_FALSE(grid.LastRowFooter());
}

TEST_F(Footer, UpdateCellRecalculatesItsColumnOnly) {
  grid.SetGridCell(2, 1, "5");
  footer().SetColumnCalc(1, acSUM);
  footer().SetColumnCalc(2, acSUM);
  grid.SetGridCell(1, 1, "10");
  grid.SetGridCell(2, 1, "10");
  grid.UpdateCell(2, 1);
  EXPECT_EQ(FooterText(1), "6.00");
  EXPECT_EQ(FooterText(2), "10.00");
}

// With the hidden rows counted the data rows are read by real row; the
// footer's own cell never adds to its sum, also with a single hidden row.
TEST_F(Footer, HiddenRowsCountWhenAsked) {
  footer().SetColumnCalc(1, acSUM);
  footer().SetColumnCalc(2, acCOUNT);
  grid.HideRow(2);
  footer().CalculateHiddenRows = true;
  grid.CellsLoaded();
  EXPECT_EQ(FooterText(1), "6.00");
  EXPECT_EQ(FooterText(2), "3.00");
  grid.HideRow(3);
  grid.CellsLoaded();
  EXPECT_EQ(FooterText(1), "6.00");
  EXPECT_EQ(FooterText(2), "3.00");
  footer().CalculateHiddenRows = false;
  grid.CellsLoaded();
  EXPECT_EQ(FooterText(1), "1.00");
  EXPECT_EQ(FooterText(2), "1.00");
}

TEST_F(Footer, CustomCalculationGetsTheColumnAndTheRealFooterRow) {
  std::vector<std::pair<int, int>> asked;
  footer().OnCalcFooter = [&](TObject*, int col, int row, AnsiString& value) {
    asked.emplace_back(col, row);
    value = "total";
  };
  footer().CalculateHiddenRows = true;
  grid.HideRow(1);
  footer().SetColumnCalc(2, acCUSTOM);
  EXPECT_EQ(FooterText(2), "total");
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{2, 4}}));
}

TEST_F(Footer, AssignCopiesTheSettingsAndSwitchesTheCalculationOn) {
  GridOnForm other;
  TFloatingFooter& source = *other.grid.FloatingFooter();
  source.CalculateHiddenRows = true;
  source.Color = clRed;
  source.Column = 3;
  source.ShowHint = true;
  source.SetFooterStyle(fsCustomPreview);
  footer().EnableCalculation = false;
  footer().Assign(&source);
  EXPECT_TRUE(footer().CalculateHiddenRows && footer().ShowHint && footer().EnableCalculation);
  EXPECT_EQ(footer().Color, clRed);
  EXPECT_EQ(footer().Column, 3);
  EXPECT_EQ(footer().FooterStyle(), fsCustomPreview);
}

}  // namespace
