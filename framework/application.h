#pragma once
// The application object: the Qt application underneath, the message loop,
// the main form, the hint and the exception boundary.
//
// No exception ever crosses a Qt event handler: every entry from Qt into
// framework or user code runs inside Guard, which hands anything thrown to
// HandleException (OnException, or ShowException through the message box
// service), and the next event is handled normally.
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "framework/component.h"

class QApplication;
class QEventLoop;
class TForm;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // Creates the Qt application when there is none yet (the caller's
  // arguments, or a program name only). The calling thread becomes the
  // window thread.
  void Initialize();
  void Initialize(int& argc, char** argv);
  // Destroys every form the application owns, then the Qt application it
  // created.
  void Shutdown();

  const AnsiString& Title() const { return title_; }
  void SetTitle(const AnsiString& title);

  // Creates a form owned by the application; the first becomes MainForm.
  template <class T>
  void CreateForm(T*& reference) {
    reference = new T(this);
    if (!mainForm_) mainForm_ = reference;
    reference->AfterConstruction();
  }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form and runs the message loop until Terminate or the
  // main form closes.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles every pending event, then returns.
  void ProcessMessages();
  // Waits for at least one event and handles what is pending.
  void HandleMessage();
  // Brings the screen up to date before the window thread is kept busy:
  // pending paints, what closed windows uncovered (after the window system
  // has had a moment to report it) and a changed cursor. User input stays
  // queued for the message loop. Window thread only.
  void UpdateScreen();

  // Runs fn and reports whatever it throws; never throws itself.
  void Guard(TObject* sender, const std::function<void()>& fn) noexcept;
  // Reports the exception being handled (call inside a catch block).
  void HandleException(TObject* sender) noexcept;
  void ShowException(const AnsiString& message);
  std::function<void(TObject* Sender, const std::exception& E)> OnException;

  // The hint of the control under the mouse (the part after '|' when the
  // hint has two parts).
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& hint);
  TNotifyEvent OnHint;

  // Message box through the service (see services.h).
  int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags);

  // Internal: modal loops register so Terminate can end them.
  void PushModalLoop(QEventLoop* loop);
  void PopModalLoop(QEventLoop* loop);
  void FormDestroyed(TForm* form);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::unique_ptr<QApplication> ownQt_;
  const void* fontsFor_ = nullptr;
  int argc_ = 1;
  std::vector<char*> argv_;
  AnsiString title_;
  AnsiString hint_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::vector<QEventLoop*> loops_;
};

// The process's application object.
extern TApplication* Application;

// The short (before '|') and long (after '|') parts of a hint.
AnsiString GetShortHint(const AnsiString& hint);
AnsiString GetLongHint(const AnsiString& hint);
