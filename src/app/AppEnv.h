#pragma once
#include <memory>

namespace quorvel {

class BrowserModel;

namespace AppEnv {
// The one workspace model of the process (made by AppServices on first use).
BrowserModel& browser();
std::shared_ptr<BrowserModel> browserPtr();
}  // namespace AppEnv

}  // namespace quorvel
