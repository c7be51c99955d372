// The grid's scroll bars: shown when their direction does not fit, their
// thumbs on the fixed 0..kGridScrollScale scale. What the user does with a
// bar reaches the grid as WM_VSCROLL and WM_HSCROLL requests.
#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <cmath>
#include <optional>

#include "framework/application.h"
#include "framework/grids.h"

namespace {

int BarExtent() {
  QStyle* style = qApp ? QApplication::style() : nullptr;
  return style ? style->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

// The thumb's share of the bar while no page is set.
constexpr int kDefaultPageStep = 10;

std::optional<unsigned> RequestOf(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    // A thumb let go of, or moved by the wheel over the bar.
    case QAbstractSlider::SliderMove: return SB_THUMBPOSITION;
    default: return std::nullopt;
  }
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
    // The thumb stays where the grid puts it after each request.
    QObject::connect(bar, &QAbstractSlider::actionTriggered, Widget(), [this, vertical, bar](int action) {
      Application->Guard(this, [&] {
        const std::optional<unsigned> request = RequestOf(action);
        if (!request || bar->isSliderDown()) return;
        SendScrollRequest(vertical, *request, bar->sliderPosition());
        SendScrollRequest(vertical, SB_ENDSCROLL, 0);
        bar->setSliderPosition(Info(vertical ? SB_VERT : SB_HORZ).nPos);
      });
    });
    QObject::connect(bar, &QAbstractSlider::sliderMoved, Widget(), [this, vertical](int value) {
      Application->Guard(this, [&] { SendScrollRequest(vertical, SB_THUMBTRACK, value); });
    });
    QObject::connect(bar, &QAbstractSlider::sliderReleased, Widget(), [this, vertical, bar] {
      Application->Guard(this, [&] {
        SendScrollRequest(vertical, SB_THUMBPOSITION, bar->sliderPosition());
        SendScrollRequest(vertical, SB_ENDSCROLL, 0);
      });
    });
    // A value set from outside (not by the grid, not by a drag) is a thumb
    // put there.
    QObject::connect(bar, &QAbstractSlider::valueChanged, Widget(), [this, vertical, bar](int value) {
      Application->Guard(this, [&] {
        if (syncingBars_ || bar->isSliderDown() || value == Info(vertical ? SB_VERT : SB_HORZ).nPos) return;
        SendScrollRequest(vertical, SB_THUMBPOSITION, value);
        SendScrollRequest(vertical, SB_ENDSCROLL, 0);
      });
    });
  }
}

void TCustomGrid::SendScrollRequest(bool vertical, unsigned code, int position) {
  const WPARAM w = (static_cast<WPARAM>(static_cast<std::uint16_t>(position)) << 16) | (code & 0xFFFF);
  Perform(vertical ? WM_VSCROLL : WM_HSCROLL, w, 0);
}

void TCustomGrid::WMVScroll(TMessage& message) { ScrollRequest(true, message); }

void TCustomGrid::WMHScroll(TMessage& message) { ScrollRequest(false, message); }

void TCustomGrid::WMSize(TMessage& message) { TCustomControl::WndProc(message); }

