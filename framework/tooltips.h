#pragma once
// The common controls' tool tip: a small top-level window for one control
// (its tool). The tool relays its mouse messages (RelayEvent); when the
// mouse has rested on it for the initial
// delay asks the tool's owner for a text, shows it near the pointer with an
// optional title and icon, and hides it after the auto-pop delay, when the
// mouse leaves or presses, or when told to (Pop). Delays run on the
// process clock (platform/clock.h) through control timers.
#include <functional>
#include <optional>

#include "framework/controls.h"

inline constexpr unsigned TTS_ALWAYSTIP = 0x01;
inline constexpr unsigned TTS_BALLOON = 0x40;
// The delays of SetDelayTime.
inline constexpr int TTDT_RESHOW = 1;
inline constexpr int TTDT_AUTOPOP = 2;
inline constexpr int TTDT_INITIAL = 3;
// Title icons: none, information, warning, error.
inline constexpr int TTI_NONE = 0;
inline constexpr int TTI_INFO = 1;
inline constexpr int TTI_WARNING = 2;
inline constexpr int TTI_ERROR = 3;

// What a tool tip shows: the owner's answer when the tip is about to show.
struct TToolTipText {
  AnsiString Text;
  AnsiString Title;
  int Icon = TTI_NONE;
  // clNone keeps the tool tip's own colours.
  TColor TextColor = clNone;
  TColor BackgroundColor = clNone;
};
// The text for the tool's client point; nullopt shows nothing.
using TToolTipTextQuery = std::function<std::optional<TToolTipText>(TPoint clientPos)>;

class TToolTipWindow : public TCustomControl {
 public:
  // A hidden top-level window with the TTS_ style bits; the owner frees it.
  TToolTipWindow(TComponent* owner, unsigned style);
  ~TToolTipWindow() override;

  unsigned Style() const { return style_; }
  // The text is asked from query, for a point of tool, each time the tip
  // shows. A second call replaces the tool.
  void AddTool(TControl* tool, TToolTipTextQuery query);
  TControl* Tool() const { return tool_; }
  // A mouse message of the tool (moves, presses, the wheel, CM_MOUSELEAVE).
  void RelayEvent(const TMessage& message);
  // The title and icon used when the query leaves them empty (an icon
  // outside TTI_NONE..TTI_ERROR is TTI_NONE).
  void SetTitle(int icon, const AnsiString& title);
  const AnsiString& Title() const { return title_; }
  int Icon() const { return icon_; }
  // Milliseconds of one delay (TTDT_...); -1 restores its default.
  void SetDelayTime(int which, int ms);
  int DelayTime(int which) const;
  // Hides the tip now; it may show again after the reshow delay.
  void Pop();
  // 0 (opaque) to 255 (invisible): the window's opacity is 255 - value.
  void SetTransparency(int value);
  // The window's opacity, 0.0 to 1.0.
  double Opacity() const;
  bool IsShown() const;
  // The last text shown.
  const AnsiString& TipText() const { return text_; }

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;

 private:
  void ToolMouseMoved(TPoint clientPos);
  void ToolLeft();
  void Arm(int delay);
  void ShowTip();
  void UseTitleFont();
  TRect TitleRect();

  unsigned style_;
  TControl* tool_ = nullptr;
  TToolTipTextQuery query_;
  AnsiString title_;
  int icon_ = TTI_NONE;
  AnsiString text_;
  AnsiString shownTitle_;
  int delays_[4] = {0, -1, -1, -1};
  TPoint lastPos_{0, 0};
  bool shownBefore_ = false;
};
