#include "framework/testing/recordingtheme.h"

bool TRecordingThemeService::CurrentThemeName(TThemeName& name) {
  if (!active) return false;
  name = {"recording", colorName, "NormalSize"};
  return true;
}

HTHEME TRecordingThemeService::OpenThemeData(TWinControl*, const AnsiString& className) {
  if (!active) return 0;
  opened.push_back(className);
  return static_cast<HTHEME>(opened.size());
}

bool TRecordingThemeService::DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state,
                                                 const TRect& rect) {
  if (theme <= 0 || static_cast<std::size_t>(theme) > opened.size()) return false;
  drawn.push_back({opened[theme - 1], part, state, rect});
  const TColor brush = canvas.Brush()->Color();
  canvas.Brush()->SetColor(partColor);
  canvas.FillRect(rect);
  canvas.Brush()->SetColor(brush);
  return true;
}

void TRecordingThemeService::CloseThemeData(HTHEME theme) {
  if (theme != 0) ++closed;
}
