#include "grid/htmlhintwindow.h"

#include "framework/forms.h"
#include "grid/zghtmle.h"

namespace {
// The width the mark-up may take when the hint is shown.
constexpr int kLayoutWidth = 1008;
// The window's size beyond the text's, and the text's inset when painted.
constexpr int kMarginX = 16;
constexpr int kMarginY = 4;
constexpr int kTextInset = 4;
// How far inside the screen's edge a hint that would pass it ends.
constexpr int kScreenGap = 2;
}  // namespace

THTMLHintWindow::THTMLHintWindow(TComponent* owner) : THintWindow(owner) {}

TSize THTMLHintWindow::RenderMarkup(const AnsiString& text, const TRect& r, bool draw) {
  AnsiString anchor, plain, focusAnchor, title, controlID, controlValue, controlType;
  int width = 0, height = 0, links = 0, mouseLink = -1;
  TRect hover, control;
  TCanvas* c = Canvas();
  c->SetFont(*Font());
  HTMLDrawEx(c, text, r, nullptr, -1, -1, -1, 0, 1, false, !draw, false, false, false, false, true, false, 1.0,
             clBlue, clNone, clNone, clGray, anchor, plain, focusAnchor, title, width, height, links, mouseLink, hover,
             control, controlID, controlValue, controlType, nullptr, nullptr, this);
  return {width, height};
}

TRect THTMLHintWindow::CalcHintRect(int maxWidth, const AnsiString& hint) {
  const TSize size = RenderMarkup(hint, {0, 0, maxWidth, kLayoutWidth}, false);
  return {0, 0, size.cx, size.cy};
}

void THTMLHintWindow::ActivateHint(TRect rect, const AnsiString& hint) {
  SetText(hint);
  const TSize size = RenderMarkup(hint, {rect.Left, rect.Top, rect.Left + kLayoutWidth, rect.Top + kLayoutWidth}, false);
  textWidth_ = size.cx;
  textHeight_ = size.cy;
  rect.Right = rect.Left + textWidth_ + kMarginX;
  rect.Bottom = rect.Top + textHeight_ + kMarginY;
  const int screenWidth = Screen->Width(), screenHeight = Screen->Height();
  if (rect.Right > screenWidth && screenWidth - rect.Width() - kScreenGap >= 0) {
    rect.Left = screenWidth - rect.Width() - kScreenGap;
    rect.Right = rect.Left + textWidth_ + kMarginX;
  }
  if (rect.Bottom > screenHeight && screenHeight - kScreenGap - textHeight_ - kMarginY >= 0) {
    rect.Bottom = screenHeight - kScreenGap;
    rect.Top = rect.Bottom - textHeight_ - kMarginY;
  }
  THintWindow::ActivateHint(rect, hint);
}

// A new text only repaints: the size follows at the next ActivateHint.
void THTMLHintWindow::WndProc(TMessage& message) {
  if (message.Msg == CM_TEXTCHANGED) {
    Invalidate();
    return;
  }
  THintWindow::WndProc(message);
}

void THTMLHintWindow::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  // A raised frame on the window's last pixels.
  const int right = r.Right - 1, bottom = r.Bottom - 1;
  c->Pen()->SetColor(cl3DLight);
  c->MoveTo(r.Left, bottom - 1);
  c->LineTo(r.Left, r.Top);
  c->LineTo(right, r.Top);
  c->Pen()->SetColor(cl3DDkShadow);
  c->MoveTo(r.Left, bottom);
  c->LineTo(right, bottom);
  c->LineTo(right, r.Top - 1);
  r.Left += kTextInset;
  r.Right -= kTextInset;
  r.Top += (ClientHeight() - textHeight_) / 2;
  r.Bottom = r.Top + textHeight_ + 2 * kTextInset;
  c->Brush()->SetColor(Color());
  RenderMarkup(Text(), r, true);
}
