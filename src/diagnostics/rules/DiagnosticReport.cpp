#include "diagnostics/rules/DiagnosticReport.h"

#include <glib.h>

#include <algorithm>

namespace quorvel::DiagnosticReport {

bool passed(const nlohmann::json& result) {
  if (!result.is_object()) return false;
  auto it = result.find("ok");
  return it != result.end() && it->is_boolean() && it->get<bool>();
}

void Failures::add(const std::string& name) {
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
}

bool Failures::record(const std::string& name, const nlohmann::json& result) {
  bool ok = passed(result);
  if (!ok) add(name);
  return ok;
}

std::string Failures::joined() const {
  std::string out;
  for (const auto& name : names_) out += (out.empty() ? "" : ",") + name;
  return out;
}

void finish(nlohmann::json& report, const Failures& failures) {
  report["failures"] = failures.names();
  report["result"] = failures.empty() ? "ok" : "fail";
}

std::string outcomeText(const nlohmann::json& report) {
  Failures failures;
  if (auto it = report.find("failures"); it != report.end() && it->is_array())
    for (const auto& name : *it)
      if (name.is_string()) failures.add(name.get<std::string>());
  std::string result = "fail";
  if (auto it = report.find("result"); it != report.end() && it->is_string()) result = it->get<std::string>();
  return "result=" + result + " failures=" + failures.joined();
}

std::string text(const nlohmann::json& report) {
  // nlohmann's objects keep their keys sorted; text that is not UTF-8 is replaced, so
  // writing never throws.
  return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string isoTimestamp(std::chrono::system_clock::time_point time) {
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
  GDateTime* utc = g_date_time_new_from_unix_utc(seconds);
  if (!utc) return {};
  gchar* text = g_date_time_format(utc, "%Y-%m-%dT%H:%M:%SZ");
  std::string out = text ? text : "";
  g_free(text);
  g_date_time_unref(utc);
  return out;
}

}  // namespace quorvel::DiagnosticReport
