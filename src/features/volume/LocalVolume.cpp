#include "features/volume/LocalVolume.h"

#include <gio/gio.h>

#include <mutex>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "base/Task.h"
#include "core/AppConfig.h"
#include "core/Dialogs.h"
#include "features/volume/CasePaths.h"
#include "features/volume/PreviewCache.h"
#include "features/volume/PreviewPresenter.h"
#include "platform/Desktop.h"
#include "platform/Mounts.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
constexpr unsigned kPollMs = 400;
constexpr unsigned kMountDeadlineMs = 8000;
constexpr unsigned kUnmountSettleMs = 800;
constexpr unsigned kProgressDelayMs = 350;

// Right after a remount the FUSE path answers EIO for a moment: it is there.
bool existsNow(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec) || ec.value() == EIO;
}

std::optional<fs::path> mirrorIfPresent() {
  fs::path m = AppConfig::mirrorDir();
  std::error_code ec;
  if (fs::is_directory(m, ec)) return m;
  return std::nullopt;
}

std::vector<std::string> gvfsEntries() {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(Mounts::fuseDir(), ec), end; !ec && it != end; it.increment(ec))
    out.push_back(it->path().filename().string());
  return out;
}

std::string fileURI(const fs::path& p) {
  GCharPtr uri(g_filename_to_uri(p.c_str(), nullptr, nullptr));
  return uri ? uri.get() : std::string();
}

}  // namespace

// The volume's coroutines, spawned in its scope: they end with it.
struct LocalVolume::Runs {
  static Task<void> connect(LocalVolume& v, Completion completion) {
    std::string uri = v.shareURI();
    if (!Mounts::davSupported()) {
      auto o = CasePaths::connectOutcome(CasePaths::MountFailure::noGvfs, "", uri);
      logLine(tags::kVolume, "挂载失败 GVfs 不可用", LogLevel::warning);
      v.alertOk(o.alertTitle, o.alertText);
      completion(false, o.message);
      co_return;
    }
    auto mounting = Mounts::mount(uri, v.passwords_);
    Mounts::Result r = co_await mounting;
    const AppError failure = r.error.value_or(AppError({}, 0, {}));
    CasePaths::MountErrorInfo info{failure.domain == g_quark_to_string(G_IO_ERROR), failure.code, failure.domain,
                                   failure.message, r.gaveUpAfterWrongPassword, r.cancelledByUser};
    auto kind = r.ok() ? CasePaths::MountFailure::none : CasePaths::classifyMountError(info);
    if (kind != CasePaths::MountFailure::none && kind != CasePaths::MountFailure::alreadyMounted) {
      logLine(tags::kVolume, "挂载失败 " + failure.message, LogLevel::warning);
      auto o = CasePaths::connectOutcome(kind, failure.message, uri);
      if (!o.alertTitle.empty()) v.alertOk(o.alertTitle, o.alertText);
      completion(false, o.message);
      co_return;
    }
    logLine(tags::kVolume, std::string("挂载返回 ") + (r.ok() ? "ok" : "已挂载"));
    // The FUSE path may lag behind the mount for a moment.
    auto deadline = g_get_monotonic_time() + gint64(kMountDeadlineMs) * 1000;
    for (;;) {
      if (auto root = v.mountedRoot()) {
        completion(true, root->string());
        co_return;
      }
      if (v.isMounted() && !Mounts::localPath(uri)) {
        logLine(tags::kVolume, "GVfs 没有本地路径（FUSE 不可用），改用 GIO 读取 " + uri);
        completion(true, uri);
        co_return;
      }
      if (g_get_monotonic_time() > deadline) {
        completion(false, "登录成功但挂载点没有出现（可在文件管理器里查看）");
        co_return;
      }
      co_await sleepFor(kPollMs);
    }
  }

