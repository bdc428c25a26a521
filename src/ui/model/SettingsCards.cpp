#include "ui/model/SettingsCards.h"

#include <cmath>

#include "base/Url.h"
#include "core/NavItem.h"
#include "ui/model/Sidebar.h"

namespace quorvel {

std::string accountAvatarCharacter(const std::string& user) { return sidebarInitial(user); }

std::string accountNameLine(const std::string& user) { return user.empty() ? kAccountSignedOutName : user; }

std::string accountDetailLine(const std::string& firm, const std::string& roleCode) {
  std::string role = roleName(roleCode);
  std::string line = firm;
  if (!role.empty()) line += (line.empty() ? "" : " · ") + role;
  return line.empty() ? kAccountSignedOutDetail : line;
}

ServerHint serverSaveHint(const std::optional<std::string>& stored) {
  if (!stored) return {"地址无效，未保存", ServerHint::Tone::danger};
  auto url = Url::parse(*stored);
  if (url && url->scheme == "http") return {"已保存 · 该地址为 http，登录信息将以明文传输", ServerHint::Tone::warning};
  return {"已保存", ServerHint::Tone::success};
}

bool changesService(const std::string& current, const std::string& next) {
  auto a = Url::parse(current), b = Url::parse(next);
  if (!a || !b) return current != next;
  // One origin holds one firm's data: the paths do not matter.
  return !(isServiceOrigin(*a, *b) && toLowerAscii(a->host) == toLowerAscii(b->host));
}

ServiceChangeQuestion serviceChangeQuestion(const std::string& current, const std::string& next) {
  return {"更换服务器？",
          "服务器将从 " + current + " 改为 " + next +
              "。\n\n上一服务器的数据会清除：侧栏的最近卷宗、系统搜索索引、卷宗目录缓存和保存的标签页"
              "（已打开的标签页会关闭），然后在新服务器上打开工作台。",
          {"更换并清除", "取消"}};
}

bool zoomChipActive(double current, double chipScale) { return std::fabs(current - chipScale) < 0.03; }

std::string loginStatusLine(const std::string& statusText, const std::string& error) {
  std::string line = "当前状态：" + statusText;
  if (!error.empty()) line += " · " + error;
  return line;
}

std::string pruneTitle(long long keepOldDays) {
  return "自动清理过期「_旧版本」备份（保留 " + std::to_string(keepOldDays) + " 天）";
}

}  // namespace quorvel
