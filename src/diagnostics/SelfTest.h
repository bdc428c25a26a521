#pragma once
// The offline self-check ("--selftest").
#include <functional>
#include <memory>

namespace quorvel {
class BrowserModel;
namespace SelfTest {
// Does nothing unless "--selftest" was given; otherwise logs its start and, 3 s later,
// runs the checks, writes "selftest.json" and calls `quit`.
void start(bool selfTestSwitch, std::shared_ptr<BrowserModel> browser, std::function<void()> quit);
}  // namespace SelfTest
}  // namespace quorvel
