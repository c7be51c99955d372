#include "framework/controls.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

#include "framework/application.h"
#include "framework/codec.h"
#include "framework/forms.h"
#include "framework/hints.h"
#include "framework/menus.h"
#include "framework/messaging.h"
#include "framework/resources.h"
#include "framework/thread.h"

namespace {

// Feeds the Qt events of a control's widgets into the control.
class EventBridge : public QObject {
 public:
  EventBridge(TControl* control, QObject* parent) : QObject(parent), control_(control) {}
  bool eventFilter(QObject* source, QEvent* event) override {
    bool filtered = false;
    Application->Guard(control_, [&] { filtered = control_->HandleQtEvent(source, event); });
    return filtered;
  }

 private:
  TControl* control_;
};

// The widget of an owner-drawn control: shows the backing image.
class BackedWidget : public QWidget {
 public:
  explicit BackedWidget(TCustomControl* control) : control_(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    Application->Guard(control_, [&] { control_->PaintIfNeeded(); });
    QPainter painter(this);
    painter.drawImage(0, 0, control_->BackingImage());
  }

 private:
  TCustomControl* control_;
};

unsigned short VirtualKey(const QKeyEvent& e) {
  const int key = e.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<unsigned short>('A' + key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<unsigned short>('0' + key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<unsigned short>(VK_F1 + key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    default: return 0;
  }
}

WPARAM MouseKeys(const QSinglePointEvent& e) {
  WPARAM k = 0;
  if (e.buttons() & Qt::LeftButton) k |= MK_LBUTTON;
  if (e.buttons() & Qt::RightButton) k |= MK_RBUTTON;
  if (e.buttons() & Qt::MiddleButton) k |= MK_MBUTTON;
  if (e.modifiers() & Qt::ShiftModifier) k |= MK_SHIFT;
  if (e.modifiers() & Qt::ControlModifier) k |= MK_CONTROL;
  return k;
}

TShiftState ShiftFromKeys(WPARAM keys) {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  return s;
}

TShiftState CurrentShift() { return KeyboardShiftState() & (ssShift | ssCtrl | ssAlt); }

unsigned MouseMessage(QEvent::Type type, Qt::MouseButton button) {
  const unsigned base = button == Qt::RightButton ? WM_RBUTTONDOWN : button == Qt::MiddleButton ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
  switch (type) {
    case QEvent::MouseButtonPress: return base;
    case QEvent::MouseButtonRelease: return base + 1;
    default: return base + 2;
  }
}

// One key event as text in the Windows code page, or 0 when it has none
// that the code page can hold.
char AnsiCharOf(const QString& text) {
  if (text.isEmpty()) return 0;
  const std::string bytes = Utf8ToWin1252(text.toStdString(), '\0');
  return bytes.size() == 1 ? bytes[0] : 0;
}

// Set while a replacement key event is sent, so it is not translated again.
thread_local int replayDepth = 0;

}  // namespace

bool TControl::DeferToWindowThread(const std::function<void()>& fn) {
  if (IsWindowThread()) return false;
  // Qt widgets belong to the window thread: the change is handed over and
  // dropped when the control is gone by then.
  QPointer<QWidget> alive(widget_.data());
  QueueOnWindowThread([alive, fn] {
    if (alive) fn();
  });
  return true;
}

int QtCursorShape(TCursor cursor) {
  switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crDrag: case crMultiDrag: return Qt::DragMoveCursor;
    case crNoDrop: case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
  }
}

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  font_.OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl() {
  WindowProc = [](TMessage&) {};
  if (parent_) parent_->RemoveControl(this);
  delete widget_.data();
}

void TControl::AttachWidget(QWidget* widget) {
  widget_ = widget;
  widget->hide();
  RouteEventsOf(widget);
  UpdateWidgetFont();
}

void TControl::RouteEventsOf(QWidget* inner) {
  inner->installEventFilter(new EventBridge(this, inner));
  inner->setMouseTracking(true);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
  const TBiDiMode before = BiDiMode();
  if (parent_) parent_->RemoveControl(this);
  if (parent) {
    parent->InsertControl(this);
  } else if (widget_) {
    widget_->hide();
    widget_->setParent(nullptr);
  }
  NotifyBiDiMode(before);
}

// ---- Bidirectional mode ----

TBiDiMode TControl::BiDiMode() const {
  if (parentBiDiMode_ && parent_) return parent_->BiDiMode();
  return biDiMode_;
}

void TControl::SetBiDiMode(TBiDiMode mode) {
  const TBiDiMode before = BiDiMode();
  biDiMode_ = mode;
  parentBiDiMode_ = false;
  NotifyBiDiMode(before);
}

void TControl::SetParentBiDiMode(bool on) {
  const TBiDiMode before = BiDiMode();
  // Leaving the parent keeps the mode it gave.
  if (!on) biDiMode_ = before;
  parentBiDiMode_ = on;
  NotifyBiDiMode(before);
}

void TControl::NotifyBiDiMode(TBiDiMode before) {
  if (BiDiMode() == before) return;
  BiDiModeChanged();
  const auto* container = dynamic_cast<const TWinControl*>(this);
  if (!container) return;
  for (TControl* child : container->controls_)
    if (child->parentBiDiMode_) child->NotifyBiDiMode(before);
}

void TControl::ApplyGeometry() {
  if (!widget_) return;
  if (widget_->isWindow()) {
    // A window's Left and Top are those of its outer frame, as Qt reads
    // them back (x(), y()); setGeometry would place the area inside the
    // frame there, and each round trip would lose the frame's offset.
    widget_->resize(bounds_.Width(), bounds_.Height());
    widget_->move(bounds_.Left, bounds_.Top);
    return;
  }
  widget_->setGeometry(bounds_.Left, bounds_.Top, bounds_.Width(), bounds_.Height());
}

void TControl::TakeWidgetPosition() {
  if (widget_) bounds_ = Bounds(widget_->x(), widget_->y(), Width(), Height());
}

void TControl::SetBounds(int left, int top, int width, int height) {
  const TRect next{left, top, left + std::max(width, 0), top + std::max(height, 0)};
  if (next == bounds_) return;
  const bool resized = next.Width() != bounds_.Width() || next.Height() != bounds_.Height();
  bounds_ = next;
  ApplyGeometry();
  // Qt delivers resize events of hidden widgets only when they are shown;
  // the control reacts now.
  if (resized) Perform(WM_SIZE, 0, MakeLParam(Width(), Height()));
  if (parent_ && align_ != alNone) parent_->Realign();
}

TPoint TControl::ClientToScreen(TPoint p) const {
  const QPoint g = widget_ ? widget_->mapToGlobal(QPoint(p.X, p.Y)) : QPoint(p.X, p.Y);
  return {g.x(), g.y()};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  const QPoint l = widget_ ? widget_->mapFromGlobal(QPoint(p.X, p.Y)) : QPoint(p.X, p.Y);
  return {l.x(), l.y()};
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (widget_ && parent_) widget_->setVisible(visible);
  Perform(CM_VISIBLECHANGED, visible);
  if (parent_ && align_ != alNone) parent_->Realign();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

void TControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (widget_) widget_->setEnabled(enabled);
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const AnsiString& text) {
  if (text_ == text) return;
  text_ = text;
  Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  ColorChanged();
  Perform(CM_COLORCHANGED);
}

void TControl::ColorChanged() {}

void TControl::UpdateWidgetFont() {
  if (!widget_) return;
  widget_->setFont(font_.ToQFont());
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::WindowText, ToQColor(font_.Color()));
  palette.setColor(QPalette::Text, ToQColor(font_.Color()));
  palette.setColor(QPalette::ButtonText, ToQColor(font_.Color()));
  widget_->setPalette(palette);
}

