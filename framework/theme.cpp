#include "framework/theme.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <array>

#include "framework/graphics.h"
#include "framework/sysutils.h"

namespace {

TThemeService* installed = nullptr;

TQtThemeService& QtThemeService() {
  static TQtThemeService service;
  return service;
}

// The classes a theme handle can stand for; the handle is the index + 1.
constexpr std::array<const char*, 4> kClasses = {kThemeButton, kThemeProgress, kThemeHeader, kThemeComboBox};

int ClassIndex(HTHEME theme) {
  return theme >= 1 && theme <= static_cast<HTHEME>(kClasses.size()) ? static_cast<int>(theme - 1) : -1;
}

QStyle::State EnabledState(bool enabled) { return enabled ? QStyle::State_Enabled : QStyle::State_None; }

// Push button, radio button and check box of the "button" class.
bool DrawButtonPart(QStyle& style, QPainter& painter, int part, int state, const QRect& rect) {
  QStyleOptionButton option;
  option.rect = rect;
  if (part == BP_PUSHBUTTON) {
    option.state = EnabledState(state != PBS_DISABLED) |
                   (state == PBS_PRESSED ? QStyle::State_Sunken : QStyle::State_Raised) |
                   (state == PBS_HOT ? QStyle::State_MouseOver : QStyle::State_None);
    style.drawControl(QStyle::CE_PushButtonBevel, &option, &painter);
    return true;
  }
  if (part != BP_RADIOBUTTON && part != BP_CHECKBOX) return false;
  const bool checked = state >= CBS_CHECKEDNORMAL;
  const bool disabled = state == CBS_UNCHECKEDDISABLED || state == CBS_CHECKEDDISABLED;
  option.state = EnabledState(!disabled) | (checked ? QStyle::State_On : QStyle::State_Off);
  style.drawPrimitive(part == BP_CHECKBOX ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton, &option,
                      &painter);
  return true;
}

// The empty bar or the full chunk: the painter sizes the chunk itself.
bool DrawProgressPart(QStyle& style, QPainter& painter, int part, const QRect& rect) {
  if (part != PP_BAR && part != PP_CHUNK) return false;
  QStyleOptionProgressBar option;
  option.rect = rect;
  option.state = QStyle::State_Enabled | QStyle::State_Horizontal;
  option.minimum = 0;
  option.maximum = 100;
  option.progress = part == PP_CHUNK ? 100 : 0;
  style.drawControl(part == PP_CHUNK ? QStyle::CE_ProgressBarContents : QStyle::CE_ProgressBarGroove, &option,
                    &painter);
  return true;
}

bool DrawHeaderPart(QStyle& style, QPainter& painter, int part, int state, const QRect& rect) {
  if (part != HP_HEADERITEM) return false;
  QStyleOptionHeader option;
  option.rect = rect;
  option.state = QStyle::State_Enabled | QStyle::State_Raised |
                 (state == HIS_PRESSED ? QStyle::State_Sunken : QStyle::State_None) |
                 (state == HIS_HOT ? QStyle::State_MouseOver : QStyle::State_None);
  style.drawControl(QStyle::CE_HeaderSection, &option, &painter);
  return true;
}

bool DrawComboBoxPart(QStyle& style, QPainter& painter, int part, const QRect& rect) {
  if (part != CP_DROPDOWNBUTTON) return false;
  QStyleOptionButton option;
  option.rect = rect;
  option.state = QStyle::State_Enabled | QStyle::State_Raised;
  style.drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter);
  style.drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter);
  return true;
}

bool DrawPart(int classIndex, QPainter& painter, int part, int state, const QRect& rect) {
  QStyle& style = *QApplication::style();
  switch (classIndex) {
    case 0: return DrawButtonPart(style, painter, part, state, rect);
    case 1: return DrawProgressPart(style, painter, part, rect);
    case 2: return DrawHeaderPart(style, painter, part, state, rect);
    case 3: return DrawComboBoxPart(style, painter, part, rect);
    default: return false;
  }
}

}  // namespace

TThemeService& ThemeService() { return installed ? *installed : QtThemeService(); }

void InstallThemeService(TThemeService* service) { installed = service; }

bool DrawThemePart(TWinControl* window, const AnsiString& className, TCanvas& canvas, int part, int state,
                   const TRect& rect) {
  TThemeService& theme = ThemeService();
  if (!theme.IsThemeActive()) return false;
  const HTHEME handle = theme.OpenThemeData(window, className);
  if (!handle) return false;
  const bool drawn = theme.DrawThemeBackground(handle, canvas, part, state, rect);
  theme.CloseThemeData(handle);
  return drawn;
}

bool TQtThemeService::CurrentThemeName(TThemeName& name) {
  if (!active_ || !QApplication::style()) return false;
  name = {QApplication::style()->name().toStdString(), "", ""};
  return true;
}

HTHEME TQtThemeService::OpenThemeData(TWinControl*, const AnsiString& className) {
  if (!active_ || !QApplication::style()) return 0;
  for (std::size_t i = 0; i < kClasses.size(); ++i)
    if (SameText(className, kClasses[i])) return static_cast<HTHEME>(i + 1);
  return 0;
}

bool TQtThemeService::DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state, const TRect& rect) {
  const int classIndex = ClassIndex(theme);
  const int width = rect.Right - rect.Left, height = rect.Bottom - rect.Top;
  if (!active_ || classIndex < 0 || width <= 0 || height <= 0 || !canvas.HandleAllocated()) return false;
  // The part is drawn over what lies beneath it and put back through the
  // canvas, so that the canvas's clipping applies.
  TBitmap work;
  work.SetSize(width, height);
  work.Canvas()->CopyRect({0, 0, width, height}, &canvas, rect);
  QImage image = work.Image();
  QPainter painter(&image);
  const bool drawn = DrawPart(classIndex, painter, part, state, QRect(0, 0, width, height));
  painter.end();
  if (!drawn) return false;
  work.SetImage(image);
  canvas.Draw(rect.Left, rect.Top, &work);
  return true;
}

void TQtThemeService::CloseThemeData(HTHEME) {}
