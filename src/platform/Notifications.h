#pragma once
// Desktop notifications through org.freedesktop.Notifications on the session bus.
#include <gio/gio.h>

#include <functional>
#include <optional>
#include <string>

namespace quorvel::Notifications {

inline constexpr const char* kAppName = "墨衡台";

// Notifications count as allowed when a notification server answers. `done` runs on
// the main context with the answer and, when refused, the reason.
void requestAuthorization(std::function<void(bool granted, std::optional<std::string> error)> done);

// Shows one notification at once, with a default action and the default sound.
// `done` runs on the main context with the error, if any.
void deliver(const std::string& title, const std::string& body,
             std::function<void(std::optional<std::string> error)> done);

// What clicking one of our notifications does (default: activate the application).
void setActivationHandler(std::function<void()> handler);

}  // namespace quorvel::Notifications
