#pragma once
// Services that block or reach outside the program: message boxes, file
// dialogs, opening a web address, the clipboard, the beep and the screen
// cursor. The program reaches them only through Services(), so tests
// install scripted responders in place of the Qt ones.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/sysutils.h"

// Message box buttons, icons and answers.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_OKCANCEL = 0x01;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x02;
inline constexpr unsigned MB_YESNOCANCEL = 0x03;
inline constexpr unsigned MB_YESNO = 0x04;
inline constexpr unsigned MB_RETRYCANCEL = 0x05;
inline constexpr unsigned MB_ICONHAND = 0x10;
inline constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
inline constexpr unsigned MB_ICONERROR = MB_ICONHAND;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr unsigned MB_ICONASTERISK = 0x40;
inline constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;
inline constexpr unsigned MB_APPLMODAL = 0x0000;
inline constexpr unsigned MB_SYSTEMMODAL = 0x1000;
inline constexpr unsigned MB_TASKMODAL = 0x2000;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// What a file dialog is asked for; the filter is in the framework's form
// "Description|*.A;*.B|Other|*.*".
struct TFileDialogRequest {
  bool save = false;
  bool allowMultiSelect = false;
  AnsiString title;
  AnsiString filter;
  int filterIndex = 1;
  AnsiString initialDir;
  AnsiString defaultExt;
  AnsiString fileName;
};

// Clipboard contents in several formats at once: plain text, an HTML
// fragment (the markup itself) and further formats by MIME type, such as a
// control's private format, as raw bytes.
struct TClipboardData {
  AnsiString text;
  AnsiString html;  // empty: no HTML
  std::map<AnsiString, std::string> formats;
  bool operator==(const TClipboardData&) const = default;
};

// The key in TClipboardData::formats of a private format that a program
// names rather than gives a MIME type ("TVudUvizidIzed Cells"): Qt's MIME
// type for a named format, which Qt places under exactly that name on
// systems whose clipboard formats are named, and under this type on X11.
AnsiString NamedClipboardFormat(const AnsiString& name);

class TServices {
 public:
  virtual ~TServices() = default;
  // Returns IDOK, IDYES, ...; a box closed without an answer gives IDCANCEL
  // (IDOK for a box with only an OK button). "\r\n" in text is a line break.
  virtual int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) = 0;
  // False when cancelled; otherwise the chosen files.
  virtual bool FileDialog(const TFileDialogRequest& request, std::vector<AnsiString>& files) = 0;
  // Hands the address to the desktop's handler, never to a shell.
  virtual bool OpenUrl(const AnsiString& url) = 0;
  virtual AnsiString ClipboardText() = 0;
  virtual void SetClipboardText(const AnsiString& text) = 0;
  // Replaces the clipboard's contents with every format of data.
  virtual void SetClipboardData(const TClipboardData& data) = 0;
  // What the clipboard holds, whichever program put it there.
  virtual TClipboardData ClipboardData() = 0;
  virtual void Beep() = 0;
  virtual void SetScreenCursor(TCursor cursor) = 0;
};

// The services in use: the Qt ones unless others are installed.
TServices& Services();
// Installs services (the caller keeps ownership); null restores Qt's.
void InstallServices(TServices* services);

// The Qt implementation.
class TQtServices : public TServices {
 public:
  int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) override;
  bool FileDialog(const TFileDialogRequest& request, std::vector<AnsiString>& files) override;
  bool OpenUrl(const AnsiString& url) override;
  AnsiString ClipboardText() override;
  void SetClipboardText(const AnsiString& text) override;
  void SetClipboardData(const TClipboardData& data) override;
  TClipboardData ClipboardData() override;
  void Beep() override;
  void SetScreenCursor(TCursor cursor) override;

 private:
  bool overridden_ = false;
};

// ---- Helpers the services share ----

// The patterns of the filter entry filterIndex (1-based), "*.H86;*.HEX".
AnsiString FilterPatterns(const AnsiString& filter, int filterIndex);
// Whether a file name (without directories) matches one of the ';'
// separated wildcard patterns, ignoring case.
bool MatchesFilter(const AnsiString& fileName, const AnsiString& patterns);
// Addresses that may be handed on: http, https, ftp, mailto and file URLs.
bool IsOpenableUrl(const AnsiString& url);

// ---- The framework's free functions over the services ----
// A message box without an owner window.
int MessageBox(void* ownerWindow, const AnsiString& text, const AnsiString& caption, unsigned flags);
void ShowMessage(const AnsiString& text);
void MessageBeep(unsigned type = 0);
