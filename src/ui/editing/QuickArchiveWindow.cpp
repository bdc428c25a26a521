#include "ui/editing/QuickArchiveWindow.h"

#include <glibmm/main.h>
#include <gtkmm/eventcontrollerkey.h>

#include <algorithm>

#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/UserDefaults.h"
#include "platform/WindowFrameRules.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {

QuickArchiveWindow::~QuickArchiveWindow() { reset(); }

void QuickArchiveWindow::open(const std::vector<std::filesystem::path>& urls, const std::string& sourceHint,
                              bool fromHotFolder) {
  if (!model_) {
    logLine(tags::kArchive, "快速归档没有可用的工作区，未打开", LogLevel::warning);
    return;
  }
  if (window_) window_->set_visible(false);
  // The main window, looked up before this window exists (it is never taken for it).
  Gtk::Window* main = mainWindow_.findMainWindow();

  auto window = std::make_unique<Gtk::Window>();
  window->set_title(kTitle);
  setWindowIdentifier(*window, kIdentifier);
  window->set_default_size(QuickArchiveView::kWidth, QuickArchiveView::kHeight);
  window->set_resizable(true);
  window->set_hide_on_close(true);
  window->add_css_class("law-canvas");
  if (main && main->get_visible()) window->set_transient_for(*main);

  // Orders this window out, and nothing once a later open() replaced it.
  const unsigned generation = ++generation_;
  // An upload's close may come after the window's owner is gone.
  auto onClose = scope_.guard([this, generation] {
    if (generation_ == generation && window_) window_->set_visible(false);
  });
  view_ = Gtk::make_managed<QuickArchiveView>(services_, model_, urls, sourceHint, fromHotFolder, onClose);
  window->set_child(*view_);

  auto keys = Gtk::EventControllerKey::create();
  keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  keys->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType) {
        if (keyval != GDK_KEY_Escape || !view_) return false;
        if (view_->scanButton().popover().get_visible()) return false;  // Escape closes the menu first
        view_->close();
        return true;
      },
      false);
  window->add_controller(keys);
  window->signal_map().connect([this] { place(); });

  // The old window goes only now: its view may be the caller (a drop on it).
  frame_.reset();
  window_.swap(window);
  if (defaults_)
    frame_ = std::make_unique<FrameKeeper>(*defaults_, *window_, kFrameKey,
                                           [](const std::optional<std::string>& stored, const std::vector<Rect>& screens) {
                                             return restorableToolFrame(stored, screens);
                                           });
  if (window) {
    Gtk::Window* old = window.release();
    Glib::signal_idle().connect_once([old] { delete old; });
  }
  logLine(tags::kArchive, "打开快速归档（" + std::to_string(urls.size()) + " 个文件）");
  windowCreated_.emit(*window_);
  window_->present();
}

// Above the other windows, centred on the main window or else on the screen.
void QuickArchiveWindow::place() {
  if (!window_) return;
  auto placement = placementFor(*window_);
  if (!placement) return;
  placement->setKeepAbove(true);
  if (!placement->canPosition()) return;
  if (frame_ && defaults_ && restorableToolFrame(defaults_->string(kFrameKey), placement->screenVisibleFrames()))
    return;  // back where it was left
  const double w = std::max(window_->get_width(), QuickArchiveView::kWidth);
  const double h = std::max(window_->get_height(), QuickArchiveView::kHeight);
  Rect area;
  if (Gtk::Window* parent = window_->get_transient_for()) {
    if (auto p = placementFor(*parent)) area = p->frame();
  }
  if (area.width <= 0 || area.height <= 0) {
    auto screens = placement->screenVisibleFrames();
    if (screens.empty()) return;
    area = screens.front();
  }
  placement->setFrame(Rect{area.x + (area.width - w) / 2, area.y + (area.height - h) / 2, w, h});
}

void QuickArchiveWindow::reset() {
  ++generation_;
  view_ = nullptr;
  frame_.reset();
  window_.reset();
}

}  // namespace quorvel
