#include "features/editing/HotFolderWatcher.h"
#include "base/FailureText.h"

#include <gio/gio.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <system_error>

#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/StrictJson.h"
#include "core/FilePanels.h"
#include "platform/Desktop.h"
#include "platform/FileOps.h"
#include "platform/UserDefaults.h"
#include "platform/XdgDirs.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
constexpr const char* kConfigKey = "hotfolder.config.v1";
constexpr const char* kInboxName = "墨衡台收件箱";

using Sizes = std::map<std::string, std::uintmax_t>;  // sorted by name

std::string lowerAscii(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool accepted(const std::string& name) {
  if (name.empty() || name.front() == '.' || name == HotFolderWatcher::kArchiveFolder) return false;
  std::string ext = fs::path(name).extension().string();
  if (ext.size() < 2) return false;
  return HotFolderWatcher::allowedExts().count(lowerAscii(ext.substr(1))) > 0;
}

// The accepted regular files directly in `folder` with their sizes; an unreadable
// folder lists as empty.
Sizes listAccepted(const fs::path& folder) {
  Sizes out;
  std::error_code ec;
  fs::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!accepted(name)) continue;
    std::error_code sec;
    if (!fs::is_regular_file(it->path(), sec)) continue;
    auto size = fs::file_size(it->path(), sec);
    if (!sec) out.emplace(name, size);
  }
  return out;
}

std::set<std::string> namesOf(const Sizes& sizes) {
  std::set<std::string> names;
  for (const auto& [name, size] : sizes) names.insert(name);
  return names;
}

fs::path folderOf(const std::string& path) {
  fs::path p = fs::path(path).lexically_normal();
  if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
  return p;
}

std::string folderName(const std::string& path) { return folderOf(path).filename().string(); }

bool sameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ea, eb;
  fs::path ca = fs::canonical(a, ea), cb = fs::canonical(b, eb);
  return !ea && !eb && ca == cb;
}

// "name (2).ext", "name (3).ext", …
fs::path numbered(const fs::path& folder, const fs::path& name, int n) {
  std::string ext = name.extension().string();
  return folder / (name.stem().string() + " (" + std::to_string(n) + ")" + ext);
}
}  // namespace

struct HotFolderWatcher::Impl {
  Impl(HotFolderWatcher& o, unsigned debounce) : owner(o), debounceMs(debounce) {}

  HotFolderWatcher& owner;
  GObjectPtr<GFileMonitor> monitor;
  SignalHandler monitorChanged;
  SourceId settle;  // the pending scan
  unsigned debounceMs;
  std::set<std::string> knownFiles;
  Sizes lastLook;  // sizes of new files seen but not offered yet
  QuickArchiveOpener* opener = nullptr;

  fs::path folder() const { return folderOf(owner.config->folderPath); }

  static void onEvent(GFileMonitor*, GFile* file, GFile* other, GFileMonitorEvent, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    self->lookAt(file);
    self->lookAt(other);
    self->scheduleScan();
  }

  // Remembers the size of a new file at the moment of its event: the scan offers it
  // only when the size has not moved since (a scanner may still be writing).
  void lookAt(GFile* file) {
    if (!file) return;
    GCharPtr path(g_file_get_path(file));
    if (!path) return;
    fs::path p(path.get());
    std::string name = p.filename().string();
    if (!accepted(name) || knownFiles.count(name) || !sameFolder(p.parent_path(), folder())) return;
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return;
    auto size = fs::file_size(p, ec);
    if (!ec) lastLook[name] = size;
  }

  // Every event restarts the delay: a burst leads to one scan after the last event.
  void scheduleScan() {
    settle.reset();
    settle = SourceId(g_timeout_add(debounceMs, &Impl::onSettled, this));
  }

  static gboolean onSettled(gpointer data) {
    auto* self = static_cast<Impl*>(data);
    self->settle.forget();
    self->scanForNewFiles();
    return G_SOURCE_REMOVE;
  }

