#include "ui/floating/FloatingWindowManager.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "ui/model/FloatingWindows.h"
#include "core/ShortcutText.h"
#include "platform/WindowFrameRules.h"
#include "platform/UserDefaults.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {

Gtk::Window* FloatingWindowManager::window(const std::string& name) const {
  auto it = windows_.find(name);
  return it == windows_.end() ? nullptr : it->second.window.get();
}

WindowPlacement* FloatingWindowManager::placement(const std::string& name) const {
  auto it = windows_.find(name);
  return it == windows_.end() || !it->second.frame ? nullptr : it->second.frame->placement();
}

bool FloatingWindowManager::placed(const std::string& name) const {
  auto it = windows_.find(name);
  return it != windows_.end() && it->second.frame && it->second.frame->placement() && it->second.frame->settled();
}

bool FloatingWindowManager::pinned(const std::string& name) const {
  auto it = pinnedState_.find(name);
  return it != pinnedState_.end() && it->second;
}

void FloatingWindowManager::reset() {
  // Out of the tables first: whatever runs while a window and its content go finds
  // no half-removed entry.
  auto doomed = std::move(windows_);
  windows_.clear();
  closeHandlers_.clear();
  pinnedState_.clear();
  for (auto& [name, entry] : doomed) entry.frame.reset();
  doomed.clear();
}

void FloatingWindowManager::open(const std::string& name, const std::function<Gtk::Widget*()>& makeContent,
                                 std::function<void()> onUserClose) {
  const FloatingWindowSpec* spec = floatingWindowSpec(name);
  if (!spec) return;
  closeHandlers_[name] = std::move(onUserClose);

  if (auto it = windows_.find(name); it != windows_.end()) {
    // The same window with the same content: a typed query or a running task stays.
    it->second.window->present();
    return;
  }

  auto window = std::make_unique<Gtk::Window>();
  window->set_title(linuxShortcutText(spec->title));
  window->set_default_size(spec->width, spec->height);
  window->set_resizable(spec->resizable);
  if (spec->minWidth > 0) window->set_size_request(spec->minWidth, spec->minHeight);
  window->add_css_class("law-canvas");
  window->set_hide_on_close(true);
  setWindowIdentifier(*window, floatingIdentifier(name));
  window->set_child(*makeContent());
  window->signal_close_request().connect(
      [this, name] {
        saveFrame(name);
        if (auto handler = closeHandlers_[name]) postToMain(handler);
        return false;  // hide_on_close hides it
      },
      false);
  Gtk::Window* raw = window.get();
  auto& entry = windows_[name];
  entry.window = std::move(window);
  pinnedState_.try_emplace(name, spec->pinnedByDefault);
  entry.frame = std::make_unique<FrameKeeper>(
      defaults_, *raw, floatingFrameKey(name),
      [spec](const std::optional<std::string>& stored, const std::vector<Rect>& screens) -> std::optional<Rect> {
        return planFloatingFrame(*spec, stored, screens);
      });
  entry.frame->signalShown().connect([this, name](WindowPlacement& p) { p.setKeepAbove(pinned(name)); });
  windowCreated_.emit(*raw);
  raw->present();
}

void FloatingWindowManager::saveFrame(const std::string& name) {
  auto it = windows_.find(name);
  if (it != windows_.end() && it->second.frame) it->second.frame->store();
}

void FloatingWindowManager::close(const std::string& name) {
  Gtk::Window* w = window(name);
  if (!w || !w->get_visible()) return;
  // Hiding keeps the window and runs no close handler; its frame is kept as it goes.
  w->set_visible(false);
}

}  // namespace quorvel
