#pragma once
// The texts of the client-settings sheet: its header, its six cards in order, the
// storage tiles and the maintenance card's version line. Free of GTK, tested headless.
#include <array>
#include <optional>
#include <string>

#include "core/BrowserModel.h"
#include "features/mirror/StorageStats.h"

namespace quorvel {

inline constexpr const char* kSettingsSheetTitle = "客户端设置";
inline constexpr const char* kSettingsSheetSubtitle = "衡石同舟·墨衡台 · Linux 客户端 v2.2.0";
inline constexpr const char* kSettingsSheetIcon = "gearshape.fill";
inline constexpr const char* kSettingsSheetDone = "完成";

enum class SettingsCard { account, system, appearance, volume, storage, maintenance };

struct SettingsCardHeading {
  SettingsCard card;
  const char* title;
  const char* icon;  // symbol name shown before the title
};

// The six cards, top to bottom.
const std::array<SettingsCardHeading, 6>& settingsCards();
const SettingsCardHeading& settingsCardHeading(SettingsCard card);

struct StorageTile {
  std::string title;
  std::string value;
  std::string sub;  // a single space while counting keeps the tile's height
};

// "本地卷宗镜像" and "旧版本备份"; "统计中…" while nothing has been counted yet.
std::array<StorageTile, 2> storageTiles(const std::optional<StorageStats>& stats);
// "清空旧版本" is offered only once a count found backups.
bool offersClearOldVersions(const std::optional<StorageStats>& stats);

// "版本 2.2.0 · 活跃标签 2/3": tabs with a live page over all tabs.
std::string settingsVersionLine(const BrowserModel::Tabs& tabs);

}  // namespace quorvel
