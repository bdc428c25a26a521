#pragma once
// The quick-archive window's content: the files to file, the target proceeding and
// the upload with its outcome. A fresh view per window; an upload it started runs to
// its end (audit, inbox clean-up, navigation) even when the view is gone.
#include <glibmm/value.h>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/droptarget.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/spinner.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Task.h"
#include "core/BrowserModel.h"
#include "ui/model/QuickArchiveRules.h"
#include "ui/components/LawCard.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/editing/ScanImportButton.h"

namespace quorvel {

// One row of the target list: a plain button with check mark, title, subtitle, id.
class ArchiveTargetRow : public Gtk::Button {
 public:
  ArchiveTargetRow(const QuickArchiveTarget& target, bool active, std::function<void()> action);
  const QuickArchiveTarget& target() const { return target_; }
  bool active() const { return active_; }

 private:
  QuickArchiveTarget target_;
  bool active_;
};

class AuditLog;
class FilePanels;
class HotFolderWatcher;
class Scanner;
class WorkerPool;

// What the quick-archive view works with; all of it outlives the view and its uploads.
struct QuickArchiveServices {
  FilePanels& panels;
  HotFolderWatcher& inbox;  // files from it are moved to its archive folder once uploaded
  Scanner& scanner;
  WorkerPool& workers;
  AuditLog& audit;
};

class QuickArchiveView : public Gtk::Box {
 public:
  static constexpr int kWidth = 640, kHeight = 500;

  QuickArchiveView(const QuickArchiveServices& services, std::shared_ptr<BrowserModel> browser, std::vector<std::filesystem::path> initialFiles,
                   std::string sourceHint, bool fromHotFolder, std::function<void()> onClose);
  ~QuickArchiveView() override;

  // The drop on the file card (a GdkFileList, or uri-list text); always accepted.
  bool handleDrop(const Glib::ValueBase& value);
  // Appends the paths not yet listed, in order (drop and open panel).
  void addFiles(const std::vector<std::filesystem::path>& paths);
  // A file from the scanner or the clipboard: appended as it is, with a status text.
  void receiveScannedFile(const std::filesystem::path& path, ScanImportButton::Source source);
  void removeFile(const std::filesystem::path& path);
  void pickFiles();
  void selectTarget(long long id);
  void uploadAll();
  void close();

  const std::vector<std::filesystem::path>& files() const { return files_; }
  const std::vector<QuickArchiveTarget>& targets() const { return targets_; }
  std::vector<QuickArchiveTarget> filteredTargets() const;
  long long selectedProcID() const { return selectedProcID_; }
  long long effectiveProcID() const;
  const std::string& statusMsg() const { return statusMsg_; }
  bool uploading() const { return uploading_; }
  bool isDropTargeted() const { return isDropTargeted_; }

  LawSheetHeader& header() { return header_; }
  Gtk::Button& closeButton() { return *closeButton_; }
  Gtk::Button& addButton() { return *addButton_; }
  Gtk::Button& uploadButton() { return *uploadButton_; }
  Gtk::Entry& filterEntry() { return filter_; }
  Gtk::Entry& manualEntry() { return manual_; }
  Gtk::Label& statusLabel() { return status_; }
  Gtk::Box& fileList() { return fileRows_; }
  Gtk::Box& targetList() { return targetRows_; }
  Gtk::Label& emptyTargetsLabel() { return emptyTargets_; }
  ScanImportButton& scanButton() { return *scanButton_; }

 private:
  void buildTargets();
  void setStatus(std::string text);
  void setDropTargeted(bool on);
  void refreshFiles();
  void refreshTargets();
  void refreshFooter();
  // Runs to its end without the view (files archived, audit recorded); `report` shows
  // the outcome while the view lives.
  static Task<void> runUpload(QuickArchiveServices services, std::shared_ptr<BrowserModel> browser,
                              std::vector<std::filesystem::path> files, long long id, bool fromHotFolder,
                              std::function<void()> onClose,
                              std::function<void(const std::optional<std::string>&, long long)> report);

  QuickArchiveServices services_;
  std::shared_ptr<BrowserModel> browser_;
  bool fromHotFolder_;
  std::function<void()> onClose_;

  std::vector<std::filesystem::path> files_;
  std::vector<QuickArchiveTarget> targets_;
  long long selectedProcID_ = 0;
  bool uploading_ = false;
  std::string statusMsg_;
  bool isDropTargeted_ = false;

  LawSheetHeader header_;
  Gtk::Button* closeButton_ = nullptr;
  Gtk::Box body_;
  LawCard fileCard_;
  Gtk::Label fileTitle_;
  Gtk::Button* addButton_ = nullptr;
  ScanImportButton* scanButton_ = nullptr;
  Gtk::Box dropZone_;
  Gtk::ScrolledWindow fileScroll_;
  Gtk::Box fileRows_;
  LawCard targetCard_;
  Gtk::Entry filter_;
  Gtk::Entry manual_;
  Gtk::Label emptyTargets_;
  Gtk::ScrolledWindow targetScroll_;
  Gtk::Box targetRows_;
  Gtk::Box footer_;
  Gtk::Spinner spinner_;
  Gtk::Label status_;
  Gtk::Button* uploadButton_ = nullptr;
  Glib::RefPtr<Gtk::DropTarget> drop_;
  TaskScope scope_;
};

}  // namespace quorvel
