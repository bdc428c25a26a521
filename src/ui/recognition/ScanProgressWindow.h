#pragma once
// The scan run's progress window: which file is in hand and how far the run is.
#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/progressbar.h>
#include <gtkmm/window.h>

#include <memory>

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

// Opens one titled, non-closable window per run; installed by the composition root.
class GtkScanProgressWindows : public ScannerOCR::ProgressWindows {
 public:
  GtkScanProgressWindows();
  ~GtkScanProgressWindows() override;
  std::function<void()> open(std::shared_ptr<ScannerOCR::ProgressState> state) override;
};

void installScanProgressStyle();

}  // namespace quorvel
