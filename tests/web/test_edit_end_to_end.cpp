// Editing a case file from end to end: a page sends "edit:", the file is copied from
// a real WebDAV share mounted through GVfs and opened in its default application (a
// small script registered for its type in the test's own XDG folders, which changes
// it), the poll asks, the upload reaches the service and lands in the share; a change
// made on the server meanwhile leads through the conflict alert to the conflict
// window, whose buttons are pressed as a person would, and every choice keeps both
// versions somewhere.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "TestHelpers.h"
#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "WebDavServer.h"
#include "WidgetFind.h"
#include "base/ByteCount.h"
#include "base/MainQueue.h"
#include "features/volume/CaseFileCache.h"
#include "features/volume/CasePaths.h"
#include "core/Dialogs.h"
#include "features/mirror/MirrorFormats.h"
#include "features/editing/EditSession.h"
#include "web/WebEngine.h"
#include "features/volume/LocalVolume.h"
#include "features/volume/PreviewCache.h"
#include "platform/Desktop.h"
#include "platform/Mounts.h"
#include "platform/UserDefaults.h"
#include "ui/editing/ConflictWindow.h"

namespace quorvel::test {
namespace {
namespace fs = std::filesystem;

// A file the dashboard lists; its server path has no firm prefix, so it is its tail too.
constexpr const char* kRel = "案件/2026/庭审提纲.docx";
constexpr const char* kTail = "案件/2026/庭审提纲.docx";

class SharePassword : public PasswordPrompter {
 public:
  void askPassword(const Request&, std::function<void(std::optional<Answer>)> reply) override {
    postToMain([reply] { reply(Answer{"zhang", "mh-2026", Save::never}); });
  }
};

// Alerts answered by title, a turn later, as a person would; a hook may act first
// (a colleague saving on the server while the question is on screen).
class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    std::string title, text;
    std::vector<std::string> buttons;
  };
  std::vector<Shown> shown;
  std::map<std::string, int> answers;
  std::map<std::string, std::function<void()>> before;

  void alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
             std::function<void(int)> onAnswer) override {
    shown.push_back({title, text, buttons});
    if (auto it = before.find(title); it != before.end() && it->second) std::exchange(it->second, {})();
    int answer = answers.count(title) ? answers[title] : 0;
    if (onAnswer) postToMain([onAnswer, answer] { onAnswer(answer); });
  }
  int count(const std::string& title) const {
    int n = 0;
    for (const auto& s : shown) n += s.title == title;
    return n;
  }
};

// However GIO reads the file's type, the test editor is its default application.
constexpr const char* kDocx = "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
constexpr const char* kTypes =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document;application/zip;"
    "application/octet-stream;text/plain;";

class EditEndToEndTest : public ServiceTabFixture {
 protected:
  WebDavServer dav{"zhang", "mh-2026"};
  SharePassword password;
  SystemDesktop desktop;  // the default application really starts
  std::unique_ptr<ScriptedDialogs> dialogs = std::make_unique<ScriptedDialogs>();
  fs::path editorLog;
  WebHarness* page = nullptr;

  EditSession& session() { return services->editSession(); }
  LocalVolume& volume() { return services->volume(); }
  WindowConflictPresenter& conflicts() { return dynamic_cast<WindowConflictPresenter&>(services->conflicts()); }

  void SetUp() override {
    parts.dialogs = dialogs.get();
    parts.passwords = &password;
    parts.desktop = &desktop;
    parts.conflictWindow = true;
    ServiceTabFixture::SetUp();
    if (!dav.available()) GTEST_SKIP() << "lighttpd with mod_webdav is not installed";
    if (!Mounts::davSupported()) GTEST_SKIP() << "GVfs cannot reach WebDAV shares here";
    registerEditor();
    dav.putFile(kTail, "庭审提纲 第一稿\n");
    dav.start();
    service.setCaseShareDir(dav.shareDir());
    defaults.set(CasePaths::kShareURLKey, dav.shareURI());
    dialogs->answers = {{"本地文件已修改", 0}, {"服务器上的版本也变了", 0}};

    // Shared with the completion: a mount slower than the wait must not write into
    // this frame once it is gone.
    struct Connected {
      bool done = false, ok = false;
    };
    auto connected = std::make_shared<Connected>();
    volume().connect([connected](bool o, const std::string&) { *connected = {true, o}; });
    ASSERT_TRUE(waitUntil([connected] { return connected->done; }, 20000));
    ASSERT_TRUE(connected->ok);

    signIn();
    // The workspace the edit session uploads through and names its copies after.
    model = services->browser();
    auto tab = model->activeTab();
    page = &show(tab);
    // Signed in and settled: the model has read the navigation from the page.
    ASSERT_TRUE(waitUntil(
        [&] { return !tab->isLoading.get() && tab->currentPath.get() == "/dashboard" && !model->account().navItems->empty(); },
        15000));
    drainMainLoop();
  }

