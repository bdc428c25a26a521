#pragma once
// Starting the client at login, switched from the settings.
#include <optional>
#include <string>

#include "platform/Autostart.h"

namespace quorvel::LoginItem {

// On: register the client as started at login; off: unregister it. Nothing on
// success, otherwise the description of the error for the caller to show.
std::optional<std::string> set(bool on);

// The registration as it is now (the settings seed their switch from it).
inline LoginItemStatus status() { return Autostart::status(); }

// "未开启", "已开启", "等待系统设置里批准", "系统找不到该登录项", "未知".
std::string statusText(LoginItemStatus status);

}  // namespace quorvel::LoginItem