void TControl::FontChanged() {
  UpdateWidgetFont();
  Perform(CM_FONTCHANGED);
}

void TControl::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  ShowCursorShape(cursor);
  Perform(CM_CURSORCHANGED);
}

// Only a change touches the widget: a wrapped Qt widget keeps the shape it
// chose itself (a line edit's I-beam) while the control's stays crDefault.
void TControl::ShowCursorShape(TCursor cursor) {
  if (cursor == shownCursor_) return;
  shownCursor_ = cursor;
  if (!widget_) return;
  if (cursor == crDefault) widget_->unsetCursor();
  else widget_->setCursor(ToQCursor(cursor));
}

void TControl::SetHint(const AnsiString& hint) { hint_ = hint; }

// Hints show through the hint pipeline (framework/hints.h), not as Qt's
// tool tips.
void TControl::SetShowHint(bool on) { showHint_ = on; }

void TControl::SetPopupMenu(TPopupMenu* menu) {
  popupMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::SetAlign(TAlign align) {
  if (align_ == align) return;
  align_ = align;
  if (parent_) parent_->Realign();
}

void TControl::Invalidate() {
  if (DeferToWindowThread([this] { Invalidate(); })) return;
  if (widget_) widget_->update();
}

void TControl::Repaint() {
  if (DeferToWindowThread([this] { Repaint(); })) return;
  if (widget_) widget_->repaint();
}

void TControl::Update() {
  if (widget_) widget_->update();
}

void TControl::BringToFront() {
  if (widget_) widget_->raise();
}

void TControl::SendToBack() {
  if (widget_) widget_->lower();
}

LRESULT TControl::Perform(unsigned msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0, false};
  WindowProc(m);
  return m.Result;
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::DefaultHandler(TMessage& message) { message.Defaulted = true; }

void TControl::WndProc(TMessage& m) {
  const int x = LoWord(m.LParam), y = HiWord(m.LParam);
  const TShiftState shift = ShiftFromKeys(m.WParam);
  switch (m.Msg) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: {
      const TMouseButton button = m.Msg == WM_LBUTTONDOWN ? mbLeft : m.Msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
      if (button == mbLeft) mousePressedInside_ = true;
      MouseDown(button, shift, x, y);
      break;
    }
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: {
      const TMouseButton button = m.Msg == WM_LBUTTONUP ? mbLeft : m.Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
      MouseUp(button, shift, x, y);
      if (button == mbLeft) {
        const bool click = mousePressedInside_ && ClientRect().Contains({x, y});
        mousePressedInside_ = false;
        if (click && ClicksOnMouseUp()) Click();
      }
      break;
    }
    case WM_LBUTTONDBLCLK:
      DblClick();
      MouseDown(mbLeft, shift | ssDouble, x, y);
      break;
    case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
      MouseDown(m.Msg == WM_RBUTTONDBLCLK ? mbRight : mbMiddle, shift | ssDouble, x, y);
      break;
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    case WM_SIZE: Resize(); break;
    case CM_MOUSEENTER: Application->SetHint(GetLongHint(hint_)); break;
    case CM_MOUSELEAVE: Application->SetHint(""); break;
    default: break;
  }
  DefaultHandler(m);
}

