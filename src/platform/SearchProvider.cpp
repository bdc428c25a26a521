#include "platform/SearchProvider.h"

#include <algorithm>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {

namespace {

constexpr const char* kIntrospection = R"XML(
<node>
  <interface name="org.gnome.Shell.SearchProvider2">
    <method name="GetInitialResultSet">
      <arg type="as" name="terms" direction="in"/>
      <arg type="as" name="results" direction="out"/>
    </method>
    <method name="GetSubsearchResultSet">
      <arg type="as" name="previous_results" direction="in"/>
      <arg type="as" name="terms" direction="in"/>
      <arg type="as" name="results" direction="out"/>
    </method>
    <method name="GetResultMetas">
      <arg type="as" name="identifiers" direction="in"/>
      <arg type="aa{sv}" name="metas" direction="out"/>
    </method>
    <method name="ActivateResult">
      <arg type="s" name="identifier" direction="in"/>
      <arg type="as" name="terms" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
    <method name="LaunchSearch">
      <arg type="as" name="terms" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
  </interface>
</node>
)XML";

GDBusInterfaceInfo* interfaceInfo() {
  // Parsed once, kept for the process.
  static GDBusNodeInfo* node = [] {
    GErrorPtr error;
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kIntrospection, error.out());
    if (!info) g_error("search provider introspection: %s", error.message().c_str());
    return info;
  }();
  return node->interfaces[0];
}

std::vector<std::string> stringsAt(GVariant* params, gsize index) {
  std::vector<std::string> out;
  GVariantPtr child(g_variant_get_child_value(params, index));
  gsize n = 0;
  const gchar** strv = g_variant_get_strv(child.get(), &n);
  for (gsize i = 0; i < n; ++i) out.emplace_back(strv[i]);
  g_free(strv);
  return out;
}

GVariant* identifiers(const std::vector<SearchItem>& items) {
  GVariantBuilder b;
  g_variant_builder_init(&b, G_VARIANT_TYPE("as"));
  for (const auto& item : items) g_variant_builder_add(&b, "s", item.uniqueIdentifier.c_str());
  return g_variant_new("(as)", &b);
}

}  // namespace

struct SearchProvider::State {
  std::shared_ptr<SearchIndexStore> store;
  std::string iconName;
  ActivateHandler activate;
  LaunchSearchHandler launchSearch;
  std::function<bool()> answering;

  bool answers() const { return !answering || answering(); }

  GVariant* metas(const std::vector<SearchItem>& items) const {
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE("aa{sv}"));
    for (const auto& item : items) {
      g_variant_builder_open(&b, G_VARIANT_TYPE("a{sv}"));
      g_variant_builder_add(&b, "{sv}", "id", g_variant_new_string(item.uniqueIdentifier.c_str()));
      g_variant_builder_add(&b, "{sv}", "name", g_variant_new_string(item.title.c_str()));
      g_variant_builder_add(&b, "{sv}", "description", g_variant_new_string(item.contentDescription.c_str()));
      if (!iconName.empty()) g_variant_builder_add(&b, "{sv}", "gicon", g_variant_new_string(iconName.c_str()));
      g_variant_builder_close(&b);
    }
    return g_variant_new("(aa{sv})", &b);
  }
};

