// The case volume against a real WebDAV server (lighttpd, basic auth) mounted through
// GVfs on the test's private session bus: our password dialog answers the mount,
// the share's FUSE path is the mounted root, failures give their messages, the
// account switch unmounts before signing out, previews copy into the cache and open
// our window, and a web download of a case file lands at its mapped place.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <sstream>

#include "TestHelpers.h"
#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "TestServiceVolume.h"
#include "WebDavServer.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "features/volume/CaseFileCache.h"
#include "features/volume/CasePaths.h"
#include "fakes/FakeDialogs.h"
#include "features/volume/AccountFlow.h"
#include "features/volume/LocalVolume.h"
#include "features/volume/PreviewCache.h"
#include "platform/Desktop.h"
#include "platform/UserDefaults.h"
#include "ui/preview/GtkPreviewPresenter.h"
#include "ui/preview/PreviewHUD.h"
#include "ui/preview/QuickLookPreviewer.h"
#include "ui/components/WidgetRender.h"
#include "ui/settings/VolumeMirrorCard.h"
#include "ui/volume/VolumePasswordDialog.h"

namespace quorvel::test {
namespace {
namespace fs = std::filesystem;

// The window as drawn, written as PNG (renders for a person to look at).
bool savePng(Gtk::Window& window, const char* path) {
  GtkWidget* w = GTK_WIDGET(window.gobj());
  GdkPaintable* paintable = gtk_widget_paintable_new(w);
  GtkSnapshot* snap = gtk_snapshot_new();
  gdk_paintable_snapshot(paintable, snap, gtk_widget_get_width(w), gtk_widget_get_height(w));
  GskRenderNode* node = gtk_snapshot_free_to_node(snap);
  bool ok = false;
  if (node) {
    GdkTexture* texture = gsk_renderer_render_texture(gtk_native_get_renderer(GTK_NATIVE(w)), node, nullptr);
    ok = gdk_texture_save_to_png(texture, path);
    g_object_unref(texture);
    gsk_render_node_unref(node);
  }
  g_object_unref(paintable);
  return ok;
}

struct Outcome {
  bool done = false, ok = false;
  std::string message;
};

// Previews go to our window unless a test takes them for itself.
struct SwitchablePreviews : PreviewPresenter {
  LoggingDesktop desktop;
  GtkPreviewPresenter window{desktop};
  PreviewPresenter* to = &window;
  void preview(const fs::path& file) override { to->preview(file); }
  std::unique_ptr<Progress> showProgress(const std::string& text) override { return to->showProgress(text); }
};

class VolumeTest : public ServiceTabFixture {
 protected:
  WebDavServer dav{"zhang", "mh-2026"};
  GtkPasswordPrompter prompter;
  SwitchablePreviews presenter;
  FakeDialogs dialogs;
  std::deque<std::optional<PasswordPrompter::Answer>> answers;
  std::vector<PasswordPrompter::Request> asked;
  int retryNotes = 0;
  int dialogsShown = 0;
  sigc::connection presented;

  LocalVolume& volume() { return services->volume(); }

  void SetUp() override {
    parts.dialogs = &dialogs;
    parts.passwords = &prompter;
    parts.previews = &presenter;
    ServiceTabFixture::SetUp();
    if (!dav.available()) GTEST_SKIP() << "lighttpd with mod_webdav is not installed";
    dav.setKiloBytesPerSecond(kiloBytesPerSecond());
    dav.start();
    defaults.set(CasePaths::kShareURLKey, dav.shareURI());
    presented = prompter.presented().connect([this](VolumePasswordDialog& d) {
      ++dialogsShown;
      if (d.showsRetryNote()) ++retryNotes;
      auto answer = answers.empty() ? std::nullopt : answers.front();
      if (!answers.empty()) answers.pop_front();
      // Answered a moment later, as a person would (idle turns pass meanwhile).
      postToMainAfter(300, [&d, answer] {
        if (const char* png = g_getenv("QUORVEL_PASSWORD_PNG")) {
          runMainLoopUntil([] { return false; }, 400);
          savePng(d, png);
        }
        if (answer) {
          d.fill(answer->user, answer->password, answer->save);
          d.submit();
        } else {
          d.cancel();
        }
      });
    });
  }