  static Task<void> disconnect(LocalVolume& v, Completion completion, bool forgetPassword) {
    std::string uri = v.shareURI();
    auto root = v.mountedRoot();
    bool mounted = root || v.isMounted();
    if (forgetPassword) Mounts::forgetSavedPasswords(uri, "");
    if (!mounted) {
      completion(true, "本来就没挂载");
      co_return;
    }
    std::string where = root ? root->string() : uri;
    logLine(tags::kVolume, "卸载 " + where);
    auto unmounting = Mounts::unmount(uri);
    Mounts::Result r = co_await unmounting;
    co_await sleepFor(kUnmountSettleMs);
    if (!v.mountedRoot() && !v.isMounted()) {
      completion(true, "已卸载 " + where);
      co_return;
    }
    completion(false, r.error && !r.error->message.empty() ? r.error->message : "卸载失败，请在文件管理器里点卷旁边的 ⏏");
  }

  static Task<void> preview(LocalVolume& v, std::string rel) {
    auto progress = std::make_shared<std::unique_ptr<PreviewPresenter::Progress>>();
    PreviewPresenter& previews = v.previews_;
    // The frame goes only at its wake-up: the timer may fire after the volume went.
    SourceId timer(postToMainAfter(kProgressDelayMs, v.scope_.guard([progress, &previews] {
      *progress = previews.showProgress("正在准备预览…");
    })));
    v.snapshot();
    PreviewCache& cache = v.cache_;
    auto copying = onWorker(v.workers_, [rel, &cache] { return cache.ensureLocal(rel); });
    std::optional<fs::path> local = co_await copying;
    timer.reset();
    progress->reset();
    if (!local) {
      if (!v.lastSeen().root && !v.lastSeen().streamURI)
        logLine(tags::kVolume, "未连接卷宗盘，无法预览：" + rel, LogLevel::warning);
      v.alertOk("还没有这个文件的本地副本",
                "预览需要先拿到文件：\n· 连上卷宗盘后点一次预览即可自动缓存\n· "
                "或在「本地卷宗镜像」里缓存这份卷宗");
      co_return;
    }
    logLine(tags::kPreview, "打开 " + local->filename().string());
    v.previews_.preview(*local);
  }
};

LocalVolume::LocalVolume(UserDefaults& defaults, Dialogs& dialogs, Desktop& desktop, PreviewPresenter& previews,
                         PasswordPrompter* passwords, WorkerPool& workers)
    : defaults_(defaults),
      dialogs_(dialogs),
      desktop_(desktop),
      previews_(previews),
      passwords_(passwords),
      workers_(workers),
      cache_(*this, workers) {}

LocalVolume::~LocalVolume() = default;

void LocalVolume::alertOk(const std::string& title, const std::string& text, AlertOwner over) {
  if (over.handle) dialogs_.alertOver(over, title, text, {"好"}, {});
  else dialogs_.alert(title, text, {"好"});
}

std::string LocalVolume::shareURI() const {
  if (auto s = defaults_.string(CasePaths::kShareURLKey))
    if (auto uri = CasePaths::shareURIFrom(*s)) return *uri;
  return CasePaths::kDefaultShareURL;
}

std::optional<fs::path> LocalVolume::mountedRoot() {
  std::string uri = shareURI();
  CasePaths::RootSearch in;
  in.overridePath = defaults_.string(CasePaths::kRootOverrideKey);
  in.shareLocalPath = Mounts::localPath(uri);
  in.gvfsDir = Mounts::fuseDir();
  in.gvfsEntries = gvfsEntries();
  if (auto parts = CasePaths::splitShareURI(uri)) in.share = *parts;
  in.exists = existsNow;
  auto root = CasePaths::findMountedRoot(in);
  {
    std::lock_guard lock(seenMutex_);
    seen_.root = root;
    seen_.streamURI = !root && Mounts::isMounted(uri) ? std::optional<std::string>(uri) : std::nullopt;
  }
  return root;
}

bool LocalVolume::isMounted() { return mountedRoot().has_value() || Mounts::isMounted(shareURI()); }

LocalVolume::Snapshot LocalVolume::snapshot() {
  mountedRoot();
  return lastSeen();
}

LocalVolume::Snapshot LocalVolume::lastSeen() const {
  std::lock_guard lock(seenMutex_);
  return seen_;
}

std::optional<fs::path> LocalVolume::workRoot() {
  if (auto r = mountedRoot()) return r;
  return mirrorIfPresent();
}

