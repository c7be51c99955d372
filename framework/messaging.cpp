#include "framework/messaging.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <string>

#include "framework/application.h"
#include "framework/thread.h"
#include "platform/clock.h"

namespace {

QString TimerName(unsigned id) { return QStringLiteral("control-timer-%1").arg(id); }

QTimer* FindTimer(TControl* control, unsigned id) {
  if (!control || !control->Widget()) return nullptr;
  return control->Widget()->findChild<QTimer*>(TimerName(id), Qt::FindDirectChildrenOnly);
}

int RealMilliseconds(unsigned processMs) {
  const auto real = platform::ToRealDuration(std::chrono::milliseconds(processMs));
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(real).count();
  return static_cast<int>(std::clamp<long long>(ms, 1, 0x7FFFFFFF));
}

struct InputState {
  Qt::KeyboardModifiers modifiers;
  Qt::MouseButtons buttons;
  TControl* capture = nullptr;
  QPointer<QWidget> captureWidget;
};

InputState& Input() {
  static InputState state;  // window thread only
  return state;
}

// The scan codes of the numeric keypad's keys (with Num Lock on).
unsigned KeypadScanCode(int qtKey) {
  switch (qtKey) {
    case Qt::Key_7: case Qt::Key_Home: return 0x47;
    case Qt::Key_8: case Qt::Key_Up: return 0x48;
    case Qt::Key_9: case Qt::Key_PageUp: return 0x49;
    case Qt::Key_Minus: return 0x4A;
    case Qt::Key_4: case Qt::Key_Left: return 0x4B;
    case Qt::Key_5: case Qt::Key_Clear: return 0x4C;
    case Qt::Key_6: case Qt::Key_Right: return 0x4D;
    case Qt::Key_Plus: return 0x4E;
    case Qt::Key_1: case Qt::Key_End: return 0x4F;
    case Qt::Key_2: case Qt::Key_Down: return 0x50;
    case Qt::Key_3: case Qt::Key_PageDown: return 0x51;
    case Qt::Key_0: case Qt::Key_Insert: return 0x52;
    case Qt::Key_Period: case Qt::Key_Comma: case Qt::Key_Delete: return 0x53;
    case Qt::Key_Asterisk: return 0x37;
    case Qt::Key_Slash: return 0x35;
    case Qt::Key_Enter: return 0x1C;
    default: return 0;
  }
}

Qt::KeyboardModifier ModifierOfKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Shift: return Qt::ShiftModifier;
    case Qt::Key_Control: return Qt::ControlModifier;
    case Qt::Key_Alt: return Qt::AltModifier;
    default: return Qt::NoModifier;
  }
}

}  // namespace

unsigned SetTimer(TControl* control, unsigned id, unsigned ms) {
  if (!control || !control->Widget()) return 0;
  QTimer* timer = FindTimer(control, id);
  if (!timer) {
    // A child of the widget: it goes with the control's window.
    timer = new QTimer(control->Widget());
    timer->setObjectName(TimerName(id));
    QObject::connect(timer, &QTimer::timeout, timer, [control, id] {
      Application->Guard(control, [&] { control->Perform(WM_TIMER, id, 0); });
    });
  }
  timer->start(RealMilliseconds(ms));
  return id;
}

bool KillTimer(TControl* control, unsigned id) {
  QTimer* timer = FindTimer(control, id);
  if (!timer) return false;
  timer->stop();
  delete timer;
  return true;
}

void NotifyParent(TControl* control, unsigned code) {
  if (TWinControl* parent = control->Parent())
    parent->Perform(WM_COMMAND, static_cast<WPARAM>(code & 0xFFFF) << 16, reinterpret_cast<LPARAM>(control));
}

void PostMessage(TControl* control, unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (!control) return;
  QPointer<QWidget> alive(control->Widget());
  QueueOnWindowThread([alive, control, msg, wParam, lParam] {
    if (alive) Application->Guard(control, [&] { control->Perform(msg, wParam, lParam); });
  });
}

