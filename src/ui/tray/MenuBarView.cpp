#include "ui/components/LawStyle.h"
#include "ui/tray/MenuBarView.h"

#include <giomm/application.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/overlay.h>
#include <gtkmm/spinner.h>
#include <gtkmm/stylecontext.h>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "ui/model/DockMenu.h"
#include "ui/model/TodoSheetRules.h"
#include "platform/WindowPlacement.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawBadges.h"
#include "ui/components/WidgetHelpers.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"
#include "ui/todos/TodoGlyphs.h"

namespace quorvel {
namespace {

void installMenuBarStyle() {
  addDisplayCssOnce("menu-bar", menuBarCss);
}

bool read(const std::function<bool()>& f) { return f && f(); }

}  // namespace

MenuBarView::MenuBarView(std::shared_ptr<BrowserModel> model, std::shared_ptr<WorkspaceViewState> view,
                         Actions actions)
    : model_(std::move(model)),
      view_(std::move(view)),
      actions_(std::move(actions)),
      content_(Gtk::Orientation::VERTICAL, 0),
      failure_(Gtk::Orientation::HORIZONTAL, 6),
      commands_(Gtk::Orientation::VERTICAL, 2) {
  installMenuBarStyle();
  window_.set_title("墨衡台");
  window_.set_decorated(false);
  window_.set_resizable(false);
  window_.add_css_class("law-menubar-window");
  setWindowIsPanel(window_, true);

  content_.add_css_class("law-menubar-view");
  content_.set_size_request(static_cast<int>(kMenuBarPanelWidth), -1);
  buildHeader();
  buildCounters();
  auto* rule = Gtk::make_managed<Gtk::Box>();
  rule->add_css_class("law-menubar-rule");
  content_.append(*rule);
  commands_.add_css_class("law-menubar-commands");
  content_.append(commands_);
  window_.set_child(content_);

  auto keys = Gtk::EventControllerKey::create();
  keys->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType) {
        if (keyval != GDK_KEY_Escape) return false;
        hide();
        return true;
      },
      false);
  window_.add_controller(keys);
  window_.property_is_active().signal_changed().connect([this] {
    // Focus moved elsewhere (a click outside): close like a menu does.
    if (window_.is_active()) wasActive_ = true;
    else if (wasActive_) hide();
  });
  window_.signal_close_request().connect(
      [this] {
        hide();
        return true;
      },
      false);

  badgesChanged_ = model_->account().badges.changed().connect([this] { sync(); });
  failureChanged_ = model_->account().badgeFailure.changed().connect([this] { sync(); });
  refreshRows();
  sync();
}

MenuBarView::~MenuBarView() = default;

void MenuBarView::refreshRowsLater() {
  // Not inside the clicked row's own signal: rebuilding removes that row.
  postToMain(scope_.guard([this] { refreshRows(); }));
}

void MenuBarView::buildHeader() {
  auto* header = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 9);
  header->add_css_class("law-menubar-header");
  auto* badge = Gtk::make_managed<BrandBadge>(28, 16);
  badge->set_valign(Gtk::Align::CENTER);
  header->append(*badge);

  auto* texts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  texts->set_valign(Gtk::Align::CENTER);
  auto* title = classedLabel(kMenuBarTitle, "law-menubar-title");
  title->set_xalign(0);
  texts->append(*title);
  auto* status = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  dot_.add_css_class("law-menubar-dot");
  dot_.set_valign(Gtk::Align::CENTER);
  status->append(dot_);
  identity_.add_css_class("law-menubar-identity");
  identity_.set_single_line_mode(true);
  identity_.set_ellipsize(Pango::EllipsizeMode::END);
  identity_.set_max_width_chars(18);
  identity_.set_xalign(0);
  status->append(identity_);
  texts->append(*status);
  texts->set_hexpand(true);
  header->append(*texts);

  auto* refresh = makeIconButton(*makeSymbolGlyph("arrow.clockwise", 11), kMenuBarRefreshTip);
  refresh->add_css_class("law-menubar-refresh");
  refresh->set_valign(Gtk::Align::CENTER);
  refresh->signal_clicked().connect([this] { model_->reads().refreshBadges(); });
  lawHandCursor(*refresh);
  header->append(*refresh);

  auto* version = classedLabel(menuBarVersionText(), "law-menubar-version");
  version->set_valign(Gtk::Align::CENTER);
  header->append(*version);
  content_.append(*header);
}

