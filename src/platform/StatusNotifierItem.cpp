#include "platform/StatusNotifierItem.h"

#include <unistd.h>

#include <atomic>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {
namespace {

const char* kItemXml = R"xml(
<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconThemePath" type="s" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <property name="XAyatanaLabel" type="s" access="read"/>
    <property name="XAyatanaLabelGuide" type="s" access="read"/>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
    <signal name="XAyatanaNewLabel"><arg name="label" type="s"/><arg name="guide" type="s"/></signal>
  </interface>
</node>)xml";

const char* kMenuXml = R"xml(
<node>
  <interface name="com.canonical.dbusmenu">
    <property name="Version" type="u" access="read"/>
    <property name="TextDirection" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="IconThemePath" type="as" access="read"/>
    <method name="GetLayout">
      <arg name="parentId" type="i" direction="in"/>
      <arg name="recursionDepth" type="i" direction="in"/>
      <arg name="propertyNames" type="as" direction="in"/>
      <arg name="revision" type="u" direction="out"/>
      <arg name="layout" type="(ia{sv}av)" direction="out"/>
    </method>
    <method name="GetGroupProperties">
      <arg name="ids" type="ai" direction="in"/>
      <arg name="propertyNames" type="as" direction="in"/>
      <arg name="properties" type="a(ia{sv})" direction="out"/>
    </method>
    <method name="GetProperty">
      <arg name="id" type="i" direction="in"/>
      <arg name="name" type="s" direction="in"/>
      <arg name="value" type="v" direction="out"/>
    </method>
    <method name="Event">
      <arg name="id" type="i" direction="in"/>
      <arg name="eventId" type="s" direction="in"/>
      <arg name="data" type="v" direction="in"/>
      <arg name="timestamp" type="u" direction="in"/>
    </method>
    <method name="EventGroup">
      <arg name="events" type="a(isvu)" direction="in"/>
      <arg name="idErrors" type="ai" direction="out"/>
    </method>
    <method name="AboutToShow">
      <arg name="id" type="i" direction="in"/>
      <arg name="needUpdate" type="b" direction="out"/>
    </method>
    <method name="AboutToShowGroup">
      <arg name="ids" type="ai" direction="in"/>
      <arg name="updatesNeeded" type="ai" direction="out"/>
      <arg name="idErrors" type="ai" direction="out"/>
    </method>
    <signal name="ItemsPropertiesUpdated">
      <arg name="updatedProps" type="a(ia{sv})"/>
      <arg name="removedProps" type="a(ias)"/>
    </signal>
    <signal name="LayoutUpdated"><arg name="revision" type="u"/><arg name="parent" type="i"/></signal>
    <signal name="ItemActivationRequested"><arg name="id" type="i"/><arg name="timestamp" type="u"/></signal>
  </interface>
</node>)xml";

GDBusInterfaceInfo* interfaceInfo(const char* xml, const char* name) {
  // Parsed once; the infos live for the process like GDBus's own.
  GError* error = nullptr;
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, &error);
  if (!node) g_error("tray introspection: %s", error->message);
  return g_dbus_node_info_lookup_interface(node, name);
}

const char* statusText(StatusNotifierItem::Status s) {
  switch (s) {
    case StatusNotifierItem::Status::passive: return "Passive";
    case StatusNotifierItem::Status::needsAttention: return "NeedsAttention";
    case StatusNotifierItem::Status::active: break;
  }
  return "Active";
}

// dbusmenu labels read "_" as a mnemonic mark; a literal one is doubled.
std::string menuLabel(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '_') out += '_';
  }
  return out;
}

bool wanted(GVariant* names, const char* name) {
  if (!names || g_variant_n_children(names) == 0) return true;
  GVariantIter it;
  const char* n = nullptr;
  g_variant_iter_init(&it, names);
  while (g_variant_iter_next(&it, "&s", &n))
    if (g_strcmp0(n, name) == 0) return true;
  return false;
}

