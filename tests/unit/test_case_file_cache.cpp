// Local copies of case files on real temporary folders: hits within 2 s, replacements
// with the old copy kept in "_旧版本" under a free name, edited files left alone, and
// failures that never lose the local copy nor leave temporary files behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <set>
#include <sstream>

#include "TestHelpers.h"
#include "features/volume/CaseFileCache.h"
#include "platform/FileOps.h"

using namespace quorvel;
using quorvel::test::readAll;
namespace fs = std::filesystem;
using namespace std::chrono;

namespace {
void writeFile(const fs::path& p, const std::string& bytes, system_clock::time_point mtime) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
  FileOps::setModificationTime(p, mtime);
}
std::vector<std::string> names(const fs::path& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    out.push_back(it->path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// A source whose copies fail (a dropped connection halfway).
class FailingCopy : public FolderSource {
 public:
  using FolderSource::FolderSource;
  std::string copyTo(const std::vector<std::string>& tail, const fs::path& dest) override {
    std::ofstream(dest) << "half";
    return "Input/output error";
  }
};

class CaseFileCacheTest : public ::testing::Test {
 protected:
  fs::path base, cacheRoot, volume;
  std::set<std::string> editing;
  const system_clock::time_point t0 = system_clock::time_point(seconds(1770000000));
  const std::string rel = "/user_data/FIRM_a1/合同A/程序1/起诉状.docx";

  void SetUp() override {
    char tmpl[] = "/tmp/quorvel-cache-XXXXXX";
    base = mkdtemp(tmpl);
    cacheRoot = base / "镜像";
    volume = base / "volume";
    fs::create_directories(cacheRoot);
    fs::create_directories(volume);
  }
  void TearDown() override { fs::remove_all(base); }

  fs::path local() const { return cacheRoot / "合同A" / "程序1" / "起诉状.docx"; }
  fs::path remote() const { return volume / "合同A" / "程序1" / "起诉状.docx"; }
  fs::path oldDir() const { return cacheRoot / "_旧版本"; }
  CaseFileCache cache(CaseSource* src) {
    return CaseFileCache(cacheRoot, src, [this](const std::string& t) { return editing.count(t) > 0; },
                         [] { return std::string("20260309-101500"); });
  }
};

TEST_F(CaseFileCacheTest, FirstCopyKeepsTheSourceTimeSoTheNextCallIsAHit) {
  writeFile(remote(), "server v1", t0);
  FolderSource src(volume);
  auto c = cache(&src);
  ASSERT_EQ(c.ensureLocal(rel), local());
  EXPECT_EQ(readAll(local()), "server v1");
  EXPECT_TRUE(statRegularFile(local())->sameVersion(*statRegularFile(remote())));
  // Change the server bytes but not size or time: a hit keeps the local copy.
  writeFile(remote(), "server v2", t0);
  ASSERT_EQ(c.ensureLocal(rel), local());
  EXPECT_EQ(readAll(local()), "server v1");
  EXPECT_EQ(names(local().parent_path()), std::vector<std::string>{"起诉状.docx"});  // no temporary left
  EXPECT_FALSE(fs::exists(oldDir()));
}

TEST_F(CaseFileCacheTest, TwoSecondWindowAndSizeDecideTheVersion) {
  FolderSource src(volume);
  auto c = cache(&src);
  writeFile(local(), "local!", t0);
  writeFile(remote(), "remote", t0 + milliseconds(1900));
  c.ensureLocal(rel);
  EXPECT_EQ(readAll(local()), "local!");  // 1.9 s: same version
  writeFile(remote(), "remote", t0 + milliseconds(2000));
  c.ensureLocal(rel);
  EXPECT_EQ(readAll(local()), "local!");  // exactly 2.0 s still counts as the same
  writeFile(remote(), "remote", t0 - milliseconds(2100));
  c.ensureLocal(rel);  // 2.1 s, the server copy older: still replaced
  EXPECT_EQ(readAll(local()), "remote");
  EXPECT_EQ(readAll(oldDir() / "起诉状.20260309-101500.docx"), "local!");
  // Equal times, other size: replaced; the second backup of that second gets "-2".
  writeFile(remote(), "remote longer", t0 - milliseconds(2100));
  c.ensureLocal(rel);
  EXPECT_EQ(readAll(local()), "remote longer");
  EXPECT_EQ(readAll(oldDir() / "起诉状.20260309-101500-2.docx"), "remote");
}

TEST_F(CaseFileCacheTest, BackupNameTakenTwiceGoesToTheThird) {
  writeFile(oldDir() / "起诉状.20260309-101500.docx", "older A", t0);
  writeFile(oldDir() / "起诉状.20260309-101500-2.docx", "older B", t0);
  writeFile(local(), "mine", t0);
  writeFile(remote(), "theirs", t0 + seconds(60));
  FolderSource src(volume);
  cache(&src).ensureLocal(rel);
  EXPECT_EQ(readAll(local()), "theirs");
  EXPECT_EQ(readAll(oldDir() / "起诉状.20260309-101500.docx"), "older A");
  EXPECT_EQ(readAll(oldDir() / "起诉状.20260309-101500-2.docx"), "older B");
  EXPECT_EQ(readAll(oldDir() / "起诉状.20260309-101500-3.docx"), "mine");
}

TEST_F(CaseFileCacheTest, FailuresKeepTheLocalCopyAndLeaveNoTemporary) {
  writeFile(local(), "mine", t0);
  writeFile(remote(), "theirs", t0 + seconds(60));
  FailingCopy failing(volume, 0);
  EXPECT_EQ(cache(&failing).ensureLocal(rel), local());
  EXPECT_EQ(readAll(local()), "mine");
  EXPECT_EQ(names(local().parent_path()), std::vector<std::string>{"起诉状.docx"});
  EXPECT_FALSE(fs::exists(oldDir()));

  // The backup folder cannot be made: the old copy is not given up.
  std::ofstream(oldDir()) << "a file where the folder should be";
  FolderSource src(volume);
  EXPECT_EQ(cache(&src).ensureLocal(rel), local());
  EXPECT_EQ(readAll(local()), "mine");
  EXPECT_EQ(names(local().parent_path()), std::vector<std::string>{"起诉状.docx"});

  // No local copy and a failing copy: nothing.
  fs::remove(local());
  EXPECT_FALSE(cache(&failing).ensureLocal(rel));
  EXPECT_TRUE(names(local().parent_path()).empty());
}

TEST_F(CaseFileCacheTest, EditedFilesVolumeAbsentFoldersAndUnsafePaths) {
  FolderSource src(volume);
  writeFile(local(), "my edits", t0);
  writeFile(remote(), "newer on server", t0 + seconds(60));
  editing.insert("合同A/程序1/起诉状.docx");
  EXPECT_EQ(cache(&src).ensureLocal(rel), local());
  EXPECT_EQ(readAll(local()), "my edits");
  // Another spelling of the same path is the same edited file: no download lands there.
  EXPECT_FALSE(cache(&src).prepareDestination("user_data/FIRM_z//合同A/程序1/起诉状.docx"));
  EXPECT_EQ(readAll(local()), "my edits");
  editing.clear();

  // Without a volume: the local copy, else nothing.
  EXPECT_EQ(cache(nullptr).ensureLocal(rel), local());
  EXPECT_FALSE(cache(nullptr).ensureLocal("user_data/FIRM_a/合同A/没有.pdf"));
  // A folder on the volume is not a file to copy.
  fs::create_directories(volume / "合同A" / "文件夹");
  EXPECT_FALSE(cache(&src).ensureLocal("合同A/文件夹"));
  EXPECT_FALSE(fs::exists(cacheRoot / "合同A" / "文件夹"));
  // No tail, or a path that climbs out: nothing, and nothing written.
  EXPECT_FALSE(cache(&src).ensureLocal("user_data/FIRM_a"));
  writeFile(base / "outside.txt", "x", t0);
  EXPECT_FALSE(cache(&src).ensureLocal("user_data/FIRM_a/../outside.txt"));
  EXPECT_FALSE(cache(&src).prepareDestination("user_data/FIRM_a/../../.bashrc"));
  EXPECT_FALSE(fs::exists(base / ".bashrc"));
}

TEST_F(CaseFileCacheTest, PrepareDestinationBacksUpTheOldCopy) {
  writeFile(local(), "old download", t0);
  auto c = cache(nullptr);
  ASSERT_EQ(c.prepareDestination(rel), local());
  EXPECT_FALSE(fs::exists(local()));
  EXPECT_EQ(readAll(oldDir() / "起诉状.20260309-101500.docx"), "old download");
  // A new place gets its folders.
  EXPECT_EQ(c.prepareDestination("新案/卷一/证据.pdf"), cacheRoot / "新案" / "卷一" / "证据.pdf");
  EXPECT_TRUE(fs::is_directory(cacheRoot / "新案" / "卷一"));
}

TEST(FileOps, MoveNeverReplacesAndCopyKeepsTheTime) {
  char tmpl[] = "/tmp/quorvel-fileops-XXXXXX";
  fs::path dir = mkdtemp(tmpl);
  auto t = system_clock::time_point(seconds(1700000000));
  writeFile(dir / "a", "A", t);
  writeFile(dir / "b", "B", t);
  EXPECT_EQ(FileOps::moveNoReplace(dir / "a", dir / "b"), EEXIST);
  EXPECT_EQ(readAll(dir / "a"), "A");
  EXPECT_EQ(readAll(dir / "b"), "B");
  EXPECT_EQ(FileOps::moveNoReplace(dir / "a", dir / "c"), 0);
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_EQ(FileOps::copyNewFile(dir / "c", dir / "b"), EEXIST);
  EXPECT_EQ(FileOps::copyNewFile(dir / "c", dir / "d"), 0);
  EXPECT_EQ(readAll(dir / "d"), "A");
  EXPECT_EQ(statRegularFile(dir / "d")->mtime, t);
  fs::remove_all(dir);
}
}  // namespace