void MenuBarView::buildCounters() {
  auto* counters = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 7);
  counters->add_css_class("law-menubar-counters");
  auto* titleRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  auto* title = classedLabel(kMenuBarCountersTitle, "law-menubar-counters-title");
  title->set_hexpand(true);
  title->set_xalign(0);
  titleRow->append(*title);
  updatedAt_.add_css_class("law-menubar-counters-time");
  titleRow->append(updatedAt_);
  counters->append(*titleRow);

  failure_.add_css_class("law-menubar-failure");
  auto* glyph = makeSymbolGlyph("exclamationmark.triangle.fill", 11);
  glyph->add_css_class("law-menubar-failure-glyph");
  failure_.append(*glyph);
  failureText_.add_css_class("law-menubar-failure-text");
  // One line, cut at the end (the panel keeps its width); the tooltip has it all.
  failureText_.set_single_line_mode(true);
  failureText_.set_ellipsize(Pango::EllipsizeMode::END);
  failureText_.set_max_width_chars(1);
  failureText_.set_hexpand(true);
  failureText_.set_xalign(0);
  failure_.append(failureText_);
  retryButton_ = Gtk::make_managed<Gtk::Button>(kMenuBarRetryTitle);
  retryButton_->add_css_class("law-menubar-retry");
  retryButton_->set_valign(Gtk::Align::CENTER);
  retryButton_->signal_clicked().connect([this] { model_->reads().refreshBadges(); });
  lawHandCursor(*retryButton_);
  failure_.append(*retryButton_);
  failure_.set_visible(false);
  counters->append(failure_);

  for (const auto& kinds : menuBarBoxRows()) {
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
    row->set_homogeneous(true);
    for (TodoKind kind : kinds) {
      auto* button = Gtk::make_managed<Gtk::Button>();
      button->add_css_class("law-menubar-box");
      button->add_css_class("law-kind-" + TodoKinds::rawValue(kind));
      button->set_hexpand(true);
      button->set_tooltip_text(menuBarBoxTip(kind));
      auto* overlay = Gtk::make_managed<Gtk::Overlay>();
      auto* stack = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
      stack->set_halign(Gtk::Align::CENTER);
      stack->set_margin_top(7);
      stack->set_margin_bottom(7);
      auto* number = classedLabel("–", "law-menubar-box-number");
      stack->append(*number);
      auto* caption = classedLabel(TodoKinds::title(kind), "law-menubar-box-caption");
      caption->set_single_line_mode(true);
      stack->append(*caption);
      overlay->set_child(*stack);
      auto* mark = makeSymbolGlyph("arrow.up.right", 7.5);
      mark->add_css_class("law-menubar-box-mark");
      mark->set_halign(Gtk::Align::END);
      mark->set_valign(Gtk::Align::START);
      mark->set_margin(4);
      overlay->add_overlay(*mark);
      button->set_child(*overlay);
      button->signal_clicked().connect([this, kind] { openTodo(kind); });
      lawHandCursor(*button);
      row->append(*button);
      boxes_[kind] = Box{button, number};
    }
    counters->append(*row);
  }
  content_.append(*counters);
  counters_ = counters;
}

