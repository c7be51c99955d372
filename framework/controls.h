#pragma once
// Controls: TControl and TWinControl over a Qt widget each, and
// TCustomControl, the owner-drawn control that paints into a persistent
// backing image through its TCanvas.
//
// Every Qt event of a control's widget is first translated into a TMessage
// and sent through WindowProc (WndProc by default). Only a message that
// reaches DefaultHandler goes on to the widget's own (Qt) handling, so a
// subclass or a replaced WindowProc sees keys, clicks and focus changes
// before the control does anything with them.
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "framework/canvas.h"
#include "framework/component.h"
#include "framework/messages.h"

class QWidget;
class QEvent;
class QKeyEvent;
class QObject;
class TWinControl;
class TPopupMenu;
class TForm;

using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
// Bidirectional modes: right-to-left layout and reading, right-to-left
// reading with left-to-right layout, or right-to-left reading only.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

using TWndMethod = std::function<void(TMessage&)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, unsigned short& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // The Qt widget of the control (never null after construction).
  QWidget* Widget() const { return widget_; }

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return bounds_.Left; }
  int Top() const { return bounds_.Top; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return bounds_; }
  virtual TRect ClientRect() const { return {0, 0, Width(), Height()}; }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(int w) { SetWidth(Width() - ClientWidth() + w); }
  void SetClientHeight(int h) { SetHeight(Height() - ClientHeight() + h); }
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible here and in every parent.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  // Caption and Text are one property, as in the framework.
  AnsiString Caption() const { return GetText(); }
  AnsiString Text() const { return GetText(); }
  void SetCaption(const AnsiString& text) { SetText(text); }
  virtual AnsiString GetText() const { return text_; }
  virtual void SetText(const AnsiString& text);

  TColor Color() const { return color_; }
  virtual void SetColor(TColor color);
  TFont* Font() { return &font_; }
  void SetFont(const TFont& font) { font_.Assign(font); }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  // The shape the pointer shows over the control until the next
  // WM_SETCURSOR, which every mouse move sends first: a handler that takes
  // the message shows a shape of its own here, the default shows Cursor.
  void ShowCursorShape(TCursor cursor);
  TCursor ShownCursor() const { return shownCursor_; }
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  // The bidirectional mode: the parent's while ParentBiDiMode is set (the
  // default), which setting a mode of its own clears.
  TBiDiMode BiDiMode() const;
  void SetBiDiMode(TBiDiMode mode);
  bool ParentBiDiMode() const { return parentBiDiMode_; }
  void SetParentBiDiMode(bool on);
  // Whether the control lays itself out from the right (bdRightToLeft),
  // and whether its text reads from the right (every mode but
  // bdLeftToRight).
  virtual bool UseRightToLeftAlignment() const { return BiDiMode() == bdRightToLeft; }
  virtual bool UseRightToLeftReading() const { return BiDiMode() != bdLeftToRight; }

  // Repaints later (Invalidate), now (Repaint), or what is pending (Update).
  // Invalidate and Repaint may be called from any thread.
  virtual void Invalidate();
  virtual void Repaint();
  virtual void Update();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  // Sends a message through WindowProc and returns its Result.
  LRESULT Perform(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // The message entry point; replace it to subclass a control from outside
  // (keep the old value and call it for what you do not handle).
  TWndMethod WindowProc;

  // The form the control sits on, or null.
  TForm* ParentForm() const;

  // Simulated input: what a click of the user does (events and default
  // handling).
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnResize;

  // Translates one Qt event of the widget (or of one of its inner widgets)
  // into messages; true when the event must not reach Qt's handling.
  virtual bool HandleQtEvent(QObject* source, QEvent* event);

 protected:
  // Subclasses create their Qt widget in the constructor and hand it here.
  void AttachWidget(QWidget* widget);
  // Routes the events of an inner widget (a viewport, an embedded line
  // edit) through this control too.
  void RouteEventsOf(QWidget* inner);

  void Notification(TComponent* component, TOperation operation) override;
  virtual void WndProc(TMessage& message);
  // The end of the message chain: lets the widget's own handling run.
  virtual void DefaultHandler(TMessage& message);
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void Resize();
  virtual void FontChanged();
  virtual void ColorChanged();
  // The mode in force changed (its own or its parent's); repaints.
  virtual void BiDiModeChanged() { Invalidate(); }
  // Whether mouse-up after mouse-down inside the control makes a click
  // (owner-drawn controls and labels); wrapped Qt widgets click by signal.
  virtual bool ClicksOnMouseUp() const { return false; }
  // Whether the control's character messages carry UTF-16 code units (a
  // control that holds Unicode text) rather than Windows-1252 bytes.
  virtual bool WideCharMessages() const { return false; }
  // Off the window thread: queues fn there and returns true (Invalidate,
  // Repaint and a form's caption may be called from worker threads).
  bool DeferToWindowThread(const std::function<void()>& fn);
  // Keeps the Qt widget's geometry in step with the bounds.
  void ApplyGeometry();
  // Takes the position the widget has now (a window moved by the user or
  // placed by the window system) into the bounds.
  void TakeWidgetPosition();
  void SetVisibleFlag(bool visible) { visible_ = visible; }

 private:
  void UpdateWidgetFont();
  // Sends a key's text as one WM_CHAR per UTF-16 code unit; true when the
  // key event must not reach Qt (the characters were taken or replaced).
  bool SendWideChars(QObject* source, const QKeyEvent& event, LPARAM keyData);
  // Runs BiDiModeChanged here and in the children that follow the parent
  // when the mode in force is no longer `before`.
  void NotifyBiDiMode(TBiDiMode before);

  QPointer<QWidget> widget_;
  TWinControl* parent_ = nullptr;
  TRect bounds_{0, 0, 0, 0};
  bool visible_ = true;
  bool enabled_ = true;
  bool mousePressedInside_ = false;
  AnsiString text_;
  TColor color_ = clBtnFace;
  TFont font_;
  TCursor cursor_ = crDefault;
  TCursor shownCursor_ = crDefault;
  AnsiString hint_;
  bool showHint_ = false;
  TPopupMenu* popupMenu_ = nullptr;
  TAlign align_ = alNone;
  TBiDiMode biDiMode_ = bdLeftToRight;
  bool parentBiDiMode_ = true;
  friend class TWinControl;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  // Destroys the child controls first, as the framework does.
  ~TWinControl() override;

  // Where child widgets are placed.
  virtual QWidget* ClientWidget() const { return Widget(); }
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(index); }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  bool Focused() const;
  bool CanFocus() const;
  // EInvalidOperation when the control cannot take the focus.
  virtual void SetFocus();
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on);
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order) { tabOrder_ = order; }

  // Places the children with an Align other than alNone.
  void Realign();

  // Sends WM_DESTROY to the control and then to its child controls, once
  // in the control's life. Whoever frees a control calls it first, through
  // BeforeDestruction, while the control is still whole: its parent, its
  // owner, a released form. A class that handles WM_DESTROY also calls it
  // first thing in its own destructor, for when it is freed directly.
  void DestroyHandle();
  void BeforeDestruction() override { DestroyHandle(); }

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  void WndProc(TMessage& message) override;
  virtual void KeyDown(unsigned short& key, TShiftState shift);
  virtual void KeyUp(unsigned short& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  // Puts a new child's widget in place (a page control makes it a tab).
  virtual void PlaceChildWidget(TControl* child);
  virtual void ChildRemoved(TControl* child);
  // Whether the control keeps Return or Escape for itself instead of the
  // form's default and cancel buttons.
  virtual bool WantsDialogKey(unsigned short key) const;
  void Resize() override;

 private:
  friend class TControl;
  std::vector<TControl*> controls_;
  bool tabStop_ = true;
  int tabOrder_ = 0;
  bool handleDestroyed_ = false;
};

