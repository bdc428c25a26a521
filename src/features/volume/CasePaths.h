#pragma once
// Rules of the case volume that need no file system of their own: the mapping of a
// server path to its local place, the search for the mounted root, the status line,
// the decisions of reveal and open-folder, file-name pieces and the classification
// of mount errors. Tested headless.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::CasePaths {

// Deployment constants: the share on the service's WebDAV host, and the service's
// domain word (the lower-case second-level label of its domain).
inline constexpr const char* kDefaultShareURL = "davs://dav.quorvel.cn/zm";
inline constexpr const char* kDomainWord = "quorvel";
// User defaults: the mount-point override, and the share address (demo and tests
// point it at a local server).
inline constexpr const char* kRootOverrideKey = "volume.root";
inline constexpr const char* kShareURLKey = "volume.shareURL";

// The share address as GIO mounts it: "dav://" or "davs://" (an "http(s)://" text is
// turned into those), a host, a path; no trailing slash. Nothing for other text.
std::optional<std::string> shareURIFrom(std::string_view text);
// Host and path of a dav(s) address ("dav.quorvel.cn", "/zm").
struct ShareParts {
  std::string scheme, host, port, path;
};
std::optional<ShareParts> splitShareURI(std::string_view uri);

// The mapping rule: split at "/" without empty pieces, drop a first "user_data",
// then a first piece beginning "FIRM_". Nothing when no piece is left, and nothing
// when a piece is "." or "..", or holds a NUL or a backslash: a server path never
// leaves its root. `unsafe` tells the caller which of the two it was.
std::optional<std::vector<std::string>> tailPieces(std::string_view serverPath, bool* unsafe = nullptr);
std::optional<std::string> relTail(std::string_view serverPath, bool* unsafe = nullptr);
// root + the tail, checked lexically to lie below root.
std::optional<std::filesystem::path> mapUnder(const std::filesystem::path& root, std::string_view serverPath,
                                              bool* unsafe = nullptr);

// Where the mounted root is, first hit wins: the override when it exists; the
// share's own local (FUSE) path when GIO gives one and it exists; then, in listing
// order, a GVfs mount folder of a dav(s) server whose host is the share's or holds
// the domain word, with the share's path inside it.
struct RootSearch {
  std::optional<std::string> overridePath;
  std::optional<std::filesystem::path> shareLocalPath;
  std::filesystem::path gvfsDir;
  std::vector<std::string> gvfsEntries;  // as the folder lists them
  ShareParts share;
  std::string domainWord = kDomainWord;
  std::function<bool(const std::filesystem::path&)> exists;
};
std::optional<std::filesystem::path> findMountedRoot(const RootSearch& in);

// "已连接：…", "未连网盘，使用本地镜像：…", "未连接".
std::string statusText(const std::optional<std::string>& mounted, const std::optional<std::filesystem::path>& mirror);

enum class RevealStep { notConnected, selectFile, openParent, missing };
RevealStep revealStep(const std::optional<std::filesystem::path>& local,
                      const std::function<bool(const std::filesystem::path&)>& exists);

enum class FolderStep { noFolderPath, notConnected, open, missing };
FolderStep folderStep(const std::optional<std::string>& pageValue, bool evaluationFailed,
                      const std::optional<std::filesystem::path>& local,
                      const std::function<bool(const std::filesystem::path&)>& isDir);

// A file name's stem and extension as the original platform splits them: the last
// dot starts the extension, a leading dot does not, a trailing "/" is ignored.
struct NameParts {
  std::string stem, ext;
};
NameParts splitName(std::string_view name);
// stem.stamp.ext, then stem.stamp-2.ext, -3, … (attempt 1, 2, 3 …).
std::string backupName(std::string_view fileName, std::string_view stamp, int attempt);

// What a failed or finished mount means.
enum class MountFailure { none, cancelled, alreadyMounted, noGvfs, authFailed, other };
struct MountErrorInfo {
  bool gioDomain = false;   // G_IO_ERROR
  int code = 0;             // GIOErrorEnum when gioDomain
  std::string domainName;   // the GError's quark name
  std::string message;
  bool gaveUpAfterWrongPassword = false;
  bool cancelledByUser = false;
};
MountFailure classifyMountError(const MountErrorInfo& e);
// The alert (empty title: none) and the completion of a failed connect.
struct ConnectOutcome {
  std::string alertTitle, alertText, message;
};
ConnectOutcome connectOutcome(MountFailure kind, const std::string& message, const std::string& shareAddress);

}  // namespace quorvel::CasePaths