  void TearDown() override {
    presented.disconnect();
    if (services && dav.available() && volume().isMounted()) {
      auto o = std::make_shared<Outcome>();
      volume().disconnect([o](bool ok, const std::string& m) { *o = {true, ok, m}; });
      runMainLoopUntil([o] { return o->done; }, 10000);
    }
    presenter.window.previewer().reset();
    ServiceTabFixture::TearDown();
  }

  virtual unsigned kiloBytesPerSecond() const { return 0; }

  Outcome connect(unsigned ms = 20000) {
    // Shared: a completion that comes after the wait must not write into a gone frame.
    auto o = std::make_shared<Outcome>();
    volume().connect([o](bool ok, const std::string& m) { *o = {true, ok, m}; });
    EXPECT_TRUE(waitUntil([o] { return o->done; }, ms));
    return *o;
  }
  void answer(const std::string& user, const std::string& password,
              PasswordPrompter::Save save = PasswordPrompter::Save::never) {
    answers.push_back(PasswordPrompter::Answer{user, password, save});
  }
};

TEST_F(VolumeTest, ConnectsThroughOurDialogReadsTheMountedRootAndDisconnects) {
  dav.putFile("案件/2026/办案笔记.txt", "开庭前核对证据原件。\n");
  EXPECT_EQ(volume().statusText(), "未连接");
  answer("zhang", "mh-2026");
  Outcome o = connect();
  ASSERT_TRUE(o.ok) << o.message;
  auto root = volume().mountedRoot();
  ASSERT_TRUE(root);
  EXPECT_EQ(o.message, root->string());
  EXPECT_EQ(answers.size(), 0u);
  EXPECT_EQ(volume().statusText(), "已连接：" + root->string());
  auto local = volume().mapToLocal("/user_data/FIRM_demo/案件/2026/办案笔记.txt");
  ASSERT_EQ(local, *root / "案件" / "2026" / "办案笔记.txt");
  EXPECT_EQ(readAll(*local), "开庭前核对证据原件。\n");
  // The same file through GIO streams (the way in when FUSE is unusable).
  GioSource streams(dav.shareURI());
  auto viaGio = streams.statRegular({"案件", "2026", "办案笔记.txt"});
  ASSERT_TRUE(viaGio);
  EXPECT_TRUE(viaGio->sameVersion(*statRegularFile(*local)));
  fs::path copy = fs::path(g_get_tmp_dir()) / ("gio-copy-" + std::to_string(getpid()));
  EXPECT_EQ(streams.copyTo({"案件", "2026", "办案笔记.txt"}, copy), "");
  EXPECT_EQ(readAll(copy), "开庭前核对证据原件。\n");
  EXPECT_EQ(statRegularFile(copy)->mtime, viaGio->mtime);
  fs::remove(copy);
  EXPECT_FALSE(streams.statRegular({"案件", "2026"}));  // a folder is no file to copy

  if (const char* png = g_getenv("QUORVEL_SETTINGS_PNG")) {
    auto* section = Gtk::make_managed<VolumeMirrorCard>(VolumeMirrorCard::Services{volume(), defaults});
    section->set_size_request(520, -1);
    auto rendered = renderWidgetToPng(*section, png);
    EXPECT_TRUE(rendered.ok()) << describe(rendered.error());
  }
  // Connecting again completes at once without a dialog.
  logs.clear();
  auto again = std::make_shared<Outcome>();
  volume().connect([again](bool ok, const std::string& m) { *again = {true, ok, m}; });
  EXPECT_TRUE(again->done && again->ok);
  EXPECT_TRUE(logged("[Quorvel][VOLUME] 已挂载，跳过登录框：" + root->string()));
  EXPECT_EQ(dialogsShown, 1);

  auto off = std::make_shared<Outcome>();
  volume().disconnect([off](bool ok, const std::string& m) { *off = {true, ok, m}; });
  ASSERT_TRUE(waitUntil([off] { return off->done; }, 10000));
  EXPECT_TRUE(off->ok) << off->message;
  EXPECT_EQ(off->message, "已卸载 " + root->string());
  EXPECT_FALSE(volume().mountedRoot());
  auto none = std::make_shared<Outcome>();
  volume().disconnect([none](bool ok, const std::string& m) { *none = {true, ok, m}; });
  ASSERT_TRUE(waitUntil([none] { return none->done; }, 5000));
  EXPECT_EQ(none->message, "本来就没挂载");
}

TEST_F(VolumeTest, TheSettingsCardConnectsAndDisconnectsWithItsBusyLabels) {
  VolumeMirrorCard card({volume(), defaults});
  EXPECT_FALSE(card.dotShowsMounted());
  answer("zhang", "mh-2026");
  g_signal_emit_by_name(card.connectButton().gobj(), "clicked");
  EXPECT_EQ(card.connectButton().get_label(), "连接中…");
  EXPECT_FALSE(card.connectButton().get_sensitive());
  ASSERT_TRUE(waitUntil([&] { return !card.busy(); }, 20000));
  ASSERT_TRUE(volume().isMounted());
  EXPECT_TRUE(card.dotShowsMounted());
  EXPECT_TRUE(card.disconnectButton().get_visible());
  EXPECT_FALSE(card.connectButton().get_visible());
  EXPECT_EQ(card.statusLabel().get_text().raw(), volume().statusText());
  EXPECT_EQ(card.statusLabel().get_text().raw().rfind("已连接", 0), 0u);

  logs.clear();
  g_signal_emit_by_name(card.disconnectButton().gobj(), "clicked");
  EXPECT_EQ(card.disconnectButton().get_label(), "断开中…");
  ASSERT_TRUE(waitUntil([&] { return !card.busy(); }, 10000));
  EXPECT_FALSE(card.dotShowsMounted());
  EXPECT_TRUE(card.connectButton().get_visible());
  EXPECT_EQ(card.statusLabel().get_text().raw(), "未连接");
  EXPECT_TRUE(logged("[Quorvel][SET] 已卸载")) << "the disconnect's message reaches the log";
}

TEST_F(VolumeTest, WrongPasswordIsAskedAgainThenGivenUp) {
  for (int i = 0; i < Mounts::kMaxPasswordAttempts; ++i) answer("zhang", "wrong");
  Outcome o = connect();
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.message, "用户名或密码不正确");
  EXPECT_EQ(retryNotes, Mounts::kMaxPasswordAttempts - 1);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "没能自动连接卷宗盘");
  EXPECT_NE(dialogs.shown[0].text.find(dav.shareURI()), std::string::npos);
  EXPECT_FALSE(volume().mountedRoot());
}