bool TControl::HandleQtEvent(QObject* source, QEvent* event) {
  auto* sourceWidget = qobject_cast<QWidget*>(source);
  if (!widget_ || !sourceWidget) return false;
  NoteInputEvent(event);
  auto local = [&](QPointF p) {
    return sourceWidget == widget_ ? p.toPoint() : sourceWidget->mapTo(widget_, p.toPoint());
  };
  auto send = [&](unsigned msg, WPARAM w, LPARAM l) {
    TMessage m{msg, w, l, 0, false};
    WindowProc(m);
    return m;
  };
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint p = local(e->position());
      return !send(MouseMessage(e->type(), e->button()), MouseKeys(*e), MakeLParam(p.x(), p.y())).Defaulted;
    }
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint p = local(e->position());
      if (send(WM_SETCURSOR, 0, MakeLParam(HTCLIENT, WM_MOUSEMOVE)).Defaulted) ShowCursorShape(cursor_);
      return !send(WM_MOUSEMOVE, MouseKeys(*e), MakeLParam(p.x(), p.y())).Defaulted;
    }
    case QEvent::Wheel: {
      auto* e = static_cast<QWheelEvent*>(event);
      const QPoint g = e->globalPosition().toPoint();
      // A sideways turn has no vertical delta: no message reports it.
      if (e->angleDelta().y() == 0) return false;
      const WPARAM w = (static_cast<WPARAM>(static_cast<std::uint16_t>(e->angleDelta().y())) << 16) | MouseKeys(*e);
      return !send(WM_MOUSEWHEEL, w, MakeLParam(g.x(), g.y())).Defaulted;
    }
    case QEvent::Enter: send(CM_MOUSEENTER, 0, 0); return false;
    case QEvent::Leave:
      CancelHint();
      send(CM_MOUSELEAVE, 0, 0);
      return false;
    case QEvent::ContextMenu:
      if (popupMenu_) {
        const QPoint g = static_cast<QContextMenuEvent*>(event)->globalPos();
        popupMenu_->Popup(g.x(), g.y());
        return true;
      }
      return false;
    case QEvent::Resize:
      // Only changes made outside SetBounds (a user resizing a window, a
      // page of a tab widget) are news here.
      if (sourceWidget == widget_ && (widget_->width() != Width() || widget_->height() != Height())) {
        bounds_.Right = bounds_.Left + widget_->width();
        bounds_.Bottom = bounds_.Top + widget_->height();
        send(WM_SIZE, 0, MakeLParam(Width(), Height()));
      }
      return false;
    case QEvent::Move:
      if (sourceWidget == widget_) TakeWidgetPosition();
      return false;
    case QEvent::ToolTip: {
      if (!showHint_) return false;
      const QPoint p = local(static_cast<QHelpEvent*>(event)->pos());
      ActivateHintOf(this, {p.x(), p.y()});
      return true;
    }
    case QEvent::WindowDeactivate:
      if (sourceWidget == widget_) CancelCaptureOf(this);
      return false;
    default: break;
  }
  auto* win = dynamic_cast<TWinControl*>(this);
  if (!win) return false;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      if (replayDepth > 0) return false;
      auto* e = static_cast<QKeyEvent*>(event);
      const unsigned short vk = VirtualKey(*e);
      const LPARAM keyData = KeyDataOf(*e);
      if (event->type() == QEvent::KeyRelease) return vk && !send(WM_KEYUP, vk, keyData).Defaulted;
      if (vk && !send(WM_KEYDOWN, vk, keyData).Defaulted) return true;
      if (WideCharMessages()) return SendWideChars(source, *e, keyData);
      const char ch = AnsiCharOf(e->text());
      if (!ch) return false;
      const TMessage c = send(WM_CHAR, static_cast<unsigned char>(ch), keyData);
      if (!c.Defaulted) return true;
      if (static_cast<char>(c.WParam) == ch) return false;
      // A handler changed the character: the widget gets the new one.
      const QString replaced = QString::fromStdString(Win1252ToUtf8(std::string(1, static_cast<char>(c.WParam))));
      QKeyEvent replacement(QEvent::KeyPress, 0, e->modifiers(), replaced);
      ++replayDepth;
      QCoreApplication::sendEvent(source, &replacement);
      --replayDepth;
      return true;
    }
    case QEvent::FocusIn: {
      const bool filtered = !send(WM_SETFOCUS, 0, 0).Defaulted;
      send(CM_ENTER, 0, 0);
      return filtered;
    }
    case QEvent::FocusOut: {
      const bool filtered = !send(WM_KILLFOCUS, 0, 0).Defaulted;
      send(CM_EXIT, 0, 0);
      return filtered;
    }
    default: return false;
  }
}

