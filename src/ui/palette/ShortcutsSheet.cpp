#include "ui/palette/ShortcutsSheet.h"

#include <gtkmm/window.h>

#include "ui/components/LawButtons.h"
#include "ui/components/LawSectionTitle.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/model/ShortcutSheetRows.h"

namespace quorvel {

namespace {
constexpr double kCardPadding = 13;
constexpr int kGridInset = 14;
constexpr int kGridGap = 12;
constexpr int kHeadingGap = 6;
constexpr int kRowGap = 7;
constexpr int kRowItemGap = 8;
constexpr int kMinKeyGap = 4;
constexpr int kHeadingIconSize = 13;

}  // namespace

ShortcutsSheet::ShortcutsSheet(std::function<void()> onClose)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      onClose_(std::move(onClose)),
      header_(kShortcutsSheetTitle, kShortcutsSheetSubtitle, kShortcutsSheetIcon),
      escape_(*this, [this] { done(); }) {
  add_css_class("law-shortcuts-sheet");
  done_ = makeLawPrimaryButton(kShortcutsSheetDone, true);
  done_->signal_clicked().connect([this] { done(); });
  header_.addTrailing(*done_);
  append(header_);

  body_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  body_.set_vexpand(true);
  body_.add_css_class("law-canvas");
  grid_.set_margin(kGridInset);
  grid_.set_column_homogeneous(true);
  grid_.set_column_spacing(kGridGap);
  grid_.set_row_spacing(kGridGap);
  grid_.set_valign(Gtk::Align::START);
  body_.set_child(grid_);
  append(body_);

  const auto& groups = shortcutSheetGroups();
  for (size_t i = 0; i < groups.size(); ++i) {
    const auto& group = groups[i];
    auto* card = Gtk::make_managed<LawCard>(kCardPadding);
    // The shorter card of a grid row keeps its height, centred beside the taller one.
    card->set_valign(Gtk::Align::CENTER);

    auto* heading = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kHeadingGap);
    auto* icon = makeLawSymbolIcon(group.icon, kHeadingIconSize, LawTheme::primary, "law-shortcut-card-icon");
    icon->set_valign(Gtk::Align::CENTER);
    heading->append(*icon);
    auto* title = Gtk::make_managed<Gtk::Label>(group.title);
    title->add_css_class("law-shortcut-card-title");
    title->set_valign(Gtk::Align::CENTER);
    heading->append(*title);
    card->addContent(*heading);

    auto* divider = Gtk::make_managed<Gtk::Box>();
    divider->add_css_class("law-hairline");
    divider->set_hexpand(true);
    card->addContent(*divider);

    auto* list = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, kRowGap);
    list->set_hexpand(true);
    std::vector<Row> rows;
    for (const auto& row : group.rows) {
      auto* line = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kRowItemGap);
      auto* description = Gtk::make_managed<Gtk::Label>(row.description);
      description->add_css_class("law-shortcut-description");
      description->set_xalign(0);
      // Whole, on a second line where the Linux key text leaves too little room.
      description->set_wrap(true);
      description->set_wrap_mode(Pango::WrapMode::WORD_CHAR);
      description->set_hexpand(true);
      description->set_valign(Gtk::Align::CENTER);
      line->append(*description);
      auto* gap = Gtk::make_managed<Gtk::Box>();
      gap->set_size_request(kMinKeyGap, -1);
      gap->set_hexpand(true);
      line->append(*gap);
      auto* cap = Gtk::make_managed<Gtk::Label>(shortcutKeyCapText(row));
      cap->add_css_class("law-shortcut-keycap");
      cap->set_valign(Gtk::Align::CENTER);
      line->append(*cap);
      list->append(*line);
      rows.push_back({description, cap});
    }
    card->addContent(*list);

    grid_.attach(*card, static_cast<int>(i % 2), static_cast<int>(i / 2));
    cards_.push_back(card);
    rows_.push_back(std::move(rows));
  }
}

ShortcutsSheet::~ShortcutsSheet() = default;

void ShortcutsSheet::done() {
  if (onClose_) {
    onClose_();
    return;
  }
  if (auto* window = dynamic_cast<Gtk::Window*>(get_root())) window->close();
}

void registerShortcutsSheet(ToolWindowContent& contents) {
  contents.registerFactory("shortcuts", [](const std::shared_ptr<BrowserModel>&, std::function<void()> close) {
    return Gtk::make_managed<ShortcutsSheet>(std::move(close));
  });
}

}  // namespace quorvel