std::optional<fs::path> LocalVolume::mapToLocal(const std::string& rel) {
  auto root = workRoot();
  if (!root) return std::nullopt;
  bool unsafe = false;
  auto p = CasePaths::mapUnder(*root, rel, &unsafe);
  if (unsafe) logLine(tags::kVolume, "拒绝不安全路径 " + rel, LogLevel::warning);
  return p;
}

std::string LocalVolume::statusText() {
  auto root = mountedRoot();
  std::optional<std::string> mounted;
  if (root)
    mounted = root->string();
  else if (Mounts::isMounted(shareURI()))
    mounted = shareURI();
  return CasePaths::statusText(mounted, mirrorIfPresent());
}

void LocalVolume::alertNotConnected(AlertOwner over) {
  alertOk("还没有连接卷宗盘", "请先在「设置 → 本地卷宗盘」里连接。", over);
}

std::optional<OpenFailure> LocalVolume::openRoot(AlertOwner over) {
  auto root = mountedRoot();
  // Mounted without a local path: the file manager opens the share's address
  // itself.
  if (!root && Mounts::isMounted(shareURI())) return desktop_.tryOpen(shareURI());
  if (!root) root = mirrorIfPresent();
  if (!root) {
    alertNotConnected(over);
    return std::nullopt;
  }
  return desktop_.tryOpen(fileURI(*root));
}

void LocalVolume::reveal(const std::string& rel) {
  auto local = mapToLocal(rel);
  switch (CasePaths::revealStep(local, existsNow)) {
    case CasePaths::RevealStep::notConnected:
      logLine(tags::kVolume, "未连接卷宗盘，无法显示：" + rel, LogLevel::warning);
      alertOk("还没有连接卷宗盘", "请先在「设置 → 本地卷宗盘」里连接，或把文件下载到本地镜像目录。");
      break;
    case CasePaths::RevealStep::selectFile:
      desktop_.revealFile(*local);
      break;
    case CasePaths::RevealStep::openParent:
      desktop_.openURI(fileURI(local->parent_path()));
      break;
    case CasePaths::RevealStep::missing:
      alertOk("本地没有这个文件",
              "服务器上有，本地卷宗盘里还没有：\n" + rel + "\n\n可以先在网页里下载，或等镜像同步。");
      break;
  }
}

void LocalVolume::preview(const std::string& rel) { scope_.spawn(Runs::preview(*this, rel)); }

void LocalVolume::openCurrentProceedingFolder(const std::optional<std::string>& value,
                                              const std::optional<std::string>& error,
                                              std::function<void(std::optional<std::string>)> completion) {
  auto done = [&](std::optional<std::string> p) {
    if (completion) completion(std::move(p));
  };
  std::optional<fs::path> local;
  bool hasValue = !error && value && !value->empty();
  if (hasValue) local = mapToLocal(*value);
  auto isDir = [](const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
  };
  switch (CasePaths::folderStep(value, error.has_value(), local, isDir)) {
    case CasePaths::FolderStep::noFolderPath:
      alertOk("这个页面没有卷宗目录", "只有程序页/合同页才有对应的本地文件夹。");
      done(std::nullopt);
      break;
    case CasePaths::FolderStep::notConnected:
      alertNotConnected();
      done(std::nullopt);
      break;
    case CasePaths::FolderStep::open:
      desktop_.openURI(fileURI(*local));
      done(local->string());
      break;
    case CasePaths::FolderStep::missing:
      alertOk("本地还没有这个卷宗目录",
              "路径：" + local->string() + "\n\n可以先在「本地卷宗镜像」里缓存，或连接卷宗盘后重试。");
      done(std::nullopt);
      break;
  }
}

void LocalVolume::connect(Completion completion) {
  auto finish = [this, completion](bool ok, const std::string& message) {
    if (completion) completion(ok, message);
    stateChanged_.emit();
  };
  if (auto root = mountedRoot()) {
    logLine(tags::kVolume, "已挂载，跳过登录框：" + root->string());
    finish(true, root->string());
    return;
  }
  scope_.spawn(Runs::connect(*this, finish));
}

void LocalVolume::disconnect(Completion completion, bool forgetPassword) {
  scope_.spawn(Runs::disconnect(
      *this,
      [this, completion](bool ok, const std::string& message) {
        if (completion) completion(ok, message);
        stateChanged_.emit();
      },
      forgetPassword));
}

}  // namespace quorvel
