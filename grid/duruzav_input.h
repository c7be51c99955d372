#pragma once
// What the grid keeps between input messages: the wheel and its partial
// notches, wheel-click panning, the 500 ms grid timer's counters and the
// selection last painted with the selection rectangle.
#include "framework/controls.h"
#include "framework/grids.h"
#include "framework/messages.h"

// One notch of the wheel in WM_MOUSEWHEEL's delta.
inline constexpr int WHEEL_DELTA = 120;

struct TGridInputState {
  // The grid timer and the wheel-click panning timer.
  static constexpr unsigned kGridTimer = 111;
  static constexpr unsigned kPanTimer = 999;
  static constexpr unsigned kPanInterval = 10;
  // The framework grid's auto-scroll while a row or column is moved.
  static constexpr unsigned kMoveScrollTimer = 1;

  // The message that carries the wheel (0: none) and the lines one notch moves.
  unsigned wheelMessage = WM_MOUSEWHEEL;
  int wheelScrollLines = 3;
  // What a fine-grained wheel (a touch pad) turned short of a whole notch.
  int wheelRest = 0;

  bool panActive = false;
  TCursor savedCursor = crDefault;

  // Ticks of the grid timer, ticks since the last typed lookup character,
  // and whether blinking text shows now.
  int ticks = 0;
  int typeAheadTicks = 0;
  bool blinkOn = true;

  // The selection the selection rectangle was last painted around.
  TGridRect paintedSelection{};
  // Where the view was scrolled to after its last scroll.
  int lastLeftCol = 0;
  int lastTopRow = 0;
};

class TVudUvizidIzed;

// The grid's window procedure steps before a message reaches its handlers:
// cancelled moves, theme changes, the child controls' commands, the window's
// end, wheel-click panning and the wheel; and the grid timer's tick.
class TGridInput {
 public:
  explicit TGridInput(TVudUvizidIzed& grid) : g_(grid) {}
  // False when the message is fully handled here.
  bool BeforeDispatch(TMessage& message);
  void GridTimerTick();
  // The framework's move by one row, kept from scrolling sideways.
  bool FrameworkWheel(bool down, TShiftState shift, TPoint mousePos);
  // The cells the fixed wallpaper covers (columns Left..Right, rows Top..Bottom).
  TRect WallpaperCells();

 private:
  TGridInputState& State();
  void CancelMode();
  // False when the command is fully handled here.
  bool Command(TMessage& message);
  void ComboCommand(unsigned code, TControl* source);
  void Destroyed();
  void StartPan(const TMessage& message);
  void StopPan();
  void PanStep();
  // The wheel's rules; false when the wheel needs no further processing.
  bool Wheel(TMessage& message);
  void HoverToCursorCell();
  void RepaintBlinkingCells();

  TVudUvizidIzed& g_;
};
