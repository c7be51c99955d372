#include "grid/arrowwindow.h"

#include <QPolygon>
#include <QRegion>
#include <QWidget>

namespace {

constexpr TColor kArrowColor = 0x0000FF00;

std::array<TPoint, 7> ArrowVertices(TArrowDirection direction) {
  switch (direction) {
    case arrUp: return {{{5, 0}, {10, 5}, {7, 5}, {7, 9}, {3, 9}, {3, 5}, {0, 5}}};
    case arrDown: return {{{3, 0}, {7, 0}, {7, 4}, {9, 4}, {5, 8}, {1, 4}, {3, 4}}};
    case arrLeft: return {{{0, 3}, {0, 7}, {4, 7}, {4, 10}, {8, 5}, {4, 0}, {4, 3}}};
    case arrRight: return {{{0, 5}, {4, 10}, {4, 7}, {8, 7}, {8, 3}, {4, 3}, {4, 0}}};
  }
  return {};
}

}  // namespace

TArrowWindow::TArrowWindow(TComponent* owner, TArrowDirection direction)
    : TPanel(owner), direction_(direction), vertices_(ArrowVertices(direction)) {
  Widget()->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  Widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
  Widget()->setFocusPolicy(Qt::NoFocus);
  SetVisibleFlag(false);
  SetColor(kArrowColor);
  QPolygon shape;
  for (const TPoint& p : vertices_) shape << QPoint(p.X, p.Y);
  Widget()->setMask(QRegion(shape, Qt::WindingFill));
}

// The mask cuts the filled box to the arrow.
void TArrowWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->Pen()->SetColor(Color());
  c->Rectangle(ClientRect());
}