  void scanForNewFiles() {
    fs::path dir = folder();
    Sizes current = listAccepted(dir);
    Sizes fresh;
    bool unsettled = false;
    for (const auto& [name, size] : current) {
      if (knownFiles.count(name)) continue;
      fresh.emplace(name, size);
      auto look = lastLook.find(name);
      if (look == lastLook.end() || look->second != size) unsettled = true;
    }
    // New files that are still being written stay new (and are looked at again
    // later); the others of the same batch wait with them, so they arrive together.
    if (unsettled) {
      knownFiles.clear();
      for (const auto& [name, size] : current)
        if (!fresh.count(name)) knownFiles.insert(name);
      lastLook = fresh;
      scheduleScan();
      return;
    }
    knownFiles = namesOf(current);  // files that left are forgotten
    lastLook.clear();
    if (fresh.empty()) return;

    std::vector<fs::path> urls;
    std::string joined;
    for (const auto& [name, size] : fresh) {
      urls.push_back(dir / name);
      joined += (joined.empty() ? "" : ", ") + name;
    }
    std::string count = std::to_string(urls.size());
    owner.lastEventText.set("发现 " + count + " 个新文件");
    logLine(owner.logTag_, "检测到 " + count + " 个新文件：" + joined);
    if (opener)
      opener->openQuickArchive(urls, "来自热文件夹「" + folderName(owner.config->folderPath) + "」", true);
    else
      logLine(owner.logTag_, "快速归档窗口尚未接入，新文件未能打开", LogLevel::warning);
  }
};

const std::set<std::string>& HotFolderWatcher::allowedExts() {
  static const std::set<std::string> exts{"pdf", "doc",  "docx", "xls",  "xlsx", "ppt", "pptx",
                                          "jpg", "jpeg", "png",  "heic", "tiff", "txt", "zip"};
  return exts;
}

// ---- configuration ----

std::string HotFolderWatcher::Config::defaultFolderPath() { return (xdg::documentsDir() / kInboxName).string(); }

HotFolderWatcher::Config HotFolderWatcher::Config::load(const UserDefaults& store) {
  Config defaults;
  defaults.folderPath = defaultFolderPath();
  auto stored = store.object(kConfigKey);
  if (!stored || !stored->is_object()) return defaults;
  Config c;
  if (!StrictJson::boolean(*stored, "enabled", c.enabled) || !StrictJson::text(*stored, "folderPath", c.folderPath) ||
      !StrictJson::boolean(*stored, "moveAfterUpload", c.moveAfterUpload))
    return defaults;
  return c;
}

void HotFolderWatcher::Config::save(UserDefaults& store) const {
  store.set(kConfigKey,
            nlohmann::json{{"enabled", enabled}, {"folderPath", folderPath}, {"moveAfterUpload", moveAfterUpload}});
}

// ---- the watcher ----

HotFolderWatcher::HotFolderWatcher(UserDefaults& defaults, FilePanels& panels, Desktop& desktop, unsigned debounceMs)
    : config(Config::load(defaults)),
      defaults_(defaults),
      panels_(panels),
      desktop_(desktop),
      logTag_(tags::kHotFolder),
      impl_(std::make_unique<Impl>(*this, debounceMs)) {}

// The monitor and the pending scan go with the watcher: no callback reaches it after.
HotFolderWatcher::~HotFolderWatcher() { stopWatching(); }

void HotFolderWatcher::setOpener(QuickArchiveOpener* opener) { impl_->opener = opener; }

void HotFolderWatcher::startIfEnabled(bool diagnosticRun) {
  if (diagnosticRun) return;
  if (config->enabled) startWatching();
}

