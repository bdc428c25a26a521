#pragma once
// The sample workspace the view renders show: a workspace model, its view state and a
// mirror store filled with fixed sample data. They keep their settings in a file of
// their own in a private folder, removed with them: nothing of the samples reaches the
// user's settings, mirror folder or the network.
#include <gtkmm/widget.h>

#include <filesystem>
#include <memory>
#include <string>

#include "features/mirror/MirrorStore.h"
#include "ui/main/WorkspaceTopBar.h"
#include "ui/model/Sidebar.h"

namespace quorvel {

class BrowserModel;
class UserDefaults;
class WorkspaceViewState;

class PreviewSamples {
 public:
  // The model records into `services.audit` and decodes on its workers; the mirror
  // store shows dialogs and reads the volume through `services`.
  explicit PreviewSamples(const MirrorServices& services);
  ~PreviewSamples();
  PreviewSamples(const PreviewSamples&) = delete;
  PreviewSamples& operator=(const PreviewSamples&) = delete;

  const std::shared_ptr<BrowserModel>& model() const { return model_; }
  const std::shared_ptr<WorkspaceViewState>& view() const { return view_; }
  // Made on first use.
  const std::shared_ptr<MirrorStore>& mirror();
  // Publishes the sample's deadline lists (on a later turn) as a good refresh does:
  // a view that tried to refresh them without a page shows them as current again.
  void publishDeadlines();

  // The sample's deadline lists as the service sends them.
  static const char* const kDeadlinesJson;
  // The mirror store's status line; the sheet sets its own when it comes up, the render
  // puts this one back through the store.
  static constexpr const char* kMirrorProgress = "发现 2 个差异（缺 1 / 更新 1）";

 private:
  std::filesystem::path folder_;
  std::unique_ptr<UserDefaults> defaults_;
  MirrorServices services_;
  std::shared_ptr<BrowserModel> model_;
  std::shared_ptr<WorkspaceViewState> view_;
  std::shared_ptr<MirrorStore> mirror_;
};

// The sidebar's input over the sample model: its entries, recents and counts, "/cases"
// selected, the traffic-light band.
SidebarInput sampleSidebarInput(const BrowserModel& model);
// The sidebar over the sample model (managed).
Gtk::Widget* sampleSidebar(const BrowserModel& model);
// The sidebar beside the top bar, its hairline and the empty page area (managed).
// `tools`: what the top bar reads of the desktop (its actions do nothing here).
Gtk::Widget* sampleWorkspace(PreviewSamples& samples, TopBarTools tools);

}  // namespace quorvel
