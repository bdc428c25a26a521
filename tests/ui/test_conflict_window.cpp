// The file-version conflict window: one choice reported exactly once by every way of
// leaving it, a newer window cancelling the older, the server copy absent or
// unreadable, and what the cards show of each copy (thumbnail, size, time, actions).
#include <gtest/gtest.h>
#include <gtkmm/picture.h>
#include <utime.h>

#include <cairo.h>

#include <ctime>
#include <fstream>
#include <list>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "VolumeServices.h"
#include "WebDavServer.h"
#include "WidgetFind.h"
#include "base/ByteCount.h"
#include "base/GLibPtr.h"
#include "features/mirror/MirrorFormats.h"
#include "fakes/RecordingDesktop.h"
#include "features/volume/PreviewPresenter.h"
#include "platform/Desktop.h"
#include "ui/editing/ConflictWindow.h"

namespace quorvel::test {
namespace {
namespace fs = std::filesystem;

class RecordingPreviews : public PreviewPresenter {
 public:
  std::vector<fs::path> previewed;
  void preview(const fs::path& file) override { previewed.push_back(file); }
  std::unique_ptr<Progress> showProgress(const std::string&) override { return std::make_unique<Progress>(); }
};

std::string sizeText(std::uintmax_t n) { return byteCountText(static_cast<long long>(n)); }

struct Answers {
  std::vector<ConflictChoice> got;
  ConflictWindow::Completion sink() {
    return [this](ConflictChoice c) { got.push_back(c); };
  }
};

class ConflictWindowTest : public ::testing::Test {
 protected:
  fs::path dir;
  fs::path local;
  fs::path server;
  RecordingDesktop desktop;
  RecordingPreviews previews;
  // Outlive each test's window: closing it in TearDown still reports to them.
  std::list<Answers> answers;
  Answers& fresh() { return answers.emplace_back(); }
  TempHome home;
  VolumeServices world{home.defaults(), {.desktop = &desktop, .previews = &previews}};
  WindowConflictPresenter presenter{desktop, previews, world.workers, world.volume.cache()};

  void SetUp() override {
    char tmpl[] = "/tmp/quorvel-conflict-XXXXXX";
    dir = mkdtemp(tmpl);
    local = dir / "本地/起诉状.pdf";
    server = dir / "卷宗盘/起诉状.pdf";
    fs::create_directories(local.parent_path());
    fs::create_directories(server.parent_path());
    std::ofstream(local, std::ios::binary) << WebDavServer::samplePdf("local", 2);
    std::ofstream(server, std::ios::binary) << WebDavServer::samplePdf("server copy", 3);
  }
  void TearDown() override {
    if (auto* w = presenter.active()) w->window().close();
    drainMainLoop();
    fs::remove_all(dir);
  }

  ConflictWindow& openShown(Answers& a, std::optional<std::string> serverURL, const std::string& rel = "user_data/FIRM_a/案件/起诉状.pdf") {
    presenter.open(rel, local, std::move(serverURL), a.sink());
    auto* w = presenter.active();
    EXPECT_NE(w, nullptr);
    EXPECT_TRUE(waitUntil([w] { return w->window().get_mapped() && w->versionsLoaded(); }, 8000));
    return *w;
  }
};

TEST_F(ConflictWindowTest, EachButtonReportsItsChoiceOnceAndTheWindowGoes) {
  const std::vector<std::pair<std::string, ConflictChoice>> buttons = {
      {"用本地版覆盖服务器", ConflictChoice::useLocal},
      {"放弃本地，改用服务器版本", ConflictChoice::useServer},
      {"两个都保留（加后缀上传）", ConflictChoice::keepBoth},
      {"取消", ConflictChoice::cancel}};
  // The presenter is the window: the edit session's seam opens it.
  ConflictPresenter& seam = presenter;
  for (const auto& [label, choice] : buttons) {
    SCOPED_TRACE(label);
    Answers& a = fresh();
    // The first through the edit session's seam (no volume here: no server copy).
    if (choice == ConflictChoice::useLocal) seam.open("user_data/FIRM_a/案件/起诉状.pdf", local, a.sink());
    else presenter.open("user_data/FIRM_a/案件/起诉状.pdf", local, server.string(), a.sink());
    auto* w = presenter.active();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitUntil([w] { return w->window().get_mapped(); }, 5000));
    Gtk::Window& window = w->window();
    // No button has the focus: Return decides nothing.
    EXPECT_EQ(dynamic_cast<Gtk::Button*>(window.get_focus()), nullptr) << "focus on a button";
    auto* button = findButton(window, label);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->get_sensitive());
    press(button);
    ASSERT_EQ(a.got, std::vector<ConflictChoice>{choice});
    EXPECT_EQ(presenter.active(), nullptr);
    EXPECT_FALSE(window.get_visible());
    // Anything after the choice reaches nobody: another button, the close button.
    if (auto* other = findButton(window, "用本地版覆盖服务器"); other && other != button) press(other);
    window.close();
    drainMainLoop();
    EXPECT_EQ(a.got.size(), 1u);
  }
}

