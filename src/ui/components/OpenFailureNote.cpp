#include "ui/components/OpenFailureNote.h"

#include "core/Theme.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {
namespace {
std::string noteCss() {
  return ".law-open-failure { background-color: rgba(217, 119, 6, 0.08); border: 1px solid rgba(217, 119, 6, 0.35);"
         " border-radius: 6px; padding: 6px 9px; }\n"
         ".law-open-failure-message { font-size: 11.5px; font-weight: 600; color: " + LawTheme::warning.css() + "; }\n"
         ".law-open-failure-path { font-family: monospace; font-size: 10.5px; color: " + LawTheme::textSecondary.css() +
         "; }\n";
}
}  // namespace

OpenFailure missingFolder(const std::string& path) { return {path, "这个文件夹不存在，可能已被移动或删除"}; }

OpenFailureNote::OpenFailureNote() : Gtk::Box(Gtk::Orientation::VERTICAL, 2) {
  addDisplayCssOnce("open-failure-note", noteCss);
  add_css_class("law-open-failure");
  message_.add_css_class("law-open-failure-message");
  message_.set_xalign(0);
  message_.set_wrap(true);
  path_.add_css_class("law-open-failure-path");
  path_.set_xalign(0);
  path_.set_wrap(true);
  path_.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
  // So the path can be copied into a file manager or a terminal.
  path_.set_selectable(true);
  append(message_);
  append(path_);
  set_visible(false);
}

bool OpenFailureNote::open(Desktop& desktop, const std::string& uri) {
  auto failure = desktop.tryOpen(uri);
  report(failure);
  return !failure;
}

void OpenFailureNote::report(const std::optional<OpenFailure>& failure) {
  if (!failure) {
    set_visible(false);
    return;
  }
  message_.set_text("无法打开：" + failure->reason);
  path_.set_text(failure->target);
  setAccessibleLabel(path_, "路径 " + failure->target);
  set_visible(true);
}

}  // namespace quorvel
