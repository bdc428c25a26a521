#pragma once
// Keeps alerts from stacking: while an alert with a title and text is on screen, the
// same alert asked for again is not shown a second time.
#include <set>
#include <string>
#include <utility>

namespace quorvel {

class AlertGate {
 public:
  // True when the alert may be shown (it now counts as shown); false while the same
  // one is shown, which is logged as "[Quorvel][ALERT] title：text（已在显示）".
  bool open(const std::string& title, const std::string& text);
  // The alert is gone (answered or dismissed).
  void close(const std::string& title, const std::string& text);
  bool isShown(const std::string& title, const std::string& text) const;

 private:
  std::set<std::pair<std::string, std::string>> shown_;
};

}  // namespace quorvel
