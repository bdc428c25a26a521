#pragma once
// What the settings sheet's account, appearance and volume cards show, as plain
// values; the cards draw them.
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

inline constexpr const char* kAccountSignedOutName = "当前未登录";
inline constexpr const char* kAccountSignedOutDetail = "登录后自动同步待办、菜单与卷宗权限";

// First user-perceived character of the name, or "?".
std::string accountAvatarCharacter(const std::string& user);
// The name, or "当前未登录".
std::string accountNameLine(const std::string& user);
// Firm and role label joined with " · ", empty ones left out; the sign-in note when
// both are empty. An unknown role code is shown as it is.
std::string accountDetailLine(const std::string& firm, const std::string& roleCode);

// What the server field's hint says after a save or a restore.
struct ServerHint {
  enum class Tone { success, warning, danger };
  std::string text;
  Tone tone = Tone::success;
  bool operator==(const ServerHint&) const = default;
};
// The hint after saving `stored` (what was stored; nothing: the typed text was refused).
// A plain-http address is stored but the hint warns that it travels unencrypted.
ServerHint serverSaveHint(const std::optional<std::string>& stored);
inline const ServerHint kServerRestoredHint{"已恢复默认地址", ServerHint::Tone::success};
inline const ServerHint kServerKeptHint{"未更换服务器，地址未保存", ServerHint::Tone::warning};

// Storing `next` in place of `current` points the client at another service: another
// scheme, host (case aside) or port. Another path on the same origin is the same service.
bool changesService(const std::string& current, const std::string& next);
// The question before another service's address is stored: what of the old service goes.
struct ServiceChangeQuestion {
  std::string title;
  std::string text;
  std::vector<std::string> buttons;  // the first one changes
};
ServiceChangeQuestion serviceChangeQuestion(const std::string& current, const std::string& next);

struct ZoomChoice {
  const char* title;
  double scale;
};
inline constexpr ZoomChoice kZoomChoices[] = {{"小 90%", 0.9}, {"标准 100%", 1.0}, {"大 115%", 1.15}};
// A chip is lit while the workspace's scale is within 0.03 of its own.
bool zoomChipActive(double current, double chipScale);

// "当前状态：<status>", then " · <error>" when there is one.
std::string loginStatusLine(const std::string& statusText, const std::string& error);

// "自动清理过期「_旧版本」备份（保留 30 天）".
std::string pruneTitle(long long keepOldDays);

}  // namespace quorvel
