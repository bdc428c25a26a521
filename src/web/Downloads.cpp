#include "web/Downloads.h"

#include <filesystem>
#include <optional>
#include <string>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "core/PageActions.h"
#include "web/rules/TabRules.h"
#include "platform/Desktop.h"
#include "web/TabController.h"
#include "web/WebEngine.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
// Lives as long as the download's signal closures.
struct DownloadState {
  PageActions* actions;
  Desktop* desktop;
  std::string path;
  bool failed = false;
};

gboolean decideDestination(WebKitDownload* d, gchar* suggested, gpointer data) {
  auto* st = static_cast<DownloadState*>(data);
  std::optional<fs::path> dest;
  WebKitURIResponse* resp = webkit_download_get_response(d);
  const char* uri = resp ? webkit_uri_response_get_uri(resp) : nullptr;
  if (auto u = uri ? Url::parse(uri) : std::nullopt) {
    if (auto rel = u->queryItem("path"); rel && !rel->empty()) dest = st->actions->downloadDestination(*rel);
  }
  if (!dest) {
    std::string name = TabRules::safeDownloadName(suggested ? suggested : "");
    dest = TabRules::uniqueDownloadPath(AppConfig::downloadDir(), name, [](const fs::path& p) {
      std::error_code ec;
      return fs::exists(fs::symlink_status(p, ec));
    });
  }
  st->path = dest->string();
  webkit_download_set_allow_overwrite(d, FALSE);
  webkit_download_set_destination(d, st->path.c_str());
  logLine(tags::kTab, "下载到 " + st->path);
  return TRUE;
}

void failed(WebKitDownload*, GError* error, gpointer data) {
  auto* st = static_cast<DownloadState*>(data);
  st->failed = true;
  // A broken download leaves no half file behind.
  if (!st->path.empty()) {
    std::error_code ec;
    fs::remove(st->path, ec);
  }
  logLine(tags::kTab, "下载失败：" + std::string(error ? error->message : "未知错误") +
                     (st->path.empty() ? "" : "（" + st->path + "）"), LogLevel::warning);
}

void finished(WebKitDownload*, gpointer data) {
  auto* st = static_cast<DownloadState*>(data);
  if (st->failed || st->path.empty()) return;
  logLine(tags::kTab, "下载完成：" + st->path);
  st->desktop->revealFile(st->path);
}
}  // namespace

Downloads::Downloads(WebEngine& engine) : engine_(engine) {
  gulong id = g_signal_connect(engine.network(), "download-started",
                               G_CALLBACK(+[](WebKitNetworkSession*, WebKitDownload* download, gpointer self) {
                                 static_cast<Downloads*>(self)->onStarted(download);
                               }),
                               this);
  started_ = SignalHandler(engine.network(), id);
}

void Downloads::onStarted(WebKitDownload* download) {
  // Only downloads of our tabs are ours to place.
  WebKitWebView* view = webkit_download_get_web_view(download);
  if (!view || !TabController::fromView(view)) return;
  auto* state = new DownloadState{&engine_.pageActions(), &engine_.desktop(), {}, false};
  g_signal_connect(download, "decide-destination", G_CALLBACK(decideDestination), state);
  g_signal_connect(download, "failed", G_CALLBACK(failed), state);
  // The last closure to go frees the state (the download drops its handlers when it is freed).
  g_signal_connect_data(download, "finished", G_CALLBACK(finished), state,
                        [](gpointer data, GClosure*) { delete static_cast<DownloadState*>(data); }, GConnectFlags(0));
}

}  // namespace quorvel
