#pragma once
// The tray item: an org.kde.StatusNotifierItem with a com.canonical.dbusmenu menu of
// our own on the session bus, registered with the StatusNotifierWatcher whenever one
// is present (also when it comes back later). Everything runs asynchronously on the
// main context; destroying the item ends every callback at once.
#include <gio/gio.h>
#include <sigc++/sigc++.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Task.h"

namespace quorvel {

// One icon image: ARGB32 with straight alpha, each pixel the bytes A, R, G, B in
// this order (network byte order), rows top to bottom — what the hosts read.
struct StatusNotifierPixmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> argb;
  bool operator==(const StatusNotifierPixmap&) const = default;
};

struct StatusNotifierMenuItem {
  int id = 0;  // 1 or more; 0 is the menu's root
  std::string label;
  bool separator = false;
  bool enabled = true;
  bool operator==(const StatusNotifierMenuItem&) const = default;
};

namespace sni {
// Owners of the bus registrations; each ends its registration when it goes away.
class NameOwner {
 public:
  NameOwner() = default;
  explicit NameOwner(guint id) : id_(id) {}
  NameOwner(const NameOwner&) = delete;
  NameOwner& operator=(const NameOwner&) = delete;
  NameOwner& operator=(NameOwner&& o) noexcept {
    if (this != &o) {
      reset();
      id_ = std::exchange(o.id_, 0);
    }
    return *this;
  }
  ~NameOwner() { reset(); }
  void reset() {
    if (id_) g_bus_unown_name(id_);
    id_ = 0;
  }
  explicit operator bool() const { return id_ != 0; }

 private:
  guint id_ = 0;
};

class NameWatch {
 public:
  NameWatch() = default;
  explicit NameWatch(guint id) : id_(id) {}
  NameWatch(const NameWatch&) = delete;
  NameWatch& operator=(const NameWatch&) = delete;
  NameWatch& operator=(NameWatch&& o) noexcept {
    if (this != &o) {
      reset();
      id_ = std::exchange(o.id_, 0);
    }
    return *this;
  }
  ~NameWatch() { reset(); }
  void reset() {
    if (id_) g_bus_unwatch_name(id_);
    id_ = 0;
  }

 private:
  guint id_ = 0;
};

class ExportedObject {
 public:
  ExportedObject() = default;
  ExportedObject(GDBusConnection* conn, guint id) : conn_(GObjectPtr<GDBusConnection>::retain(conn)), id_(id) {}
  ExportedObject(const ExportedObject&) = delete;
  ExportedObject& operator=(const ExportedObject&) = delete;
  ExportedObject& operator=(ExportedObject&& o) noexcept {
    if (this != &o) {
      reset();
      conn_ = std::move(o.conn_);
      id_ = std::exchange(o.id_, 0);
    }
    return *this;
  }
  ~ExportedObject() { reset(); }
  void reset() {
    if (id_ && conn_) g_dbus_connection_unregister_object(conn_, id_);
    id_ = 0;
    conn_.reset();
  }
  explicit operator bool() const { return id_ != 0; }

 private:
  GObjectPtr<GDBusConnection> conn_;
  guint id_ = 0;
};
}  // namespace sni

class StatusNotifierItem {
 public:
  enum class Status { passive, active, needsAttention };

  static constexpr const char* kItemPath = "/StatusNotifierItem";
  static constexpr const char* kMenuPath = "/MenuBar";
  static constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
  static constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
  static constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
  static constexpr const char* kWatcherPath = "/StatusNotifierWatcher";

  // `id`: the application's identifier ("cn.quorvel.client"); `title`: its name.
  StatusNotifierItem(std::string id, std::string title);
  ~StatusNotifierItem();
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  // Takes a well-known name on the session bus, exports the item and its menu and
  // registers with the watcher whenever one is present. Returns at once.
  void start();