void HotFolderWatcher::startWatching() {
  stopWatching();
  fs::path dir = impl_->folder();
  std::error_code ec;
  fs::create_directories(dir, ec);  // a failure shows when the folder is opened below
  impl_->knownFiles = namesOf(listAccepted(dir));

  // The monitor itself would accept an unreadable folder and stay silent.
  std::error_code readEc;
  fs::directory_iterator probe(dir, readEc);
  GErrorPtr err;
  GObjectPtr<GFileMonitor> monitor;
  if (!readEc) {
    GObjectPtr<GFile> file = GObjectPtr<GFile>::adopt(g_file_new_for_path(dir.c_str()));
    monitor = GObjectPtr<GFileMonitor>::adopt(g_file_monitor_directory(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, err.out()));
  }
  if (!monitor) {
    std::string reason = readEc ? failure::systemErrorText(readEc) : err.message();
    logLine(logTag_, "无法打开监控目录 " + dir.string() + "：" + reason, LogLevel::warning);
    lastEventText.set("无法打开监控目录");
    return;
  }
  impl_->monitor = std::move(monitor);
  impl_->monitorChanged = SignalHandler(
      impl_->monitor.get(), g_signal_connect(impl_->monitor.get(), "changed", G_CALLBACK(&Impl::onEvent), impl_.get()));
  isWatching.set(true);
  lastEventText.set("监控中：" + folderName(config->folderPath));
  logLine(logTag_, "开始监控 " + dir.string());
}

void HotFolderWatcher::stopWatching() {
  impl_->settle.reset();
  impl_->monitorChanged.disconnect();
  if (impl_->monitor) {
    g_file_monitor_cancel(impl_->monitor);
    impl_->monitor.reset();
  }
  impl_->lastLook.clear();
  isWatching.set(false);
  lastEventText.set("未开启");
}

void HotFolderWatcher::setEnabled(bool on) {
  Config c = config.get();
  c.enabled = on;
  config.set(c);
  c.save(defaults_);
  if (on)
    startWatching();
  else
    stopWatching();
}

void HotFolderWatcher::chooseFolder() {
  FilePanels::FolderQuestion q;
  q.title = "选择收件箱文件夹";
  q.acceptLabel = "监控这个文件夹";
  q.folder = impl_->folder();
  panels_.askFolder(q, scope_.guard([this](std::optional<fs::path> chosen) {
    if (!chosen) return;  // cancelled: nothing changes
    Config c = config.get();
    c.folderPath = chosen->string();
    config.set(c);
    c.save(defaults_);
    if (c.enabled) startWatching();
  }));
}

std::optional<OpenFailure> HotFolderWatcher::openFolder() {
  fs::path dir = impl_->folder();
  std::error_code ec;
  fs::create_directories(dir, ec);
  GCharPtr uri(g_filename_to_uri(dir.c_str(), nullptr, nullptr));
  if (!uri) return OpenFailure{dir.string(), "这个路径无法作为文件夹打开"};
  return desktop_.tryOpen(uri.get());
}

void HotFolderWatcher::archiveProcessedFiles(const std::vector<fs::path>& files) {
  if (!config->moveAfterUpload) return;
  fs::path inbox = impl_->folder();
  fs::path archive = inbox / kArchiveFolder;
  std::error_code ec;
  fs::create_directories(archive, ec);
  int moved = 0;
  for (const auto& file : files) {
    // Files picked or dropped from elsewhere in the same window are not the inbox's.
    if (!sameFolder(file.parent_path(), inbox)) {
      logLine(logTag_, "不在收件箱中，保留原处：" + file.string());
      continue;
    }
    // An earlier archived file of the same name stays; the new one takes a free name.
    fs::path name = file.filename();
    fs::path target = archive / name;
    int rc = FileOps::moveNoReplace(file, target);
    for (int n = 2; rc == EEXIST && n < 1000; ++n) {
      target = numbered(archive, name, n);
      rc = FileOps::moveNoReplace(file, target);
    }
    if (rc == 0) {
      ++moved;
      if (target.filename() != name)
        logLine(logTag_, "归档中已有同名文件，新文件存为 " + target.filename().string());
    } else {
      logLine(logTag_, "归档失败，文件留在收件箱：" + file.string() + "：" + FileOps::errorText(rc),
              LogLevel::warning);
    }
  }
  if (moved) logLine(logTag_, "已归档 " + std::to_string(moved) + " 个文件到 " + archive.string());
  impl_->knownFiles = namesOf(listAccepted(inbox));
  for (const auto& name : impl_->knownFiles) impl_->lastLook.erase(name);
}

}  // namespace quorvel
