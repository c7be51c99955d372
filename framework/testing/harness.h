#pragma once
// Driving windows in tests: scripted services in place of the Qt ones, and
// helpers that click, type, press keys and read pixels the way a user's
// input and the screen would, under QT_QPA_PLATFORM=offscreen.
#include <QByteArray>
#include <QImage>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/services.h"
#include "framework/standardcontrols.h"

// Answers message boxes and file dialogs from a script and records what
// was asked; keeps the clipboard, opened addresses, beeps and cursors.
class TScriptedServices : public TServices {
 public:
  struct Box {
    AnsiString text;
    AnsiString caption;
    unsigned flags = 0;
    int answer = 0;
  };

  // The answer to the next message box. Unscripted boxes are closed: IDOK
  // for an OK box, IDCANCEL for any other.
  void Answer(int id) { answers_.push_back(id); }
  // The files the next file dialog returns; none given cancels it.
  void ChooseFiles(std::vector<AnsiString> files) { files_.push_back(std::move(files)); }
  void CancelFileDialog() { files_.push_back(std::nullopt); }

  std::vector<Box> boxes;
  // Called while each box is up, once answered: a test looks there at what
  // the windows behind it show the user.
  std::function<void(const Box&)> whileShown;
  std::vector<TFileDialogRequest> fileRequests;
  std::vector<AnsiString> openedUrls;
  AnsiString clipboard;
  // The formats beyond the text (their text field unused).
  TClipboardData clipboardFormats;
  int beeps = 0;
  std::vector<TCursor> cursors;

  int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) override;
  bool FileDialog(const TFileDialogRequest& request, std::vector<AnsiString>& files) override;
  bool OpenUrl(const AnsiString& url) override;
  AnsiString ClipboardText() override { return clipboard; }
  void SetClipboardText(const AnsiString& text) override {
    clipboard = text;
    clipboardFormats = {};
  }
  void SetClipboardData(const TClipboardData& data) override {
    clipboardFormats = data;
    clipboard = data.text;
  }
  TClipboardData ClipboardData() override {
    TClipboardData data = clipboardFormats;
    data.text = clipboard;
    return data;
  }
  void Beep() override { ++beeps; }
  void SetScreenCursor(TCursor cursor) override { cursors.push_back(cursor); }

 private:
  std::deque<int> answers_;
  std::deque<std::optional<std::vector<AnsiString>>> files_;
};

// Installs scripted services for its lifetime.
class TScopedServices {
 public:
  TScopedServices() { InstallServices(&services_); }
  ~TScopedServices() { InstallServices(nullptr); }
  TScriptedServices* operator->() { return &services_; }
  TScriptedServices& operator*() { return services_; }

 private:
  TScriptedServices services_;
};

namespace harness {

// Handles pending events (and queued calls) of the window thread.
void ProcessEvents();
// Runs fn from the event loop once the current code waits (a modal loop,
// for instance).
void WhenIdle(std::function<void()> fn);
// The innermost form shown modally now (the last made of those in a modal
// loop); null when none is.
TForm* ModalForm();
// A left click (press and release) at a point of the control, or its
// middle.
void Click(TControl* control);
void ClickAt(TControl* control, int x, int y);
void DoubleClickAt(TControl* control, int x, int y);
void RightClickAt(TControl* control, int x, int y);
// A key press and release as the keyboard delivers them to the control's
// focused part (Qt key code, e.g. Qt::Key_Escape).
void PressKey(TWinControl* control, int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Chooses the item of a combo box as the user does from its drop-down list
// (its OnSelect and OnChange fire).
void ChooseItem(TComboBox* combo, int index);
// Types the text character by character.
void TypeText(TWinControl* control, const AnsiString& text);
// The control as it is drawn now, children included.
QImage Grab(TControl* control);
TColor PixelAt(const QImage& image, int x, int y);
// Writes a PNG of the control; false when it cannot be written.
bool SaveScreenshot(TControl* control, const AnsiString& path);
// The captions under root (root included) that do not fit the room their
// control gives them, measured in the control's font: buttons, labels,
// check and radio buttons, group boxes, and the header and cell texts of
// visible grids as they are painted (a cell shows one line). One line per
// cut caption, naming it with both sizes; empty when every caption shows
// whole.
std::vector<AnsiString> CutCaptions(TControl* root);
// Runs another program (an X client such as xclip) to its end, at most 20
// seconds, while this one keeps handling its events, so that it answers the
// program's clipboard requests; returns what the program wrote.
QByteArray RunServed(const QString& program, const QStringList& arguments, const QByteArray& input = {});

}  // namespace harness
