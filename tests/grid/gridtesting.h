#pragma once
// Driving a grid's widget with the mouse as the window system would.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include "framework/controls.h"

namespace gridtesting {

inline void SendMouse(TControl* control, QEvent::Type type, Qt::MouseButtons buttons, int x, int y) {
  QWidget* w = control->Widget();
  const QPointF local(x, y);
  QMouseEvent event(type, local, w->mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                    buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

// Presses the left button at (x1, y1), moves to (x2, y2) and releases.
inline void Drag(TControl* control, int x1, int y1, int x2, int y2) {
  SendMouse(control, QEvent::MouseButtonPress, Qt::LeftButton, x1, y1);
  SendMouse(control, QEvent::MouseMove, Qt::LeftButton, (x1 + x2) / 2, (y1 + y2) / 2);
  SendMouse(control, QEvent::MouseMove, Qt::LeftButton, x2, y2);
  SendMouse(control, QEvent::MouseButtonRelease, Qt::NoButton, x2, y2);
}

}  // namespace gridtesting