  void TearDown() override {
    if (services) {
      if (auto* w = conflicts().active()) w->window().close();
      if (dav.available() && volume().isMounted()) {
        auto done = std::make_shared<bool>(false);
        volume().disconnect([done](bool, const std::string&) { *done = true; });
        runMainLoopUntil([done] { return *done; }, 10000);
      }
    }
    ServiceTabFixture::TearDown();
  }

  // The "editor": appends a line to the file it is given, then records that it ran.
  void registerEditor() {
    fs::path data = g_get_user_data_dir();
    fs::path config = g_get_user_config_dir();
    fs::create_directories(data / "applications");
    fs::create_directories(config);
    editorLog = data / "editor-runs.log";
    fs::path script = data / "quorvel-test-editor.sh";
    std::ofstream(script) << "#!/bin/sh\n"
                             "printf '%s\\n' \"律师补充意见 $(date +%N)\" >> \"$1\"\n"
                             "echo \"$1\" >> '" << editorLog.string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    std::ofstream(data / "applications/quorvel-test-editor.desktop")
        << "[Desktop Entry]\nType=Application\nName=Test editor\nExec=" << script.string()
        << " %f\nMimeType=" << kTypes << "\nNoDisplay=true\n";
    std::ofstream list(config / "mimeapps.list");
    list << "[Default Applications]\n";
    for (const char* type : {kDocx, "application/zip", "application/octet-stream", "text/plain"})
      list << type << "=quorvel-test-editor.desktop\n";
  }

  std::string logText() const {
    std::string all;
    for (const auto& l : logs) all += l + "\n";
    return all;
  }

  int editorRuns() const {
    std::ifstream in(editorLog);
    int n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
  }

  // What a page of the service posts for its "edit" link.
  void editFromPage() {
    int runs = editorRuns();
    // The "本机编辑" button the client's page script put beside the file's link.
    const std::string button = std::string(".file-link[data-path=\"") + kRel + "\"] ~ span[title^=\"用本机软件\"]";
    ASSERT_TRUE(waitUntil(
        [&] { return page->evalText("return String(!!document.querySelector(sel));", {{"sel", button}}) == "true"; }, 5000));
    page->evalText("document.querySelector(sel).click(); return '';", {{"sel", button}});
    ASSERT_TRUE(waitUntil([&] { return editorRuns() == runs + 1; }, 15000)) << "the editor did not run\n" << logText();
  }

  fs::path localCopy() { return *volume().cache().cacheURL(kRel); }
  fs::path serverFile() const { return dav.shareDir() / kTail; }

  // Waits for the upload question, then for what follows it to settle.
  void waitForQuestion(int asked) {
    ASSERT_TRUE(waitUntil([&] { return dialogs->count("本地文件已修改") == asked; }, 20000))
        << "the poll never asked";
  }

  ConflictWindow& waitForConflictWindow() {
    auto& presenter = conflicts();
    EXPECT_TRUE(waitUntil([&] { return presenter.active() && presenter.active()->window().get_mapped(); }, 20000));
    return *presenter.active();
  }

  void waitUntilIdle() {
    ASSERT_TRUE(waitUntil([&] { return !session().busy(); }, 20000));
    drainMainLoop();
  }

  std::vector<RecordedRequest> uploads() const { return service.requestsTo("/api/desktop/upload"); }

  // A change made on the server while the upload question is open.
  void serverChangesWhileAsked(const std::string& bytes) {
    dialogs->before["本地文件已修改"] = [this, bytes] { dav.putFile(kTail, bytes); };
  }
};

