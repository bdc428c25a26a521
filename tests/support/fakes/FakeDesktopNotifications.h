#pragma once
// A desktop whose answers a test scripts: each call goes to the hook the test set
// (none set: granted, delivered, nothing recorded).
#include <functional>
#include <optional>
#include <string>

#include "platform/DesktopNotifications.h"

namespace quorvel::test {

class FakeDesktopNotifications : public DesktopNotifications {
 public:
  std::function<void(std::function<void(bool, std::optional<std::string>)>)> onRequestAuthorization;
  std::function<void(const std::string&, const std::string&, std::function<void(std::optional<std::string>)>)>
      onDeliver;
  std::function<void(long long)> onSetBadge;
  std::function<void()> onRequestAttention;

  void requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) override {
    if (onRequestAuthorization) onRequestAuthorization(std::move(done));
    else done(true, std::nullopt);
  }
  void deliver(const std::string& title, const std::string& body,
               std::function<void(std::optional<std::string>)> done) override {
    if (onDeliver) onDeliver(title, body, std::move(done));
    else done(std::nullopt);
  }
  void setBadge(long long count) override {
    if (onSetBadge) onSetBadge(count);
  }
  void requestAttention() override {
    if (onRequestAttention) onRequestAttention();
  }
};

}  // namespace quorvel::test