TEST_F(VolumeTest, CancelledDialogEndsWithoutAnAlert) {
  answers.push_back(std::nullopt);
  Outcome o = connect();
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.message, "已取消登录");
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(VolumeTest, ClosedPortShowsTheManualWay) {
  unsigned port = dav.port();
  dav.stop();
  std::string uri = "dav://127.0.0.1:" + std::to_string(port) + "/zm";
  Outcome o = connect();
  EXPECT_FALSE(o.ok);
  EXPECT_FALSE(o.message.empty());
  EXPECT_TRUE(asked.empty());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "没能自动连接卷宗盘");
  EXPECT_NE(dialogs.shown[0].text.find(o.message + "\n\n也可以手动连接：文件管理器 → 其他位置 → 连接到服务器，输入：\n" + uri),
            std::string::npos);
}

TEST_F(VolumeTest, AccountSwitchDisconnectsThenSignsOut) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  answer("zhang", "mh-2026", PasswordPrompter::Save::forSession);
  ASSERT_TRUE(connect().ok);
  auto root = volume().mountedRoot();
  ASSERT_TRUE(root);

  dialogs.answer = 0;  // 切换并断开卷宗盘（推荐）
  logs.clear();
  AccountFlow::switchAccount(*model, dialogs, volume());
  ASSERT_TRUE(waitUntil([&] { return logged("[Quorvel][ACCOUNT] 已清除登录态，回到登录页"); }, 15000));
  auto at = [&](const std::string& part) {
    for (size_t i = 0; i < logs.size(); ++i)
      if (logs[i].find(part) != std::string::npos) return static_cast<long>(i);
    return -1L;
  };
  long unmounted = at("[Quorvel][ACCOUNT] 断开卷宗盘：成功 已卸载 " + root->string());
  ASSERT_GE(unmounted, 0);
  EXPECT_LT(unmounted, at("[Quorvel][ACCOUNT] 已清除登录态"));
  EXPECT_FALSE(volume().mountedRoot());
  // The password remembered for the old account is gone: the next connect asks.
  int shown = dialogsShown;
  answer("zhang", "mh-2026");
  EXPECT_TRUE(connect().ok);
  EXPECT_EQ(dialogsShown, shown + 1);
}

