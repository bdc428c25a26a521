// The edit session's view of the server copy, through a real WebDAV share mounted by
// GVfs: its state is read fresh from the server (a change made there is seen at
// once) and a copy of it lands in a new local file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "VolumeServices.h"
#include "WebDavServer.h"
#include "features/volume/CasePaths.h"
#include "features/volume/PreviewCache.h"
#include "platform/Mounts.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

class SharePassword : public PasswordPrompter {
 public:
  void askPassword(const Request&, std::function<void(std::optional<Answer>)> reply) override {
    postToMain([reply] { reply(Answer{"zhang", "mh-2026", Save::never}); });
  }
};

constexpr const char* kRel = "user_data/FIRM_demo/案件/2026/庭审提纲.docx";

}  // namespace

TEST(EditServerState, ReadsTheServerCopyFreshThroughTheShare) {
  TempHome home;
  WebDavServer dav;
  if (!dav.available()) GTEST_SKIP() << "lighttpd with mod_webdav is not installed";
  if (!Mounts::davSupported()) GTEST_SKIP() << "GVfs cannot reach WebDAV shares here";
  dav.putFile("案件/2026/庭审提纲.docx", "first");
  dav.start();
  home.defaults().set(CasePaths::kShareURLKey, dav.shareURI());
  SharePassword prompter;
  VolumeServices world(home.defaults(), {.passwords = &prompter});
  PreviewCache& cache = world.volume.cache();

  // Not mounted: nothing to compare with.
  auto before = runToEnd(cache.freshSourceStat(kRel));
  ASSERT_TRUE(before->value);
  EXPECT_FALSE(*before->value);

  auto mounted = runToEnd(Mounts::mount(dav.shareURI(), &prompter), 20000);
  ASSERT_TRUE(mounted->value && mounted->value->ok())
      << (mounted->value && mounted->value->error ? mounted->value->error->message : "");

  auto first = runToEnd(cache.freshSourceStat(kRel));
  ASSERT_TRUE(first->value && *first->value);
  EXPECT_EQ((*first->value)->size, 5);

  // Changed on the server a moment later: the next read sees it.
  dav.putFile("案件/2026/庭审提纲.docx", "second version");
  auto second = runToEnd(cache.freshSourceStat(kRel));
  ASSERT_TRUE(second->value && *second->value);
  EXPECT_EQ((*second->value)->size, 14);

  fs::path dest = home.root() / "copy.docx";
  auto copied = runToEnd(cache.copyFreshSource(kRel, dest));
  ASSERT_TRUE(copied->value && *copied->value);
  EXPECT_EQ(**copied->value, "");
  std::ifstream in(dest, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), "second version");
  // A file the server does not have: no state, and the copy says why.
  auto gone = runToEnd(cache.freshSourceStat("user_data/FIRM_demo/案件/2026/没有.docx"));
  ASSERT_TRUE(gone->value);
  EXPECT_FALSE(*gone->value);

  runToEnd(Mounts::unmount(dav.shareURI()), 10000);
}
