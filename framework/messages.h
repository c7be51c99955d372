#pragma once
// Window messages: the records that every control's WndProc receives,
// translated from Qt's events, and the message, key and mouse codes.
#include <cstdint>

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct TMessage {
  unsigned Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
  // Set when the message reached the control's default handling, so the
  // native (Qt) behaviour follows; a handler that does not pass a message on
  // leaves it unset and the control does nothing more with it.
  bool Defaulted = false;
};

inline LPARAM MakeLParam(int low, int high) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(high & 0xFFFF) << 16) | (low & 0xFFFF));
}
inline short LoWord(LPARAM v) { return static_cast<short>(v & 0xFFFF); }
inline short HiWord(LPARAM v) { return static_cast<short>((v >> 16) & 0xFFFF); }

// ---- Window messages ----
// Sent to a control and then to its child controls when their windows go
// (TWinControl::DestroyHandle).
inline constexpr unsigned WM_DESTROY = 0x0002;
inline constexpr unsigned WM_MOVE = 0x0003;
inline constexpr unsigned WM_SIZE = 0x0005;
inline constexpr unsigned WM_SETFOCUS = 0x0007;
inline constexpr unsigned WM_KILLFOCUS = 0x0008;
inline constexpr unsigned WM_ENABLE = 0x000A;
inline constexpr unsigned WM_SETREDRAW = 0x000B;
inline constexpr unsigned WM_SETTEXT = 0x000C;
inline constexpr unsigned WM_GETTEXT = 0x000D;
inline constexpr unsigned WM_GETTEXTLENGTH = 0x000E;
inline constexpr unsigned WM_PAINT = 0x000F;
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_ERASEBKGND = 0x0014;
inline constexpr unsigned WM_SHOWWINDOW = 0x0018;
inline constexpr unsigned WM_CANCELMODE = 0x001F;
inline constexpr unsigned WM_SETCURSOR = 0x0020;
// Hit-test code of WM_SETCURSOR (low word of LParam): the client area.
inline constexpr int HTCLIENT = 1;
inline constexpr unsigned WM_WINDOWPOSCHANGING = 0x0046;
inline constexpr unsigned WM_NOTIFY = 0x004E;
inline constexpr unsigned WM_CONTEXTMENU = 0x007B;
inline constexpr unsigned WM_NCHITTEST = 0x0084;
inline constexpr unsigned WM_NCPAINT = 0x0085;
inline constexpr unsigned WM_GETDLGCODE = 0x0087;
inline constexpr unsigned WM_KEYDOWN = 0x0100;
inline constexpr unsigned WM_KEYUP = 0x0101;
inline constexpr unsigned WM_CHAR = 0x0102;
inline constexpr unsigned WM_SYSKEYDOWN = 0x0104;
inline constexpr unsigned WM_SYSKEYUP = 0x0105;
inline constexpr unsigned WM_IME_COMPOSITION = 0x010F;
inline constexpr unsigned WM_COMMAND = 0x0111;
inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_HSCROLL = 0x0114;
inline constexpr unsigned WM_VSCROLL = 0x0115;
inline constexpr unsigned WM_MOUSEMOVE = 0x0200;
inline constexpr unsigned WM_LBUTTONDOWN = 0x0201;
inline constexpr unsigned WM_LBUTTONUP = 0x0202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_RBUTTONDOWN = 0x0204;
inline constexpr unsigned WM_RBUTTONUP = 0x0205;
inline constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;
inline constexpr unsigned WM_MBUTTONDOWN = 0x0207;
inline constexpr unsigned WM_MBUTTONUP = 0x0208;
inline constexpr unsigned WM_MBUTTONDBLCLK = 0x0209;
inline constexpr unsigned WM_MOUSEWHEEL = 0x020A;
// Sent to the control that loses the mouse capture; LParam is the
// TControl* that takes it (0 when none does).
inline constexpr unsigned WM_CAPTURECHANGED = 0x0215;
inline constexpr unsigned WM_CUT = 0x0300;
inline constexpr unsigned WM_COPY = 0x0301;
inline constexpr unsigned WM_PASTE = 0x0302;
inline constexpr unsigned WM_CLEAR = 0x0303;
inline constexpr unsigned WM_THEMECHANGED = 0x031A;
inline constexpr unsigned WM_USER = 0x0400;

