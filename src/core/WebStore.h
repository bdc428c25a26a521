#pragma once
// The web views' data store as the workspace model needs it: the cookies that
// native requests carry, and clearing everything at sign-out.
#include <string>
#include <vector>

#include "base/Task.h"

namespace quorvel {

// A cookie of the web views' store, as far as the Cookie header needs it.
struct NativeCookie {
  std::string name;
  std::string value;
  std::string domain;
  bool secure = false;
};

class WebStore {
 public:
  virtual ~WebStore() = default;
  virtual Task<std::vector<NativeCookie>> cookies() = 0;
  // Removes all website data; ends once the store has confirmed it.
  virtual Task<void> clearWebData() = 0;
};

}  // namespace quorvel
