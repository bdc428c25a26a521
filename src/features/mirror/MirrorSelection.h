#pragma once
// The contract the user looks at: its folders with their ticks, and the differences
// between its manifest and the mirror folder.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Published.h"
#include "base/Task.h"
#include "features/mirror/MirrorFormats.h"
#include "features/mirror/MirrorServices.h"

namespace quorvel {

class MirrorActivity;
class MirrorListing;
class MirrorLocation;
class MirrorStore;

class MirrorSelection {
 public:
  MirrorSelection(const MirrorServices& services, MirrorListing& listing, MirrorLocation& location,
                  MirrorActivity& activity, MirrorKeepAlive keep);

  Published<std::optional<long long>, MirrorSelection> selectedContract;
  Published<std::vector<MirrorFolder>, MirrorSelection> folders;
  Published<std::set<std::string>, MirrorSelection> selectedFolders;
  Published<std::vector<MirrorDiff>, MirrorSelection> diffs;

  // Shows `id` (nothing: no contract): its manifest is read, its folders summed up and
  // ticked; the differences are dropped until the next check.
  void selectContract(std::optional<long long> id);
  void toggleFolder(const std::string& name);
  // Ticks every folder of the contract.
  void selectAllFolders();
  long long selectedFoldersBytes() const;
  // Compares the contract's manifest with the mirror folder.
  Task<void> check();

 private:
  friend class MirrorStore;  // its preset contract
  void preset(std::optional<long long> contract, std::vector<MirrorFolder> list, std::set<std::string> ticks,
              std::vector<MirrorDiff> differences);
  Task<void> loadSelection(long long id, unsigned generation);
  void applyDigest(const MirrorManifest& m, MirrorRules::FolderDigest digest);

  MirrorServices services_;
  MirrorListing& listing_;
  MirrorLocation& location_;
  MirrorActivity& activity_;
  MirrorKeepAlive keep_;
  unsigned generation_ = 0;
};

}  // namespace quorvel
