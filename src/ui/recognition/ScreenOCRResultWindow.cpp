#include "ui/recognition/ScreenOCRResultWindow.h"

#include <gdkmm/clipboard.h>
#include <gdkmm/display.h>
#include <gtkmm/headerbar.h>
#include <gtkmm/label.h>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/BrowserModel.h"
#include "core/Dialogs.h"
#include "platform/WindowFrameRules.h"
#include "platform/WindowPlacement.h"
#include "ui/components/Alerts.h"
#include "ui/windows/WindowFrame.h"
#include "ui/recognition/ScreenOCRResultView.h"

namespace quorvel {

ScreenOCRResultWindow::ScreenOCRResultWindow(Dialogs& dialogs, Hooks hooks)
    : dialogs_(dialogs), hooks_(std::move(hooks)) {}

ScreenOCRResultWindow::~ScreenOCRResultWindow() {
  placement_.reset();
}

void ScreenOCRResultWindow::copyText(const std::string& text) {
  if (auto display = Gdk::Display::get_default()) display->get_clipboard()->set_text(text);
}

void ScreenOCRResultWindow::makeWindow() {
  window_ = std::make_unique<Gtk::Window>();
  window_->set_title(kTitle);
  window_->set_resizable(true);
  window_->set_hide_on_close(true);  // its own close control keeps it for the next result
  window_->add_css_class("law-canvas");
  // Title and close only: a floating tool window has nothing to minimise to.
  auto* bar = Gtk::make_managed<Gtk::HeaderBar>();
  bar->set_decoration_layout(":close");
  bar->add_css_class("law-ocr-titlebar");
  auto* title = Gtk::make_managed<Gtk::Label>(kTitle);
  title->add_css_class("title");
  bar->set_title_widget(*title);
  window_->set_titlebar(*bar);
  window_->signal_map().connect([this] {
    if (!placement_) placement_ = placementFor(*window_);
    if (!placement_) return;
    // Floating above ordinary windows, centred on the main screen.
    placement_->setKeepAbove(true);
    auto screens = placement_->screenVisibleFrames();
    if (placement_->canPosition() && !screens.empty()) {
      Rect frame = placement_->frame();
      placement_->setFrame(centredOn(screens.front(), frame.width, frame.height));
    }
  });
}

void ScreenOCRResultWindow::present(const LegalOCRSignals& signals) {
  // One window serves every result: the previous result is hidden and its view
  // replaced. (Destroying the window with its header bar and making a new one left
  // GTK 4.8 with a dangling signal handler on a later clipboard read.)
  if (!window_)
    makeWindow();
  else
    window_->set_visible(false);

  auto* view = Gtk::make_managed<ScreenOCRResultView>(signals);
  view->onClose = [this, view] {
    if (view_ == view) hide();
  };
  view->onSectionAction = [this](OCRSignalSection::Kind kind, const std::string& item) { sectionAction(kind, item); };
  view->onCopyAll = [view] { copyText(view->signals().rawText); };
  view->onTextToTodo = [this, view] {
    std::string prefill = todoPrefillForText(view->signals().rawText);
    hide();
    openQuickCapture(prefill);
  };
  window_->set_child(*view);
  view_ = view;
  // The focus starts on no control, so the first key press does not select the text.
  window_->set_focus_visible(false);
  window_->present();
  window_->unset_focus();
}

void ScreenOCRResultWindow::hide() {
  if (window_) window_->set_visible(false);
}

void ScreenOCRResultWindow::sectionAction(OCRSignalSection::Kind kind, const std::string& item) {
  const std::string snippetSource = view_ ? view_->signals().rawText : std::string();
  if (kind == OCRSignalSection::Kind::dates) {
    std::string prefill = todoPrefillForItem(item, snippetSource);
    hide();
    openQuickCapture(prefill);
    return;
  }
  std::string route;
  for (const auto& section : ocrSignalSections())
    if (section.kind == kind) route = section.route;
  // The item stays on the clipboard; the page gets only its route.
  copyText(item);
  hide();
  auto browser = hooks_.browser ? hooks_.browser() : nullptr;
  if (!browser) {
    logLine(tags::kScreenOcr, "工作台尚未就绪，无法打开 " + route);
    return;
  }
  if (hooks_.showMainWindow) hooks_.showMainWindow();
  browser->loadInActive(route);
}

void ScreenOCRResultWindow::openQuickCapture(const std::string& prefill) {
  if (hooks_.showQuickCapture) {
    hooks_.showQuickCapture(prefill);
    return;
  }
  logLine(tags::kScreenOcr, "快捷记待办尚未提供，未能建待办：" + prefill);
  if (window_) dialogs_.alertOver(alertOwner(*window_), "快捷记待办暂不可用", "悬浮快记待办还没有在这个版本中提供。", {"好"}, {});
  else dialogs_.alert("快捷记待办暂不可用", "悬浮快记待办还没有在这个版本中提供。");
}

}  // namespace quorvel
