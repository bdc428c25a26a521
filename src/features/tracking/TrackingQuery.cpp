#include "features/tracking/TrackingQuery.h"

#include <glib.h>

#include <chrono>
#include <fstream>
#include <memory>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/Result.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "platform/UserDefaults.h"
#include "web/OffscreenCapture.h"

namespace quorvel {
namespace fs = std::filesystem;
namespace {

// Presses the page's own "查询" control when it shows one near the top.
constexpr const char* kPreScript =
    "(function(){\n"
    "  try {\n"
    "    var nodes = Array.prototype.slice.call(document.querySelectorAll('a,button,div,span'));\n"
    "    for (var i = 0; i < nodes.length; i++) {\n"
    "      var e = nodes[i];\n"
    "      if (!e.offsetParent) continue;\n"
    "      var t = (e.textContent || '').trim();\n"
    "      if (t === '查询' && e.getBoundingClientRect().top < 600) {\n"
    "        e.click();\n"
    "        return 'clicked:' + t;\n"
    "      }\n"
    "    }\n"
    "    return 'no-button';\n"
    "  } catch(e) { return 'err:' + e.message; }\n"
    "})();";

Result<void> writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (out) out.close();
  if (!out) return AppError(errors::kFile, 0, "无法写入 " + path.string());
  return {};
}

}  // namespace

TrackingQuery::TrackingQuery(const UserDefaults& defaults, bool diagnostic, bool drill)
    : defaults_(defaults), diagnostic_(diagnostic), drill_(drill) {}

TrackingQuery::~TrackingQuery() = default;

void TrackingQuery::handOver(const std::string& number, const std::string& url, nlohmann::json outcome,
                             Completion done) {
  if (diagnostic_ && !drill_) {
    done(std::move(outcome));
    return;
  }
  postToMain(scope_.guard([this, number, url, outcome = std::move(outcome), done = std::move(done)] {
    if (!confirmer_) {
      logLine(tags::kTrack, "人工核对窗口暂不可用，按自动判断回复 " + number);
      done(outcome);
      return;
    }
    confirmer_(number, url, outcome, done);
  }));
}

std::string TrackingQuery::searchBase() const {
  if (auto v = defaults_.string(kSearchBaseKey); v && !v->empty()) return *v;
  return TrackingJudge::kDefaultSearchBase;
}

std::optional<fs::path> TrackingQuery::saveLocal(const std::string& png, const std::string& number,
                                                 const std::string& source) {
  auto now = std::chrono::system_clock::now();
  std::string name = TrackingJudge::evidenceFileName(number, now);
  fs::path file = AppConfig::downloadDir() / name;
  if (auto image = writeBytes(file, png); !image.ok()) {
    logLine(tags::kTrack, "本地留存失败 " + describe(image.error()), LogLevel::warning);
    return std::nullopt;  // no path for a file that is not there
  }
  fs::path record = file;
  record.replace_extension("json");
  if (auto json = writeBytes(record, TrackingJudge::recordJson(number, source, name, now)); !json.ok()) {
    logLine(tags::kTrack, "本地留存失败 " + describe(json.error()), LogLevel::warning);
    return file;
  }
  logLine(tags::kTrack, "截图已存 " + file.string());
  return file;
}

void TrackingQuery::attachEvidence(nlohmann::json& outcome, GdkTexture* image, const std::string& number,
                                   const std::string& source) {
  auto png = OffscreenCapture::pngData(image);
  if (!png) return;
  gchar* b64 = g_base64_encode(reinterpret_cast<const guchar*>(png->data()), png->size());
  outcome["shotBase64"] = std::string("data:image/png;base64,") + b64;
  g_free(b64);
  if (auto path = saveLocal(*png, number, source)) outcome["shotPath"] = path->string();
}

void TrackingQuery::query(const std::string& rawNumber, Completion completion) {
  if (!completion) return;
  std::string number = TrackingJudge::trimmedNumber(rawNumber);
  if (number.empty()) {
    completion(nlohmann::json{{"status", "unknown"}, {"msg", "单号为空"}});
    return;
  }
  auto url = TrackingJudge::searchAddress(searchBase(), number);
  if (!url) {
    completion(nlohmann::json{{"status", "unknown"}, {"msg", "单号无法编码"}});
    return;
  }
  captures_.capture(
      *url, TrackingJudge::kSettleSeconds, TrackingJudge::kTimeoutSeconds, std::string(kPreScript),
      [this, number, url = *url, completion = std::move(completion)](GObjectPtr<GdkTexture> image, std::string text) {
        nlohmann::json outcome = TrackingJudge::judge(text, number);
        outcome["tracking_no"] = number;
        outcome["source"] = TrackingJudge::kSourceName;
        outcome["sourceUrl"] = url;
        if (outcome["status"] == "ok") {
          attachEvidence(outcome, image.get(), number, TrackingJudge::kSourceName);
          logLine(tags::kTrack, "自动查到签收 " + number);
          completion(std::move(outcome));
          return;
        }
        handOver(number, url, std::move(outcome), completion);
      });
}

}  // namespace quorvel
