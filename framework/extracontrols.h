#pragma once
// Further controls of the windows: panels, images, the progress gauge, the
// status bar, page controls and the timer.
#include <QPointer>
#include <memory>
#include <vector>

#include "framework/controls.h"

class QTabWidget;
class QTimer;

class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* owner);
  void SetText(const AnsiString& text) override;
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut bevel);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut bevel);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

 protected:
  void Paint() override;
  void ColorChanged() override { Invalidate(); }

 private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  TAlignment alignment_ = taCenter;
};

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;
  TPicture* Picture() { return picture_.get(); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  bool Center() const { return center_; }
  void SetCenter(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
};

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

// The progress gauge: a bar in ForeColor over BackColor with the percent
// done written across it.
class TCGauge : public TGraphicControl {
 public:
  explicit TCGauge(TComponent* owner);
  int MinValue() const { return min_; }
  void SetMinValue(int v);
  int MaxValue() const { return max_; }
  void SetMaxValue(int v);
  int Progress() const { return progress_; }
  // Clamped to MinValue..MaxValue.
  void SetProgress(int v);
  void AddProgress(int v) { SetProgress(progress_ + v); }
  int PercentDone() const;
  TColor ForeColor() const { return foreColor_; }
  void SetForeColor(TColor c);
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor c);
  TGaugeKind Kind() const { return kind_; }
  void SetKind(TGaugeKind kind);
  bool ShowText() const { return showText_; }
  void SetShowText(bool on);

 protected:
  void Paint() override;

 private:
  int min_ = 0;
  int max_ = 100;
  int progress_ = 0;
  TColor foreColor_ = clBlack;
  TColor backColor_ = clWhite;
  TGaugeKind kind_ = gkHorizontalBar;
  bool showText_ = true;
};

class TStatusPanel {
 public:
  AnsiString Text;
  int Width = 50;
  TAlignment Alignment = taLeftJustify;
};

class TStatusBar : public TCustomControl {
 public:
  explicit TStatusBar(TComponent* owner);
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  TStatusPanel& Panels(int index) { return panels_.at(index); }
  TStatusPanel& AddPanel();
  void SetPanelText(int index, const AnsiString& text);
  // With SimplePanel set the bar shows SimpleText across its width.
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool on);
  const AnsiString& SimpleText() const { return simpleText_; }
  void SetSimpleText(const AnsiString& text);

 protected:
  void Paint() override;

 private:
  std::vector<TStatusPanel> panels_;
  bool simplePanel_ = false;
  AnsiString simpleText_;
};

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return pageControl_; }
  void SetPageControl(TPageControl* pageControl);
  void SetText(const AnsiString& text) override;
  int PageIndex() const;
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool on);

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
};

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int index) const { return pages_.at(index); }
  TTabSheet* ActivePage() const;
  // Code changes of the page do not fire OnChange.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  QTabWidget* TabWidget() const;

  // Fires when the user brings another page to the front.
  TNotifyEvent OnChange;

 protected:
  void PlaceChildWidget(TControl* child) override;
  void ChildRemoved(TControl* child) override;

 private:
  friend class TTabSheet;
  void UpdateTab(TTabSheet* page);
  std::vector<TTabSheet*> pages_;
  int programmatic_ = 0;
};

// Fires OnTimer every Interval milliseconds of process time (see
// platform/clock.h: tests speed it up) while Enabled.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  TNotifyEvent OnTimer;

 private:
  void Restart();
  QPointer<QTimer> timer_;
  bool enabled_ = true;
  unsigned interval_ = 1000;
};
