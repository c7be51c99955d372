#include "grid/formsize.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#include "framework/forms.h"
#include "framework/settingsstores.h"

namespace {

AnsiString UserName() {
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return AnsiString(pw->pw_name).substr(0, 255);
  const char* env = std::getenv("USER");
  return env ? AnsiString(env).substr(0, 255) : AnsiString();
}

AnsiString ComputerName() {
  std::array<char, 256> buffer{};
  if (gethostname(buffer.data(), buffer.size() - 1) != 0) return {};
  return AnsiString(buffer.data());
}

// Window coordinates the window system can hold; a placement file with
// numbers beyond them is not one this program wrote.
constexpr int kCoordinateLimit = 32767;

bool PlausibleCoordinate(int value) { return value >= -kCoordinateLimit && value <= kCoordinateLimit; }

// Sized: Right and Bottom were read too and must make a window.
bool PlausiblePlacement(const TRect& r, bool sized) {
  if (!PlausibleCoordinate(r.Left) || !PlausibleCoordinate(r.Top)) return false;
  if (!sized) return true;
  return PlausibleCoordinate(r.Right) && PlausibleCoordinate(r.Bottom) && r.Right > r.Left && r.Bottom > r.Top;
}

}  // namespace

TComponent* TFormSize::CheckOwner(TComponent* owner) {
  if (!dynamic_cast<TForm*>(owner)) throw EFormSizeError("Control parent must be a form!");
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (dynamic_cast<TFormSize*>(owner->Components(i)))
      throw EFormSizeError("The form already contains a TFormSize component");
  return owner;
}

TFormSize::TFormSize(TComponent* owner) : TComponent(CheckOwner(owner)), form_(static_cast<TForm*>(owner)) {
  SaveKey = form_->Name();
  previousWndProc_ = form_->WindowProc;
  form_->WindowProc = [this](TMessage& m) { HookWndProc(m); };
  // The form tells its end through OnDestroy; the placement is saved then,
  // while the form is still whole.
  previousOnDestroy_ = form_->OnDestroy;
  form_->OnDestroy = [this](TObject* sender) {
    if (!(ComponentState() & csDesigning) && SavePosition) SaveOnce();
    if (previousOnDestroy_) previousOnDestroy_(sender);
  };
}

TFormSize::~TFormSize() {
  // A form being destroyed has already let go of its message procedure.
  if (!(form_->ComponentState() & csDestroying)) {
    form_->WindowProc = previousWndProc_;
    form_->OnDestroy = previousOnDestroy_;
  }
}

AnsiString TFormSize::GetVersion() const {
  const int v = GetVersionNr();
  return IntToStr((v >> 24) & 0xFF) + "." + IntToStr((v >> 16) & 0xFF) + "." + IntToStr((v >> 8) & 0xFF) + "." +
         IntToStr(v & 0xFF);
}

int TFormSize::GetVersionNr() const { return (1 << 24) | (1 << 16) | (0 << 8) | 1; }

void TFormSize::Loaded() {
  TComponent::Loaded();
  if (!(ComponentState() & csDesigning) && SavePosition) LoadPlacement();
}

AnsiString TFormSize::CreateKey() const {
  AnsiString key = SaveKey;
  const AnsiString user = UserName();
  if (SaveUser) key += "-" + user;
  const AnsiString machine = ComputerName();
  if (SaveMachine) key += "-" + machine;
  return key;
}

void TFormSize::LoadPlacement() {
  if (SaveName.empty() || SaveKey.empty()) return;
  TIniFile ini(SaveName);
  const TRect designed = form_->BoundsRect();
  TRect r = designed;
  const AnsiString section = CreateKey();
  if (SavePosition) {
    r.Left = ini.ReadInteger(section, "Left", r.Left);
    r.Top = ini.ReadInteger(section, "Top", r.Top);
  }
  if (SaveSize) {
    r.Right = ini.ReadInteger(section, "Right", r.Right);
    r.Bottom = ini.ReadInteger(section, "Bottom", r.Bottom);
  }
  // The file is checked before any arithmetic on its numbers: a damaged or
  // foreign one leaves the window where its design puts it.
  if (!PlausiblePlacement(r, SaveSize)) r = designed;
  if (!SaveSize) {
    r.Right = r.Left + form_->Width();
    r.Bottom = r.Top + form_->Height();
  }
  const bool maximised = ini.ReadBool(section, "Maximized", form_->WindowState() == wsMaximized);
  const int screenWidth = Screen->Width(), screenHeight = Screen->Height();
  if (r.Right > screenWidth) {
    r.Left -= r.Right - screenWidth;
    r.Right = screenWidth;
  }
  if (r.Bottom > screenHeight) {
    r.Top -= r.Bottom - screenHeight;
    r.Bottom = screenHeight;
  }
  if (maximised) r = {0, 0, screenWidth, screenHeight};
  form_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  if (maximised) form_->SetWindowState(wsMaximized);
}