bool TControl::SendWideChars(QObject* source, const QKeyEvent& event, LPARAM keyData) {
  const QString text = event.text();
  QString passed;
  bool changed = false;
  for (const QChar unit : text) {
    TMessage m{WM_CHAR, unit.unicode(), keyData, 0, false};
    WindowProc(m);
    const QChar out(static_cast<char16_t>(m.WParam & 0xFFFF));
    if (m.Defaulted) passed += out;
    changed = changed || !m.Defaulted || out != unit;
  }
  if (!changed) return false;
  if (passed.isEmpty()) return true;
  QKeyEvent replacement(QEvent::KeyPress, 0, event.modifiers(), passed);
  ++replayDepth;
  QCoreApplication::sendEvent(source, &replacement);
  --replayDepth;
  return true;
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    RemoveControl(child);
    child->BeforeDestruction();
    delete child;
  }
}

void TWinControl::DestroyHandle() {
  if (handleDestroyed_) return;
  handleDestroyed_ = true;
  Perform(WM_DESTROY);
  for (TControl* child : std::vector<TControl*>(controls_))
    if (auto* win = dynamic_cast<TWinControl*>(child)) win->DestroyHandle();
}

void TWinControl::InsertControl(TControl* control) {
  if (std::find(controls_.begin(), controls_.end(), control) != controls_.end()) return;
  controls_.push_back(control);
  control->parent_ = this;
  PlaceChildWidget(control);
  if (control->Align() != alNone) Realign();
}

void TWinControl::PlaceChildWidget(TControl* control) {
  if (QWidget* w = control->Widget()) {
    w->setParent(ClientWidget());
    control->ApplyGeometry();
    w->setVisible(control->Visible());
  }
}

void TWinControl::ChildRemoved(TControl*) {}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  control->parent_ = nullptr;
  ChildRemoved(control);
  if (control->Align() != alNone) Realign();
}

bool TWinControl::Focused() const { return Widget() && Widget()->hasFocus(); }

