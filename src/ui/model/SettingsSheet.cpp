#include "ui/model/SettingsSheet.h"

#include <algorithm>

#include "base/ByteCount.h"
#include "core/AppConfig.h"

namespace quorvel {

const std::array<SettingsCardHeading, 6>& settingsCards() {
  // The system-integration card names the Linux desktop where the original named its platform.
  static const std::array<SettingsCardHeading, 6> cards{{
      {SettingsCard::account, "账号与服务器", "person.badge.shield.checkmark"},
      {SettingsCard::system, "Linux 桌面深度融合", "sparkles"},
      {SettingsCard::appearance, "界面显示与启动", "textformat.size"},
      {SettingsCard::volume, "本地卷宗盘（WebDAV）与离线镜像", "externaldrive.fill"},
      {SettingsCard::storage, "本机缓存与审计日志", "internaldrive"},
      {SettingsCard::maintenance, "更新与高级维护", "wrench.and.screwdriver"},
  }};
  return cards;
}

const SettingsCardHeading& settingsCardHeading(SettingsCard card) {
  return settingsCards()[static_cast<size_t>(card)];
}

std::array<StorageTile, 2> storageTiles(const std::optional<StorageStats>& stats) {
  if (!stats) return {{{"本地卷宗镜像", "统计中…", " "}, {"旧版本备份", "统计中…", " "}}};
  return {{{"本地卷宗镜像", byteCountText(stats->mirrorBytes), std::to_string(stats->mirrorFiles) + " 个文件"},
           {"旧版本备份", byteCountText(stats->oldBytes), std::to_string(stats->oldFiles) + " 个备份"}}};
}

bool offersClearOldVersions(const std::optional<StorageStats>& stats) { return stats && stats->oldFiles >= 1; }

std::string settingsVersionLine(const BrowserModel::Tabs& tabs) {
  auto live = std::count_if(tabs.begin(), tabs.end(), [](const auto& tab) { return tab && tab->webView(); });
  return std::string("版本 ") + AppConfig::kVersion + " · 活跃标签 " + std::to_string(live) + "/" +
         std::to_string(tabs.size());
}

}  // namespace quorvel
