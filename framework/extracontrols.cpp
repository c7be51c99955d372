#include "framework/extracontrols.h"

#include <QCoreApplication>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "framework/application.h"
#include "platform/clock.h"

// ---- TPanel ----

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetText(const AnsiString& text) {
  TCustomControl::SetText(text);
  Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
  bevelOuter_ = bevel;
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut bevel) {
  bevelInner_ = bevel;
  Invalidate();
}

void TPanel::SetBevelWidth(int width) {
  bevelWidth_ = std::max(width, 1);
  Invalidate();
}

void TPanel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

void TPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  for (TBevelCut bevel : {bevelOuter_, bevelInner_}) {
    if (bevel != bvRaised && bevel != bvLowered) continue;
    for (int i = 0; i < bevelWidth_; ++i)
      DrawEdge(c, &r, bevel == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  }
  c->Brush()->SetStyle(bsClear);
  c->SetFont(*Font());
  const unsigned align = alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT;
  c->DrawText(Caption(), r, align | DT_VCENTER | DT_SINGLELINE);
}

// ---- TImage ----

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  picture_->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}

void TImage::SetCenter(bool on) {
  center_ = on;
  Invalidate();
}

void TImage::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void TImage::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Parent() ? Parent()->Color() : Color());
  c->FillRect(ClientRect());
  const TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) return;
  if (stretch_) {
    c->StretchDraw(ClientRect(), g);
  } else if (center_) {
    c->Draw((Width() - g->Width()) / 2, (Height() - g->Height()) / 2, g);
  } else {
    c->Draw(0, 0, g);
  }
}

// ---- TCGauge ----

TCGauge::TCGauge(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 100, 100); }

void TCGauge::SetMinValue(int v) {
  min_ = v;
  max_ = std::max(max_, v);
  SetProgress(progress_);
  Invalidate();
}

void TCGauge::SetMaxValue(int v) {
  max_ = v;
  min_ = std::min(min_, v);
  SetProgress(progress_);
  Invalidate();
}

void TCGauge::SetProgress(int v) {
  v = std::clamp(v, min_, max_);
  if (v == progress_) return;
  progress_ = v;
  Invalidate();
}

int TCGauge::PercentDone() const {
  if (max_ == min_) return 0;
  return static_cast<int>(static_cast<long long>(progress_ - min_) * 100 / (max_ - min_));
}

void TCGauge::SetForeColor(TColor c) {
  foreColor_ = c;
  Invalidate();
}

void TCGauge::SetBackColor(TColor c) {
  backColor_ = c;
  Invalidate();
}

void TCGauge::SetKind(TGaugeKind kind) {
  kind_ = kind;
  Invalidate();
}

void TCGauge::SetShowText(bool on) {
  showText_ = on;
  Invalidate();
}

