// The grid printing at scale: Print of 10,000 rows x 6 columns to a PDF
// file, against Qt's QTextDocument printing a table of the same texts to a
// PDF file (target: at most 1.5 times its time per page). Both lay the
// pages out and write them; filling the grid and building the document are
// not timed.
// Pages are counted in the files by poppler's pdfinfo.
// Usage: grid_print_bench [rows]
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/printer.h"
#include "grid/duruzav.h"
#include "grid/gridprint.h"
#include "perf/benchtiming.h"
#include "tests/support/scratch.h"

namespace {

using perf::Clock;
using perf::SecondsSince;
using perf::Best;
constexpr int kColumns = 6;

// The pages of a PDF file as poppler's pdfinfo counts them.
int PdfPages(const std::string& pdf) {
  FILE* pipe = ::popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return 0;
  char line[256];
  int pages = 0;
  while (std::fgets(line, sizeof line, pipe))
    if (std::sscanf(line, "Pages: %d", &pages) == 1) break;
  ::pclose(pipe);
  return pages;
}

std::string CellText(int col, int row) {
  switch (col) {
    case 0: return std::to_string(row);
    case 1: return "node " + std::to_string(row % 64);
    case 2: return "0x" + std::to_string(1000 + row % 9000);
    case 3: return "firmware " + std::to_string(row % 7) + "." + std::to_string(row % 13);
    case 4: return row % 3 ? "downloaded" : "waiting";
    default: return std::to_string(row * 37 % 10007) + " bytes";
  }
}

struct Timing {
  double seconds;
  int pages;
};

Timing TimeGrid(TVudUvizidIzed& grid, const std::string& pdf) {
  Printer()->SetOutputFileName(pdf);
  const double seconds = Best([&] {
    const auto start = Clock::now();
    grid.Print();
    return SecondsSince(start);
  });
  return {seconds, PdfPages(pdf)};
}

Timing TimeTextDocument(int rows, const std::string& pdf) {
  QTextDocument document;
  QTextCursor cursor(&document);
  QTextTableFormat format;
  format.setBorder(1);
  format.setCellPadding(2);
  format.setCellSpacing(0);
  QTextTable* table = cursor.insertTable(rows, kColumns, format);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < kColumns; ++c)
      table->cellAt(r, c).firstCursorPosition().insertText(QString::fromStdString(CellText(c, r)));
  const double seconds = Best([&] {
    const auto start = Clock::now();
    QPdfWriter writer(QString::fromStdString(pdf));
    writer.setResolution(600);
    document.print(&writer);
    return SecondsSince(start);
  });
  return {seconds, PdfPages(pdf)};
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10'000;
  Application->Initialize(argc, argv);
  benchtest::TempDir dir("flashwright-print-bench");
  Timing ours{}, theirs{};
  {
    TForm form(nullptr);
    TVudUvizidIzed grid(&form);
    grid.SetColCount(kColumns);
    grid.SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < kColumns; ++c) grid.SetGridCell(c, r, CellText(c, r));
    grid.PrintSettings()->PageNr = ppBottomCenter;
    ours = TimeGrid(grid, dir.File("grid.pdf"));
  }
  theirs = TimeTextDocument(rows, dir.File("document.pdf"));
  const double perPage = ours.seconds / std::max(1, ours.pages);
  const double basePerPage = theirs.seconds / std::max(1, theirs.pages);
  std::printf("grid Print            %7.3f s  %5d pages  %8.3f ms/page\n", ours.seconds, ours.pages, perPage * 1e3);
  std::printf("QTextDocument print   %7.3f s  %5d pages  %8.3f ms/page\n", theirs.seconds, theirs.pages,
              basePerPage * 1e3);
  std::printf("ratio per page %.2f   (target at most 1.5)\n", perPage / basePerPage);
  Application->Shutdown();
  return 0;
}
