#pragma once
// What the page area shows where there is no web view: a tab whose page was released
// to save memory, and a workspace without tabs.
#include <gtkmm.h>

#include <memory>

#include "base/GLibPtr.h"
#include "core/BrowserModel.h"

namespace quorvel {

class HibernatedView : public Gtk::Box {
 public:
  HibernatedView(std::shared_ptr<BrowserTab> tab, std::function<void()> onWake);
  Gtk::Button& wakeButton() { return *wake_; }

 private:
  void refresh();

  std::shared_ptr<BrowserTab> tab_;
  Gtk::Label title_;
  Gtk::Label note_;
  Gtk::Button* wake_ = nullptr;
  ScopedConnection titleChanged_;
};

class EmptyStateView : public Gtk::Box {
 public:
  explicit EmptyStateView(BrowserModel& browser);
  Gtk::Button& dashboardButton() { return *dashboard_; }
  Gtk::Button& casesButton() { return *cases_; }

 private:
  Gtk::Button* dashboard_ = nullptr;
  Gtk::Button* cases_ = nullptr;
};

}  // namespace quorvel
