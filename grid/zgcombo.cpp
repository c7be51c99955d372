// The flat combo box: its border decisions and drawing.
#include "grid/zgcombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QStyle>
#include <QWidget>

#include "framework/messaging.h"
#include "framework/theme.h"
#include "grid/zguni.h"

namespace {

constexpr unsigned kVersionNr = 0x01020000;  // 1.2.0.0
constexpr int kMinButtonWidth = 14;
constexpr int kMaxButtonWidth = 32;
// The state of a themed drop-down button while a mouse button is held.
constexpr int kComboButtonPressed = 3;

// Shows the border drawn over the combo; lets the mouse through to it.
class BorderOverlay : public QWidget {
 public:
  explicit BorderOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
  }
  void SetImage(QImage image) {
    image_ = std::move(image);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, image_); }

 private:
  QImage image_;
};

int ScrollBarWidth() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

}  // namespace

template <class TComboBase>
TFlatComboOf<TComboBase>::TFlatComboOf(TComponent* owner)
    : TComboBase(owner),
      overlay_(new BorderOverlay(this->ComboBox())),
      savedColor_(this->Color()),
      buttonWidth_(ScrollBarWidth() + 4) {
  DrawBorders();
}

template <class TComboBase>
TFlatComboOf<TComboBase>::~TFlatComboOf() = default;

