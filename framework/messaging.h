#pragma once
// Message plumbing beyond what a control's own events give: control timers
// with chosen identifiers, posted messages, the key-state table and the
// cursor position, and the mouse capture.
#include "framework/controls.h"

// ---- Control timers ----
// Starts (or restarts, when the identifier is already running) a timer that
// sends WM_TIMER with WParam = id to the control every ms milliseconds of
// process time. Returns id, or 0 when the control has no window.
unsigned SetTimer(TControl* control, unsigned id, unsigned ms);
// Stops the control's timer; false when no such timer runs.
bool KillTimer(TControl* control, unsigned id);

// ---- Posted messages ----
// Queues the message for the control's window thread; it goes through
// WindowProc there, or is dropped when the control is gone by then.
// May be called from any thread.
void PostMessage(TControl* control, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Sends WM_COMMAND with the notification code (EN_CHANGE, CBN_SELCHANGE, ...)
// to the control's parent, as the window system notifies a parent of its
// child controls' changes.
void NotifyParent(TControl* control, unsigned code);

// ---- Key state and cursor ----
// The state of a key or mouse button as of the last input event the
// program's controls received: the high bit (the value is negative) while
// it is down. Knows VK_SHIFT, VK_CONTROL, VK_MENU (Alt), VK_LBUTTON,
// VK_RBUTTON and VK_MBUTTON; any other key reads as up.
short GetKeyState(int virtualKey);
// The shift state of the table (keys and mouse buttons).
TShiftState KeyboardShiftState();
// The mouse cursor in screen coordinates.
TPoint GetCursorPos();
void SetCursorPos(TPoint screen);

// ---- Mouse capture ----
// Gives the control all mouse input until ReleaseCapture; returns the
// control that held it before (or null).
TControl* SetCapture(TControl* control);
void ReleaseCapture();
// The control holding the capture, or null (also after it was freed).
TControl* GetCapture();

// ---- Key data of key and character messages ----
// Bits 0-15 hold the repeat count (1), bits 16-23 the scan code (the
// numeric keypad's keys have their own, with bit 22 set: the keypad's
// decimal key is 0x53), bit 24 marks an extended key, bit 30 the key being
// down before and bit 31 a release.
inline constexpr LPARAM KF_KEYPAD_SCAN = 0x40 << 16;
inline constexpr LPARAM KF_EXTENDED = 1 << 24;
inline constexpr LPARAM KF_RELEASED = static_cast<LPARAM>(0xC0000000u);

// ---- For the controls' event bridge ----
class QEvent;
class QKeyEvent;
// Takes the keys, buttons and modifiers of a Qt input event into the
// key-state table.
void NoteInputEvent(const QEvent* event);
// The key data (LParam) of a key or character message for the event.
LPARAM KeyDataOf(const QKeyEvent& event);
// Sends WM_CANCELMODE to the control holding the capture and releases it
// (its window lost the activation: a modal box, another program).
void CancelCaptureOf(TControl* control);
