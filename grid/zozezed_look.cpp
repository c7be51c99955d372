// The extended spin editor's look: the attached label, the flat and
// transparent looks, focus colours and the focus border.
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QWidget>

#include "framework/messaging.h"
#include "grid/zozezed.h"

namespace {

// Drawn over the line edit (its own painting is Qt's): the flat look's
// underline and the focus border. Mouse input passes through it.
class TEditDecorations : public QWidget {
 public:
  TEditDecorations(QWidget* parent, std::function<void(QPainter&)> paint)
      : QWidget(parent), paint_(std::move(paint)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    paint_(painter);
  }

 private:
  std::function<void(QPainter&)> paint_;
};

}  // namespace

void TZozEzedEdit::CreateDecorations() {
  decorations_ = new TEditDecorations(LineEdit(), [this](QPainter& painter) { PaintDecorations(painter); });
  UpdateDecorations();
}

void TZozEzedEdit::UpdateDecorations() {
  if (!decorations_) return;
  decorations_->setGeometry(0, 0, Width(), Height());
  decorations_->raise();
  decorations_->show();
  decorations_->update();
}

void TZozEzedEdit::PaintDecorations(QPainter& painter) {
  if (flat_ && Button()) {
    painter.setPen(ToQColor(flatLineColor_));
    const int right = ClientWidth() - Button()->Width() - 4;
    painter.drawLine(2, Height() - 1, right - 1, Height() - 1);
  }
  if (focusBorderColor_ != clNone && Focused()) {
    painter.setPen(ToQColor(focusBorderColor_));
    painter.drawRect(0, 0, Width() - 1, Height() - 1);
  }
}

// ---- Label ----

AnsiString TZozEzedEdit::LabelCaption() const { return label_ ? label_->Caption() : AnsiString(); }

void TZozEzedEdit::SetLabelCaption(const AnsiString& caption) {
  if (!label_) {
    label_ = new TLabel(this);
    label_->FreeNotification(this);
    label_->SetParent(Parent());
    label_->SetFont(*Font());
    labelFont_.Assign(*Font());
  }
  label_->SetCaption(caption);
  PlaceLabel();
}

void TZozEzedEdit::Notification(TComponent* component, TOperation operation) {
  TZurSpinEdit::Notification(component, operation);
  if (operation == opRemove && component == label_) label_ = nullptr;
}

void TZozEzedEdit::SetLabelPosition(TLabelPosition position) {
  labelPosition_ = position;
  PlaceLabel();
}

void TZozEzedEdit::SetLabelMargin(int margin) {
  labelMargin_ = margin;
  PlaceLabel();
}

void TZozEzedEdit::SetLabelTransparent(bool on) {
  labelTransparent_ = on;
  PlaceLabel();
}

void TZozEzedEdit::SetLabelAlwaysEnabled(bool on) {
  labelAlwaysEnabled_ = on;
  if (label_ && on) label_->SetEnabled(true);
  Invalidate();
}

void TZozEzedEdit::PlaceLabel() {
  if (!label_) return;
  label_->SetTransparent(labelTransparent_);
  label_->SetFont(labelFont_);
  const int L = Left(), T = Top(), W = Width(), H = Height();
  const int w = label_->Width(), h = label_->Height();
  const int tw = QFontMetrics(labelFont_.ToQFont()).horizontalAdvance(QString::fromStdString(label_->Caption()));
  const int m = labelMargin_;
  // Centred placement halves the difference with its sign: a label larger
  // than the editor sticks out equally on both sides.
  const int middleTop = T + (H - h) / 2;
  int top = T, left = L - tw - m;
  switch (labelPosition_) {
    case lpLeftTop: break;
    case lpLeftCenter: top = middleTop; break;
    case lpLeftBottom: top = T + H - h; break;
    case lpTopLeft: top = T - h - m, left = L; break;
    case lpBottomLeft: top = T + H + m, left = L; break;
    case lpLeftTopLeft: left = L - m; break;
    case lpLeftCenterLeft: top = middleTop, left = L - m; break;
    case lpLeftBottomLeft: top = T + H - h, left = L - m; break;
    case lpTopCenter: top = T - h - m, left = L + (W - w) / 2; break;
    case lpBottomCenter: top = T + H + m, left = L + (W - w) / 2; break;
  }
  label_->SetBounds(left, top, w, h);
}

// ---- Bounds, visibility, state ----

