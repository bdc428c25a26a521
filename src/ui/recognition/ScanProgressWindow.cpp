#include "ui/recognition/ScanProgressWindow.h"

#include <gtkmm/application.h>
#include <gtkmm/settings.h>

#include <algorithm>
#include <set>

#include "ui/model/ThemeCss.h"
#include "ui/components/LawStyle.h"

namespace quorvel {

namespace {
std::string scanProgressCss() {
  std::string css;
  css += cssRule(".scan-progress", "background-color: " + LawTheme::surface.css() + "; padding: 18px;");
  css += cssRule(".scan-progress-badge", "background-color: " + LawTheme::primary.css() +
                                             "; border-radius: 6px; min-width: 28px; min-height: 28px;");
  css += cssRule(".scan-progress-title", "font-size: 13px; font-weight: 600; color: " + LawTheme::textPrimary.css() + ";");
  css += cssRule(".scan-progress-line", "font-size: 11px; color: " + LawTheme::textSecondary.css() + ";");
  css += cssRule(".scan-progress progressbar progress", "background-color: " + LawTheme::primary.css() +
                                                            "; border-color: " + LawTheme::primary.css() + ";");
  css += cssRule(".scan-progress progressbar trough", "min-height: 6px;");
  css += cssRule(".scan-progress progressbar progress", "min-height: 6px;");
  return css;
}
}  // namespace

void installScanProgressStyle() { addDisplayCssOnce("scan-progress", scanProgressCss); }

ScanProgressBody::ScanProgressBody(std::shared_ptr<ScannerOCR::ProgressState> state)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 12),
      state_(std::move(state)),
      icon_(lawIconKindFromSymbol("doc.text.viewfinder").value_or(LawIconKind::docs), 16, LawTheme::gold, 0.2) {
  installLawStyle();
  installScanProgressStyle();
  add_css_class("scan-progress");
  set_size_request(400, -1);
  badge_.add_css_class("scan-progress-badge");
  badge_.set_size_request(28, 28);
  badge_.set_valign(Gtk::Align::CENTER);
  badge_.set_hexpand(false);  // the icon's own expansion centres it inside the tile only
  icon_.set_halign(Gtk::Align::CENTER);
  icon_.set_valign(Gtk::Align::CENTER);
  icon_.set_hexpand(true);
  badge_.append(icon_);
  title_.add_css_class("scan-progress-title");
  title_.set_halign(Gtk::Align::START);
  line_.add_css_class("scan-progress-line");
  line_.set_halign(Gtk::Align::START);
  line_.set_ellipsize(Pango::EllipsizeMode::MIDDLE);
  line_.set_single_line_mode(true);
  line_.set_max_width_chars(48);
  texts_.append(title_);
  texts_.append(line_);
  texts_.set_valign(Gtk::Align::CENTER);
  texts_.set_hexpand(true);
  row_.append(badge_);
  row_.append(texts_);
  append(row_);
  append(bar_);
  currentChanged_ = state_->current.changed().connect([this] { refresh(); });
  nameChanged_ = state_->fileName.changed().connect([this] { refresh(); });
  refresh();
}

void ScanProgressBody::refresh() {
  int total = state_->total;
  int n = std::min(state_->current.get() + 1, total);
  line_.set_text("正在处理第 " + std::to_string(n) + "/" + std::to_string(total) + " 份：" + state_->fileName.get());
  bar_.set_fraction(std::clamp(static_cast<double>(state_->current.get()) / total, 0.0, 1.0));
}

GtkScanProgressWindows::GtkScanProgressWindows() = default;

GtkScanProgressWindows::~GtkScanProgressWindows() {
  for (auto* w : *windows_) {
    w->hide();
    delete w;
  }
  windows_->clear();
}

std::function<void()> GtkScanProgressWindows::open(std::shared_ptr<ScannerOCR::ProgressState> state) {
  auto* window = new Gtk::Window();
  window->set_title("扫描件识别");
  window->set_resizable(false);
  window->set_deletable(false);
  // The run always goes through all files: closing is refused until it ends.
  window->signal_close_request().connect([] { return true; }, false);
  auto* body = Gtk::make_managed<ScanProgressBody>(std::move(state));
  window->set_child(*body);
  if (auto app = std::dynamic_pointer_cast<Gtk::Application>(Gio::Application::get_default()))
    if (auto* parent = app->get_active_window()) window->set_transient_for(*parent);
  windows_->insert(window);
  window->present();
  // A run that ends after the windows went closes nothing.
  return [window, open = std::weak_ptr<std::set<Gtk::Window*>>(windows_)] {
    auto windows = open.lock();
    if (!windows || !windows->erase(window)) return;
    window->hide();
    delete window;
  };
}

}  // namespace quorvel
