#pragma once
// Desktop notifications through org.freedesktop.Notifications on the session bus
// (SystemNotifications in DesktopNotifications.h).
namespace quorvel::Notifications {

inline constexpr const char* kAppName = "墨衡台";

}  // namespace quorvel::Notifications