// A D-Bus reply reaches the item only while it lives.
struct Bound {
  OwnerToken token;
  StatusNotifierItem* item;
};

}  // namespace

// The C callbacks of GDBus, reaching the item through its pointer (registrations)
// or through a weak token (async replies that may outlive it).
struct StatusNotifierItem::Callbacks {
  static void busAcquired(GDBusConnection* conn, const gchar*, gpointer self) {
    static_cast<StatusNotifierItem*>(self)->onBusAcquired(conn);
  }
  static void nameAcquired(GDBusConnection*, const gchar*, gpointer self) {
    static_cast<StatusNotifierItem*>(self)->onNameAcquired();
  }
  static void nameLost(GDBusConnection* conn, const gchar*, gpointer self) {
    static_cast<StatusNotifierItem*>(self)->onNameLost(conn);
  }
  static void watcherAppeared(GDBusConnection*, const gchar*, const gchar*, gpointer self) {
    static_cast<StatusNotifierItem*>(self)->onWatcherAppeared();
  }
  static void watcherVanished(GDBusConnection*, const gchar*, gpointer self) {
    static_cast<StatusNotifierItem*>(self)->onWatcherVanished();
  }

  static void itemCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* params, GDBusMethodInvocation* inv, gpointer self) {
    // Reply first: a handler may do anything, including dropping the item.
    g_dbus_method_invocation_return_value(inv, nullptr);
    static_cast<StatusNotifierItem*>(self)->itemMethod(method, params);
  }
  static GVariant* itemGet(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                           GError** error, gpointer self) {
    GVariant* v = static_cast<StatusNotifierItem*>(self)->itemProperty(name);
    if (!v) g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "unknown property %s", name);
    return v;
  }
  static void menuCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* params, GDBusMethodInvocation* inv, gpointer self) {
    auto* item = static_cast<StatusNotifierItem*>(self);
    std::string error;
    // Events are answered before the click is handed on (see itemCall).
    if (g_strcmp0(method, "Event") == 0) {
      gint32 id = 0;
      const char* eventId = nullptr;
      g_variant_get(params, "(i&svu)", &id, &eventId, nullptr, nullptr);
      const StatusNotifierMenuItem* entry = item->findItem(id);
      // The root hears "opened" and "closed" as the host shows and hides the menu.
      if (id == 0) {
        g_dbus_method_invocation_return_value(inv, nullptr);
        return;
      }
      if (!entry) {
        g_dbus_method_invocation_return_dbus_error(inv, "org.freedesktop.DBus.Error.InvalidArgs", "unknown id");
        return;
      }
      g_dbus_method_invocation_return_value(inv, nullptr);
      if (g_strcmp0(eventId, "clicked") == 0 && !entry->separator && entry->enabled) item->menuItemClicked_.emit(id);
      return;
    }
    GVariant* reply = item->menuMethod(method, params, error);
    if (reply)
      g_dbus_method_invocation_return_value(inv, reply);
    else
      g_dbus_method_invocation_return_dbus_error(inv, "org.freedesktop.DBus.Error.InvalidArgs", error.c_str());
  }
  static GVariant* menuGet(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                           GError** error, gpointer self) {
    GVariant* v = static_cast<StatusNotifierItem*>(self)->menuProperty(name);
    if (!v) g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "unknown property %s", name);
    return v;
  }

  static gboolean retry(gpointer self) {
    auto* item = static_cast<StatusNotifierItem*>(self);
    item->retryTimer_.forget();
    if (item->watcherPresent_ && item->nameOwned_) item->registerWithWatcher();
    return G_SOURCE_REMOVE;
  }
  static void registerReply(GObject* src, GAsyncResult* res, gpointer data) {
    std::unique_ptr<Bound> bound(static_cast<Bound*>(data));
    GErrorPtr error;
    GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(src), res, error.out()));
    if (!bound->token.alive()) return;
    bound->item->onRegistered(reply != nullptr, error ? error.message() : std::string());
  }
  static void hostReply(GObject* src, GAsyncResult* res, gpointer data) {
    std::unique_ptr<Bound> bound(static_cast<Bound*>(data));
    GErrorPtr error;
    GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(src), res, error.out()));
    if (!bound->token.alive() || !reply) return;
    GVariant* boxed = nullptr;
    g_variant_get(reply.get(), "(v)", &boxed);
    GVariantPtr value(boxed);
    if (value && g_variant_is_of_type(value.get(), G_VARIANT_TYPE_BOOLEAN))
      bound->item->onHostState(g_variant_get_boolean(value.get()));
  }
};

