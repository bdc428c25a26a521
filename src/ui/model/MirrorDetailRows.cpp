#include "ui/model/MirrorDetailRows.h"

#include <algorithm>

#include "base/ByteCount.h"

namespace quorvel {

MirrorDetailBar mirrorDetailBar(bool contractChosen, const std::vector<MirrorFolder>& folders,
                                const std::set<std::string>& ticks, long long tickedBytes, bool busy) {
  MirrorDetailBar bar;
  bar.contractChosen = contractChosen;
  if (!contractChosen) return bar;
  // The count is of the names ticked, whether or not each is one of these folders.
  bar.summary = "已选 " + std::to_string(ticks.size()) + "/" + std::to_string(folders.size()) + " 项 · 约 " +
                byteCountText(tickedBytes);
  bar.selectAllEnabled = !folders.empty() && !busy;
  bar.checkEnabled = !busy;
  bar.cacheEnabled = !busy && !ticks.empty();
  return bar;
}

std::vector<MirrorDetailRow> mirrorDetailRows(const std::vector<MirrorFolder>& folders,
                                              const std::set<std::string>& ticks,
                                              const std::vector<MirrorDiff>& diffs, bool busy) {
  using Kind = MirrorDetailRow::Kind;
  std::vector<MirrorDetailRow> rows;
  const std::size_t shownDiffs = std::min(diffs.size(), kMirrorDiffRowsShown);
  rows.reserve(std::max<std::size_t>(folders.size(), 1) + (diffs.empty() ? 0 : shownDiffs + 2));
  if (folders.empty()) {
    MirrorDetailRow r;
    r.kind = Kind::noFiles;
    r.text = "该合同暂无电子卷宗文件";
    rows.push_back(std::move(r));
  }
  for (const auto& f : folders) {
    MirrorDetailRow r;
    r.kind = Kind::folder;
    r.id = f.name;
    r.text = mirrorFolderTitle(f.name);
    r.count = f.count;
    r.bytes = f.bytes;
    r.checked = ticks.count(f.name) > 0;
    rows.push_back(std::move(r));
  }
  rows.front().firstInCard = true;
  rows.back().lastInCard = true;
  if (diffs.empty()) {
    rows.back().lastInList = true;
    return rows;
  }

  MirrorDetailRow h;
  h.kind = Kind::diffHead;
  h.text = "本地与服务器差异（" + std::to_string(diffs.size()) + "）";
  h.count = static_cast<long long>(diffs.size());
  h.enabled = !busy;
  h.firstInCard = true;
  h.secondCard = true;
  rows.push_back(std::move(h));
  for (std::size_t i = 0; i < shownDiffs; ++i) {
    const auto& d = diffs[i];
    MirrorDetailRow r;
    r.kind = Kind::diff;
    r.id = d.file.path;
    r.text = d.file.rel;
    // The server's size, never the local one.
    r.bytes = d.file.size;
    r.diffKind = d.kind;
    rows.push_back(std::move(r));
  }
  if (diffs.size() > kMirrorDiffRowsShown) {
    MirrorDetailRow more;
    more.kind = Kind::diffMore;
    more.count = static_cast<long long>(diffs.size() - kMirrorDiffRowsShown);
    more.text = "还有 " + std::to_string(more.count) + " 个差异文件未展开…";
    rows.push_back(std::move(more));
  }
  rows.back().lastInCard = true;
  rows.back().lastInList = true;
  return rows;
}

std::string mirrorDetailRowKey(const MirrorDetailRow& r) {
  std::string key;
  key.reserve(r.id.size() + r.text.size() + 32);
  key += static_cast<char>('0' + static_cast<int>(r.kind));
  key += r.firstInCard ? 'F' : '-';
  key += r.lastInCard ? 'L' : '-';
  key += r.secondCard ? 'S' : '-';
  key += r.lastInList ? 'E' : '-';
  key += r.checked ? 'C' : '-';
  key += r.enabled ? 'A' : '-';
  key += static_cast<char>('0' + static_cast<int>(r.diffKind));
  key += '\x1f';
  key += r.id;
  key += '\x1f';
  key += r.text;
  key += '\x1f';
  key += std::to_string(r.count);
  key += '\x1f';
  key += std::to_string(r.bytes);
  return key;
}

std::string mirrorFolderTitle(const std::string& key) {
  return key == MirrorRules::kRootFolder ? "合同根目录文件" : key;
}

std::string mirrorFolderAccessibleName(const MirrorDetailRow& row) {
  return row.text + (row.checked ? "，已勾选" : "，未勾选");
}

}  // namespace quorvel