TEST_F(ConflictWindowTest, CloseButtonAndEscapeCancelOnce) {
  Answers& closed = fresh();
  auto& w = openShown(closed, server.string());
  w.window().close();
  drainMainLoop();
  EXPECT_EQ(closed.got, std::vector<ConflictChoice>{ConflictChoice::cancel});
  EXPECT_EQ(presenter.active(), nullptr);

  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  Answers& escaped = fresh();
  openShown(escaped, server.string());
  ASSERT_EQ(std::system("xdotool search --onlyvisible --name '^文件版本冲突比对$' windowfocus --sync key Escape"), 0);
  ASSERT_TRUE(waitUntil([&] { return !escaped.got.empty(); }, 5000));
  drainMainLoop();
  EXPECT_EQ(escaped.got, std::vector<ConflictChoice>{ConflictChoice::cancel});
  EXPECT_EQ(presenter.active(), nullptr);
}

TEST_F(ConflictWindowTest, ANewerWindowCancelsTheOpenOneFirst) {
  Answers& second = fresh();
  Answers& a = fresh();
  bool activeWhenCancelled = true;
  presenter.open("user_data/FIRM_a/案件/一.pdf", local, server.string(), [&](ConflictChoice c) {
    a.got.push_back(c);
    activeWhenCancelled = presenter.active() != nullptr;
  });
  auto* one = presenter.active();
  ASSERT_TRUE(waitUntil([one] { return one->window().get_mapped(); }, 5000));
  presenter.open("user_data/FIRM_a/案件/二.pdf", local, server.string(), second.sink());
  EXPECT_EQ(a.got, std::vector<ConflictChoice>{ConflictChoice::cancel});
  EXPECT_FALSE(activeWhenCancelled) << "the older caller heard cancel before the newer window existed";
  auto* two = presenter.active();
  ASSERT_NE(two, nullptr);
  ASSERT_TRUE(waitUntil([two] { return two->window().get_mapped(); }, 5000));
  EXPECT_EQ(shownLabelsStartingWith(two->window(), "检测到版本冲突：").at(0)->get_text().raw(), "检测到版本冲突：二.pdf");
  EXPECT_TRUE(second.got.empty());
  int shown = 0;
  for (auto* t : Gtk::Window::list_toplevels())
    if (t->get_visible() && t->get_title() == "文件版本冲突比对") ++shown;
  EXPECT_EQ(shown, 1);
  press(findButton(two->window(), "两个都保留（加后缀上传）"));
  EXPECT_EQ(second.got, std::vector<ConflictChoice>{ConflictChoice::keepBoth});
  EXPECT_EQ(a.got.size(), 1u);
}