StatusNotifierItem::StatusNotifierItem(std::string id, std::string title)
    : id_(std::move(id)), title_(std::move(title)), toolTipTitle_(title_) {
  static std::atomic<int> counter{0};
  busName_ = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

StatusNotifierItem::~StatusNotifierItem() {
  retryTimer_.reset();
  scope_.end();
  nameOwner_.reset();
  watcherWatch_.reset();
  menuObject_.reset();
  itemObject_.reset();
}

void StatusNotifierItem::start() {
  if (nameOwner_) return;
  nameOwner_ = sni::NameOwner(g_bus_own_name(G_BUS_TYPE_SESSION, busName_.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
                                             Callbacks::busAcquired, Callbacks::nameAcquired, Callbacks::nameLost,
                                             this, nullptr));
}

void StatusNotifierItem::onBusAcquired(GDBusConnection* conn) {
  conn_ = GObjectPtr<GDBusConnection>::retain(conn);
  static GDBusInterfaceInfo* itemInfo = interfaceInfo(kItemXml, kItemInterface);
  static GDBusInterfaceInfo* menuInfo = interfaceInfo(kMenuXml, kMenuInterface);
  static const GDBusInterfaceVTable itemVTable = {Callbacks::itemCall, Callbacks::itemGet, nullptr, {}};
  static const GDBusInterfaceVTable menuVTable = {Callbacks::menuCall, Callbacks::menuGet, nullptr, {}};
  GErrorPtr error;
  guint itemId = g_dbus_connection_register_object(conn, kItemPath, itemInfo, &itemVTable, this, nullptr, error.out());
  if (itemId) itemObject_ = sni::ExportedObject(conn, itemId);
  guint menuId = g_dbus_connection_register_object(conn, kMenuPath, menuInfo, &menuVTable, this, nullptr, error.out());
  if (menuId) menuObject_ = sni::ExportedObject(conn, menuId);
  if (!itemId || !menuId) {
    logLine(tags::kTray, "托盘对象无法发布：" + error.message(), LogLevel::warning);
    return;
  }
  watcherWatch_ = sni::NameWatch(g_bus_watch_name_on_connection(conn, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                                Callbacks::watcherAppeared,
                                                                Callbacks::watcherVanished, this, nullptr));
}

void StatusNotifierItem::onNameAcquired() {
  nameOwned_ = true;
  if (watcherPresent_) registerWithWatcher();
}

void StatusNotifierItem::onNameLost(GDBusConnection* conn) {
  nameOwned_ = false;
  setRegistered(false);
  if (!conn) logNoHost("无法连接会话总线");
  else logLine(tags::kTray, "托盘名称 " + busName_ + " 不可用", LogLevel::warning);
}

void StatusNotifierItem::onWatcherAppeared() {
  watcherPresent_ = true;
  retriesLeft_ = kRegisterRetries;
  if (nameOwned_) registerWithWatcher();
}

void StatusNotifierItem::onWatcherVanished() {
  watcherPresent_ = false;
  retryTimer_.reset();
  setRegistered(false);
  logNoHost("没有 StatusNotifierWatcher");
}

void StatusNotifierItem::registerWithWatcher() {
  if (!conn_) return;
  g_dbus_connection_call(conn_, kWatcherName, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem",
                         g_variant_new("(s)", busName_.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                         Callbacks::registerReply, new Bound{scope_.token(), this});
}

void StatusNotifierItem::onRegistered(bool ok, const std::string& error) {
  if (!ok) {
    setRegistered(false);
    // A watcher that has just taken its name may not serve its object yet.
    if (watcherPresent_ && retriesLeft_ > 0) {
      const guint delayMs = 250u << (kRegisterRetries - retriesLeft_--);
      retryTimer_ = SourceId(g_timeout_add(delayMs, Callbacks::retry, this));
      return;
    }
    logNoHost("托盘登记失败：" + error);
    return;
  }
  setRegistered(true);
  // A watcher without a host shows nothing either.
  g_dbus_connection_call(conn_, kWatcherName, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
                         g_variant_new("(ss)", kWatcherName, "IsStatusNotifierHostRegistered"),
                         G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, Callbacks::hostReply,
                         new Bound{scope_.token(), this});
}

void StatusNotifierItem::onHostState(bool hostRegistered) {
  hostRegistered_ = registered_ && hostRegistered;
  if (!hostRegistered) {
    logNoHost("没有托盘宿主");
    return;
  }
  if (noHostLogged_) logLine(tags::kTray, "托盘图标已登记");
  noHostLogged_ = false;
}

void StatusNotifierItem::setRegistered(bool registered) {
  if (!registered) hostRegistered_ = false;
  if (registered_ == registered) return;
  registered_ = registered;
  registrationChanged_.emit(registered);
}

void StatusNotifierItem::logNoHost(const std::string& why) {
  // Once per absence: a desktop without a tray would otherwise repeat it.
  if (noHostLogged_) return;
  noHostLogged_ = true;
  logLine(tags::kTray, "未发现系统托盘（" + why + "），托盘图标暂不显示；菜单栏面板可从主菜单打开");
}

void StatusNotifierItem::emitItemSignal(const char* name, GVariant* params) {
  GVariantPtr owned(params ? g_variant_ref_sink(params) : nullptr);
  if (!conn_ || !itemObject_) return;
  g_dbus_connection_emit_signal(conn_, nullptr, kItemPath, kItemInterface, name, owned.get(), nullptr);
}

void StatusNotifierItem::emitMenuSignal(const char* name, GVariant* params) {
  GVariantPtr owned(params ? g_variant_ref_sink(params) : nullptr);
  if (!conn_ || !menuObject_) return;
  g_dbus_connection_emit_signal(conn_, nullptr, kMenuPath, kMenuInterface, name, owned.get(), nullptr);
}

void StatusNotifierItem::setIcon(std::vector<StatusNotifierPixmap> pixmaps) {
  if (pixmaps == pixmaps_) return;
  pixmaps_ = std::move(pixmaps);
  emitItemSignal("NewIcon", nullptr);
}

void StatusNotifierItem::setLabel(const std::string& label) {
  if (label == label_) return;
  label_ = label;
  emitItemSignal("XAyatanaNewLabel", g_variant_new("(ss)", label_.c_str(), ""));
}

void StatusNotifierItem::setToolTip(const std::string& title, const std::string& description) {
  if (title == toolTipTitle_ && description == toolTipText_) return;
  toolTipTitle_ = title;
  toolTipText_ = description;
  emitItemSignal("NewToolTip", nullptr);
}

void StatusNotifierItem::setStatus(Status status) {
  if (status == status_) return;
  status_ = status;
  emitItemSignal("NewStatus", g_variant_new("(s)", statusText(status_)));
}

void StatusNotifierItem::setMenu(std::vector<StatusNotifierMenuItem> items) {
  if (items == menu_) return;
  menu_ = std::move(items);
  ++revision_;
  emitMenuSignal("LayoutUpdated", g_variant_new("(ui)", revision_, 0));
}

GVariant* StatusNotifierItem::pixmapsVariant() const {
  GVariantBuilder b;
  g_variant_builder_init(&b, G_VARIANT_TYPE("a(iiay)"));
  for (const auto& p : pixmaps_) {
    GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, p.argb.data(), p.argb.size(), 1);
    g_variant_builder_add(&b, "(ii@ay)", p.width, p.height, bytes);
  }
  return g_variant_builder_end(&b);
}

GVariant* StatusNotifierItem::itemProperty(const std::string& name) const {
  auto emptyPixmaps = [] { return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0); };
  if (name == "Category") return g_variant_new_string("ApplicationStatus");
  if (name == "Id") return g_variant_new_string(id_.c_str());
  if (name == "Title") return g_variant_new_string(title_.c_str());
  if (name == "Status") return g_variant_new_string(statusText(status_));
  if (name == "WindowId") return g_variant_new_int32(0);
  if (name == "IconThemePath" || name == "IconName" || name == "OverlayIconName" || name == "AttentionIconName" ||
      name == "AttentionMovieName" || name == "XAyatanaLabelGuide")
    return g_variant_new_string("");
  if (name == "IconPixmap") return pixmapsVariant();
  if (name == "OverlayIconPixmap" || name == "AttentionIconPixmap") return emptyPixmaps();
  if (name == "ToolTip")
    return g_variant_new("(s@a(iiay)ss)", "", emptyPixmaps(), toolTipTitle_.c_str(), toolTipText_.c_str());
  if (name == "ItemIsMenu") return g_variant_new_boolean(false);
  if (name == "Menu") return g_variant_new_object_path(kMenuPath);
  if (name == "XAyatanaLabel") return g_variant_new_string(label_.c_str());
  return nullptr;
}

