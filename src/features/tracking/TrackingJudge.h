#pragma once
#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>

// The pure half of the courier-delivery lookup: where to search, how to read the
// result page, how the evidence is named and recorded. No GTK, no WebKit.
namespace quorvel::TrackingJudge {

inline constexpr const char* kSourceName = "百度";
inline constexpr const char* kManualSourceName = "人工核对";
inline constexpr const char* kDefaultSearchBase = "https://www.baidu.com";
inline constexpr double kSettleSeconds = 5.0;
inline constexpr double kTimeoutSeconds = 22.0;
inline constexpr std::size_t kRawLength = 900;

// The number without surrounding white space and newlines.
std::string trimmedNumber(const std::string& number);

// `base` + "/s?wd=" + the number percent-encoded outside the unreserved set
// (so "&", "+", "/" cannot add parameters or turn into spaces); nothing when the
// base is not an http(s) address with a host or the number is empty.
std::optional<std::string> searchAddress(const std::string& base, const std::string& number);
std::string percentEncodeUnreserved(const std::string& text);

// From 300 characters before the number's first occurrence to 1800 after its end;
// the whole text when the number is empty or absent.
std::string context(const std::string& number, const std::string& text);

// {"status", "msg", "raw"} of a page text.
nlohmann::json judge(const std::string& text, const std::string& trackingNo);

std::optional<std::string> signTime(const std::string& text);
std::optional<std::string> signPerson(const std::string& text);

// The number as a file-name component: path separators, control characters and a
// leading "." become "_", at most 64 characters.
std::string fileComponent(const std::string& number);
// "查签-<number>-yyyyMMdd-HHmmss.png" in local time.
std::string evidenceFileName(const std::string& number, std::chrono::system_clock::time_point when);
// The JSON record written beside the PNG (pretty, keys sorted).
std::string recordJson(const std::string& number, const std::string& source, const std::string& fileName,
                       std::chrono::system_clock::time_point when);

}  // namespace quorvel::TrackingJudge
