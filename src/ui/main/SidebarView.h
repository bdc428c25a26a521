#pragma once
// The main window's dark sidebar: brand header, the service's pages in titled
// sections, recent proceedings, the pinned to-do card and the account footer. A pure
// view: the owner hands it a SidebarInput (ui/model/Sidebar.h) on every change of the
// model, and every click leaves through one of the four signals.

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/overlay.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/viewport.h>

#include <string>
#include <vector>

#include "ui/model/Sidebar.h"
#include "ui/components/LawPrecisionIcon.h"

namespace quorvel {

class SidebarView : public Gtk::Box {
 public:
  // A navigation or recent-proceeding row; not a button (no keyboard focus).
  class Row : public Gtk::Overlay {
   public:
    Row(const NavItem& item, bool muted, double scale);
    const std::string& path() const { return item_.path; }
    const std::string& title() const { return item_.title; }
    bool muted() const { return muted_; }
    bool selected() const { return selected_; }
    void setSelected(bool selected);
    LawPrecisionIcon& icon() { return icon_; }
    sigc::signal<void()>& signalActivate() { return activate_; }

   private:
    NavItem item_;
    bool muted_;
    bool selected_ = false;
    Gtk::Box content_;
    Gtk::Box iconFrame_;
    LawPrecisionIcon icon_;
    Gtk::Label title_;
    Gtk::Box accent_;
    sigc::signal<void()> activate_;
  };

  // A to-do pill, large (first row) or small (second row).
  class Pill : public Gtk::Button {
   public:
    Pill(TodoKind kind, bool large);
    TodoKind kind() const { return kind_; }
    bool large() const { return large_; }
    void set(long long value, bool loaded, double scale);
    std::string countText() const { return count_.get_text(); }
    std::string titleText() const { return title_.get_text(); }

   private:
    TodoKind kind_;
    bool large_;
    double scale_ = 0;
    Gtk::Box content_;
    Gtk::Box dot_;
    Gtk::Label title_;
    Gtk::Box spacer_;
    Gtk::Label count_;
  };

  SidebarView();
  explicit SidebarView(const SidebarInput& input);
  ~SidebarView() override;

  // Shows `input`; only the parts whose inputs changed are touched (the rows are
  // rebuilt when the entries, the recents or the scale change).
  void update(const SidebarInput& input);
  const SidebarInput& input() const { return input_; }

  sigc::signal<void(const std::string&)>& signalSelect() { return select_; }
  sigc::signal<void(TodoKind)>& signalTodo() { return todo_; }
  sigc::signal<void()>& signalSettings() { return settings_; }
  sigc::signal<void()>& signalSwitchAccount() { return switchAccount_; }
  // "重试" under a failed refresh of the counts.
  sigc::signal<void()>& signalRetry() { return retry_; }

  // What is shown, for tests and renders.
  std::vector<std::string> sectionTitles() const;
  const std::vector<Row*>& rows() const { return rows_; }  // display order
  Row* row(const std::string& path) const;                 // the first row of that path
  Pill& pill(TodoKind kind);
  bool todoCardShown() const;
  bool refreshFailureShown() const { return failure_.get_visible(); }
  std::string refreshFailureText() const { return failureText_.get_text(); }
  Gtk::Button& retryButton() { return *retryButton_; }
  bool loginHintShown() const;
  bool navScrolls() const;
  std::string avatarText() const { return initial_.get_text(); }
  std::string accountName() const { return name_.get_text(); }
  std::string accountSubtitle() const { return subtitle_.get_text(); }
  std::string versionText() const { return version_.get_text(); }
  std::string updatedAtText() const { return updatedAt_.get_visible() ? std::string(updatedAt_.get_text()) : ""; }
  Gtk::Button& settingsButton() { return *settingsButton_; }
  Gtk::Button& switchAccountButton() { return *switchAccountButton_; }

 private:
  void build();
  void updateBrand(const SidebarInput& in);
  void placeNav(bool scrollable);
  void rebuildNav(const SidebarInput& in);
  void updateSelection(const std::string& selectedPath);
  void updateCard(const SidebarInput& in, bool rescale);
  void updateFooter(const SidebarInput& in, bool rescale);
  Gtk::Button* makeFooterButton(Gtk::Widget& glyph, const char* tip);

  SidebarInput input_;
  bool shown_ = false;

  // Brand header.
  Gtk::Box brand_{Gtk::Orientation::VERTICAL};
  Gtk::Box trafficBand_;
  Gtk::Box brandRow_{Gtk::Orientation::HORIZONTAL, 11};
  Gtk::Label brandTitle_;
  Gtk::Label brandSubtitle_;

  // Navigation.
  Gtk::Box navSlot_{Gtk::Orientation::VERTICAL};
  Gtk::ScrolledWindow scroller_;
  Gtk::Viewport viewport_{Glib::RefPtr<Gtk::Adjustment>{}, Glib::RefPtr<Gtk::Adjustment>{}};
  Gtk::Box nav_{Gtk::Orientation::VERTICAL};
  Gtk::Box navSpacer_;
  std::vector<Gtk::Label*> sections_;
  std::vector<Row*> rows_;

  // Pinned to-do card.
  Gtk::Box cardDivider_;
  Gtk::Box card_{Gtk::Orientation::VERTICAL, 7};
  Gtk::Label cardTitle_;
  Gtk::Label updatedAt_;
  Gtk::Box failure_{Gtk::Orientation::HORIZONTAL, 4};
  Gtk::Label failureText_;
  Gtk::Button* retryButton_ = nullptr;
  std::vector<Pill*> pills_;

  // Account footer.
  Gtk::Box footerDivider_;
  Gtk::Box footer_{Gtk::Orientation::VERTICAL};
  Gtk::Box loginHint_{Gtk::Orientation::HORIZONTAL, 6};
  Gtk::Label loginHintText_;
  Gtk::Widget* keyGlyph_ = nullptr;
  Gtk::Label initial_;
  Gtk::Box statusDot_;
  Gtk::Label name_;
  Gtk::Label subtitle_;
  Gtk::Label version_;
  Gtk::Button* switchAccountButton_ = nullptr;
  Gtk::Button* settingsButton_ = nullptr;

  sigc::signal<void(const std::string&)> select_;
  sigc::signal<void(TodoKind)> todo_;
  sigc::signal<void()> settings_;
  sigc::signal<void()> switchAccount_;
  sigc::signal<void()> retry_;
};

// Adds the sidebar's style sheet to the default display once (needs GTK).
void installSidebarStyle();

}  // namespace quorvel