GVariant* StatusNotifierItem::menuProperty(const std::string& name) const {
  if (name == "Version") return g_variant_new_uint32(3);
  if (name == "TextDirection") return g_variant_new_string("ltr");
  if (name == "Status") return g_variant_new_string("normal");
  if (name == "IconThemePath") return g_variant_new_strv(nullptr, 0);
  return nullptr;
}

const StatusNotifierMenuItem* StatusNotifierItem::findItem(int id) const {
  for (const auto& item : menu_)
    if (item.id == id) return &item;
  return nullptr;
}

// Properties of one entry; null `item` is the root.
GVariant* StatusNotifierItem::menuItemProperties(const StatusNotifierMenuItem* item, GVariant* names) const {
  GVariantBuilder b;
  g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
  if (!item) {
    if (wanted(names, "children-display")) g_variant_builder_add(&b, "{sv}", "children-display", g_variant_new_string("submenu"));
    return g_variant_builder_end(&b);
  }
  if (item->separator) {
    if (wanted(names, "type")) g_variant_builder_add(&b, "{sv}", "type", g_variant_new_string("separator"));
  } else if (wanted(names, "label")) {
    g_variant_builder_add(&b, "{sv}", "label", g_variant_new_string(menuLabel(item->label).c_str()));
  }
  if (wanted(names, "enabled")) g_variant_builder_add(&b, "{sv}", "enabled", g_variant_new_boolean(item->enabled));
  if (wanted(names, "visible")) g_variant_builder_add(&b, "{sv}", "visible", g_variant_new_boolean(true));
  return g_variant_builder_end(&b);
}