void TZozEzedEdit::SetBounds(int left, int top, int width, int height) {
  TZurSpinEdit::SetBounds(left, top, width, height);
  PlaceLabel();
  UpdateDecorations();
}

void TZozEzedEdit::SetVisible(bool visible) {
  TZurSpinEdit::SetVisible(visible);
  if (label_) label_->SetVisible(visible);
}

void TZozEzedEdit::SetEnabled(bool enabled) {
  const bool changed = enabled != Enabled();
  TZurSpinEdit::SetEnabled(enabled);
  if ((ComponentState() & (csLoading | csDesigning)) != 0) return;
  if (changed && label_ && !labelAlwaysEnabled_) label_->SetEnabled(enabled);
}

void TZozEzedEdit::SetParent(TWinControl* parent) {
  TZurSpinEdit::SetParent(parent);
  if (label_) {
    label_->SetParent(parent);
    PlaceLabel();
  }
}

// ---- Colours and looks ----

void TZozEzedEdit::SetColor(TColor color) {
  // What the user or the program sets is the colour to come back to.
  if (!applyingFocusColor_) normalColor_ = color;
  TZurSpinEdit::SetColor(color);
}

void TZozEzedEdit::ApplyColor(TColor color) {
  applyingFocusColor_ = true;
  SetColor(color);
  applyingFocusColor_ = false;
}

void TZozEzedEdit::ColorChanged() {
  TZurSpinEdit::ColorChanged();
  ApplyTransparency();
}

void TZozEzedEdit::SetFlat(bool on) {
  if (Loading()) {
    flat_ = on;
    return;
  }
  if (on == flat_) return;
  flat_ = on;
  if (on) {
    normalColor_ = Color();
    SetBorderStyle(bsNone);
  } else {
    if (normalColor_ != clNone) ApplyColor(normalColor_);
    SetBorderStyle(bsSingle);
  }
  SetTextRect();
  UpdateDecorations();
}

void TZozEzedEdit::SetFlatLineColor(TColor color) {
  flatLineColor_ = color;
  UpdateDecorations();
}

void TZozEzedEdit::SetFocusBorderColor(TColor color) {
  focusBorderColor_ = color;
  UpdateDecorations();
}

void TZozEzedEdit::SetTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  ApplyTransparency();
}

// The parent's background shows through the line edit: its base is not
// filled.
void TZozEzedEdit::ApplyTransparency() {
  QLineEdit* edit = LineEdit();
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, transparent_ ? QColor(Qt::transparent) : ToQColor(Color()));
  edit->setPalette(palette);
  edit->update();
}

void TZozEzedEdit::SetTextRect() {
  if (!Button()) return;
  const int arrows = Button()->Width();
  if (flat_) {
    LineEdit()->setTextMargins(2, 4, arrows + 4, 4);
    return;
  }
  const int m = BorderStyle() == bsNone ? 2 : 0;
  LineEdit()->setTextMargins(m, m, arrows + 2 + m, 0);
}

void TZozEzedEdit::FontChanged() {
  if (ComponentState() & (csLoading | csDesigning)) labelFont_.Assign(*Font());
  TZurSpinEdit::FontChanged();
}

// ---- Messages ----

void TZozEzedEdit::WndProc(TMessage& message) {
  if (HandleEditorKeyMessage(message)) return;
  switch (message.Msg) {
    case WM_KEYDOWN: {
      const bool ctrlEnter = message.WParam == VK_RETURN && GetKeyState(VK_CONTROL) < 0;
      HandleCommonMessage(message);
      if (ctrlEnter) PostMessage(this, WM_KEYDOWN, VK_UP, 0);
      return;
    }
    case WM_CHAR: HandleChar(message); return;
    case WM_SETFOCUS:
      HandleCommonMessage(message);
      if (focusColor_ != clNone) ApplyColor(focusColor_);
      UpdateDecorations();
      return;
    case WM_KILLFOCUS:
      HandleCommonMessage(message);
      if (focusColor_ != clNone && normalColor_ != clNone) ApplyColor(normalColor_);
      UpdateDecorations();
      return;
    case CM_MOUSEENTER:
      HandleCommonMessage(message);
      if (autoFocus_ && CanFocus() && !Focused()) SetFocus();
      return;
    case WM_SIZE:
      HandleCommonMessage(message);
      UpdateDecorations();
      return;
    default: HandleCommonMessage(message); return;
  }
}