namespace {
// Answers one call; the invocation is returned exactly once, on every path.
Task<void> answer(std::shared_ptr<SearchProvider::State> s, std::string method, GVariantPtr params,
                  GDBusMethodInvocation* invocation) {
  std::string failure;
  bool answered = false;
  try {
    // Asked before and after the search: a lock that engaged meanwhile still holds.
    if (method == "GetInitialResultSet" || method == "GetSubsearchResultSet") {
      std::vector<SearchItem> found;
      if (s->answers()) {
        auto search = method == "GetInitialResultSet"
                          ? s->store->search(stringsAt(params.get(), 0), std::nullopt, SearchProvider::kMaxResults)
                          : s->store->search(stringsAt(params.get(), 1), stringsAt(params.get(), 0),
                                             SearchProvider::kMaxResults);
        found = co_await search;
      }
      if (!s->answers()) found.clear();
      g_dbus_method_invocation_return_value(invocation, identifiers(found));
      co_return;
    }
    if (method == "GetResultMetas") {
      std::vector<SearchItem> found;
      if (s->answers()) {
        auto lookup = s->store->items(stringsAt(params.get(), 0));
        found = co_await lookup;
      }
      if (!s->answers()) found.clear();
      g_dbus_method_invocation_return_value(invocation, s->metas(found));
      co_return;
    }
    if (method == "ActivateResult") {
      const gchar* id = nullptr;
      g_variant_get_child(params.get(), 0, "&s", &id);
      std::string link = id ? id : "";
      // Any program on the bus may call this: only links we indexed are followed.
      auto lookup = s->store->items({link});
      auto found = co_await lookup;
      g_dbus_method_invocation_return_value(invocation, nullptr);
      answered = true;
      if (found.empty()) {
        logLine(tags::kSpotlight, "忽略不在索引中的搜索结果：" + link, LogLevel::warning);
      } else if (s->activate) {
        s->activate(link);
      }
      co_return;
    }
    if (method == "LaunchSearch") {
      auto terms = stringsAt(params.get(), 0);
      g_dbus_method_invocation_return_value(invocation, nullptr);
      answered = true;
      if (s->launchSearch) s->launchSearch(terms);
      co_return;
    }
    failure = "未知的方法 " + method;
  } catch (...) {
    failure = describe(std::current_exception());
  }
  logLine(tags::kSpotlight, "系统搜索请求失败：" + failure, LogLevel::warning);
  // A handler that failed after the reply went out has nothing left to answer.
  if (!answered)
    g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.Failed", failure.c_str());
}

void onMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant* params,
                  GDBusMethodInvocation* invocation, gpointer data) {
  auto state = *static_cast<std::shared_ptr<SearchProvider::State>*>(data);
  spawn(answer(std::move(state), method, GVariantPtr(g_variant_ref(params)), invocation));
}

const GDBusInterfaceVTable kVTable = {onMethodCall, nullptr, nullptr, {}};
}  // namespace

SearchProvider::SearchProvider(std::shared_ptr<SearchIndexStore> store, std::string iconName)
    : state_(std::make_shared<State>()) {
  state_->store = std::move(store);
  state_->iconName = std::move(iconName);
}

SearchProvider::~SearchProvider() { unexport(); }

void SearchProvider::setActivateHandler(ActivateHandler handler) { state_->activate = std::move(handler); }
void SearchProvider::setLaunchSearchHandler(LaunchSearchHandler handler) {
  state_->launchSearch = std::move(handler);
}
void SearchProvider::setAnswering(std::function<bool()> answering) { state_->answering = std::move(answering); }

bool SearchProvider::exportOn(GDBusConnection* connection, const std::string& path) {
  unexport();
  GErrorPtr error;
  // Calls still being answered keep the state alive through their own reference.
  guint id = g_dbus_connection_register_object(
      connection, path.c_str(), interfaceInfo(), &kVTable, new std::shared_ptr<State>(state_),
      [](gpointer p) { delete static_cast<std::shared_ptr<State>*>(p); }, error.out());
  if (!id) {
    logLine(tags::kSpotlight, "系统搜索服务注册失败：" + error.message(), LogLevel::warning);
    return false;
  }
  connection_ = static_cast<GDBusConnection*>(g_object_ref(connection));
  registration_ = id;
  return true;
}

void SearchProvider::unexport() {
  if (!registration_) return;
  g_dbus_connection_unregister_object(connection_, registration_);
  g_object_unref(connection_);
  connection_ = nullptr;
  registration_ = 0;
}

}  // namespace quorvel
