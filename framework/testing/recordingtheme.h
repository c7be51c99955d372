#pragma once
#include <vector>

#include "framework/theme.h"

// A theme that is always active and records what is asked of it; it opens
// every class the grid draws and paints each part as a solid block.
class TRecordingThemeService : public TThemeService {
 public:
  struct Drawn {
    AnsiString className;
    int part;
    int state;
    TRect rect;
  };
  bool active = true;
  std::vector<AnsiString> opened;
  std::vector<Drawn> drawn;
  int closed = 0;
  // The colour each drawn part is filled with.
  TColor partColor = clFuchsia;
  // The colour name CurrentThemeName reports.
  AnsiString colorName = "NormalColor";

  bool IsThemeActive() override { return active; }
  bool CurrentThemeName(TThemeName& name) override;
  HTHEME OpenThemeData(TWinControl* window, const AnsiString& className) override;
  bool DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state, const TRect& rect) override;
  void CloseThemeData(HTHEME theme) override;
};