void MenuBarView::sync() {
  const BadgeCounts& b = model_->account().badges.get();
  identity_.set_text(menuBarIdentityLine(b));
  if (b.loginRequired) dot_.add_css_class("law-signed-out");
  else dot_.remove_css_class("law-signed-out");
  updatedAt_.set_text(b.updatedAt);
  updatedAt_.set_visible(!b.updatedAt.empty());
  // The counts stay those of the last good reply; the line says they are not current.
  const auto& failure = model_->account().badgeFailure.get();
  failure_.set_visible(failure.has_value());
  failureText_.set_text(failure.value_or(""));
  failureText_.set_tooltip_text(failure.value_or(""));
  if (failure) counters_->add_css_class("law-stale");
  else counters_->remove_css_class("law-stale");
  for (auto& [kind, box] : boxes_) {
    const long long value = todoBadgeCounter(b, kind);
    box.number->set_text(menuBarCountText(value, b.loaded));
    setAccessibleLabel(*box.button, TodoKinds::title(kind) + " " + box.number->get_text());
    if (value >= 1) box.button->add_css_class("law-has-count");
    else box.button->remove_css_class("law-has-count");
  }
}

void MenuBarView::refreshRows() {
  MenuBarRowInputs in;
  in.desktopCalendarVisible = read(actions_.desktopCalendarVisible);
  in.syncing = read(actions_.calendarSyncing);
  in.syncEnabled = read(actions_.calendarSyncEnabled);
  in.volumeMounted = read(actions_.volumeMounted);
  sections_ = menuBarSections(in);
  rows_.clear();
  while (auto* child = commands_.get_first_child()) commands_.remove(*child);
  for (size_t i = 0; i < sections_.size(); ++i) {
    const auto& section = sections_[i];
    if (i > 0) {
      auto* divider = Gtk::make_managed<Gtk::Box>();
      divider->add_css_class("law-menubar-divider");
      commands_.append(*divider);
    }
    if (!section.title.empty()) {
      auto* header = classedLabel(section.title, "law-menubar-section");
      header->set_xalign(0);
      commands_.append(*header);
    }
    for (const auto& row : section.rows) commands_.append(*makeRow(row));
  }
}

Gtk::Button* MenuBarView::makeRow(const MenuBarRow& row) {
  auto* button = Gtk::make_managed<Gtk::Button>();
  button->add_css_class("law-menubar-row");
  if (row.danger) button->add_css_class("law-danger");
  if (row.accent && *row.accent == LawTheme::gold) button->add_css_class("law-accent-gold");
  auto* overlay = Gtk::make_managed<Gtk::Overlay>();
  auto* line = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 9);
  line->add_css_class("law-menubar-row-line");

  auto* tile = Gtk::make_managed<Gtk::Box>();
  tile->add_css_class("law-menubar-tile");
  tile->set_size_request(22, 22);
  tile->set_valign(Gtk::Align::CENTER);
  tile->set_hexpand(false);
  if (row.spinning) {
    auto* spinner = Gtk::make_managed<Gtk::Spinner>();
    spinner->set_size_request(11, 11);
    spinner->set_spinning(true);
    spinner->set_hexpand(true);
    tile->append(*spinner);
  } else {
    auto* glyph = makeSymbolGlyph(row.symbol, 12);
    glyph->set_hexpand(true);
    tile->append(*glyph);
  }
  line->append(*tile);

  auto* title = classedLabel(row.title, "law-menubar-row-title");
  title->set_xalign(0);
  title->set_hexpand(true);
  title->set_single_line_mode(true);
  title->set_margin_end(6);
  line->append(*title);
  if (row.badge) {
    auto* badge = classedLabel(*row.badge, "law-menubar-badge");
    badge->add_css_class(row.badgeColor == LawTheme::warning ? "law-warning" : "law-success");
    badge->set_valign(Gtk::Align::CENTER);
    line->append(*badge);
  }
  if (row.shortcut) {
    auto* keys = classedLabel(*row.shortcut, "law-menubar-shortcut");
    keys->set_valign(Gtk::Align::CENTER);
    line->append(*keys);
  }
  auto* chevron = makeSymbolGlyph("chevron.right", 9);
  chevron->add_css_class("law-menubar-chevron");
  line->append(*chevron);
  overlay->set_child(*line);

  auto* bar = Gtk::make_managed<Gtk::Box>();
  bar->add_css_class("law-menubar-accent-bar");
  bar->set_halign(Gtk::Align::START);
  bar->set_valign(Gtk::Align::CENTER);
  bar->set_margin_start(1);
  bar->set_can_target(false);
  overlay->add_overlay(*bar);
  button->set_child(*overlay);

  if (auto action = actionFor(row.command)) {
    button->signal_clicked().connect(std::move(action));
    lawHandCursor(*button);
  } else {
    button->set_sensitive(false);
    button->set_tooltip_text("「" + row.title + "」尚未在这个版本中提供");
  }
  setAccessibleLabel(*button, row.title + (row.badge ? "（" + *row.badge + "）" : ""));
  rows_[row.command] = button;
  return button;
}