TEST_F(ConflictWindowTest, ServerCopyAbsentOrUnreadable) {
  Answers& absent = fresh();
  auto& w = openShown(absent, std::nullopt, "user_data/FIRM_a/案件/2026/证据/起诉状.pdf");
  Gtk::Window& window = w.window();
  EXPECT_FALSE(findButton(window, "放弃本地，改用服务器版本")->get_sensitive());
  for (const char* label : {"取消", "两个都保留（加后缀上传）", "用本地版覆盖服务器"})
    EXPECT_TRUE(findButton(window, label)->get_sensitive()) << label;
  EXPECT_EQ(shownLabelsStartingWith(window, "无法读取服务器文件").size(), 1u);
  // Only the file's name, without its folders.
  EXPECT_EQ(shownLabelsStartingWith(window, "检测到版本冲突：").at(0)->get_text().raw(), "检测到版本冲突：起诉状.pdf");
  // The local card still has its facts and actions; the server card has none.
  EXPECT_EQ(shownLabelsStartingWith(window, "大小：").size(), 1u);
  for (auto* b : findButtons(window, "快速预览")) EXPECT_EQ(b->get_mapped(), b == findButtons(window, "快速预览").front());

  // Mapped but missing on the volume: the choice stays possible, no facts for it.
  Answers& missing = fresh();
  auto& m = openShown(missing, (dir / "卷宗盘/不存在.pdf").string());
  EXPECT_EQ(absent.got, std::vector<ConflictChoice>{ConflictChoice::cancel});
  EXPECT_TRUE(findButton(m.window(), "放弃本地，改用服务器版本")->get_sensitive());
  EXPECT_TRUE(shownLabelsStartingWith(m.window(), "无法读取服务器文件").empty());
  EXPECT_EQ(shownLabelsStartingWith(m.window(), "大小：").size(), 1u);
}

TEST_F(ConflictWindowTest, CardsShowThumbnailsFactsAndActionsOfBothCopies) {
  // A known modification time, in local time, with seconds.
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 2;
  when.tm_mday = 2;
  when.tm_hour = 14;
  when.tm_min = 20;
  when.tm_sec = 5;
  when.tm_isdst = -1;
  utimbuf times{std::mktime(&when), std::mktime(&when)};
  ASSERT_EQ(utime(local.c_str(), &times), 0);
  // The server copy is a photo read through GIO by address, as without a FUSE path.
  const fs::path photo = dir / "卷宗盘/现场.png";
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 300, 200);
  ASSERT_EQ(cairo_surface_write_to_png(s, photo.c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);
  GCharPtr uri(g_filename_to_uri(photo.c_str(), nullptr, nullptr));
  const std::string photoURI = uri.get();

  Answers& a = fresh();
  auto& w = openShown(a, photoURI);
  Gtk::Window& window = w.window();
  int thumbnails = 0;
  forEachWidget(window, [&](Gtk::Widget& wd) {
    auto* p = dynamic_cast<Gtk::Picture*>(&wd);
    if (p && p->get_mapped() && p->get_paintable()) ++thumbnails;
  });
  EXPECT_EQ(thumbnails, 2) << "the PDF's first page and the photo";

  auto modified = shownLabelsStartingWith(window, "修改：");
  ASSERT_EQ(modified.size(), 2u);
  EXPECT_EQ(modified[0]->get_text().raw(), "修改：03-02 14:20:05");
  auto sizes = shownLabelsStartingWith(window, "大小：");
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0]->get_text().raw(), "大小：" + sizeText(fs::file_size(local)));
  EXPECT_EQ(sizes[1]->get_text().raw(), "大小：" + sizeText(fs::file_size(photo)));

  auto previewButtons = findButtons(window, "快速预览");
  auto openButtons = findButtons(window, "用应用打开");
  ASSERT_EQ(previewButtons.size(), 2u);
  ASSERT_EQ(openButtons.size(), 2u);
  press(previewButtons[0]);
  EXPECT_EQ(previews.previewed, std::vector<fs::path>{local});
  press(openButtons[0]);
  press(openButtons[1]);
  ASSERT_EQ(desktop.opened.size(), 2u);
  EXPECT_EQ(desktop.opened[0].rfind("file:///", 0), 0u);
  EXPECT_EQ(desktop.opened[1], photoURI);
  EXPECT_TRUE(a.got.empty()) << "looking at the copies decides nothing";
}

}  // namespace
}  // namespace quorvel::test
