#pragma once
// What every diagnostic report shares: the pass rule of one test's result, the list
// of failed checks, the closing keys and the text that is written.
#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <vector>

namespace quorvel::DiagnosticReport {

// A result has passed only when its "ok" is present, is a Boolean and is true: 1 or
// "true" count as failed.
bool passed(const nlohmann::json& result);

// The names of the checks that did not pass, in the order they ran, each once.
class Failures {
 public:
  void add(const std::string& name);
  // Adds `name` unless `result` passed; answers whether it passed.
  bool record(const std::string& name, const nlohmann::json& result);
  const std::vector<std::string>& names() const { return names_; }
  bool empty() const { return names_.empty(); }
  // "a,b" (no blank), as the closing log lines show them.
  std::string joined() const;

 private:
  std::vector<std::string> names_;
};

// Adds "failures" (the names, possibly none) and "result": "ok" when nothing failed,
// otherwise "fail".
void finish(nlohmann::json& report, const Failures& failures);

// A finished report's outcome as the closing log lines show it: "result=fail failures=a,b".
std::string outcomeText(const nlohmann::json& report);

// The report as it is written: pretty-printed with its keys sorted, ending with a line
// feed.
std::string text(const nlohmann::json& report);

// An ISO 8601 time in UTC with whole seconds ("2026-12-08T06:30:00Z").
std::string isoTimestamp(std::chrono::system_clock::time_point time);

}  // namespace quorvel::DiagnosticReport
