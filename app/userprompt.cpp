#include "app/userprompt.h"

#include <atomic>

namespace prompt {
namespace {

class RefusingPrompt final : public UserPrompt {
 public:
  int Message(const std::string&, const std::string&, unsigned flags, Owner) override {
    return (flags & 0x0F) == kOk ? kAnswerOk : kAnswerCancel;
  }
  void SetBusy(bool) override {}
};

RefusingPrompt refusing;
std::atomic<UserPrompt*> installed{nullptr};

}  // namespace

UserPrompt& Current() {
  UserPrompt* prompt = installed.load();
  return prompt != nullptr ? *prompt : refusing;
}

void Install(UserPrompt* prompt) { installed.store(prompt); }

bool AskYes(const std::string& text, const std::string& caption, unsigned icon, Owner owner) {
  return Current().Message(text, caption, kYesNoCancel | icon, owner) == kAnswerYes;
}

void Tell(const std::string& text, const std::string& caption, unsigned icon, Owner owner) {
  Current().Message(text, caption, kOk | icon, owner);
}

}  // namespace prompt