std::function<void()> MenuBarView::actionFor(MenuBarCommand command) {
  auto& a = actions_;
  switch (command) {
    case MenuBarCommand::quickCapture: return a.quickCapture;
    case MenuBarCommand::screenCapture: return a.screenCapture;
    case MenuBarCommand::quickArchive: return a.quickArchive;
    case MenuBarCommand::showMain: return [this] { activateMain(); };
    case MenuBarCommand::desktopCalendar:
      if (!a.toggleDesktopCalendar) return {};
      return [this] {
        actions_.toggleDesktopCalendar();
        refreshRowsLater();
      };
    case MenuBarCommand::search:
      return [this] {
        activateMain();
        view_->showPalette.set(true);
      };
    case MenuBarCommand::mirror:
      return [this] {
        activateMain();
        view_->showMirror.set(true);
      };
    case MenuBarCommand::openFolder:
      return a.openFolder;
    case MenuBarCommand::syncCalendar:
      if (!a.syncCalendarNow) return {};
      return [this] {
        actions_.syncCalendarNow();
        refreshRowsLater();
      };
    case MenuBarCommand::lock:
      return [this] {
        // Chosen like a menu row, the panel closes: it does not come back after the unlock.
        hide();
        activateMain();
        if (actions_.lock) actions_.lock();
        else logLine(tags::kLock, "隐私锁屏尚未就绪", LogLevel::warning);
      };
    case MenuBarCommand::checkUpdate:
      return a.checkUpdate;
    case MenuBarCommand::quit:
      if (a.quit) return a.quit;
      return [] {
        if (auto app = Gio::Application::get_default()) app->quit();
      };
  }
  return {};
}

Gtk::Button* MenuBarView::rowButton(MenuBarCommand command) const {
  auto it = rows_.find(command);
  return it == rows_.end() ? nullptr : it->second;
}

void MenuBarView::activateMain() {
  if (actions_.showMainWindow) actions_.showMainWindow();
}

void MenuBarView::openTodo(TodoKind kind) {
  activateMain();
  view_->todoKind.set(kind);
  view_->showTodo.set(true);
}

bool MenuBarView::isShown() const { return window_.get_visible(); }

void MenuBarView::toggleNear(int x, int y) {
  if (isShown()) hide();
  else showNear(x, y);
}

void MenuBarView::showNear(int x, int y) {
  // The volume and the neighbours' states are read afresh each time it opens.
  refreshRows();
  sync();
  if (window_.get_display()->is_composited()) content_.remove_css_class("law-square");
  else content_.add_css_class("law-square");
  wasActive_ = false;
  gtk_widget_realize(GTK_WIDGET(window_.gobj()));
  if (x == 0 && y == 0)
    if (auto p = pointerPosition(gtk_widget_get_display(GTK_WIDGET(window_.gobj())))) std::tie(x, y) = *p;
  int minW = 0, natW = 0, minH = 0, natH = 0, b1 = 0, b2 = 0;
  content_.measure(Gtk::Orientation::HORIZONTAL, -1, minW, natW, b1, b2);
  content_.measure(Gtk::Orientation::VERTICAL, natW, minH, natH, b1, b2);
  if (auto placement = placementFor(window_); placement && placement->canPosition())
    placement->setFrame(menuBarPanelFrame(x, y, natW, natH, placement->screenVisibleFrames()));
  window_.present();
}

void MenuBarView::hide() {
  wasActive_ = false;
  window_.set_visible(false);
}

}  // namespace quorvel
