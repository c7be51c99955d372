#include "framework/forms.h"

#include <QApplication>
#include <QEventLoop>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include "framework/menus.h"
#include "framework/services.h"
#include "framework/standardcontrols.h"
#include "framework/thread.h"

namespace {

// Depth-first search of the visible, enabled buttons of a form.
TButton* FindButton(const TWinControl* parent, bool wantDefault) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (!c->Visible() || !c->Enabled()) continue;
    if (auto* button = dynamic_cast<TButton*>(c))
      if (wantDefault ? button->Default() : button->Cancel()) return button;
    if (auto* win = dynamic_cast<TWinControl*>(c))
      if (TButton* found = FindButton(win, wantDefault)) return found;
  }
  return nullptr;
}

}  // namespace

TScreen* Screen = new TScreen();

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  auto* window = new QWidget(nullptr, Qt::Window);
  client_ = new QWidget(window);
  client_->show();
  AttachWidget(window);
  SetVisibleFlag(false);
  ColorChanged();  // the default colour, clBtnFace, is not a change
  SetBounds(0, 0, 320, 240);
  RouteEventsOf(client_);
  Screen->forms_.push_back(this);
}

TForm::~TForm() {
  std::erase(Screen->forms_, this);
  if (OnDestroy) Application->Guard(this, [this] { OnDestroy(this); });
  if (modalLoop_) modalLoop_->exit();
  Application->FormDestroyed(this);
}

void TForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  BeginLoading();
  FinishLoading();
  if (OnCreate) OnCreate(this);
}

QWidget* TForm::ClientWidget() const { return client_; }

TRect TForm::ClientRect() const {
  const int menuHeight = menu_ && menu_->MenuBar() ? menu_->MenuBar()->sizeHint().height() : 0;
  return {0, 0, Width(), std::max(Height() - menuHeight, 0)};
}

void TForm::SetParent(TWinControl* parent) {
  if (parent) throw EInvalidOperation("A form is a top-level window");
}

void TForm::LayoutMenu() {
  QMenuBar* bar = menu_ ? menu_->MenuBar() : nullptr;
  const int menuHeight = bar ? bar->sizeHint().height() : 0;
  if (bar) {
    bar->setParent(Widget());
    bar->setGeometry(0, 0, Width(), menuHeight);
    bar->show();
  }
  client_->setGeometry(0, menuHeight, Width(), std::max(Height() - menuHeight, 0));
}

void TForm::Resize() {
  LayoutMenu();
  TWinControl::Resize();
}

void TForm::SetMenu(TMainMenu* menu) {
  if (menu_ && menu_ != menu && menu_->MenuBar()) menu_->MenuBar()->hide();
  menu_ = menu;
  if (menu) menu->FreeNotification(this);
  LayoutMenu();
  Realign();
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == menu_) {
    menu_ = nullptr;
    LayoutMenu();
  }
}

void TForm::SetIcon(const TIcon& icon) {
  Widget()->setWindowIcon(QIcon(QPixmap::fromImage(icon.Image())));
}

void TForm::ColorChanged() {
  QPalette palette = Widget()->palette();
  palette.setColor(QPalette::Window, ToQColor(Color()));
  Widget()->setPalette(palette);
  Widget()->setAutoFillBackground(true);
}

void TForm::SetText(const AnsiString& text) {
  if (DeferToWindowThread([this, text] { SetText(text); })) return;
  TWinControl::SetText(text);
  Widget()->setWindowTitle(QString::fromStdString(text));
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  borderStyle_ = style;
  if (!Visible()) ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
  borderIcons_ = icons;
  if (!Visible()) ApplyWindowFlags();
}

