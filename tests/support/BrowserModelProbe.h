#pragma once
// A test's way to the workspace model's active tab without the steps that come with
// choosing one (waking it, loading it).
#include <optional>
#include <string>

#include "core/BrowserModel.h"

namespace quorvel {

struct BrowserModelProbe {
  static void setActiveID(BrowserModel& model, std::optional<std::string> id) { model.setActiveID(std::move(id)); }
};

}  // namespace quorvel