  void setIcon(std::vector<StatusNotifierPixmap> pixmaps);
  // Text beside the icon where the host shows labels; empty shows none.
  void setLabel(const std::string& label);
  void setToolTip(const std::string& title, const std::string& description);
  void setStatus(Status status);
  // The menu's entries in order; raises the layout revision and tells the hosts.
  void setMenu(std::vector<StatusNotifierMenuItem> items);

  // "org.kde.StatusNotifierItem-<pid>-<n>".
  const std::string& busName() const { return busName_; }
  // True while a watcher has accepted the item.
  bool registered() const { return registered_; }
  // True while a watcher holds the item and said, when it accepted it, that a host
  // draws its items: the item is on screen.
  bool shownInTray() const { return registered_ && hostRegistered_; }
  unsigned menuRevision() const { return revision_; }
  const std::vector<StatusNotifierMenuItem>& menu() const { return menu_; }
  const std::string& label() const { return label_; }

  // A host's primary click, with the pointer's screen position.
  sigc::signal<void(int x, int y)>& activated() { return activated_; }
  sigc::signal<void(int x, int y)>& secondaryActivated() { return secondaryActivated_; }
  // A host that draws no menu itself asks the item to show one.
  sigc::signal<void(int x, int y)>& contextMenuRequested() { return contextMenuRequested_; }
  sigc::signal<void(int id)>& menuItemClicked() { return menuItemClicked_; }
  sigc::signal<void(bool registered)>& registrationChanged() { return registrationChanged_; }

 private:
  struct Callbacks;
  friend struct Callbacks;

  void onBusAcquired(GDBusConnection* conn);
  void onNameAcquired();
  void onNameLost(GDBusConnection* conn);
  void onWatcherAppeared();
  void onWatcherVanished();
  void registerWithWatcher();
  void onRegistered(bool ok, const std::string& error);
  void onHostState(bool hostRegistered);
  void setRegistered(bool registered);
  void logNoHost(const std::string& why);
  void emitItemSignal(const char* name, GVariant* params);
  void emitMenuSignal(const char* name, GVariant* params);

  GVariant* itemProperty(const std::string& name) const;
  GVariant* menuProperty(const std::string& name) const;
  GVariant* pixmapsVariant() const;
  GVariant* menuItemProperties(const StatusNotifierMenuItem* item, GVariant* names) const;
  GVariant* menuItemLayout(const StatusNotifierMenuItem* item, int depth, GVariant* names) const;
  const StatusNotifierMenuItem* findItem(int id) const;
  // Handles one menu method; a null result with `error` set fails the call.
  GVariant* menuMethod(const std::string& method, GVariant* params, std::string& error);
  void itemMethod(const std::string& method, GVariant* params);

  std::string id_;
  std::string title_;
  std::string busName_;
  std::vector<StatusNotifierPixmap> pixmaps_;
  std::string label_;
  std::string toolTipTitle_;
  std::string toolTipText_;
  Status status_ = Status::active;
  std::vector<StatusNotifierMenuItem> menu_;
  unsigned revision_ = 1;

  bool nameOwned_ = false;
  bool watcherPresent_ = false;
  bool registered_ = false;
  bool hostRegistered_ = false;
  bool noHostLogged_ = false;
  static constexpr int kRegisterRetries = 4;
  int retriesLeft_ = kRegisterRetries;
  SourceId retryTimer_;

  GObjectPtr<GDBusConnection> conn_;
  sni::ExportedObject itemObject_;
  sni::ExportedObject menuObject_;
  sni::NameWatch watcherWatch_;
  sni::NameOwner nameOwner_;

  sigc::signal<void(int, int)> activated_;
  sigc::signal<void(int, int)> secondaryActivated_;
  sigc::signal<void(int, int)> contextMenuRequested_;
  sigc::signal<void(int)> menuItemClicked_;
  sigc::signal<void(bool)> registrationChanged_;
  // Async replies reach the item only while this lives.
  TaskScope scope_;
};

}  // namespace quorvel
