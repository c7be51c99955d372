#include "app/windowprompt.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/services.h"
#include "framework/thread.h"

TWindowPrompt::TWindowPrompt() { prompt::Install(this); }

TWindowPrompt::~TWindowPrompt() { prompt::Install(nullptr); }

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
  // Nested busy calls keep the hourglass until the outermost one ends.
  busyDepth_ += busy ? 1 : -1;
  if (busyDepth_ < 0) busyDepth_ = 0;
  Screen->SetCursor(busyDepth_ > 0 ? crHourGlass : crDefault);
}
