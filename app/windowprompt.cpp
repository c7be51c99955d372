#include "app/windowprompt.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/services.h"
#include "framework/thread.h"

TWindowPrompt::TWindowPrompt() { prompt::Install(this); }

TWindowPrompt::~TWindowPrompt() {
  // The cursors go back in the order they came.
  while (!busy_.empty()) busy_.pop_back();
  prompt::Install(nullptr);
}

int TWindowPrompt::Message(const std::string& text, const std::string& caption, unsigned flags,
                           prompt::Owner owner) {
  int answer = prompt::kAnswerCancel;
  auto show = [&] {
    answer = owner == prompt::Owner::None ? ::MessageBox(nullptr, text, caption, flags)
                                          : Application->MessageBox(text, caption, flags);
  };
  if (IsWindowThread()) {
    show();
  } else {
    TThread::Synchronize(nullptr, show);
  }
  return answer;
}

void TWindowPrompt::SetBusy(bool busy) {
  if (busy) {
    busy_.push_back(std::make_unique<TBusyCursor>());
  } else if (!busy_.empty()) {
    busy_.pop_back();
  }
}
