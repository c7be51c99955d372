#pragma once
// Forms (top-level windows) and the screen.
#include <functional>
#include <vector>

#include "framework/application.h"
#include "framework/controls.h"

class QEventLoop;
class QMenuBar;
class TMainMenu;
class TButton;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // Ends construction: loads the components (Loaded) and fires OnCreate.
  // The application's CreateForm calls it; a form made with new calls it
  // itself, or its first show does.
  void AfterConstruction();

  QWidget* ClientWidget() const override;
  TRect ClientRect() const override;
  void SetParent(TWinControl* parent) override;

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState state);
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);
  void SetIcon(const class TIcon& icon);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool on) { keyPreview_ = on; }
  TWinControl* ActiveControl() const;
  void SetActiveControl(TWinControl* control);

  void SetVisible(bool visible) override;
  // Shows the form modally and returns its ModalResult once that is set
  // (by a button, Close or code, from any thread).
  int ShowModal();
  TModalResult ModalResult() const { return modalResult_; }
  // Callable from any thread: off the window thread it is queued there.
  void SetModalResult(TModalResult result);
  bool Modal() const { return modalLoop_ != nullptr; }
  void Close();
  bool CloseQuery();
  // Destroys the form once the current event is handled.
  void Release();

  // The caption may be set from any thread (it is queued to the window
  // thread).
  void SetText(const AnsiString& text) override;

  // Used by controls: Return and Escape for the default and cancel
  // buttons (true when a button took the key), and the key preview.
  bool DialogKey(unsigned short key, TWinControl* from);
  void PreviewKey(bool down, unsigned short& key, TShiftState shift);
  void PreviewChar(char& key);
  bool HandleQtEvent(QObject* source, QEvent* event) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void ColorChanged() override;
  void Resize() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);

 private:
  void ApplyWindowFlags();
  void PlaceOnFirstShow();
  // A window is never shown with its title bar off the screen: its frame
  // is moved into the screen's work area (a larger one keeps its top-left
  // corner there).
  void KeepOnScreen();
  void LayoutMenu();
  void CloseModal();

  QWidget* client_ = nullptr;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  TMainMenu* menu_ = nullptr;
  bool keyPreview_ = false;
  bool created_ = false;
  bool placed_ = false;
  TModalResult modalResult_ = mrNone;
  QEventLoop* modalLoop_ = nullptr;
  TCloseAction modalCloseAction_ = caHide;
};

// The screen: the busy cursor of the whole application and the forms.
class TScreen : public TComponent {
 public:
  TScreen() : TComponent(nullptr) {}
  TCursor Cursor() const { return cursor_; }
  // crHourGlass and the like for the whole application; crDefault ends it.
  void SetCursor(TCursor cursor);
  int Width() const;
  int Height() const;
  // The forms that exist now, in the order they were made.
  int FormCount() const { return static_cast<int>(forms_.size()); }
  TForm* Forms(int index) const { return forms_.at(static_cast<std::size_t>(index)); }

 private:
  friend class TForm;
  TCursor cursor_ = crDefault;
  std::vector<TForm*> forms_;
};

extern TScreen* Screen;

// The hourglass over the whole application for the life of the object, for
// a long step on the window thread: before the step keeps the thread busy,
// the screen is brought up to date (TApplication::UpdateScreen), so that a
// closed dialog's area is repainted and the cursor shows. Scopes nest.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TCursor previous_;
};
