#pragma once
// The hint pipeline: when the mouse rests on a control whose ShowHint is
// on, the control gets CM_HINTSHOW with a THintInfo (LParam) to adjust the
// text, position and colour, or to refuse the hint (a non-zero Result);
// the hint then shows in a hint window of the class the application uses.
#include <functional>

#include "framework/controls.h"

struct THintInfo {
  TControl* HintControl = nullptr;
  // The mouse position in the control's client coordinates.
  TPoint CursorPos;
  int HintMaxWidth = 300;
  TColor HintColor = clInfoBk;
  // The screen position of the hint window's top-left corner.
  TPoint HintPos;
  AnsiString HintStr;
};

// A borderless top-level window that shows a hint text.
class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* owner);
  // Shows the hint in rect (screen coordinates).
  virtual void ActivateHint(TRect rect, const AnsiString& hint);
  // The rectangle at (0, 0) that the hint needs, its width at most maxWidth.
  virtual TRect CalcHintRect(int maxWidth, const AnsiString& hint);
  void ReleaseHint();
  bool IsShown() const;

 protected:
  void Paint() override;
};

using THintWindowFactory = std::function<THintWindow*(TComponent* owner)>;
// The class of the application's hint window; an empty factory restores
// THintWindow.
void SetHintWindowClass(THintWindowFactory factory);

// Runs the pipeline for the control with the mouse at the client point:
// true when a hint shows.
bool ActivateHintOf(TControl* control, TPoint clientPos);
// Hides the hint shown now, if any.
void CancelHint();
// The application's hint window while a hint shows, or null.
THintWindow* ShownHintWindow();
