#include "framework/tooltips.h"

#include <QWidget>
#include <algorithm>

#include "framework/messaging.h"

namespace {

constexpr unsigned kShowTimer = 1;
constexpr unsigned kHideTimer = 2;
// The system's defaults for a delay of -1.
constexpr int kDefaultInitial = 500;
constexpr int kDefaultAutoPop = 5000;
constexpr int kDefaultReshow = 100;
constexpr int kMaxTextWidth = 300;
constexpr int kMargin = 6;
constexpr int kIconSize = 16;
// Below the pointer, clear of the cursor's shape.
constexpr int kPointerGap = 20;

TColor IconColor(int icon) {
  switch (icon) {
    case TTI_INFO: return clBlue;
    case TTI_WARNING: return clYellow;
    case TTI_ERROR: return clRed;
    default: return clNone;
  }
}

}  // namespace

TToolTipWindow::TToolTipWindow(TComponent* owner, unsigned style) : TCustomControl(owner), style_(style) {
  Widget()->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  Widget()->setFocusPolicy(Qt::NoFocus);
  // The window class's name, by which tool-tip windows are found.
  Widget()->setObjectName("Tooltips_Class32");
  SetVisibleFlag(false);
  SetColor(clInfoBk);
  Font()->SetColor(clInfoText);
}

TToolTipWindow::~TToolTipWindow() {
  KillTimer(this, kShowTimer);
  KillTimer(this, kHideTimer);
}

void TToolTipWindow::AddTool(TControl* tool, TToolTipTextQuery query) {
  tool_ = tool;
  query_ = std::move(query);
}

void TToolTipWindow::SetTitle(int icon, const AnsiString& title) {
  icon_ = icon >= TTI_NONE && icon <= TTI_ERROR ? icon : TTI_NONE;
  title_ = title;
}

void TToolTipWindow::SetDelayTime(int which, int ms) {
  if (which >= TTDT_RESHOW && which <= TTDT_INITIAL) delays_[which] = ms;
}

int TToolTipWindow::DelayTime(int which) const {
  switch (which) {
    case TTDT_RESHOW: return delays_[which] < 0 ? kDefaultReshow : delays_[which];
    case TTDT_AUTOPOP: return delays_[which] < 0 ? kDefaultAutoPop : delays_[which];
    case TTDT_INITIAL: return delays_[which] < 0 ? kDefaultInitial : delays_[which];
    default: return 0;
  }
}

void TToolTipWindow::RelayEvent(const TMessage& message) {
  if (!tool_) return;
  switch (message.Msg) {
    case WM_MOUSEMOVE: ToolMouseMoved({LoWord(message.LParam), HiWord(message.LParam)}); break;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_MOUSEWHEEL:
      KillTimer(this, kShowTimer);
      Pop();
      break;
    case CM_MOUSELEAVE: ToolLeft(); break;
    default: break;
  }
}

void TToolTipWindow::ToolMouseMoved(TPoint clientPos) {
  lastPos_ = clientPos;
  if (IsShown()) return;
  Arm(DelayTime(shownBefore_ ? TTDT_RESHOW : TTDT_INITIAL));
}

void TToolTipWindow::ToolLeft() {
  KillTimer(this, kShowTimer);
  Pop();
  shownBefore_ = false;
}

// A timer of 0 ms would still wait for the event loop: the tip shows at once.
void TToolTipWindow::Arm(int delay) {
  if (delay == 0) {
    ShowTip();
    return;
  }
  SetTimer(this, kShowTimer, static_cast<unsigned>(delay));
}

void TToolTipWindow::Pop() {
  KillTimer(this, kHideTimer);
  if (!IsShown()) return;
  Widget()->hide();
  SetVisibleFlag(false);
}

void TToolTipWindow::SetTransparency(int value) {
  Widget()->setWindowOpacity((255 - std::clamp(value, 0, 255)) / 255.0);
}

double TToolTipWindow::Opacity() const { return Widget()->windowOpacity(); }

bool TToolTipWindow::IsShown() const { return Widget()->isVisible(); }

void TToolTipWindow::WndProc(TMessage& message) {
  if (message.Msg == WM_TIMER && (message.WParam == kShowTimer || message.WParam == kHideTimer)) {
    KillTimer(this, static_cast<unsigned>(message.WParam));
    if (message.WParam == kShowTimer) ShowTip();
    else Pop();
    return;
  }
  TCustomControl::WndProc(message);
}

void TToolTipWindow::ShowTip() {
  KillTimer(this, kShowTimer);
  if (!query_) return;
  const std::optional<TToolTipText> tip = query_(lastPos_);
  // The common controls show no tip for an empty text.
  if (!tip || tip->Text.empty()) return;
  text_ = tip->Text;
  shownTitle_ = tip->Title.empty() ? title_ : tip->Title;
  if (tip->TextColor != clNone) Font()->SetColor(tip->TextColor);
  if (tip->BackgroundColor != clNone) SetColor(tip->BackgroundColor);
  if (!tip->Title.empty()) SetTitle(tip->Icon, tip->Title);

  const TRect title = TitleRect();
  TCanvas* c = Canvas();
  c->SetFont(*Font());
  TRect textRect{0, 0, kMaxTextWidth, 0};
  c->DrawText(text_, textRect, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  const int width = std::max(textRect.Width(), title.Width()) + 2 * kMargin;
  const int height = title.Height() + textRect.Height() + 2 * kMargin;
  const TPoint at = tool_->ClientToScreen({lastPos_.X, lastPos_.Y + kPointerGap});
  SetBounds(at.X, at.Y, width, height);
  Invalidate();
  SetVisibleFlag(true);
  Widget()->show();
  shownBefore_ = true;
  SetTimer(this, kHideTimer, static_cast<unsigned>(DelayTime(TTDT_AUTOPOP)));
}

void TToolTipWindow::UseTitleFont() {
  TFont bold;
  bold.Assign(*Font());
  bold.SetStyle(fsBold);
  Canvas()->SetFont(bold);
}

// The title line in bold, after the icon; empty without a title.
TRect TToolTipWindow::TitleRect() {
  if (shownTitle_.empty()) return {0, 0, 0, 0};
  UseTitleFont();
  const int iconRoom = icon_ != TTI_NONE ? kIconSize + kMargin : 0;
  const TRect r{0, 0, iconRoom + Canvas()->TextWidth(shownTitle_),
                std::max(kIconSize, Canvas()->TextHeight("Ag")) + kMargin};
  Canvas()->SetFont(*Font());
  return r;
}

void TToolTipWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Brush()->SetColor(Font()->Color());
  c->FrameRect(ClientRect());
  int x = kMargin;
  const TRect title = TitleRect();
  if (icon_ != TTI_NONE && !shownTitle_.empty()) {
    c->Brush()->SetColor(IconColor(icon_));
    c->Pen()->SetColor(IconColor(icon_));
    c->Ellipse(x, kMargin, x + kIconSize, kMargin + kIconSize);
    x += kIconSize + kMargin;
  }
  c->Brush()->SetStyle(bsClear);
  if (!shownTitle_.empty()) {
    UseTitleFont();
    c->TextOut(x, kMargin, shownTitle_);
  }
  c->SetFont(*Font());
  TRect text{kMargin, kMargin + title.Height(), Width() - kMargin, Height() - kMargin};
  c->DrawText(text_, text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  c->Brush()->SetStyle(bsSolid);
}
