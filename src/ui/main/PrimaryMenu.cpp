#include "ui/main/PrimaryMenu.h"

#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/separator.h>

#include <cmath>

#include "core/ShortcutText.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {

namespace {
void installMenuStyle() {
  addDisplayCssOnce("primary-menu", [] {
    return std::string(
        ".law-menu-list button.flat { min-height: 24px; padding: 3px 10px; border-radius: 6px; }"
        ".law-menu-list separator { margin: 4px 6px; }");
  });
}
}  // namespace

PrimaryMenu::PrimaryMenu(std::vector<MenuCommand> commands) : commands_(std::move(commands)) {
  installMenuStyle();
  list_.add_css_class("law-menu-list");
  set_icon_name("open-menu-symbolic");
  nameIconControl(*this, "主菜单");
  add_css_class("flat");
  add_css_class("law-primary-menu");
  set_valign(Gtk::Align::CENTER);
  list_.set_margin(6);
  for (const auto& c : commands_) {
    if (c.separatorBefore) {
      list_.append(*Gtk::make_managed<Gtk::Separator>(Gtk::Orientation::HORIZONTAL));
      titles_.push_back("—");
    }
    if (c.fontSizes)
      addFontSizes(c);
    else
      addRow(c);
    titles_.push_back(c.title);
  }
  scroller_.set_child(list_);
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller_.set_propagate_natural_height(true);
  scroller_.set_propagate_natural_width(true);
  // Long menus scroll on short screens instead of running off them.
  scroller_.set_max_content_height(720);
  popover_.set_child(scroller_);
  popover_.set_has_arrow(false);
  set_popover(popover_);
  setFontScale(1.0);
}

void PrimaryMenu::addRow(const MenuCommand& command) {
  auto* button = Gtk::make_managed<Gtk::Button>();
  button->add_css_class("flat");
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 24);
  auto* title = Gtk::make_managed<Gtk::Label>(command.title);
  title->set_xalign(0);
  title->set_hexpand(true);
  row->append(*title);
  if (!command.shortcut.empty()) {
    auto* keys = Gtk::make_managed<Gtk::Label>(linuxShortcutText(command.shortcut));
    keys->add_css_class("dim-label");
    row->append(*keys);
  }
  button->set_child(*row);
  setAccessibleLabel(*button, command.title);
  button->signal_clicked().connect([this, action = command.action] { run(action); });
  list_.append(*button);
}

void PrimaryMenu::addFontSizes(const MenuCommand& command) {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  row->set_margin_start(10);
  row->set_margin_end(6);
  row->set_margin_top(2);
  row->set_margin_bottom(2);
  auto* title = Gtk::make_managed<Gtk::Label>(command.title);
  title->set_xalign(0);
  title->set_hexpand(true);
  row->append(*title);
  auto* group = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 0);
  group->add_css_class("linked");
  Gtk::ToggleButton* first = nullptr;
  for (const auto& choice : fontSizeChoices()) {
    auto* b = Gtk::make_managed<Gtk::ToggleButton>(choice.title);
    if (first)
      b->set_group(*first);
    else
      first = b;
    b->signal_toggled().connect([this, b, scale = choice.scale, action = command.action] {
      if (syncing_ || !b->get_active()) return;
      run(action, Glib::Variant<double>::create(scale));
    });
    group->append(*b);
    sizes_.push_back(b);
  }
  row->append(*group);
  list_.append(*row);
}

void PrimaryMenu::setFontScale(double scale) {
  syncing_ = true;
  const auto& choices = fontSizeChoices();
  for (size_t i = 0; i < sizes_.size() && i < choices.size(); ++i)
    sizes_[i]->set_active(std::abs(choices[i].scale - scale) < 0.001);
  syncing_ = false;
}

std::vector<std::string> PrimaryMenu::entryTitles() const { return titles_; }

void PrimaryMenu::choose(const std::string& action) { run(action); }

void PrimaryMenu::run(const std::string& action, const Glib::VariantBase& parameter) {
  popover_.popdown();
  activate_action("app." + action, parameter);
}

}  // namespace quorvel