// An owner-drawn control: Paint draws into the backing image through
// Canvas; the widget only shows that image. Drawing on Canvas outside Paint
// is allowed and shows on the next frame.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  TCanvas* Canvas() { return &canvas_; }
  // The backing image as last painted (tests read its pixels).
  const QImage& BackingImage() const { return backing_; }

  void Invalidate() override;
  void Repaint() override;
  void Update() override;

  // Called by the widget's paint event.
  void PaintIfNeeded();
  // False between WM_SETREDRAW 0 and WM_SETREDRAW 1: nothing is painted,
  // what was invalidated meanwhile waits.
  bool RedrawEnabled() const { return redraw_; }

 protected:
  void WndProc(TMessage& message) override;
  // Draws the whole control; the default fills it with Color.
  virtual void Paint();
  bool ClicksOnMouseUp() const override { return true; }
  void Resize() override;

 private:
  void PaintNow();
  QImage backing_;
  TCanvas canvas_;
  bool dirty_ = true;
  bool painting_ = false;
  bool redraw_ = true;
};

// A control without focus of its own (labels, images, gauges).
class TGraphicControl : public TCustomControl {
 public:
  explicit TGraphicControl(TComponent* owner);
};

// Qt cursor shape for a framework cursor.
int QtCursorShape(TCursor cursor);
