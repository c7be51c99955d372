#include "framework/application.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/services.h"
#include "framework/thread.h"

TApplication* Application = new TApplication();

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() { Shutdown(); }

void TApplication::Initialize() {
  static char name[] = "flashwright";
  argv_ = {name, nullptr};
  argc_ = 1;
  Initialize(argc_, argv_.data());
}

void TApplication::Initialize(int& argc, char** argv) {
  if (!QApplication::instance()) ownQt_ = std::make_unique<QApplication>(argc, argv);
  IsWindowThread();
  // Once per Qt application: the faces stay registered for its life.
  if (fontsFor_ != QApplication::instance()) {
    fontsFor_ = QApplication::instance();
    RegisterWindowFonts();
  }
  terminated_ = false;
}

void TApplication::Shutdown() {
  DestroyComponents();
  mainForm_ = nullptr;
  if (ownQt_) fontsFor_ = nullptr;
  ownQt_.reset();
}

void TApplication::SetTitle(const AnsiString& title) {
  title_ = title;
  if (QApplication::instance()) QApplication::setApplicationDisplayName(QString::fromStdString(title));
}

void TApplication::Run() {
  if (!mainForm_ || terminated_) return;
  mainForm_->Show();
  QEventLoop loop;
  PushModalLoop(&loop);
  while (!terminated_) loop.exec();
  PopModalLoop(&loop);
}

void TApplication::Terminate() {
  terminated_ = true;
  for (QEventLoop* loop : loops_) loop->exit();
}

void TApplication::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  CheckSynchronize();
}

void TApplication::HandleMessage() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::UpdateScreen() {
  if (!QApplication::instance() || !IsWindowThread()) return;
  constexpr QEventLoop::ProcessEventsFlags kNoInput = QEventLoop::ExcludeUserInputEvents;
  QCoreApplication::processEvents(kNoInput);
  // A window system with a window manager reports an uncovered area only
  // after the manager has taken the closed window's frame away; the
  // offscreen and minimal platforms have nothing to report.
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") return;
  constexpr int kWindowManagerMs = 50;
  QEventLoop settle;
  QTimer::singleShot(kWindowManagerMs, &settle, &QEventLoop::quit);
  settle.exec(kNoInput);
}

void TApplication::Guard(TObject* sender, const std::function<void()>& fn) noexcept {
  try {
    fn();
  } catch (...) {
    HandleException(sender);
  }
}

void TApplication::HandleException(TObject* sender) noexcept {
  try {
    try {
      throw;
    } catch (const Exception& e) {
      if (OnException) OnException(sender, e);
      else ShowException(e.Message);
    } catch (const std::exception& e) {
      if (OnException) OnException(sender, e);
      else ShowException(e.what());
    } catch (...) {
      ShowException("Unknown exception");
    }
  } catch (...) {
    // The display itself failed; nothing more can be shown.
  }
}

void TApplication::ShowException(const AnsiString& message) {
  AnsiString text = message;
  if (!text.empty() && text.back() != '.') text += '.';
  Services().MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

void TApplication::SetHint(const AnsiString& hint) {
  if (hint_ == hint) return;
  hint_ = hint;
  if (OnHint) OnHint(this);
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) {
  return Services().MessageBox(text, caption, flags);
}

void TApplication::PushModalLoop(QEventLoop* loop) { loops_.push_back(loop); }

void TApplication::PopModalLoop(QEventLoop* loop) {
  loops_.erase(std::remove(loops_.begin(), loops_.end(), loop), loops_.end());
}

void TApplication::FormDestroyed(TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == mainForm_) mainForm_ = nullptr;
}

AnsiString GetShortHint(const AnsiString& hint) {
  const size_t bar = hint.find('|');
  return bar == AnsiString::npos ? hint : hint.substr(0, bar);
}

AnsiString GetLongHint(const AnsiString& hint) {
  const size_t bar = hint.find('|');
  return bar == AnsiString::npos ? hint : hint.substr(bar + 1);
}
