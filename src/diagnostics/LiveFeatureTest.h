#pragma once
// The live check against a running service ("--livetest").
#include <functional>
#include <memory>

namespace quorvel {
class BrowserModel;
namespace LiveFeatureTest {
// Does nothing unless "--livetest" was given.
void start(bool liveTestSwitch, std::shared_ptr<BrowserModel> browser, std::function<void()> quit);
}  // namespace LiveFeatureTest
}  // namespace quorvel
