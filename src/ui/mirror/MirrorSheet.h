#pragma once
// The tool window "本地卷宗与离线镜像": the volume's state and controls, the account's
// contracts, the chosen contract's sub-folders with ticks, the differences against
// the mirror folder and the old-version backups. A view over a MirrorStore; work it
// starts runs on in the store when the view goes. The contracts, and the detail's
// folders and differences, are rows of list views (widgets only for those on screen);
// a new list or filter splices what changed, and a store change redraws only the parts
// whose shown values it changed.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/gridview.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>
#include <memory>
#include <optional>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "features/mirror/MirrorStore.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/components/OpenFailureNote.h"
#include "ui/lists/RowList.h"
#include "ui/model/FoldedTexts.h"
#include "ui/model/MirrorDetailRows.h"

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
  // The contracts' list view and the number of contracts it lists.
  Gtk::GridView& contractList() { return *list_; }
  int contractCount() const { return static_cast<int>(rows_.size()); }
  std::size_t listSplices() const { return rows_.splices(); }
  const MirrorStore::Counts& oldInfo() const { return oldInfo_; }
  // The detail's one list (folder card, difference card) and its scroll.
  Gtk::GridView& detailList() { return *detailList_; }
  Gtk::ScrolledWindow& detailScroll() { return detailScroll_; }
  const RowStore<MirrorDetailRow>& detailRows() const { return detailRows_; }
  // How often the header bar's shown values changed, and how many row widgets the
  // detail's list has made (tests, the benchmark).
  std::size_t detailBarUpdates() const { return detailBarUpdates_; }
  std::size_t detailRowsMade() const { return detailRowsMade_; }

 private:
  void scheduleRender();
  void render();
  void renderVolumeBar();
  void renderList();
  void buildDetail();
  void renderDetail();
  void renderFooter();
  void connectVolume();
  void disconnectVolume();
  // A mount or unmount the sheet started has ended.
  void volumeEnded();
  void pickRoot();
  void close();
  // Awaits a store operation the sheet started, then counts the backups again for the
  // footer when the sheet is still there. The operation runs to its end without the sheet.
  template <class T>
  void recountOldAfter(Task<T> work);

  std::shared_ptr<MirrorStore> store_;
  std::weak_ptr<BrowserModel> browser_;
  std::function<void()> onClose_;
  MirrorStore::Counts oldInfo_;
  bool volumeBusy_ = false;

  LawSheetHeader header_;
  Gtk::Box pill_;
  Gtk::Box volumeBar_;
  // Why "文件管理器打开" opened nothing, with the path to copy.
  OpenFailureNote openFailure_;
  Gtk::Box mismatch_;
  Gtk::Label mismatchText_;
  Gtk::Entry search_;
  Gtk::Label listTitle_;
  Gtk::Label listState_;
  Gtk::ScrolledWindow listScroll_;
  Gtk::GridView* list_ = nullptr;
  struct ContractRow {
    MirrorNode node;
    bool selected = false;
  };
  RowStore<ContractRow> rows_;
  friend class MirrorContractRow;
  friend class MirrorDetailRowView;
  // The contracts' numbers, folded when the contracts change.
  mutable FoldedTexts contractKeys_;
  mutable bool contractKeysValid_ = false;
  // What a render redraws: the parts whose store fields changed since the last one.
  bool listDirty_ = true;
  bool detailDirty_ = true;
  std::optional<long long> shownContract_;
  Gtk::Box detail_;
  Gtk::Box placeholder_;
  Gtk::Box detailBar_;
  Gtk::Label summary_;
  Gtk::Button* selectAll_ = nullptr;
  Gtk::Button* check_ = nullptr;
  Gtk::Button* cache_ = nullptr;
  MirrorDetailBar shownBar_;
  std::size_t detailBarUpdates_ = 0;
  Gtk::ScrolledWindow detailScroll_;
  Gtk::GridView* detailList_ = nullptr;
  RowStore<MirrorDetailRow> detailRows_{mirrorDetailRowKey};
  std::size_t detailRowsMade_ = 0;
  Gtk::Box footer_;
  SourceId pending_;
  std::vector<ScopedConnection> connections_;
  TaskScope scope_;
};

// Registers the sheet as the content of the tool window "mirror", over the workspace's
// one store.
void registerMirrorSheet(ToolWindowContent& contents, MirrorStore& store);

}  // namespace quorvel
