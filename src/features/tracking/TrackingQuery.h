#pragma once
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/GObjectPtr.h"
#include "features/tracking/TrackingJudge.h"
#include "web/OffscreenCapture.h"

namespace quorvel::TrackingQuery {

using Completion = std::function<void(nlohmann::json)>;

// The setting that moves the search host (tests point it at the test service).
inline constexpr const char* kSearchBaseKey = "tracking.searchBaseURL";

// Looks a courier delivery up. `completion` runs exactly once on the main thread
// with an object holding at least "status" and "msg".
void query(const std::string& number, std::function<void(nlohmann::json)> completion);

// The search host in use: the setting when present, else the public one.
std::string searchBase();

using TrackingJudge::context;
using TrackingJudge::judge;
using TrackingJudge::signPerson;
using TrackingJudge::signTime;

// Writes the PNG and its JSON record into the download folder. Returns the PNG's
// path only when the PNG was written.
std::optional<std::filesystem::path> saveLocal(const std::string& png, const std::string& number,
                                               const std::string& source);
// Adds "shotBase64" and, when the copy was written, "shotPath" to an outcome.
void attachEvidence(nlohmann::json& outcome, GdkTexture* image, const std::string& number, const std::string& source);

// The person who decides undecided pages (the manual confirmation window). It gets
// the number, the search address, the judged outcome and the request's completion.
// A new call cancels an open confirmation first.
using ManualConfirmer =
    std::function<void(const std::string& number, const std::string& url, nlohmann::json seed, Completion done)>;
void setManualConfirmer(ManualConfirmer confirmer);

// "--selftest"/"--livetest" on the command line (read once).
bool diagnosticMode();
void setDiagnosticModeForTesting(std::optional<bool> mode);

}  // namespace quorvel::TrackingQuery