TEST_F(VolumeTest, PreviewOfAPdfCopiesItIntoTheCacheAndOpensOurWindow) {
  std::string pdf = WebDavServer::samplePdf("Civil Complaint - Zhang San v. Li Si", 3);
  dav.putFile("案件/2026/起诉状.pdf", pdf);
  answer("zhang", "mh-2026");
  ASSERT_TRUE(connect().ok);
  logs.clear();
  volume().preview("/user_data/FIRM_demo/案件/2026/起诉状.pdf");
  auto& ql = presenter.window.previewer();
  ASSERT_TRUE(waitUntil([&] { return ql.window() && ql.window()->get_visible(); }, 15000));
  fs::path cached = AppConfig::mirrorDir() / "案件" / "2026" / "起诉状.pdf";
  EXPECT_EQ(ql.current(), cached);
  EXPECT_EQ(readAll(cached), pdf);
  EXPECT_EQ(ql.shownKind(), QuickLookPreviewer::Kind::pdf);
  EXPECT_EQ(ql.pageCount(), 3);
  ql.showPage(5);
  EXPECT_EQ(ql.pageIndex(), 2);
  ql.showPage(0);
  EXPECT_TRUE(logged("[Quorvel][PREVIEW] 首次缓存：起诉状.pdf"));
  EXPECT_TRUE(logged("[Quorvel][PREVIEW] 打开 起诉状.pdf"));

  // The window as a person sees it, when asked for (QUORVEL_PREVIEW_PNG=path).
  if (const char* png = g_getenv("QUORVEL_PREVIEW_PNG")) {
    runMainLoopUntil([] { return false; }, 800);
    EXPECT_TRUE(savePng(*ql.window(), png));
    PreviewHUD hud("正在准备预览…");
    runMainLoopUntil([] { return false; }, 500);
    if (const char* hudPng = g_getenv("QUORVEL_HUD_PNG")) EXPECT_TRUE(savePng(hud.panel(), hudPng));
  }

  // A second preview is a hit and switches the same window.
  logs.clear();
  Gtk::Window* first = ql.window();
  volume().preview("user_data/FIRM_demo/案件/2026/起诉状.pdf");
  ASSERT_TRUE(waitUntil([&] { return logged("[Quorvel][PREVIEW] 打开 起诉状.pdf"); }, 10000));
  EXPECT_TRUE(logged("[Quorvel][PREVIEW] 命中缓存 起诉状.pdf"));
  EXPECT_EQ(ql.window(), first);
}

// A share that sends about 100 KB a second: copies take long enough to see the panel.
class SlowVolumeTest : public VolumeTest {
 protected:
  unsigned kiloBytesPerSecond() const override { return 100; }
};

struct RecordingPresenter : PreviewPresenter {
  std::vector<std::string> events;
  struct Panel : Progress {
    std::vector<std::string>* events;
    explicit Panel(std::vector<std::string>* e) : events(e) { events->push_back("panel"); }
    ~Panel() override { events->push_back("closed"); }
  };
  void preview(const fs::path& file) override { events.push_back("preview " + file.filename().string()); }
  std::unique_ptr<Progress> showProgress(const std::string& text) override {
    EXPECT_EQ(text, "正在准备预览…");
    return std::make_unique<Panel>(&events);
  }
};

