#include "features/workspace/UpdateChecker.h"
#include "base/FailureText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "core/AuditLog.h"
#include "core/Dialogs.h"
#include "platform/Desktop.h"
#include "platform/Http.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace fs = std::filesystem;
using namespace UpdateRules;

namespace {

const std::string kLocal = AppConfig::kVersion;

double secondsOf(Clock::time_point t) { return std::chrono::duration<double>(t.time_since_epoch()).count(); }

AppError fileError(const std::string& what) {
  const int code = errno;
  return AppError(errors::kFile, code, what + "：" + failure::systemErrorText(code));
}

// Writes the downloaded bytes next to the destination, checks them and renames them
// over the destination (an earlier file survives any failure). Runs on a worker.
std::uint64_t store(const std::string& bytes, const fs::path& destination, const std::string& ext) {
  std::string pattern = (destination.parent_path() / ("." + destination.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw fileError("无法在下载文件夹里保存安装包");
  const fs::path temp = pattern;
  struct Cleanup {
    fs::path p;
    bool keep = false;
    ~Cleanup() {
      if (!keep) ::unlink(p.c_str());
    }
  } cleanup{temp};

  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      AppError e = fileError("无法写入安装包");
      ::close(fd);
      throw e;
    }
    done += static_cast<size_t>(n);
  }
  ::fchmod(fd, 0644);
  if (::close(fd) != 0) throw fileError("无法写入安装包");

  struct stat st {};
  std::uint64_t size = ::stat(temp.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (size <= kMinInstallerBytes)
    throw AppError(errors::kUpdate, errors::kPackageTooSmall,
                   "下载文件只有 " + std::to_string(size) + " 字节，不像安装包");
  if (!looksLikeInstaller(temp, ext))
    throw AppError(errors::kUpdate, errors::kPackageInvalid, "下载到的文件不是有效的 " + ext + " 安装包");
  if (::rename(temp.c_str(), destination.c_str()) != 0) throw fileError("无法保存安装包");
  cleanup.keep = true;
  return size;
}

}  // namespace

UpdateChecker::UpdateChecker(UserDefaults& defaults, Dialogs& dialogs, Desktop& desktop, WorkerPool& workers,
                             AuditLog& audit, const Clock& clock)
    : defaults_(defaults), dialogs_(dialogs), desktop_(desktop), workers_(workers), audit_(audit), clock_(clock) {}

void UpdateChecker::checkAtLaunchIfDue() {
  double last = defaults_.number(kLastCheckKey).value_or(0);
  if (isLaunchCheckDue(secondsOf(clock_.now()), last)) spawn(check(true));
}

void UpdateChecker::checkManually() { spawn(check(false)); }

Task<void> UpdateChecker::check(bool silent) {
  // Written first, so a failed check also postpones the next launch check.
  defaults_.set(kLastCheckKey, secondsOf(clock_.now()));
  auto endpoint = versionEndpoint(AppConfig::homeURL(defaults_));
  if (!endpoint) co_return;

  http::HttpRequest request;
  request.url = endpoint->toString();
  request.headers.emplace_back("User-Agent", AppConfig::userAgent());
  request.timeoutSeconds = kVersionTimeoutSeconds;
  request.maxBodyBytes = http::kMaxJsonReplyBytes;
  http::HttpResponse reply;
  std::optional<AppError> failure;
  try {
    auto sending = http::send(std::move(request));
    reply = co_await sending;
  } catch (const AppError& e) {
    failure = e;
  }
  if (failure) {
    logLine(tags::kUpdate, "检查失败 " + failure->message);
    if (!silent) {
      auto shown = present("检查更新失败", failure->message);
      co_await shown;
    }
    co_return;
  }

  auto parsing = decodeOffMain(workers_, reply.body, [](const std::string& b) { return nlohmann::json::parse(b, nullptr, false); });
  nlohmann::json json = co_await parsing;
  if (json.is_discarded() || !json.is_object()) {
    // A user who asked deserves an answer; the launch check stays quiet.
    if (!silent) {
      auto shown = present("检查更新失败", "服务器没有返回版本信息（HTTP " + std::to_string(reply.status) + "）。");
      co_await shown;
    }
    co_return;
  }

  Release r = derive(json);
  if (!r.offered()) {
    audit_.record("update-no-mac-release", "-", {{"local", kLocal}, {"windows_version", r.windowsVersion}});
    if (silent) co_return;
    auto shown = present("服务器还没有发布 Linux 版本",
                         "当前 Linux 客户端 " + kLocal + "。\n服务器的版本号 " + r.windowsVersion +
                             " 是 Windows 客户端用的，不适用于 Linux。\n\n"
                             "等发布 Linux 安装包后，这里的「检查更新」才会有内容。");
    co_await shown;
    co_return;
  }

  const std::string label = r.label();
  audit_.record("update-check", "-",
                  {{"local", kLocal},
                   {"remote", label},
                   {"windows_version", r.windowsVersion},
                   {"has_mac", !r.packageURL.empty()},
                   {"silent", silent}});
  if (isNewer(label, kLocal)) {
    auto offer = presentNew(label, r.notes, r.packageURL, r.pageURL);
    co_await offer;
    co_return;
  }
  if (!silent) {
    auto shown = present("已是最新版本", "当前 " + kLocal + "，服务器 " + label);
    co_await shown;
  }
}

Task<void> UpdateChecker::presentNew(std::string version, std::string notes, std::string packageURL, std::string pageURL) {
  std::string text = notes.empty() ? "当前版本 " + kLocal + "。要更新吗？" : notes + "\n\n当前版本 " + kLocal;
  std::string first = packageURL.empty() ? "打开下载页" : "下载安装包";
  auto asking = ask(dialogs_, "发现新版本 " + version, text, {first, "稍后"});
  int answer = co_await asking;
  if (answer != 0) co_return;
  if (packageURL.empty()) {
    auto page = resolveURL(pageURL.empty() ? kDownloadPagePath : pageURL, AppConfig::homeURL(defaults_));
    if (!page) co_return;
    std::string url = page->toString();
    desktop_.openURI(url);
    audit_.record("update-open-page", "-", {{"url", url}});
    co_return;
  }
  spawn(download(std::move(packageURL), std::move(version)));
}

Task<void> UpdateChecker::download(std::string packageURL, std::string version) {
  auto url = resolveURL(packageURL, AppConfig::homeURL(defaults_));
  if (!url) co_return;
  const std::string ext = packageExtension(*url);
  const fs::path destination = AppConfig::downloadDir() / installerFileName(version, ext);

  std::optional<AppError> failure;
  std::uint64_t size = 0;
  try {
    http::HttpRequest request;
    request.url = url->toString();
    request.timeoutSeconds = kDownloadTimeoutSeconds;
    auto fetching = http::send(std::move(request));
    http::HttpResponse reply = co_await fetching;
    auto storing = onWorker(workers_, [body = std::move(reply.body), destination, ext] {
      return store(body, destination, ext);
    });
    size = co_await storing;
  } catch (const AppError& e) {
    failure = e;
  }

  if (failure) {
    audit_.record("update-download-fail", "-", {{"error", failure->message}});
    auto shown = present("下载失败", failure->message);
    co_await shown;
    co_return;
  }
  audit_.record("update-downloaded", "-",
                  {{"version", version}, {"bytes", size}, {"file", destination.filename().string()}});
  desktop_.revealFile(destination);
  auto shown = present("安装包已下载",
                       "已保存到：\n" + destination.string() + "\n\n" + installInstructions(ext, destination));
  co_await shown;
}

Task<void> UpdateChecker::present(std::string title, std::string message) {
  auto asking = ask(dialogs_, std::move(title), std::move(message), {"好"});
  co_await asking;
}

}  // namespace quorvel