void TFormSize::DoSavePlacement() {
  if (SaveName.empty() || SaveKey.empty()) return;
  TIniFile ini(SaveName);
  const AnsiString section = CreateKey();
  TRect normal = form_->BoundsRect();
  const bool maximised = form_->WindowState() == wsMaximized;
  if (QWidget* w = form_->Widget(); w && form_->WindowState() != wsNormal && w->normalGeometry().isValid()) {
    // Qt keeps the normal rectangle without the frame; Left and Top are
    // the frame's.
    const QRect g = w->normalGeometry();
    const QPoint frameOffset = w->geometry().topLeft() - w->pos();
    normal = Bounds(g.x() - frameOffset.x(), g.y() - frameOffset.y(), g.width(), g.height());
  }
  if (SavePosition) {
    ini.WriteInteger(section, "Left", normal.Left);
    ini.WriteInteger(section, "Top", normal.Top);
  }
  if (SaveSize) {
    ini.WriteInteger(section, "Right", normal.Right);
    ini.WriteInteger(section, "Bottom", normal.Bottom);
    ini.WriteBool(section, "Maximized", maximised);
  }
}

void TFormSize::LoadFormSettings() {
  const bool position = SavePosition, size = SaveSize;
  SavePosition = SaveSize = true;
  LoadPlacement();
  SavePosition = position;
  SaveSize = size;
}

void TFormSize::SaveFormSettings() {
  const bool position = SavePosition, size = SaveSize;
  SavePosition = SaveSize = true;
  DoSavePlacement();
  SavePosition = position;
  SaveSize = size;
}

void TFormSize::SaveOnce() {
  if (saved_) return;
  saved_ = true;
  DoSavePlacement();
}

TRect TFormSize::WorkArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {0, 0, Screen->Width(), Screen->Height()};
  const QRect a = screen->availableGeometry();
  return Bounds(a.x(), a.y(), a.width(), a.height());
}

void TFormSize::SnapToWorkArea(WINDOWPOS& pos) const {
  const TRect w = WorkArea();
  const int width = form_->Width(), height = form_->Height(), d = MagnetDistance;
  if (pos.x < w.Left + d || pos.x < w.Left) pos.x = w.Left;
  if (pos.y < w.Top + d || pos.y < w.Top) pos.y = w.Top;
  if (pos.y + height > w.Bottom - d) pos.y = w.Bottom - height;
  if (pos.x + width > w.Right - d) pos.x = w.Right - width;
}

bool TFormSize::InsideClientArea(LPARAM screenPoint) const {
  const TPoint p = form_->ScreenToClient({LoWord(screenPoint), HiWord(screenPoint)});
  return PtInRect(form_->ClientRect(), p);
}

void TFormSize::HookWndProc(TMessage& m) {
  const bool designing = ComponentState() & csDesigning;
  if (m.Msg == WM_WINDOWPOSCHANGING && Magnet && m.LParam) SnapToWorkArea(*reinterpret_cast<WINDOWPOS*>(m.LParam));
  if (previousWndProc_) previousWndProc_(m);
  switch (m.Msg) {
    case WM_DESTROY:
      if (!designing && SavePosition) SaveOnce();
      break;
    case WM_NCHITTEST:
      if (DragAlways && !designing && InsideClientArea(m.LParam)) m.Result = HTCAPTION;
      break;
    case WM_LBUTTONDOWN:
      // A press on the form's own client area moves the window, as a press
      // on its caption would.
      if (DragAlways && !designing && form_->Widget() && form_->Widget()->windowHandle()) {
        const TPoint screen = form_->ClientToScreen({LoWord(m.LParam), HiWord(m.LParam)});
        if (InsideClientArea(MakeLParam(screen.X, screen.Y))) form_->Widget()->windowHandle()->startSystemMove();
      }
      break;
    default: break;
  }
}
