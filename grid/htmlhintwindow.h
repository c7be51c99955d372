#pragma once
// The hint window that renders its text as cell mark-up: the grid's sizing
// hint, and the application's hints while the grid's HTML hints are on.
#include "framework/hints.h"

class THTMLHintWindow : public THintWindow {
 public:
  explicit THTMLHintWindow(TComponent* owner);
  // Sized to the measured mark-up plus its margins, kept on the screen.
  void ActivateHint(TRect rect, const AnsiString& hint) override;
  TRect CalcHintRect(int maxWidth, const AnsiString& hint) override;
  // The size of the mark-up the last ActivateHint measured.
  int TextWidth() const { return textWidth_; }
  int TextHeight() const { return textHeight_; }

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;

 private:
  // Lays the text out in r: measures it, or draws it.
  TSize RenderMarkup(const AnsiString& text, const TRect& r, bool draw);
  int textWidth_ = 0;
  int textHeight_ = 0;
};
