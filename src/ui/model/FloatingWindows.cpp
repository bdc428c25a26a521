#include "ui/model/FloatingWindows.h"

#include "platform/WindowFrameRules.h"

namespace quorvel {
namespace {
constexpr const char* kIdentifierPrefix = "floating:";
}  // namespace

const std::vector<FloatingWindowSpec>& floatingWindowSpecs() {
  static const std::vector<FloatingWindowSpec> specs = {
      {"settings", "客户端设置", 660, 660, true, 600, 520, false},
      {"todo", "我的待办与开庭预警", 860, 580, true, 720, 440, false},
      {"palette", "全局搜索 · ⌘K", 600, 460, false, 0, 0, true},
      {"shortcuts", "键盘快捷键 · ⌘/", 680, 470, false, 0, 0, false},
      {"mirror", "本地卷宗与离线镜像", 880, 580, true, 740, 460, false},
  };
  return specs;
}

const FloatingWindowSpec* floatingWindowSpec(const std::string& name) {
  for (const auto& s : floatingWindowSpecs())
    if (name == s.name) return &s;
  return nullptr;
}

std::string floatingIdentifier(const std::string& name) { return kIdentifierPrefix + name; }

std::string floatingShortName(const std::string& identifier) {
  const std::string prefix = kIdentifierPrefix;
  return identifier.rfind(prefix, 0) == 0 ? identifier.substr(prefix.size()) : identifier;
}

std::string floatingFrameKey(const std::string& name) { return "floating.frame." + name; }

Rect planFloatingFrame(const FloatingWindowSpec& spec, const std::optional<std::string>& stored,
                       const std::vector<Rect>& screens) {
  Rect main = screens.empty() ? Rect{0, 0, 1280, 800} : screens.front();
  auto saved = spec.resizable ? restorableToolFrame(stored, screens)
                              : restorableToolFrame(stored, screens, spec.width, spec.height);
  return saved ? *saved : centredOn(main, spec.width, spec.height);
}

}  // namespace quorvel