GVariant* StatusNotifierItem::menuItemLayout(const StatusNotifierMenuItem* item, int depth, GVariant* names) const {
  GVariantBuilder children;
  g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
  if (!item && depth != 0)
    for (const auto& child : menu_)
      g_variant_builder_add(&children, "v", menuItemLayout(&child, depth > 0 ? depth - 1 : -1, names));
  return g_variant_new("(i@a{sv}av)", item ? item->id : 0, menuItemProperties(item, names), &children);
}

GVariant* StatusNotifierItem::menuMethod(const std::string& method, GVariant* params, std::string& error) {
  if (method == "GetLayout") {
    gint32 parent = 0, depth = -1;
    GVariant* namesRaw = nullptr;
    g_variant_get(params, "(ii@as)", &parent, &depth, &namesRaw);
    GVariantPtr names(namesRaw);
    const StatusNotifierMenuItem* item = parent == 0 ? nullptr : findItem(parent);
    if (parent != 0 && !item) {
      error = "unknown id";
      return nullptr;
    }
    return g_variant_new("(u@(ia{sv}av))", revision_, menuItemLayout(item, depth, names.get()));
  }
  if (method == "GetGroupProperties") {
    GVariant* idsRaw = nullptr;
    GVariant* namesRaw = nullptr;
    g_variant_get(params, "(@ai@as)", &idsRaw, &namesRaw);
    GVariantPtr ids(idsRaw), names(namesRaw);
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE("a(ia{sv})"));
    gsize n = 0;
    const gint32* list = static_cast<const gint32*>(g_variant_get_fixed_array(ids.get(), &n, sizeof(gint32)));
    if (n == 0) {
      for (const auto& item : menu_)
        g_variant_builder_add(&b, "(i@a{sv})", item.id, menuItemProperties(&item, names.get()));
    } else {
      for (gsize i = 0; i < n; ++i) {
        if (list[i] == 0) {
          g_variant_builder_add(&b, "(i@a{sv})", 0, menuItemProperties(nullptr, names.get()));
        } else if (const auto* item = findItem(list[i])) {
          g_variant_builder_add(&b, "(i@a{sv})", item->id, menuItemProperties(item, names.get()));
        }
      }
    }
    return g_variant_new("(@a(ia{sv}))", g_variant_builder_end(&b));
  }
  if (method == "GetProperty") {
    gint32 id = 0;
    const char* name = nullptr;
    g_variant_get(params, "(i&s)", &id, &name);
    const StatusNotifierMenuItem* item = id == 0 ? nullptr : findItem(id);
    if (id != 0 && !item) {
      error = "unknown id";
      return nullptr;
    }
    GVariantPtr props(g_variant_ref_sink(menuItemProperties(item, nullptr)));
    GVariant* value = g_variant_lookup_value(props.get(), name, nullptr);
    if (!value) {
      error = "unknown property";
      return nullptr;
    }
    return g_variant_new("(v)", value);
  }
  if (method == "EventGroup") {
    GVariantIter* it = nullptr;
    g_variant_get(params, "(a(isvu))", &it);
    GVariantBuilder errors;
    g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
    std::vector<int> clicked;
    gint32 id = 0;
    const char* eventId = nullptr;
    GVariant* data = nullptr;
    guint32 ts = 0;
    while (g_variant_iter_next(it, "(i&svu)", &id, &eventId, &data, &ts)) {
      g_variant_unref(data);
      const auto* item = findItem(id);
      if (id == 0) continue;
      if (!item) {
        g_variant_builder_add(&errors, "i", id);
        continue;
      }
      if (g_strcmp0(eventId, "clicked") == 0 && !item->separator && item->enabled) clicked.push_back(id);
    }
    g_variant_iter_free(it);
    // Handed on after the reply is built; the reply does not depend on them.
    GVariant* reply = g_variant_new("(@ai)", g_variant_builder_end(&errors));
    const OwnerToken alive = scope_.token();
    for (int c : clicked) {
      if (!alive) break;
      menuItemClicked_.emit(c);
    }
    return reply;
  }
  if (method == "AboutToShow") {
    return g_variant_new("(b)", false);
  }
  if (method == "AboutToShowGroup") {
    GVariantBuilder updates, errors;
    g_variant_builder_init(&updates, G_VARIANT_TYPE("ai"));
    g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
    return g_variant_new("(@ai@ai)", g_variant_builder_end(&updates), g_variant_builder_end(&errors));
  }
  error = "unknown method";
  return nullptr;
}

void StatusNotifierItem::itemMethod(const std::string& method, GVariant* params) {
  gint32 x = 0, y = 0;
  if (method == "Scroll") return;
  g_variant_get(params, "(ii)", &x, &y);
  if (method == "Activate") activated_.emit(x, y);
  else if (method == "SecondaryActivate") secondaryActivated_.emit(x, y);
  else if (method == "ContextMenu") contextMenuRequested_.emit(x, y);
}

}  // namespace quorvel
