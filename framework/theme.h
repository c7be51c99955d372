#pragma once
// Visual styles. Themed painters ask ThemeService() whether a theme is
// active and draw its parts through it; when no theme is active (the
// default) every call answers "not available" and the painters take their
// classic path. TQtThemeService draws through the application's QStyle
// once a user turns it on; tests install TRecordingThemeService
// (framework/testing/recordingtheme.h).
#include <cstdint>

#include "framework/canvas.h"
#include "framework/types.h"

class TWinControl;

// An open theme class; 0 when the class could not be opened.
using HTHEME = std::intptr_t;

// Theme classes the grid draws, with their parts and states.
inline constexpr const char* kThemeButton = "button";
inline constexpr const char* kThemeProgress = "progress";
inline constexpr const char* kThemeHeader = "header";
inline constexpr const char* kThemeComboBox = "combobox";

inline constexpr int BP_PUSHBUTTON = 1;
inline constexpr int BP_RADIOBUTTON = 2;
inline constexpr int BP_CHECKBOX = 3;
inline constexpr int PBS_NORMAL = 1;
inline constexpr int PBS_HOT = 2;
inline constexpr int PBS_PRESSED = 3;
inline constexpr int PBS_DISABLED = 4;
// Radio and check box states.
inline constexpr int CBS_UNCHECKEDNORMAL = 1;
inline constexpr int CBS_UNCHECKEDDISABLED = 4;
inline constexpr int CBS_CHECKEDNORMAL = 5;
inline constexpr int CBS_CHECKEDDISABLED = 8;
inline constexpr int PP_BAR = 1;
inline constexpr int PP_CHUNK = 3;
inline constexpr int HP_HEADERITEM = 1;
inline constexpr int HIS_NORMAL = 1;
inline constexpr int HIS_HOT = 2;
inline constexpr int HIS_PRESSED = 3;
inline constexpr int CP_DROPDOWNBUTTON = 1;
inline constexpr int CBXS_NORMAL = 1;

// The names of the current theme.
struct TThemeName {
  AnsiString fileName;
  AnsiString colorName;
  AnsiString sizeName;
};

class TThemeService {
 public:
  virtual ~TThemeService() = default;
  // Whether painters should draw themed parts at all.
  virtual bool IsThemeActive() = 0;
  // False (names left empty) when no theme is active.
  virtual bool CurrentThemeName(TThemeName& name) = 0;
  // Opens a class for drawing in window (which may be null); 0 when no
  // theme is active or the class is unknown.
  virtual HTHEME OpenThemeData(TWinControl* window, const AnsiString& className) = 0;
  // Draws one part in one state into rect; false when theme is 0 or the
  // part cannot be drawn, leaving the canvas untouched.
  virtual bool DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state, const TRect& rect) = 0;
  // Releases an opened class; 0 is ignored.
  virtual void CloseThemeData(HTHEME theme) = 0;
};

// The theme service in use: the Qt one unless another is installed.
TThemeService& ThemeService();
// Installs a service (the caller keeps ownership); null restores Qt's.
void InstallThemeService(TThemeService* service);

// Opens className for window, draws one part in one state into rect and
// closes the class again, through the service in use. False, with nothing
// drawn, when no theme is active or the service cannot draw the part: the
// caller then draws its classic look.
bool DrawThemePart(TWinControl* window, const AnsiString& className, TCanvas& canvas, int part, int state,
                   const TRect& rect);

// Draws through the application's style; inactive until turned on.
class TQtThemeService : public TThemeService {
 public:
  void SetActive(bool active) { active_ = active; }
  bool IsThemeActive() override { return active_; }
  bool CurrentThemeName(TThemeName& name) override;
  HTHEME OpenThemeData(TWinControl* window, const AnsiString& className) override;
  bool DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state, const TRect& rect) override;
  void CloseThemeData(HTHEME theme) override;

 private:
  bool active_ = false;
};
