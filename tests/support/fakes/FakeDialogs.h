#pragma once
// Dialogs that record every alert and answer with the button a test chose.
#include <string>
#include <vector>

#include "base/MainQueue.h"
#include "core/Dialogs.h"

namespace quorvel::test {

class FakeDialogs : public Dialogs {
 public:
  struct Shown {
    std::string title, text;
    std::vector<std::string> buttons;
    AlertOwner owner;  // empty: over whichever window is focused
  };
  std::vector<Shown> shown;
  int answer = -1;

  void alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
             std::function<void(int)> onAnswer) override {
    shown.push_back({title, text, buttons, {}});
    if (onAnswer) postToMain([onAnswer, a = answer] { onAnswer(a); });
  }
  void alertOver(AlertOwner owner, const std::string& title, const std::string& text,
                 const std::vector<std::string>& buttons, std::function<void(int)> onAnswer) override {
    alert(title, text, buttons, std::move(onAnswer));
    shown.back().owner = owner;
  }
};

}  // namespace quorvel::test
