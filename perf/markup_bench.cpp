// A grid cell of mark-up, about 200 characters of it, measured and then
// drawn as the grid's painter does, against Qt's rich-text document laying
// out and drawing the same text as HTML in the same run.
// Usage: markup_bench [cells]
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "framework/application.h"
#include "framework/canvas.h"
#include "grid/zghtmle.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCellWidth = 320;
constexpr int kCellHeight = 80;
constexpr const char* kFace = "DejaVu Sans";

const AnsiString kCellText =
    "<B>Node 12</B> is <FONT COLOR=\"#0000FF\">online</FONT> at <I>500 kbit/s</I><BR>"
    "Firmware <U>2.14</U> in sector 2, <A HREF=\"details\">details</A> &amp; more; "
    "<FONT SIZE=\"2\">checksum 3FA2</FONT> verified";

double MicrosecondsPerCell(Clock::time_point start, int cells) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / cells;
}

double MarkupCells(int cells) {
  QImage image(kCellWidth, kCellHeight, QImage::Format_RGB32);
  TCanvas canvas;
  canvas.Attach(&image);
  canvas.Font()->SetName(kFace);
  canvas.Font()->SetSize(10);
  const TRect cell{0, 0, kCellWidth, kCellHeight};
  AnsiString anchor, plain, focus, title, id, value, type;
  int xSize = 0, ySize = 0, links = 0, mouseLink = 0;
  TRect hover, control;
  auto draw = [&](bool measureOnly) {
    HTMLDrawEx(&canvas, kCellText, cell, nullptr, -1, -1, -1, 0, 1, false, measureOnly, false, true, false, false,
               true, false, 0.0, clBlue, clNone, clNone, clGray, anchor, plain, focus, title, xSize, ySize, links,
               mouseLink, hover, control, id, value, type, nullptr, nullptr, nullptr);
  };
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < cells; ++i) {
    draw(true);
    draw(false);
  }
  return MicrosecondsPerCell(start, cells);
}

double DocumentCells(int cells) {
  QImage image(kCellWidth, kCellHeight, QImage::Format_RGB32);
  QTextDocument document;
  QFont font(kFace);
  font.setPixelSize(13);
  document.setDefaultFont(font);
  const QString html = QString::fromStdString(kCellText);
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < cells; ++i) {
    document.setHtml(html);
    document.setTextWidth(kCellWidth);
    const QSizeF size = document.size();
    QPainter painter(&image);
    document.drawContents(&painter, QRectF(0, 0, kCellWidth, std::min<double>(size.height(), kCellHeight)));
  }
  return MicrosecondsPerCell(start, cells);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int cells = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  Application->Initialize(argc, argv);
  std::printf("a cell of %zu characters of mark-up, measured and drawn, %d times\n", kCellText.size(), cells);
  // Warm both up (font caches) before timing.
  MarkupCells(cells / 10 + 1);
  DocumentCells(cells / 10 + 1);
  const double ours = MarkupCells(cells);
  const double theirs = DocumentCells(cells);
  std::printf("mark-up engine:     %8.1f us per cell\n", ours);
  std::printf("rich-text document: %8.1f us per cell\n", theirs);
  std::printf("ratio %.2f (target: at most 1.00)\n", ours / theirs);
  Application->Shutdown();
  return 0;
}
