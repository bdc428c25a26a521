#pragma once
// The items the firm's contracts, clients and recent proceedings become in the
// system search index. Each identifier is an application link, so picking a result
// is following that link.
#include <optional>
#include <string>
#include <vector>

#include "features/mirror/MirrorNodes.h"
#include "core/Recents.h"
#include "platform/SearchIndexStore.h"

namespace quorvel::spotlight {

// Kept as the service and older clients know it.
inline constexpr const char* kDomain = "com.quorvel.mac.cases";
inline constexpr size_t kMaxContracts = 150;
inline constexpr size_t kMaxClients = 200;

SearchItem contractItem(const MirrorNode& node);
SearchItem clientItem(const MirrorClientNode& node);
SearchItem proceedingItem(const RecentItem& recent);

// The first 150 contracts, then the first 200 clients (none without nodes), then
// every recent proceeding, each in list order.
std::vector<SearchItem> buildItems(const std::optional<MirrorNodes>& nodes, const std::vector<RecentItem>& recents);
// What the bounds above leave out, one line each ("合同共 N 个，全局搜索只索引前 150 个");
// none when everything fits.
std::vector<std::string> capNotes(const MirrorNodes& nodes);

}  // namespace quorvel::spotlight