bool TWinControl::CanFocus() const {
  if (!Widget() || Widget()->focusPolicy() == Qt::NoFocus) return false;
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  Widget()->setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetTabStop(bool on) {
  tabStop_ = on;
  if (Widget() && Widget()->focusPolicy() != Qt::NoFocus)
    Widget()->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

void TWinControl::Realign() {
  TRect free = ClientRect();
  auto place = [&](TAlign align) {
    for (TControl* c : controls_) {
      if (c->Align() != align || !c->Visible()) continue;
      TRect r = c->BoundsRect();
      switch (align) {
        case alTop: r = Bounds(free.Left, free.Top, free.Width(), r.Height()); free.Top += r.Height(); break;
        case alBottom: r = Bounds(free.Left, free.Bottom - r.Height(), free.Width(), r.Height()); free.Bottom -= r.Height(); break;
        case alLeft: r = Bounds(free.Left, free.Top, r.Width(), free.Height()); free.Left += r.Width(); break;
        case alRight: r = Bounds(free.Right - r.Width(), free.Top, r.Width(), free.Height()); free.Right -= r.Width(); break;
        default: r = free; break;
      }
      // SetBounds of an aligned child comes back here; placing it directly
      // avoids the loop.
      const TAlign saved = c->align_;
      c->align_ = alNone;
      c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
      c->align_ = saved;
    }
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) place(a);
}

void TWinControl::Resize() {
  Realign();
  TControl::Resize();
}

void TWinControl::KeyDown(unsigned short& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(unsigned short& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

bool TWinControl::WantsDialogKey(unsigned short) const { return false; }

void TWinControl::WndProc(TMessage& m) {
  TForm* form = ParentForm();
  const bool preview = form && form != this && form->KeyPreview();
  switch (m.Msg) {
    case WM_KEYDOWN: case WM_KEYUP: {
      auto key = static_cast<unsigned short>(m.WParam);
      const TShiftState shift = CurrentShift();
      const bool down = m.Msg == WM_KEYDOWN;
      if (preview) form->PreviewKey(down, key, shift);
      if (key) down ? KeyDown(key, shift) : KeyUp(key, shift);
      if (key == 0) return;
      if (down && (key == VK_RETURN || key == VK_ESCAPE) && !WantsDialogKey(key) && form && form->DialogKey(key, this))
        return;
      m.WParam = key;
      break;
    }
    case WM_CHAR: {
      char key = static_cast<char>(m.WParam);
      if (preview) form->PreviewChar(key);
      if (key) KeyPress(key);
      if (key == 0) return;
      // The handlers see one byte; the rest of the word is kept for the
      // controls that hold wider characters there.
      m.WParam = (m.WParam & ~WPARAM{0xFF}) | static_cast<unsigned char>(key);
      break;
    }
    case CM_ENTER: DoEnter(); return;
    case CM_EXIT: DoExit(); return;
    default: break;
  }
  TControl::WndProc(m);
}

// ---- TCustomControl ----

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {
  AttachWidget(new BackedWidget(this));
  canvas_.Attach(&backing_);
  // Drawing outside Paint shows on the next frame.
  canvas_.OnChange = [this](TObject*) {
    if (!painting_ && Widget()) Widget()->update();
  };
}

TCustomControl::~TCustomControl() { canvas_.OnChange = nullptr; }

void TCustomControl::Resize() {
  if (backing_.width() != Width() || backing_.height() != Height()) {
    QImage resized(std::max(Width(), 0), std::max(Height(), 0), QImage::Format_RGB32);
    resized.fill(ToQColor(Color()));
    // A control without area keeps no image.
    if (!backing_.isNull() && !resized.isNull()) {
      QPainter p(&resized);
      p.drawImage(0, 0, backing_);
    }
    backing_ = Width() > 0 && Height() > 0 ? resized : QImage();
    canvas_.Attach(&backing_);
    dirty_ = true;
  }
  TWinControl::Resize();
}

void TCustomControl::PaintNow() {
  if (backing_.isNull() || painting_ || !redraw_) return;
  painting_ = true;
  dirty_ = false;
  try {
    Perform(WM_PAINT);
    // No area lies outside the client here: a control's frame is painted
    // over the edges of what it has just painted.
    Perform(WM_NCPAINT);
  } catch (...) {
    painting_ = false;
    throw;
  }
  painting_ = false;
}

void TCustomControl::PaintIfNeeded() {
  if (dirty_) PaintNow();
}

void TCustomControl::Invalidate() {
  if (DeferToWindowThread([this] { Invalidate(); })) return;
  dirty_ = true;
  if (Widget()) Widget()->update();
}

void TCustomControl::Repaint() {
  if (DeferToWindowThread([this] { Repaint(); })) return;
  PaintNow();
  if (Widget()) Widget()->update();
}

void TCustomControl::Update() { PaintIfNeeded(); }

void TCustomControl::WndProc(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    Paint();
    return;
  }
  if (m.Msg == WM_SETREDRAW) {
    // Turning redrawing on paints nothing by itself: the sender
    // invalidates what it changed.
    redraw_ = m.WParam != 0;
    return;
  }
  TWinControl::WndProc(m);
}

void TCustomControl::Paint() {
  canvas_.Brush()->SetColor(Color());
  canvas_.FillRect(ClientRect());
}

TGraphicControl::TGraphicControl(TComponent* owner) : TCustomControl(owner) {
  Widget()->setFocusPolicy(Qt::NoFocus);
}