void TForm::ApplyWindowFlags() {
  Qt::WindowFlags flags = Qt::Window;
  switch (borderStyle_) {
    case bsNone: flags = Qt::Window | Qt::FramelessWindowHint; break;
    case bsDialog: flags = Qt::Dialog; break;
    case bsToolWindow: case bsSizeToolWin: flags = Qt::Tool; break;
    default: break;
  }
  if (borderStyle_ != bsNone) {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (borderIcons_ & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    const bool framed = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
    if (framed && (borderIcons_ & biMinimize)) flags |= Qt::WindowMinimizeButtonHint;
    if (framed && (borderIcons_ & biMaximize)) flags |= Qt::WindowMaximizeButtonHint;
  }
  Widget()->setWindowFlags(flags);
  const bool fixed = borderStyle_ == bsSingle || borderStyle_ == bsDialog || borderStyle_ == bsToolWindow;
  if (fixed) {
    Widget()->setFixedSize(Width(), Height());
  } else {
    Widget()->setMinimumSize(0, 0);
    Widget()->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
}

void TForm::PlaceOnFirstShow() {
  if (placed_) return;
  placed_ = true;
  QRect area(0, 0, 1024, 768);
  if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
  TForm* reference = nullptr;
  if (position_ == poMainFormCenter) reference = Application->MainForm();
  if (position_ == poOwnerFormCenter) reference = dynamic_cast<TForm*>(Owner());
  if (reference == this || (reference && !reference->Visible())) reference = nullptr;
  if (reference) area = QRect(reference->Left(), reference->Top(), reference->Width(), reference->Height());
  switch (position_) {
    case poScreenCenter: case poDesktopCenter: case poMainFormCenter: case poOwnerFormCenter:
      SetBounds(area.x() + (area.width() - Width()) / 2, area.y() + (area.height() - Height()) / 2, Width(), Height());
      break;
    default: break;
  }
}

void TForm::KeepOnScreen() {
  if (windowState_ != wsNormal) return;
  const QPoint origin(Left(), Top());
  QScreen* screen = QGuiApplication::screenAt(origin);
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The frame around the window, once a window manager has told it (after
  // the first show); until then the window's own size stands for it.
  const QRect frame = Widget()->frameGeometry(), inner = Widget()->geometry();
  const long long width = Width() + std::max(frame.width() - inner.width(), 0);
  const long long height = Height() + std::max(frame.height() - inner.height(), 0);
  long long left = Left(), top = Top();
  if (left + width > area.x() + area.width()) left = area.x() + area.width() - width;
  if (top + height > area.y() + area.height()) top = area.y() + area.height() - height;
  left = std::max<long long>(left, area.x());
  top = std::max<long long>(top, area.y());
  if (left != Left() || top != Top()) SetBounds(static_cast<int>(left), static_cast<int>(top), Width(), Height());
}

void TForm::SetVisible(bool visible) {
  if (visible) {
    if (!created_) AfterConstruction();
    if (Visible()) return;
    SetVisibleFlag(true);
    PlaceOnFirstShow();
    KeepOnScreen();
    // Once per real show; the extra show events Qt sends on restore are
    // not shows of the form.
    DoShow();
    ApplyWindowFlags();
    LayoutMenu();
    ApplyGeometry();
    if (windowState_ == wsMinimized) Widget()->showMinimized();
    else if (windowState_ == wsMaximized) Widget()->showMaximized();
    else Widget()->show();
    // While the window is being made, Qt reports positions that do not yet
    // count the frame; the one it has now does.
    TakeWidgetPosition();
    Widget()->raise();
    Widget()->activateWindow();
  } else {
    if (!Visible()) return;
    SetVisibleFlag(false);
    Widget()->hide();
    DoHide();
  }
  Perform(CM_VISIBLECHANGED, visible);
}

void TForm::SetWindowState(TWindowState state) {
  windowState_ = state;
  if (!Visible()) return;
  if (state == wsMinimized) Widget()->showMinimized();
  else if (state == wsMaximized) Widget()->showMaximized();
  else Widget()->showNormal();
}

void TForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

TWinControl* TForm::ActiveControl() const {
  QWidget* focus = QApplication::focusWidget();
  if (!focus || focus->window() != Widget()) return nullptr;
  std::function<TWinControl*(const TWinControl*)> find = [&](const TWinControl* parent) -> TWinControl* {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* win = dynamic_cast<TWinControl*>(parent->Controls(i));
      if (!win) continue;
      if (win->Widget() == focus || win->Widget()->isAncestorOf(focus)) {
        TWinControl* inner = find(win);
        return inner ? inner : win;
      }
    }
    return nullptr;
  };
  return find(this);
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control && control->CanFocus()) control->SetFocus();
}

int TForm::ShowModal() {
  if (Visible() || modalLoop_) throw EInvalidOperation("Cannot make a visible window modal");
  modalResult_ = mrNone;
  modalCloseAction_ = caHide;
  QEventLoop loop;
  modalLoop_ = &loop;
  Application->PushModalLoop(&loop);
  Widget()->setWindowModality(Qt::ApplicationModal);
  auto finish = [&] {
    Application->PopModalLoop(&loop);
    modalLoop_ = nullptr;
    Hide();
    Widget()->setWindowModality(Qt::NonModal);
  };
  try {
    Show();
    while (true) {
      if (modalResult_ == mrNone && !Application->Terminated()) loop.exec();
      if (Application->Terminated()) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        break;
      }
      if (modalResult_ != mrNone) {
        CloseModal();
        if (modalResult_ != mrNone) break;
      }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  const TModalResult result = modalResult_;
  if (modalCloseAction_ == caFree) Release();
  return result;
}

void TForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) modalResult_ = mrNone;
  modalCloseAction_ = action;
}

