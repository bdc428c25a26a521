#pragma once
#include <functional>
#include <string>
#include <vector>

namespace quorvel {

// A small alert: `title` as the headline, `text` below it, one button per entry of
// `buttons` in that order. Returns at once; `onAnswer` runs on the main thread with
// the index of the button pressed, or -1 when the alert was dismissed otherwise.
// In diagnostic mode, or with QUORVEL_NO_DIALOGS=1 (tests), nothing is shown: the
// alert is logged as "[Quorvel][ALERT] title：text" and answered with -1.
void showAlert(const std::string& title, const std::string& text,
               const std::vector<std::string>& buttons = {"好"}, std::function<void(int)> onAnswer = {});

}  // namespace quorvel
