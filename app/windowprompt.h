#pragma once
// The program's prompt: the questions and messages of the downloaders and the
// update sequence become message boxes of the framework's services, and the
// busy state becomes the application's hourglass.
#include <memory>
#include <vector>

#include "app/userprompt.h"

class TBusyCursor;

class TWindowPrompt : public prompt::UserPrompt {
 public:
  // Installs itself for its lifetime.
  TWindowPrompt();
  ~TWindowPrompt() override;
  TWindowPrompt(const TWindowPrompt&) = delete;
  TWindowPrompt& operator=(const TWindowPrompt&) = delete;

  // Shown on the window thread; a caller on another thread waits for the answer.
  int Message(const std::string& text, const std::string& caption, unsigned flags, prompt::Owner owner) override;
  // The framework's busy cursor, one scope per nested call: each long step
  // begins with the screen brought up to date.
  void SetBusy(bool busy) override;

 private:
  std::vector<std::unique_ptr<TBusyCursor>> busy_;
};