TEST_F(SlowVolumeTest, ProgressPanelOnlyForASlowCopyAndClosedBeforeThePreview) {
  dav.putFile("案件/2026/短.txt", "一页纸");
  dav.putFile("案件/2026/卷宗扫描.pdf", WebDavServer::samplePdf("Scanned file", 1) + std::string(300 * 1024, ' '));
  answer("zhang", "mh-2026");
  ASSERT_TRUE(connect().ok);
  RecordingPresenter rec;
  presenter.to = &rec;
  struct Restore {
    SwitchablePreviews& p;
    ~Restore() { p.to = &p.window; }
  } restore{presenter};
  volume().preview("user_data/FIRM_demo/案件/2026/短.txt");
  ASSERT_TRUE(waitUntil([&] { return !rec.events.empty(); }, 10000));
  EXPECT_EQ(rec.events, std::vector<std::string>{"preview 短.txt"});

  rec.events.clear();
  auto started = std::chrono::steady_clock::now();
  volume().preview("user_data/FIRM_demo/案件/2026/卷宗扫描.pdf");
  ASSERT_TRUE(waitUntil([&] { return !rec.events.empty(); }, 10000));
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(340));
  ASSERT_TRUE(waitUntil([&] { return rec.events.size() == 3; }, 20000));
  EXPECT_EQ(rec.events, (std::vector<std::string>{"panel", "closed", "preview 卷宗扫描.pdf"}));
}

TEST_F(VolumeTest, WebDownloadOfACaseFileLandsAtItsMappedPlace) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  fs::path place = AppConfig::mirrorDir() / "案件" / "2026" / "证据目录.pdf";
  fs::create_directories(place.parent_path());
  std::ofstream(place) << "the copy downloaded last week";

  const std::string rel = "user_data/FIRM_demo/案件/2026/证据目录.pdf";
  model->loadInActive("/download_file?path=user_data%2FFIRM_demo%2F%E6%A1%88%E4%BB%B6%2F2026%2F%E8%AF%81%E6%8D%AE%E7%9B%AE%E5%BD%95.pdf&action=download");
  ASSERT_TRUE(waitUntil([&] { return logged("下载完成：" + place.string()); }, 15000));
  EXPECT_EQ(readAll(place), caseFileBytes(rel));
  // The copy it replaced is kept.
  bool kept = false;
  for (auto& e : fs::directory_iterator(AppConfig::mirrorDir() / "_旧版本"))
    kept |= e.path().filename().string().rfind("证据目录.", 0) == 0 && readAll(e.path()) == "the copy downloaded last week";
  EXPECT_TRUE(kept);

  // A copy open in an edit session (under any spelling of its path) stays untouched.
  std::ofstream(place) << "my unsaved-to-server edits";
  volume().cache().editing().begin("/user_data/FIRM_demo//案件/2026/证据目录.pdf");
  model->loadInActive("/download_file?path=user_data%2FFIRM_demo%2F%E6%A1%88%E4%BB%B6%2F2026%2F%E8%AF%81%E6%8D%AE%E7%9B%AE%E5%BD%95.pdf&action=download");
  ASSERT_TRUE(waitUntil([&] { return logged("下载完成：" + (AppConfig::downloadDir() / "证据目录.pdf").string()); }, 15000));
  EXPECT_EQ(readAll(place), "my unsaved-to-server edits");
  volume().cache().editing().end(rel);

  // A path that climbs out of the mirror gets no place there: the download folder takes it.
  model->loadInActive("/download_file?path=user_data%2FFIRM_demo%2F..%2F..%2Fevil.pdf&action=download");
  ASSERT_TRUE(waitUntil([&] { return logged("下载完成：" + (AppConfig::downloadDir() / "evil.pdf").string()); }, 15000));
  EXPECT_FALSE(fs::exists(AppConfig::mirrorDir().parent_path() / "evil.pdf"));
}

}  // namespace
}  // namespace quorvel::test
