#include "framework/hints.h"

#include <QPointer>
#include <QWidget>

#include "framework/application.h"

namespace {

struct HintState {
  THintWindowFactory factory;
  // Owned by the application; the guard notices when it freed it.
  THintWindow* window = nullptr;
  QPointer<QWidget> guard;

  THintWindow* Window() { return guard ? window : nullptr; }
};

HintState& Hints() {
  static HintState state;  // window thread only
  return state;
}

constexpr int kMarginX = 4;
constexpr int kMarginY = 2;

}  // namespace

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  Widget()->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
  Widget()->setFocusPolicy(Qt::NoFocus);
  SetColor(clInfoBk);
  Font()->SetColor(clInfoText);
}

TRect THintWindow::CalcHintRect(int maxWidth, const AnsiString& hint) {
  TRect r{0, 0, maxWidth, 0};
  Canvas()->SetFont(*Font());
  Canvas()->DrawText(hint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  return {0, 0, r.Right + 2 * kMarginX, r.Bottom + 2 * kMarginY};
}

void THintWindow::ActivateHint(TRect rect, const AnsiString& hint) {
  SetText(hint);
  SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
  Invalidate();
  Widget()->show();
}

void THintWindow::ReleaseHint() { Widget()->hide(); }

bool THintWindow::IsShown() const { return Widget()->isVisible(); }

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Brush()->SetColor(clInfoText);
  c->FrameRect(ClientRect());
  c->SetFont(*Font());
  c->Brush()->SetColor(Color());
  TRect text{kMarginX, kMarginY, Width() - kMarginX, Height() - kMarginY};
  c->DrawText(Text(), text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

void SetHintWindowClass(THintWindowFactory factory) {
  HintState& hints = Hints();
  delete hints.Window();
  hints.window = nullptr;
  hints.factory = std::move(factory);
}

bool ActivateHintOf(TControl* control, TPoint clientPos) {
  CancelHint();
  if (!control || !control->ShowHint()) return false;
  THintInfo info;
  info.HintControl = control;
  info.CursorPos = clientPos;
  info.HintStr = GetShortHint(control->Hint());
  // Below the mouse pointer by default.
  info.HintPos = control->ClientToScreen({clientPos.X, clientPos.Y + 20});
  if (control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0 || info.HintStr.empty()) return false;
  HintState& hints = Hints();
  THintWindow* window = hints.Window();
  if (!window) {
    window = hints.factory ? hints.factory(Application) : new THintWindow(Application);
    hints.window = window;
    hints.guard = window->Widget();
  }
  window->SetColor(info.HintColor);
  const TRect size = window->CalcHintRect(info.HintMaxWidth, info.HintStr);
  window->ActivateHint(Bounds(info.HintPos.X, info.HintPos.Y, size.Width(), size.Height()), info.HintStr);
  return true;
}

void CancelHint() {
  if (THintWindow* w = ShownHintWindow()) w->ReleaseHint();
}

THintWindow* ShownHintWindow() {
  THintWindow* w = Hints().Window();
  return w && w->IsShown() ? w : nullptr;
}
