#pragma once
// The scan run's progress window: which file is in hand and how far the run is.
#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/progressbar.h>
#include <gtkmm/window.h>

#include <memory>
#include <set>

#include "base/GLibPtr.h"
#include "features/recognition/ScannerOCR.h"
#include "ui/components/LawPrecisionIcon.h"

namespace quorvel {

// The window's content, observing one run's state.
class ScanProgressBody : public Gtk::Box {
 public:
  explicit ScanProgressBody(std::shared_ptr<ScannerOCR::ProgressState> state);
  const Gtk::Label& line() const { return line_; }
  double fraction() const { return bar_.get_fraction(); }

 private:
  void refresh();

  std::shared_ptr<ScannerOCR::ProgressState> state_;
  Gtk::Box row_{Gtk::Orientation::HORIZONTAL, 10};
  Gtk::Box badge_;
  LawPrecisionIcon icon_;
  Gtk::Box texts_{Gtk::Orientation::VERTICAL, 2};
  Gtk::Label title_{"本机识别扫描件（不出本机）"};
  Gtk::Label line_;
  Gtk::ProgressBar bar_;
  ScopedConnection currentChanged_, nameChanged_;
};

// Opens one titled, non-closable window per run; the windows still open go with it.
class GtkScanProgressWindows : public ScannerOCR::ProgressWindows {
 public:
  GtkScanProgressWindows();
  ~GtkScanProgressWindows() override;
  GtkScanProgressWindows(const GtkScanProgressWindows&) = delete;
  GtkScanProgressWindows& operator=(const GtkScanProgressWindows&) = delete;
  std::function<void()> open(std::shared_ptr<ScannerOCR::ProgressState> state) override;

 private:
  std::shared_ptr<std::set<Gtk::Window*>> windows_ = std::make_shared<std::set<Gtk::Window*>>();
};

void installScanProgressStyle();

}  // namespace quorvel
