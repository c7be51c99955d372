// The cell grid's cell painter on a full visible area of 30 columns by 40
// rows of mixed cells (plain, mark-up, check box, progress, picture):
//  - the time per full repaint against a QTableView painting the same texts
//    with its default delegate in the same run (target within 2x while the
//    grid does far more per cell);
//  - the same repaint at the top of 1,000 rows against 1,000,000 rows
//    (target within 10 %).
// Usage: grid_look_bench [repaints]
#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/application.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "perf/benchtiming.h"

namespace {

using perf::Clock;
using perf::SecondsSince;

constexpr int kCols = 30;
constexpr int kVisibleRows = 40;
constexpr int kColWidth = 48;
constexpr int kRowHeight = 20;
constexpr int kWidth = kCols * kColWidth + 4;
constexpr int kHeight = (kVisibleRows + 1) * kRowHeight + 4;

AnsiString TextOf(int col, int row) { return std::to_string(row * 7 + col); }

// The kind of cell at (col, row): five kinds in turn along each row.
void FillCell(TVudUvizidIzed& grid, TPicture& picture, int col, int row) {
  switch (col % 5) {
    case 0: grid.SetCellEx(col, row, "text " + TextOf(col, row)); break;
    case 1: grid.SetCellEx(col, row, "<b>b</b><i>" + TextOf(col, row) + "</i>"); break;
    case 2: grid.AddCheckBox(col, row, row % 2 == 0, false); break;
    case 3:
      grid.AddProgress(col, row, clBlue, clWhite);
      grid.SetCellEx(col, row, std::to_string(row % 101));
      break;
    default: grid.AddPicture(col, row, &picture, false, StretchWithAspectRatio, 2, haCenter, vaCenter); break;
  }
}

class BenchGrid : public TVudUvizidIzed {
 public:
  BenchGrid(TForm* form, int rows, TPicture& picture) : TVudUvizidIzed(form) {
    SetParent(form);
    SetBounds(0, 0, kWidth, kHeight);
    SetColCount(kCols);
    SetRowCount(rows);
    SetFixedCols(0);
    SetDefaultColWidth(kColWidth);
    SetDefaultRowHeight(kRowHeight);
    for (int row = 1; row <= kVisibleRows; ++row)
      for (int col = 0; col < kCols; ++col) FillCell(*this, picture, col, row);
  }
};

double BestSecondsPerRepaint(const std::function<void()>& repaint, int repaints) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = Clock::now();
    for (int i = 0; i < repaints; ++i) repaint();
    best = std::min(best, SecondsSince(start) / repaints);
  }
  return best;
}

double TableViewSecondsPerRepaint(int repaints) {
  QStandardItemModel model(kVisibleRows, kCols);
  for (int row = 0; row < kVisibleRows; ++row)
    for (int col = 0; col < kCols; ++col)
      model.setItem(row, col, new QStandardItem(QString::fromStdString("text " + TextOf(col, row + 1))));
  QTableView view;
  view.setModel(&model);
  view.resize(kWidth, kHeight);
  view.horizontalHeader()->setDefaultSectionSize(kColWidth);
  view.verticalHeader()->setDefaultSectionSize(kRowHeight);
  view.verticalHeader()->hide();
  QImage target(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  view.show();
  return BestSecondsPerRepaint([&] { view.render(&target); }, repaints);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int repaints = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 30;
  Application->Initialize(argc, argv);
  {
    TForm form(nullptr);
    form.SetBounds(0, 0, kWidth + 20, kHeight + 20);
    form.Show();
    TBitmap bitmap;
    bitmap.SetSize(32, 16);
    bitmap.Canvas()->Brush()->SetColor(clTeal);
    bitmap.Canvas()->FillRect({0, 0, 32, 16});
    TPicture picture;
    picture.SetGraphic(&bitmap);

    BenchGrid few(&form, 1'000, picture), many(&form, 1'000'000, picture);
    double fewSeconds = 1e9, manySeconds = 1e9, viewSeconds = 1e9;
    // Alternating keeps drifts of the machine from favouring one side.
    for (int pass = 0; pass < 3; ++pass) {
      fewSeconds = std::min(fewSeconds, BestSecondsPerRepaint([&] { few.Repaint(); }, repaints));
      manySeconds = std::min(manySeconds, BestSecondsPerRepaint([&] { many.Repaint(); }, repaints));
      viewSeconds = std::min(viewSeconds, TableViewSecondsPerRepaint(repaints));
    }
    std::printf("%dx%d mixed cells: grid %8.3f ms/frame   QTableView %8.3f ms/frame   ratio %.2f   (target within 2)\n",
                kCols, kVisibleRows, fewSeconds * 1000, viewSeconds * 1000, fewSeconds / viewSeconds);
    std::printf("same frame: %d rows %8.3f ms   %d rows %8.3f ms   ratio %.3f   (target within 1.10)\n", 1'000'000,
                manySeconds * 1000, 1'000, fewSeconds * 1000, manySeconds / fewSeconds);
  }
  Application->Shutdown();
  return 0;
}
