#pragma once
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Task.h"
#include "base/GObjectPtr.h"
#include "features/tracking/TrackingJudge.h"
#include "web/OffscreenCapture.h"

namespace quorvel {

class UserDefaults;

// Courier delivery lookups: the search page captured off screen and judged; pages the
// judge cannot decide go to a person (the manual confirmer). Main thread only.
class TrackingQuery {
 public:
  using Completion = std::function<void(nlohmann::json)>;

  // The setting that moves the search host (tests point it at the test service).
  static constexpr const char* kSearchBaseKey = "tracking.searchBaseURL";

  // The person who decides undecided pages (the manual confirmation window). It gets
  // the number, the search address, the judged outcome and the request's completion.
  // A new call cancels an open confirmation first.
  using ManualConfirmer =
      std::function<void(const std::string& number, const std::string& url, nlohmann::json seed, Completion done)>;

  // The search host is read from `defaults`, which must outlive the lookups.
  // `diagnostic` ("--selftest"/"--livetest"): undecided pages are answered as judged,
  // unless `drill` (the manual confirmation's drill, TRACK_TEST_MANUAL=1) is on.
  TrackingQuery(const UserDefaults& defaults, bool diagnostic, bool drill = false);
  ~TrackingQuery();
  TrackingQuery(const TrackingQuery&) = delete;
  TrackingQuery& operator=(const TrackingQuery&) = delete;

  // Looks a courier delivery up. `completion` runs exactly once on the main thread
  // with an object holding at least "status" and "msg" (none once this object has gone).
  void query(const std::string& number, Completion completion);

  // The search host in use: the setting when present, else the public one.
  std::string searchBase() const;

  void setManualConfirmer(ManualConfirmer confirmer) { confirmer_ = std::move(confirmer); }
  bool diagnosticMode() const { return diagnostic_; }
  // The search pages being captured.
  const OffscreenCaptures& captures() const { return captures_; }

  // Writes the PNG and its JSON record into the download folder. Returns the PNG's
  // path only when the PNG was written.
  static std::optional<std::filesystem::path> saveLocal(const std::string& png, const std::string& number,
                                                        const std::string& source);
  // Adds "shotBase64" and, when the copy was written, "shotPath" to an outcome.
  static void attachEvidence(nlohmann::json& outcome, GdkTexture* image, const std::string& number,
                             const std::string& source);

 private:
  void handOver(const std::string& number, const std::string& url, nlohmann::json outcome, Completion done);

  const UserDefaults& defaults_;
  const bool diagnostic_;
  const bool drill_;
  ManualConfirmer confirmer_;
  OffscreenCaptures captures_;
  // Steps on a later turn run only while the lookup exists.
  TaskScope scope_;
};

}  // namespace quorvel
