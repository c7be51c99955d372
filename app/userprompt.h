#pragma once
// How the downloaders and the update sequence ask the user something or tell
// them something, without knowing about windows: the program installs a
// prompt that shows real message boxes and the hourglass cursor; tests
// install a scripted one. Flags and answers have the system's message box
// values, so a window layer can hand them on unchanged.
#include <string>

namespace prompt {

inline constexpr unsigned kOk = 0x00;
inline constexpr unsigned kYesNoCancel = 0x03;
inline constexpr unsigned kIconError = 0x10;
inline constexpr unsigned kIconWarning = 0x30;
inline constexpr unsigned kIconInformation = 0x40;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// Who owns a message box: the application's window, or nobody (a system box
// that comes up on its own).
enum class Owner { Application, None };

class UserPrompt {
 public:
  virtual ~UserPrompt() = default;
  // "\r\n" in text is a line break. Returns one of the answers above.
  virtual int Message(const std::string& text, const std::string& caption, unsigned flags, Owner owner) = 0;
  // The hourglass while a long call runs.
  virtual void SetBusy(bool busy) = 0;
};

// The prompt in use. Until one is installed every question is answered with
// Cancel (an OK box with OK): nothing that needs consent happens unasked.
UserPrompt& Current();
// Installs a prompt (the caller keeps ownership); null restores the default.
void Install(UserPrompt* prompt);

// Shows the box through the current prompt; true when the answer is Yes.
bool AskYes(const std::string& text, const std::string& caption, unsigned icon = 0, Owner owner = Owner::Application);
void Tell(const std::string& text, const std::string& caption, unsigned icon = 0, Owner owner = Owner::Application);

// The hourglass for the life of the object.
class BusyCursor {
 public:
  BusyCursor() { Current().SetBusy(true); }
  ~BusyCursor() { Current().SetBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace prompt
