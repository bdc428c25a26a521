#pragma once
// The tool window "本地卷宗与离线镜像": the volume's state and controls, the account's
// contracts, the chosen contract's sub-folders with ticks, the differences against
// the mirror folder and the old-version backups. A view over a MirrorStore; work it
// starts runs on in the store when the view goes.
#include <gtkmm/box.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>
#include <memory>

#include "base/GLibPtr.h"
#include "features/mirror/MirrorStore.h"
#include "ui/components/LawSheetHeader.h"

namespace quorvel {

class BrowserModel;
class ToolWindowContent;

class MirrorSheet : public Gtk::Box {
 public:
  MirrorSheet(std::shared_ptr<MirrorStore> store, std::shared_ptr<BrowserModel> browser,
              std::function<void()> onClose);
  ~MirrorSheet() override;

  // What the sheet does each time it comes on screen (also run on first map).
  void appear();
  // The contracts the list shows for the search text.
  std::vector<MirrorNode> filteredContracts() const;

  Gtk::Entry& searchEntry() { return search_; }
  const MirrorStore::Counts& oldInfo() const { return oldInfo_; }

 private:
  void scheduleRender();
  void render();
  void renderVolumeBar();
  void renderList();
  void renderDetail();
  void renderFooter();
  void connectVolume();
  void disconnectVolume();
  void pickRoot();
  void close();
  // Awaits a store operation the sheet started, then counts the backups again for the
  // footer when the sheet is still there.
  template <class T>
  static Task<void> recountOldAfter(Task<T> work, std::shared_ptr<MirrorSheet*> self);

  std::shared_ptr<MirrorStore> store_;
  std::weak_ptr<BrowserModel> browser_;
  std::function<void()> onClose_;
  std::shared_ptr<MirrorSheet*> self_;
  MirrorStore::Counts oldInfo_;
  bool volumeBusy_ = false;

  LawSheetHeader header_;
  Gtk::Box pill_;
  Gtk::Box volumeBar_;
  Gtk::Box mismatch_;
  Gtk::Label mismatchText_;
  Gtk::Entry search_;
  Gtk::Label listTitle_;
  Gtk::Box list_;
  Gtk::Box detail_;
  Gtk::Box footer_;
  SourceId pending_;
  std::vector<ScopedConnection> connections_;
};

// Registers the sheet as the content of the tool window "mirror", over the workspace's
// one store.
void registerMirrorSheet(ToolWindowContent& contents, std::shared_ptr<MirrorStore> store);

}  // namespace quorvel
