#pragma once
// What the mirror sheet's detail area shows, as plain values: the header bar's summary
// and buttons, and the rows of its one scrolling list (the folder card's rows, then the
// difference card's head, rows and overflow line). Each row knows its place in its card
// so a recycled row draws the card piece by piece. Free of GTK, tested headless.
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "features/mirror/MirrorFormats.h"

namespace quorvel {

// The difference card lists no more rows than this; the rest is one line.
inline constexpr std::size_t kMirrorDiffRowsShown = 40;

// The header bar over the lists: hidden (the placeholder instead) while no contract is
// chosen.
struct MirrorDetailBar {
  bool contractChosen = false;
  std::string summary;
  bool selectAllEnabled = false;
  bool checkEnabled = false;
  bool cacheEnabled = false;
  bool operator==(const MirrorDetailBar&) const = default;
};
MirrorDetailBar mirrorDetailBar(bool contractChosen, const std::vector<MirrorFolder>& folders,
                                const std::set<std::string>& ticks, long long tickedBytes, bool busy);

struct MirrorDetailRow {
  enum class Kind { folder, noFiles, diffHead, diff, diffMore };
  Kind kind = Kind::folder;
  // folder: its key in the manifest (selection and identity); diff: the server path.
  std::string id;
  // folder: the display name; diff: the relative path; the others: their line.
  std::string text;
  long long count = 0;  // folder: files
  long long bytes = 0;  // folder: its bytes; diff: the server file's size
  bool checked = false;  // folder
  bool enabled = false;  // diffHead: "一键补齐差异"
  MirrorDiffKind diffKind = MirrorDiffKind::missing;
  // The row's place in its card: the first draws the card's top, the last its bottom.
  bool firstInCard = false;
  bool lastInCard = false;
  // The first row of the second card keeps the gap between the cards; the list's last
  // row the column's bottom inset.
  bool secondCard = false;
  bool lastInList = false;
  bool operator==(const MirrorDetailRow&) const = default;
};

// The folder card (its rows, or the no-files line), then, while there are differences,
// the difference card: head, the first kMirrorDiffRowsShown differences, the overflow
// line.
std::vector<MirrorDetailRow> mirrorDetailRows(const std::vector<MirrorFolder>& folders,
                                              const std::set<std::string>& ticks,
                                              const std::vector<MirrorDiff>& diffs, bool busy);
// Equal keys: the row shows the same. A difference is keyed by what it shows, not by
// its record id, which is new on every check.
std::string mirrorDetailRowKey(const MirrorDetailRow& row);
// A folder key as the row shows it.
std::string mirrorFolderTitle(const std::string& key);
// The accessible name of a folder row: its title and whether it is ticked.
std::string mirrorFolderAccessibleName(const MirrorDetailRow& row);

}  // namespace quorvel