template <class TComboBase>
void TFlatComboOf<TComboBase>::SetFlat(bool on) {
  if (flat_ == on) return;
  flat_ = on;
  SetCtl3D(!on);
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::SetCtl3D(bool on) {
  ctl3D_ = on;
  this->ComboBox()->setFrame(on);
  DrawBorders();
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::SetEtched(bool on) {
  if (etched_ == on) return;
  etched_ = on;
  DrawBorders();
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::SetFocusBorder(bool on) {
  focusBorder_ = on;
  DrawBorders();
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::SetButtonWidth(int width) {
  if (width < kMinButtonWidth || width > kMaxButtonWidth) return;
  buttonWidth_ = width;
  DrawBorders();
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::SetDropWidth(int width) {
  dropWidth_ = width;
  if (width > 0) this->ComboBox()->view()->setMinimumWidth(width);
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::SetIsWinXP(bool on) {
  isWinXP_ = on;
  DrawBorders();
}

template <class TComboBase>
bool TFlatComboOf<TComboBase>::ActiveOrHovered() const {
  return mouseIn_ || this->Focused();
}

template <class TComboBase>
bool TFlatComboOf<TComboBase>::Is3DBorderControl() const {
  return ActiveOrHovered() && focusBorder_;
}

template <class TComboBase>
bool TFlatComboOf<TComboBase>::Is3DBorderButton() const {
  return ActiveOrHovered();
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::DrawBorders() {
  if (!overlay_) return;
  if (!flat_) {
    overlay_->hide();
    return;
  }
  const TRect window{0, 0, this->Width(), this->Height()};
  QImage image(std::max(window.Width(), 1), std::max(window.Height(), 1), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  TCanvas canvas;
  canvas.Attach(&image);
  const bool button = this->Style() != csSimple;
  if (button) DrawDropButton(canvas, window);
  DrawControlBorder(canvas, window);
  if (button) DrawButtonBorder(canvas, window);
  canvas.Attach(nullptr);
  overlay_->setGeometry(0, 0, window.Width(), window.Height());
  static_cast<BorderOverlay*>(overlay_.data())->SetImage(std::move(image));
  overlay_->show();
  overlay_->raise();
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::DrawControlBorder(TCanvas& canvas, const TRect& window) {
  const bool sunken = Is3DBorderControl();
  const TColor parentColor = this->Parent() ? this->Parent()->Color() : clBtnFace;
  const TColor face = sunken ? clBtnFace : parentColor;
  TRect r = window;
  canvas.Brush()->SetStyle(bsSolid);
  auto frame = [&](TColor color) {
    canvas.Brush()->SetColor(color);
    canvas.FrameRect(r);
  };
  if (sunken) {
    DrawEdge(&canvas, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  } else {
    frame(face);
    InflateRect(r, -1, -1);
  }
  frame(face);
  InflateRect(r, -1, -1);
  frame(this->Color());
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::DrawButtonBorder(TCanvas& canvas, const TRect& window) {
  const unsigned edge = etched_ ? EDGE_ETCHED : EDGE_RAISED;
  TRect r = window;
  if (!InsetButton()) {
    if (isWinXP_) return;
    r.Left += window.Width() - buttonWidth_ - 4;
    InflateRect(r, -2, -2);
    r.Bottom += 2;
    r.Right += 1;
    DrawEdge(&canvas, &r, edge, BF_RECT);
    return;
  }
  r.Left += window.Width() - buttonWidth_ - 2;
  InflateRect(r, -2, -2);
  if (Is3DBorderButton()) {
    DrawEdge(&canvas, &r, edge, BF_RECT | (this->DroppedDown() ? BF_FLAT : 0));
    return;
  }
  InflateRect(r, 0, -1);
  r.Right -= 1;
  canvas.Brush()->SetStyle(bsSolid);
  canvas.Brush()->SetColor(clBtnFace);
  canvas.FillRect(r);
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::DrawDropButton(TCanvas& canvas, const TRect& window) {
  TRect r = window;
  r.Left += window.Width() - buttonWidth_;
  if (isWinXP_) {
    InflateRect(r, -1, -1);
    TThemeService& themes = ThemeService();
    if (const HTHEME theme = themes.OpenThemeData(this, kThemeComboBox)) {
      const bool held = GetKeyState(VK_LBUTTON) < 0 || GetKeyState(VK_RBUTTON) < 0;
      const bool drawn =
          themes.DrawThemeBackground(theme, canvas, CP_DROPDOWNBUTTON, held ? kComboButtonPressed : CBXS_NORMAL, r);
      themes.CloseThemeData(theme);
      if (drawn) return;
    }
    // Without a theme to draw it the classic button stands in.
    InflateRect(r, 1, 1);
  }
  if (InsetButton()) {
    InflateRect(r, -1, -1);
  } else {
    InflateRect(r, 0, -1);
    OffsetRect(r, -2, 1);
  }
  DrawFrameControl(&canvas, &r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_FLAT);
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::EnabledChanging() {
  // A disabled flat combo takes its parent's colour; enabling gives it its
  // own back.
  if (!this->Enabled()) {
    savedColor_ = this->Color();
    if (this->Parent()) this->SetColor(this->Parent()->Color());
  } else {
    this->SetColor(savedColor_);
  }
}

template <class TComboBase>
void TFlatComboOf<TComboBase>::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER: {
      TComboBase::WndProc(m);
      if (!mouseIn_ && this->Enabled()) {
        mouseIn_ = true;
        DrawBorders();
      }
      if (autoFocus_ && this->CanFocus()) this->SetFocus();
      return;
    }
    case CM_MOUSELEAVE:
      TComboBase::WndProc(m);
      if (mouseIn_ && this->Enabled()) {
        mouseIn_ = false;
        DrawBorders();
      }
      return;
    case CM_ENABLEDCHANGED:
      if (flat_) EnabledChanging();
      break;
    case CM_ENTER: case CM_EXIT: case WM_SIZE: case CM_COLORCHANGED:
      TComboBase::WndProc(m);
      DrawBorders();
      return;
    default: break;
  }
  TComboBase::WndProc(m);
}

template class TFlatComboOf<TComboBox>;
template class TFlatComboOf<TCustomUNIComboBox>;

// ---- TZurCustomCombo ----

unsigned TZurCustomCombo::GetVersionNr() const { return kVersionNr; }

AnsiString TZurCustomCombo::Version() const {
  const unsigned nr = GetVersionNr();
  return IntToStr(nr >> 24) + "." + IntToStr((nr >> 16) & 0xFF) + "." + IntToStr((nr >> 8) & 0xFF) + "." +
         IntToStr(nr & 0xFF);
}
