#include "features/workspace/GlobalHotKeyManager.h"

#include <string>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/ShortcutText.h"
#include "platform/UserDefaults.h"

namespace quorvel {

namespace {

struct KeyEntry {
  int id;
  HotKeyCombo combo;
  const char* text;  // as the log shows it, in glyphs
};

// Keysyms of "n" and "o" (XK_n, XK_o).
const KeyEntry kKeys[] = {
    {GlobalHotKeyManager::kQuickCaptureId, {0x006e, hotkey::kAlt | hotkey::kShift}, "⌥⇧N（悬浮快记）"},
    {GlobalHotKeyManager::kScreenOCRId, {0x006f, hotkey::kAlt | hotkey::kShift}, "⌥⇧O（屏幕框选OCR）"},
};

}  // namespace

GlobalHotKeyManager::GlobalHotKeyManager(std::unique_ptr<HotKeys> keys, UserDefaults& defaults, AppMode mode)
    : keys_(std::move(keys)), defaults_(defaults), mode_(mode) {}

GlobalHotKeyManager::~GlobalHotKeyManager() {
  scope_.end();
  unregisterAll();
}

bool GlobalHotKeyManager::isEnabled() const { return defaults_.boolean(kEnabledKey).value_or(true); }

void GlobalHotKeyManager::setEnabled(bool on) {
  defaults_.set(kEnabledKey, on);
  if (on) registerAll();
  else unregisterAll();
}

void GlobalHotKeyManager::registerAtLaunch() {
  if (mode_ == AppMode::diagnostic || !isEnabled()) return;
  registerAll();
}

void GlobalHotKeyManager::registerAll() {
  unregisterAll();
  HotKeyResult listened = keys_->listen(scope_.guard([this](int id) { pressed(id); }));
  if (!listened.ok()) {
    logLine(tags::kHotKey, "安装事件监听失败: " + std::to_string(listened.error().code), LogLevel::warning);
    if (!listened.error().message.empty()) logLine(tags::kHotKey, listened.error().message, LogLevel::warning);
    return;
  }
  listening_ = true;

  std::string registered;
  for (const auto& key : kKeys) {
    HotKeyResult r = keys_->registerKey(key.id, key.combo);
    if (!r.ok()) {
      logLine(tags::kHotKey, linuxShortcutText(std::string("注册全局热键失败：") + key.text + "：" + r.error().message),
              LogLevel::warning);
      continue;
    }
    registered_.insert(key.id);
    if (!registered.empty()) registered += " / ";
    registered += key.text;
  }
  if (!registered.empty()) logLine(tags::kHotKey, linuxShortcutText("已注册全局热键：" + registered));
}

void GlobalHotKeyManager::unregisterAll() {
  if (!registered_.empty()) keys_->unregisterAll();
  registered_.clear();
  if (listening_) keys_->stopListening();
  listening_ = false;
}

void GlobalHotKeyManager::pressed(int id) {
  // Answer the system at once; the closures may open windows, so they run later.
  postToMain(scope_.guard([this, id] {
    if (id == kQuickCaptureId && onQuickCapture) onQuickCapture();
    else if (id == kScreenOCRId && onScreenOCR) onScreenOCR();
  }));
}

}  // namespace quorvel
