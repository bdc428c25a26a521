#pragma once
// Which proceedings the quick-archive window offers, how its filter narrows them and
// which proceeding an upload goes to. Pure, so it is tested headless.
#include <optional>
#include <string>
#include <vector>

#include "core/Recents.h"
#include "core/Todo.h"

namespace quorvel {

struct QuickArchiveTarget {
  long long id = 0;
  std::string title;
  std::string subtitle;
  bool operator==(const QuickArchiveTarget&) const = default;
};

namespace QuickArchiveRules {

// The proceeding a page path shows ("/proceeding/123/detail" → 123), absent otherwise.
std::optional<long long> currentProceedingID(const std::string& activePath);

struct TargetList {
  std::vector<QuickArchiveTarget> targets;  // largest id first
  long long selectedProcID = 0;             // 0: none
};

// The current page first, then the recent proceedings, then the deadlines; the first
// source that names an id wins. `activeTabTitle` is absent when no tab is active.
TargetList buildTargets(const std::string& activePath, const std::optional<std::string>& activeTabTitle,
                        const std::vector<RecentItem>& recents, const Deadlines& deadlines);

// Targets whose title, subtitle or id contain the trimmed filter (any case).
std::vector<QuickArchiveTarget> filteredTargets(const std::vector<QuickArchiveTarget>& targets,
                                                const std::string& filterText);

// A manual id (spaces and tabs trimmed, optional sign) above 0 wins over the selection.
long long effectiveProcID(const std::string& manualProcID, long long selectedProcID);

// A whole decimal integer with an optional sign; absent for anything else or overflow.
std::optional<long long> parseDecimal(const std::string& text);

// Status texts of an upload.
std::string uploadingText(size_t fileCount, long long id);
std::string successText(long long count, long long id);
std::string failureText(const std::string& description);
inline constexpr const char* kIdleStatus = "文件将上传到目标程序的「00_手头材料」目录";

}  // namespace QuickArchiveRules
}  // namespace quorvel