void NoteInputEvent(const QEvent* event) {
  InputState& in = Input();
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto* e = static_cast<const QKeyEvent*>(event);
      in.modifiers = e->modifiers();
      // Whether a modifier's own event carries it differs between window
      // systems: its press and release decide.
      if (const Qt::KeyboardModifier own = ModifierOfKey(e->key()))
        in.modifiers.setFlag(own, event->type() == QEvent::KeyPress);
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      const auto* e = static_cast<const QMouseEvent*>(event);
      in.modifiers = e->modifiers();
      in.buttons = e->buttons();
      break;
    }
    default: break;
  }
}

short GetKeyState(int virtualKey) {
  const InputState& in = Input();
  bool down = false;
  switch (virtualKey) {
    case VK_SHIFT: down = in.modifiers & Qt::ShiftModifier; break;
    case VK_CONTROL: down = in.modifiers & Qt::ControlModifier; break;
    case VK_MENU: down = in.modifiers & Qt::AltModifier; break;
    case VK_LBUTTON: down = in.buttons & Qt::LeftButton; break;
    case VK_RBUTTON: down = in.buttons & Qt::RightButton; break;
    case VK_MBUTTON: down = in.buttons & Qt::MiddleButton; break;
    default: break;
  }
  return down ? static_cast<short>(0x8000) : 0;
}

TShiftState KeyboardShiftState() {
  struct Bit { int vk; TShiftStateFlag flag; };
  static constexpr Bit bits[] = {{VK_SHIFT, ssShift}, {VK_CONTROL, ssCtrl}, {VK_MENU, ssAlt},
                                 {VK_LBUTTON, ssLeft}, {VK_RBUTTON, ssRight}, {VK_MBUTTON, ssMiddle}};
  TShiftState shift = 0;
  for (const Bit& b : bits)
    if (GetKeyState(b.vk) < 0) shift |= b.flag;
  return shift;
}

TPoint GetCursorPos() {
  const QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void SetCursorPos(TPoint screen) { QCursor::setPos(screen.X, screen.Y); }

TControl* GetCapture() {
  InputState& in = Input();
  if (!in.captureWidget) in.capture = nullptr;
  return in.capture;
}

namespace {

// Hands the mouse capture to next (or to nobody) and tells the control that
// held it.
void ChangeCapture(TControl* next) {
  TControl* previous = GetCapture();
  InputState& in = Input();
  if (in.captureWidget && QWidget::mouseGrabber() == in.captureWidget) in.captureWidget->releaseMouse();
  in.capture = next;
  in.captureWidget = next ? next->Widget() : nullptr;
  // Qt grabs only for a shown widget; a hidden one gets no input anyway.
  if (in.captureWidget && in.captureWidget->isVisible()) in.captureWidget->grabMouse();
  if (previous && previous != next) previous->Perform(WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(next));
}

}  // namespace

TControl* SetCapture(TControl* control) {
  TControl* previous = GetCapture();
  if (previous != control) ChangeCapture(control && control->Widget() ? control : nullptr);
  return previous;
}

void ReleaseCapture() { ChangeCapture(nullptr); }

void CancelCaptureOf(TControl* control) {
  if (!control || GetCapture() != control) return;
  ReleaseCapture();
  control->Perform(WM_CANCELMODE);
}

LPARAM KeyDataOf(const QKeyEvent& event) {
  LPARAM data = 1;
  if (event.modifiers() & Qt::KeypadModifier) {
    const unsigned scan = KeypadScanCode(event.key());
    data |= static_cast<LPARAM>(scan) << 16;
    if (scan == 0x35 || scan == 0x1C) data |= KF_EXTENDED;  // keypad / and Enter
  }
  if (event.isAutoRepeat()) data |= 1 << 30;
  if (event.type() == QEvent::KeyRelease) data |= KF_RELEASED;
  return data;
}