void TCustomGrid::ScrollRequest(bool vertical, const TMessage& message) {
  const unsigned code = message.WParam & 0xFFFF;
  const int position = static_cast<int>((message.WParam >> 16) & 0xFFFF);
  const int first = vertical ? TopRow() : LeftCol();
  const int page = std::max(vertical ? VisibleRowCount() : VisibleColCount(), 1);
  int target = first;
  switch (code) {
    case SB_LINEUP: target = first - 1; break;
    case SB_LINEDOWN: target = first + 1; break;
    case SB_PAGEUP: target = first - page; break;
    case SB_PAGEDOWN: target = first + page; break;
    case SB_TOP: target = vertical ? fixedRows_ : fixedCols_; break;
    case SB_BOTTOM: target = vertical ? MaxTopRow() : MaxLeftCol(); break;
    case SB_THUMBTRACK:
      if (options_ & goThumbTracking) ScrollTo(vertical, position);
      return;
    case SB_THUMBPOSITION: ScrollTo(vertical, position); return;
    default: return;
  }
  if (vertical) MoveTopLeft(LeftCol(), target);
  else MoveTopLeft(target, TopRow());
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

void TCustomGrid::GetScrollInfo(int bar, TScrollInfo& info) const {
  const TScrollInfo& own = bar == SB_VERT ? vinfo_ : hinfo_;
  if (info.fMask & SIF_RANGE) {
    info.nMin = own.nMin;
    info.nMax = own.nMax;
  }
  if (info.fMask & SIF_PAGE) info.nPage = own.nPage;
  if (info.fMask & SIF_POS) info.nPos = own.nPos;
  if (info.fMask & SIF_TRACKPOS) {
    const QScrollBar* b = bar == SB_VERT ? vbar_ : hbar_;
    info.nTrackPos = b && b->isSliderDown() ? b->sliderPosition() : own.nPos;
  }
}

void TCustomGrid::SetScrollInfo(int bar, const TScrollInfo& info, bool) {
  TScrollInfo& own = Info(bar);
  if (info.fMask & SIF_RANGE) {
    own.nMin = info.nMin;
    own.nMax = std::max(info.nMin, info.nMax);
  }
  if (info.fMask & SIF_PAGE) own.nPage = info.nPage;
  if (info.fMask & SIF_POS) own.nPos = info.nPos;
  ApplyScrollInfo(bar);
}

void TCustomGrid::ApplyScrollInfo(int bar) {
  QScrollBar* b = Bar(bar);
  if (!b) return;
  TScrollInfo& info = Info(bar);
  // A page wider than the range leaves one thumb position.
  const int page = static_cast<int>(std::min<unsigned>(info.nPage, static_cast<unsigned>(info.nMax - info.nMin + 1)));
  const int last = std::max(info.nMin, info.nMax - std::max(page, 1) + 1);
  info.nPos = std::clamp(info.nPos, info.nMin, last);
  const bool wasSyncing = syncingBars_;
  syncingBars_ = true;
  b->setRange(info.nMin, last);
  b->setPageStep(page > 0 ? page : kDefaultPageStep);
  if (!b->isSliderDown()) b->setValue(info.nPos);
  syncingBars_ = wasSyncing;
}

void TCustomGrid::ShowScrollBar(int bar, bool show) {
  (bar == SB_VERT ? vbarShown_ : hbarShown_) = show;
  PlaceScrollBars();
  Invalidate();
}

void TCustomGrid::PlaceScrollBars() {
  const int extent = BarExtent();
  vbar_->setGeometry(Width() - extent, 0, extent, std::max(Height() - (hbarShown_ ? extent : 0), 0));
  hbar_->setGeometry(0, Height() - extent, std::max(Width() - (vbarShown_ ? extent : 0), 0), extent);
  vbar_->setVisible(vbarShown_);
  hbar_->setVisible(hbarShown_);
}

void TCustomGrid::SyncScrollBars() {
  if (syncingBars_ || !vbar_) return;
  syncingBars_ = true;
  // A bar shown in one direction narrows the other: settle in two rounds.
  for (int round = 0; round < 2; ++round) {
    ScrollBarPolicy(true, MaxTopRow() == fixedRows_ && TopRow() == fixedRows_, vbarShown_, vbarEnabled_);
    ScrollBarPolicy(false, MaxLeftCol() == fixedCols_ && LeftCol() == fixedCols_, hbarShown_, hbarEnabled_);
  }
  PlaceScrollBars();
  vbar_->setEnabled(vbarEnabled_);
  hbar_->setEnabled(hbarEnabled_);
  hbar_->setInvertedAppearance(UseRightToLeftAlignment());
  hbar_->setInvertedControls(UseRightToLeftAlignment());
  vinfo_.nPos = VertScrollPos();
  hinfo_.nPos = HorzScrollPos();
  ApplyScrollInfo(SB_VERT);
  ApplyScrollInfo(SB_HORZ);
  syncingBars_ = false;
}

void TCustomGrid::BiDiModeChanged() {
  SyncScrollBars();
  TCustomControl::BiDiModeChanged();
}