void TForm::SetModalResult(TModalResult result) {
  if (!IsWindowThread()) {
    // Off the window thread: handed over as a queued call; dropped when the
    // form is gone by then.
    QPointer<QWidget> alive(Widget());
    QueueOnWindowThread([this, alive, result] {
      if (alive) SetModalResult(result);
    });
    return;
  }
  modalResult_ = result;
  if (modalLoop_ && result != mrNone) modalLoop_->exit();
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (Modal()) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Hide();
    Application->Terminate();
    return;
  }
  switch (action) {
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Hide(); Release(); break;
    default: Hide(); break;
  }
}

void TForm::Release() {
  QPointer<QWidget> alive(Widget());
  QTimer::singleShot(0, qApp, [this, alive] {
    if (!alive) return;
    BeforeDestruction();
    delete this;
  });
}

bool TForm::DialogKey(unsigned short key, TWinControl* from) {
  TButton* button = nullptr;
  if (key == VK_RETURN) {
    button = dynamic_cast<TButton*>(from);
    if (!button) button = FindButton(this, true);
  } else if (key == VK_ESCAPE) {
    button = FindButton(this, false);
  }
  if (!button) return false;
  button->Click();
  return true;
}

void TForm::PreviewKey(bool down, unsigned short& key, TShiftState shift) {
  if (down) KeyDown(key, shift);
  else KeyUp(key, shift);
}

void TForm::PreviewChar(char& key) { KeyPress(key); }

bool TForm::HandleQtEvent(QObject* source, QEvent* event) {
  if (source == Widget()) {
    switch (event->type()) {
      case QEvent::Close:
        event->ignore();
        Close();
        return true;
      case QEvent::WindowStateChange: {
        const Qt::WindowStates s = Widget()->windowState();
        windowState_ = (s & Qt::WindowMinimized) ? wsMinimized : (s & Qt::WindowMaximized) ? wsMaximized : wsNormal;
        return false;
      }
      case QEvent::WindowActivate:
        if (OnActivate) OnActivate(this);
        return false;
      case QEvent::WindowDeactivate:
        if (OnDeactivate) OnDeactivate(this);
        return false;
      case QEvent::Resize:
        LayoutMenu();
        break;
      default: break;
    }
  }
  return TWinControl::HandleQtEvent(source, event);
}

// ---- TScreen ----

void TScreen::SetCursor(TCursor cursor) {
  if (cursor_ == cursor) return;
  cursor_ = cursor;
  Services().SetScreenCursor(cursor);
}

int TScreen::Width() const {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 0;
}

int TScreen::Height() const {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 0;
}

// ---- TBusyCursor ----

TBusyCursor::TBusyCursor() : previous_(Screen->Cursor()) {
  Screen->SetCursor(crHourGlass);
  Application->UpdateScreen();
}

TBusyCursor::~TBusyCursor() { Screen->SetCursor(previous_); }
