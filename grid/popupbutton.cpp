#include "grid/popupbutton.h"

#include <QWidget>

#include "grid/zghtmle.h"
#include "grid/zgutil.h"

namespace {
constexpr int kGradientSteps = 64;
}  // namespace

TPopupButton::TPopupButton(TComponent* owner) : TCustomControl(owner) {
  Widget()->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  Widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
  Widget()->setFocusPolicy(Qt::NoFocus);
  SetVisibleFlag(false);
  SetEnabled(false);
  SetColor(clBtnFace);
}

void TPopupButton::SetFlat(bool flat) {
  flat_ = flat;
  Invalidate();
}

void TPopupButton::SetGradFrom(TColor color) {
  gradFrom_ = color;
  Invalidate();
}

void TPopupButton::SetGradTo(TColor color) {
  gradTo_ = color;
  Invalidate();
}

void TPopupButton::WndProc(TMessage& message) {
  if (message.Msg == CM_TEXTCHANGED) Invalidate();
  TCustomControl::WndProc(message);
}

void TPopupButton::Paint() {
  TCanvas* c = Canvas();
  // The window's own background first: what no frame or gradient covers.
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  TRect r = ClientRect();
  if (!flat_) Frame3D(c, r, clWhite, clGray, 1);
  if (gradFrom_ != clNone) DrawGradient(c, gradFrom_, gradTo_, kGradientSteps, r, false);
  c->SetFont(*Font());
  c->Brush()->SetStyle(bsClear);
  const AnsiString caption = Caption();
  if (caption.find("</") != AnsiString::npos) {
    AnsiString anchor, plain, focusAnchor, title, controlID, controlValue, controlType;
    int width = 0, height = 0, links = 0, mouseLink = -1;
    TRect hover, control;
    HTMLDrawEx(c, caption, r, images_, -1, -1, -1, 0, 1, false, false, false, false, false, false, true, false, 1.0,
               clBlue, clNone, clNone, clGray, anchor, plain, focusAnchor, title, width, height, links, mouseLink,
               hover, control, controlID, controlValue, controlType, nullptr, nullptr, this);
  } else {
    c->DrawText(caption, r, DT_CENTER | DT_END_ELLIPSIS);
  }
  c->Brush()->SetStyle(bsSolid);
}