TEST_F(EditEndToEndTest, UploadThenConflictCancelledThenBothKept) {
  // A saved change goes up to the same path and replaces the server file.
  editFromPage();
  waitForQuestion(1);
  ASSERT_TRUE(waitUntil([&] { return dialogs->count("已替换服务器原文件") == 1; }, 20000));
  waitUntilIdle();
  const std::string firstEdit = readAll(localCopy());
  ASSERT_NE(firstEdit.find("律师补充意见"), std::string::npos);
  auto sent = uploads();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].body.find("name=\"path\"\r\n\r\n" + std::string(kRel) + "\r\n"), std::string::npos);
  EXPECT_NE(sent[0].body.find(firstEdit), std::string::npos);
  EXPECT_EQ(readAll(serverFile()), firstEdit);
  EXPECT_TRUE(session().isEditing(kRel));

  // The server changes while the next edit is asked about: the alert, the window, cancel.
  dialogs->answers["服务器上的版本也变了"] = 0;  // "比对后决定"
  serverChangesWhileAsked("同事在服务器上改过的版本\n");
  editFromPage();
  waitForQuestion(2);
  ConflictWindow& w = waitForConflictWindow();
  ASSERT_EQ(dialogs->count("服务器上的版本也变了"), 1);
  // The answers given were the upload and the comparison.
  EXPECT_EQ(dialogs->shown.front().buttons.at(0), "上传替换");
  for (const auto& shown : dialogs->shown)
    if (shown.title == "服务器上的版本也变了") EXPECT_EQ(shown.buttons.at(0), "比对后决定");
  EXPECT_TRUE(findButton(w.window(), "放弃本地，改用服务器版本")->get_sensitive());
  // The server card tells the colleague's version as the server has it now.
  const std::string serverSize = "大小：" + byteCountText(std::string("同事在服务器上改过的版本\n").size());
  EXPECT_TRUE(waitUntil(
      [&] {
        auto sizes = shownLabelsStartingWith(w.window(), "大小：");
        return sizes.size() == 2 && sizes[1]->get_text().raw() == serverSize;
      },
      5000));
  press(findButton(w.window(), "取消"));
  waitUntilIdle();
  EXPECT_EQ(uploads().size(), 1u) << "cancel uploads nothing";
  EXPECT_EQ(readAll(serverFile()), "同事在服务器上改过的版本\n");
  const std::string secondEdit = readAll(localCopy());
  EXPECT_NE(secondEdit, firstEdit);
  EXPECT_EQ(secondEdit.rfind(firstEdit, 0), 0u) << "the local edit stays";

  // Edited again: this time both are kept, the local one under a suffixed name.
  editFromPage();
  waitForQuestion(3);
  ConflictWindow& again = waitForConflictWindow();
  press(findButton(again.window(), "两个都保留（加后缀上传）"));
  ASSERT_TRUE(waitUntil([&] { return dialogs->count("已作为新文件上传") == 1; }, 20000));
  waitUntilIdle();
  const std::string thirdEdit = readAll(localCopy());
  ASSERT_EQ(uploads().size(), 2u);
  EXPECT_EQ(readAll(serverFile()), "同事在服务器上改过的版本\n");
  int copies = 0;
  for (const auto& e : fs::directory_iterator(serverFile().parent_path())) {
    std::string name = e.path().filename().string();
    if (name.rfind("庭审提纲__本地-", 0) == 0 && name.size() > 5 && name.substr(name.size() - 5) == ".docx") {
      ++copies;
      EXPECT_EQ(readAll(e.path()), thirdEdit);
    }
  }
  EXPECT_EQ(copies, 1);
  EXPECT_FALSE(session().isEditing(kRel)) << "a conflict copy ends the session";
}

TEST_F(EditEndToEndTest, ConflictResolvedWithMineThenWithTheServers) {
  // Mine: the local version replaces the server's newer one.
  serverChangesWhileAsked("服务器上的第二版\n");
  editFromPage();
  waitForQuestion(1);
  ConflictWindow& w = waitForConflictWindow();
  press(findButton(w.window(), "用本地版覆盖服务器"));
  ASSERT_TRUE(waitUntil([&] { return dialogs->count("已替换服务器原文件") == 1; }, 20000));
  waitUntilIdle();
  const std::string mine = readAll(localCopy());
  ASSERT_NE(mine.find("律师补充意见"), std::string::npos);
  EXPECT_EQ(readAll(serverFile()), mine);
  ASSERT_EQ(uploads().size(), 1u);
  EXPECT_NE(uploads()[0].body.find(mine), std::string::npos);

  // The server's: the local edit goes to "_旧版本" first, the local copy becomes the server's.
  serverChangesWhileAsked("服务器上的第三版\n");
  editFromPage();
  waitForQuestion(2);
  ConflictWindow& again = waitForConflictWindow();
  press(findButton(again.window(), "放弃本地，改用服务器版本"));
  ASSERT_TRUE(waitUntil([&] { return dialogs->count("已用服务器版本覆盖本地") == 1; }, 20000));
  waitUntilIdle();
  EXPECT_EQ(readAll(localCopy()), "服务器上的第三版\n");
  EXPECT_EQ(readAll(serverFile()), "服务器上的第三版\n");
  EXPECT_EQ(uploads().size(), 1u) << "taking the server's version uploads nothing";
  fs::path old = volume().cache().cacheRoot() / CaseFileCache::kOldVersions;
  int backups = 0;
  for (const auto& e : fs::directory_iterator(old)) {
    std::string text = readAll(e.path());
    if (e.path().filename().string().rfind("庭审提纲.", 0) == 0 && text.rfind(mine, 0) == 0 && text.size() > mine.size())
      ++backups;
  }
  EXPECT_EQ(backups, 1) << "the local edit is kept in _旧版本";
  EXPECT_FALSE(session().isEditing(kRel));
}

}  // namespace
}  // namespace quorvel::test