void TCGauge::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(clBlack);
  c->FrameRect(r);
  InflateRect(r, -1, -1);
  c->Brush()->SetColor(backColor_);
  c->FillRect(r);
  const int percent = PercentDone();
  c->Brush()->SetColor(foreColor_);
  c->Pen()->SetColor(foreColor_);
  switch (kind_) {
    case gkHorizontalBar:
      c->FillRect({r.Left, r.Top, r.Left + r.Width() * percent / 100, r.Bottom});
      break;
    case gkVerticalBar:
      c->FillRect({r.Left, r.Bottom - r.Height() * percent / 100, r.Right, r.Bottom});
      break;
    case gkPie:
      if (percent >= 100) {
        c->Ellipse(r);
      } else if (percent > 0) {
        const double angle = 2 * 3.14159265358979 * percent / 100.0;
        const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
        c->Pie(r.Left, r.Top, r.Right, r.Bottom, cx + static_cast<int>(100 * std::sin(angle)),
               cy - static_cast<int>(100 * std::cos(angle)), cx, r.Top);
      }
      break;
    default: break;
  }
  if (!showText_) return;
  c->Brush()->SetStyle(bsClear);
  c->SetFont(*Font());
  c->DrawText(IntToStr(percent) + "%", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ---- TStatusBar ----

TStatusBar::TStatusBar(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

TStatusPanel& TStatusBar::AddPanel() {
  panels_.emplace_back();
  Invalidate();
  return panels_.back();
}

void TStatusBar::SetPanelText(int index, const AnsiString& text) {
  panels_.at(index).Text = text;
  Invalidate();
}

void TStatusBar::SetSimplePanel(bool on) {
  simplePanel_ = on;
  Invalidate();
}

void TStatusBar::SetSimpleText(const AnsiString& text) {
  simpleText_ = text;
  Invalidate();
}

void TStatusBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->SetFont(*Font());
  auto panel = [&](TRect r, const AnsiString& text, TAlignment alignment) {
    DrawEdge(c, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    InflateRect(r, -2, 0);
    c->Brush()->SetStyle(bsClear);
    const unsigned align = alignment == taCenter ? DT_CENTER : alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    c->DrawText(text, r, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    c->Brush()->SetColor(Color());
  };
  if (simplePanel_) {
    panel({0, 2, Width(), Height()}, simpleText_, taLeftJustify);
    return;
  }
  int x = 0;
  for (size_t i = 0; i < panels_.size(); ++i) {
    const int right = i + 1 == panels_.size() ? Width() : x + panels_[i].Width;
    panel({x, 2, right, Height()}, panels_[i].Text, panels_[i].Alignment);
    x = right + 2;
  }
}

// ---- TPageControl, TTabSheet ----

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) { AttachWidget(new QWidget()); }

// Leaves the page control while still whole: taking a page off reads and
// writes the sheet as a tab sheet, which it no longer is once the base class
// destructors run.
TTabSheet::~TTabSheet() {
  if (pageControl_) pageControl_->RemoveControl(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }

void TTabSheet::SetText(const AnsiString& text) {
  TWinControl::SetText(text);
  if (pageControl_) pageControl_->UpdateTab(this);
}

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetTabVisible(bool on) {
  tabVisible_ = on;
  if (pageControl_) pageControl_->UpdateTab(this);
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  auto* tabs = new QTabWidget();
  AttachWidget(tabs);
  SetBounds(0, 0, 289, 193);
  QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [this](int) {
    if (programmatic_ == 0 && OnChange) Application->Guard(this, [this] { OnChange(this); });
  });
}

TPageControl::~TPageControl() {
  // The sheets go first, while the tab widget still holds their pages.
  while (!pages_.empty()) delete pages_.back();
}

QTabWidget* TPageControl::TabWidget() const { return static_cast<QTabWidget*>(Widget()); }

void TPageControl::PlaceChildWidget(TControl* child) {
  auto* sheet = dynamic_cast<TTabSheet*>(child);
  if (!sheet) {
    TWinControl::PlaceChildWidget(child);
    return;
  }
  ++programmatic_;
  pages_.push_back(sheet);
  sheet->pageControl_ = this;
  TabWidget()->addTab(sheet->Widget(), QString::fromStdString(sheet->Caption()));
  UpdateTab(sheet);
  --programmatic_;
}

void TPageControl::ChildRemoved(TControl* child) {
  auto it = std::find(pages_.begin(), pages_.end(), child);
  if (it == pages_.end()) return;
  ++programmatic_;
  TabWidget()->removeTab(static_cast<int>(it - pages_.begin()));
  (*it)->pageControl_ = nullptr;
  pages_.erase(it);
  --programmatic_;
}

void TPageControl::UpdateTab(TTabSheet* page) {
  const int index = page->PageIndex();
  if (index < 0) return;
  QString caption = QString::fromStdString(page->Caption());
  TabWidget()->setTabText(index, caption);
  TabWidget()->setTabVisible(index, page->TabVisible());
}

TTabSheet* TPageControl::ActivePage() const {
  const int index = TabWidget()->currentIndex();
  return index >= 0 && index < PageCount() ? pages_[index] : nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->PageControl() == this) SetActivePageIndex(page->PageIndex());
}

int TPageControl::ActivePageIndex() const { return TabWidget()->currentIndex(); }

void TPageControl::SetActivePageIndex(int index) {
  ++programmatic_;
  TabWidget()->setCurrentIndex(index);
  --programmatic_;
}

// ---- TTimer ----

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  if (QCoreApplication::instance()) {
    timer_ = new QTimer();
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
      if (OnTimer && enabled_) Application->Guard(this, [this] { OnTimer(this); });
    });
  }
  Restart();
}

TTimer::~TTimer() { delete timer_.data(); }

void TTimer::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  Restart();
}

void TTimer::SetInterval(unsigned ms) {
  if (interval_ == ms) return;
  interval_ = ms;
  Restart();
}

void TTimer::Restart() {
  if (!timer_) return;
  timer_->stop();
  if (!enabled_ || interval_ == 0) return;
  const auto real = platform::ToRealDuration(std::chrono::milliseconds(interval_));
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(real).count();
  timer_->start(static_cast<int>(std::clamp<long long>(ms, 1, 0x7FFFFFFF)));
}