// ---- Component messages (control notifications) ----
inline constexpr unsigned CM_BASE = 0xB000;
inline constexpr unsigned CM_ACTIVATE = CM_BASE + 0;
inline constexpr unsigned CM_DEACTIVATE = CM_BASE + 1;
inline constexpr unsigned CM_ENABLEDCHANGED = CM_BASE + 11;
inline constexpr unsigned CM_COLORCHANGED = CM_BASE + 12;
inline constexpr unsigned CM_FONTCHANGED = CM_BASE + 13;
inline constexpr unsigned CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr unsigned CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;
inline constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;
inline constexpr unsigned CM_VISIBLECHANGED = CM_BASE + 22;
inline constexpr unsigned CM_ENTER = CM_BASE + 27;
inline constexpr unsigned CM_EXIT = CM_BASE + 28;
inline constexpr unsigned CM_WANTSPECIALKEY = CM_BASE + 30;
inline constexpr unsigned CM_HINTSHOW = CM_BASE + 48;
inline constexpr unsigned CM_RELEASE = CM_BASE + 33;

// WM_GETDLGCODE answers: what keys a control wants for itself.
inline constexpr unsigned DLGC_WANTARROWS = 0x0001;
inline constexpr unsigned DLGC_WANTTAB = 0x0002;
inline constexpr unsigned DLGC_WANTALLKEYS = 0x0004;
inline constexpr unsigned DLGC_WANTCHARS = 0x0080;

// Notification codes of WM_COMMAND, which a control sends its parent: the
// code in the high word of WParam, the notifying TControl* in LParam (0 for
// a menu command).
inline constexpr unsigned EN_CHANGE = 0x0300;
inline constexpr unsigned CBN_SELCHANGE = 1;
inline constexpr unsigned CBN_EDITCHANGE = 5;
inline constexpr unsigned CBN_CLOSEUP = 8;

// Mouse key flags of WParam.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;

// ---- Virtual key codes (letters and digits are their upper-case ASCII) ----
inline constexpr unsigned short VK_LBUTTON = 0x01;
inline constexpr unsigned short VK_RBUTTON = 0x02;
inline constexpr unsigned short VK_MBUTTON = 0x04;
inline constexpr unsigned short VK_BACK = 0x08;
inline constexpr unsigned short VK_TAB = 0x09;
inline constexpr unsigned short VK_RETURN = 0x0D;
inline constexpr unsigned short VK_SHIFT = 0x10;
inline constexpr unsigned short VK_CONTROL = 0x11;
inline constexpr unsigned short VK_MENU = 0x12;
inline constexpr unsigned short VK_PAUSE = 0x13;
inline constexpr unsigned short VK_CAPITAL = 0x14;
inline constexpr unsigned short VK_ESCAPE = 0x1B;
inline constexpr unsigned short VK_SPACE = 0x20;
inline constexpr unsigned short VK_PRIOR = 0x21;
inline constexpr unsigned short VK_NEXT = 0x22;
inline constexpr unsigned short VK_END = 0x23;
inline constexpr unsigned short VK_HOME = 0x24;
inline constexpr unsigned short VK_LEFT = 0x25;
inline constexpr unsigned short VK_UP = 0x26;
inline constexpr unsigned short VK_RIGHT = 0x27;
inline constexpr unsigned short VK_DOWN = 0x28;
inline constexpr unsigned short VK_INSERT = 0x2D;
inline constexpr unsigned short VK_DELETE = 0x2E;
inline constexpr unsigned short VK_F1 = 0x70;
inline constexpr unsigned short VK_F2 = 0x71;
inline constexpr unsigned short VK_F4 = 0x73;
inline constexpr unsigned short VK_F12 = 0x7B;
inline constexpr unsigned short VK_ADD = 0x6B;
inline constexpr unsigned short VK_SUBTRACT = 0x6D;

// Shift state of key and mouse events.
enum TShiftStateFlag : unsigned {
  ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = unsigned;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
