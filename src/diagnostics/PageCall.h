#pragma once
// An async page function awaited by a diagnostic run, with a bound: a page whose script
// never settles (a panel no one answers, a bridge that never replies) fails the call
// instead of holding the run.
#include <nlohmann/json.hpp>

#include <memory>
#include <string>

#include "base/Task.h"
#include "core/WebPage.h"

namespace quorvel {

// The page's answer to `body` with `args`, or the failure ("Quorvel", 2, "页面无答复")
// once `guardMs` pass without one; a late answer is dropped.
Task<JsResult> callPageWithin(std::shared_ptr<WebPage> page, std::string body, nlohmann::json args,
                              unsigned guardMs);

}  // namespace quorvel
