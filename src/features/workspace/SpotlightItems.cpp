#include "features/workspace/SpotlightItems.h"

#include <algorithm>
#include <string>

namespace quorvel::spotlight {

SearchItem contractItem(const MirrorNode& n) {
  return {"quorvel://contract/" + std::to_string(n.id),
          kDomain,
          "合同 · " + n.no,
          "衡石同舟·墨衡台案件合同（" + std::to_string(n.clients) + " 位客户 · " + std::to_string(n.procs) + " 个程序）",
          {"墨衡台", "合同", "案件", n.no}};
}

SearchItem clientItem(const MirrorClientNode& n) {
  std::string description = n.contract.empty()
                                ? "衡石同舟·墨衡台当事人（" + std::to_string(n.procs) + " 个程序）"
                                : "合同 " + n.contract + " · " + std::to_string(n.procs) + " 个程序";
  return {"quorvel://client/" + std::to_string(n.id),
          kDomain,
          "客户 · " + n.name,
          std::move(description),
          {"墨衡台", "客户", "当事人", n.name, n.contract}};
}

SearchItem proceedingItem(const RecentItem& r) {
  return {"quorvel://proceeding/" + std::to_string(r.procID),
          kDomain,
          "程序 · " + r.title,
          "衡石同舟·墨衡台近期打开的案件程序",
          {"墨衡台", "程序", "卷宗", r.title}};
}

std::vector<SearchItem> buildItems(const std::optional<MirrorNodes>& nodes, const std::vector<RecentItem>& recents) {
  std::vector<SearchItem> items;
  if (nodes) {
    size_t contracts = std::min(nodes->contracts.size(), kMaxContracts);
    size_t clients = std::min(nodes->clients.size(), kMaxClients);
    items.reserve(contracts + clients + recents.size());
    for (size_t i = 0; i < contracts; ++i) items.push_back(contractItem(nodes->contracts[i]));
    for (size_t i = 0; i < clients; ++i) items.push_back(clientItem(nodes->clients[i]));
  }
  for (const auto& r : recents) items.push_back(proceedingItem(r));
  return items;
}

std::vector<std::string> capNotes(const MirrorNodes& nodes) {
  std::vector<std::string> notes;
  if (nodes.contracts.size() > kMaxContracts)
    notes.push_back("合同共 " + std::to_string(nodes.contracts.size()) + " 个，全局搜索只索引前 " +
                    std::to_string(kMaxContracts) + " 个");
  if (nodes.clients.size() > kMaxClients)
    notes.push_back("客户共 " + std::to_string(nodes.clients.size()) + " 位，全局搜索只索引前 " +
                    std::to_string(kMaxClients) + " 位");
  return notes;
}

}  // namespace quorvel::spotlight
