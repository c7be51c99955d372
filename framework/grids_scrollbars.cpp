// The grid's scroll bars: shown when their direction does not fit, their
// thumbs on the fixed 0..kGridScrollScale scale.
#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <cmath>

#include "framework/application.h"
#include "framework/grids.h"

namespace {

int BarExtent() {
  QStyle* style = qApp ? QApplication::style() : nullptr;
  return style ? style->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

}  // namespace

void TCustomGrid::CreateScrollBars() {
  vbar_ = new QScrollBar(Qt::Vertical, Widget());
  hbar_ = new QScrollBar(Qt::Horizontal, Widget());
  for (QScrollBar* bar : {vbar_, hbar_}) {
    bar->setRange(0, kGridScrollScale);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->hide();
    const bool vertical = bar == vbar_;
    QObject::connect(bar, &QScrollBar::valueChanged, Widget(), [this, vertical](int value) {
      Application->Guard(this, [&] { ScrollTo(vertical, value); });
    });
  }
}

TRect TCustomGrid::ClientRect() const {
  const int extent = BarExtent();
  return {0, 0, std::max(Width() - (vbarShown_ ? extent : 0), 0), std::max(Height() - (hbarShown_ ? extent : 0), 0)};
}

void TCustomGrid::ScrollBarPolicy(bool, bool fits, bool& show, bool& enable) const {
  show = !fits;
  enable = true;
}

void TCustomGrid::ScrollTo(bool vertical, int position) {
  if (syncingBars_) return;
  auto target = [&](int fixed, int max) {
    return fixed + static_cast<int>(std::lround(static_cast<double>(position) * (max - fixed) / kGridScrollScale));
  };
  if (vertical) MoveTopLeft(LeftCol(), target(fixedRows_, MaxTopRow()));
  else MoveTopLeft(target(fixedCols_, MaxLeftCol()), TopRow());
}

void TCustomGrid::SyncScrollBars() {
  if (syncingBars_ || !vbar_) return;
  syncingBars_ = true;
  // A bar shown in one direction narrows the other: settle in two rounds.
  for (int round = 0; round < 2; ++round) {
    ScrollBarPolicy(true, MaxTopRow() == fixedRows_ && TopRow() == fixedRows_, vbarShown_, vbarEnabled_);
    ScrollBarPolicy(false, MaxLeftCol() == fixedCols_ && LeftCol() == fixedCols_, hbarShown_, hbarEnabled_);
  }
  const int extent = BarExtent();
  vbar_->setGeometry(Width() - extent, 0, extent, std::max(Height() - (hbarShown_ ? extent : 0), 0));
  hbar_->setGeometry(0, Height() - extent, std::max(Width() - (vbarShown_ ? extent : 0), 0), extent);
  vbar_->setVisible(vbarShown_);
  hbar_->setVisible(hbarShown_);
  vbar_->setEnabled(vbarEnabled_);
  hbar_->setEnabled(hbarEnabled_);
  hbar_->setInvertedAppearance(UseRightToLeftAlignment());
  hbar_->setInvertedControls(UseRightToLeftAlignment());
  vbar_->setValue(VertScrollPos());
  hbar_->setValue(HorzScrollPos());
  syncingBars_ = false;
}

void TCustomGrid::BiDiModeChanged() {
  SyncScrollBars();
  TCustomControl::BiDiModeChanged();
}
