// The quick-capture panel against the test service: opened by Alt+Shift+N pressed on
// the X server, typed into, saved with Return, and kept open when the service fails.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "base/MainQueue.h"
#include "ui/model/QuickCapture.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/windows/WindowFrame.h"

#include <gdk/x11/gdkx.h>
// Last: its macros clash with the headers above.
#include <X11/Xlib.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {
namespace QC = QuickCapture;

void xdotool(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args; }

unsigned long xidOf(GtkWindow* w) { return gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(w))); }

// Position of a toplevel in the root window's stacking order (bottom first); -1 when absent.
int stackIndex(GtkWindow* w) {
  Display* d = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  int index = -1;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n; ++i)
      if (children[i] == xidOf(w)) index = int(i);
    XFree(children);
  }
  return index;
}

// Gives each character a free key code of its own, as a Chinese keyboard layout
// would, so xdotool types them without remapping keys on the fly (a remap the toolkit
// sees too late).
void mapCharacters(const std::u32string& chars) {
  Display* d = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  int minCode = 0, maxCode = 0, perCode = 0;
  XDisplayKeycodes(d, &minCode, &maxCode);
  KeySym* map = XGetKeyboardMapping(d, KeyCode(minCode), maxCode - minCode + 1, &perCode);
  size_t next = 0;
  for (int code = maxCode; code >= minCode && next < chars.size(); --code) {
    bool free = true;
    for (int i = 0; i < perCode; ++i) free = free && map[(code - minCode) * perCode + i] == NoSymbol;
    if (!free) continue;
    KeySym sym[2] = {KeySym(0x1000000 + chars[next]), KeySym(0x1000000 + chars[next])};
    ++next;
    XChangeKeyboardMapping(d, code, 2, sym, 1);
  }
  XFree(map);
  XSync(d, False);
  runMainLoopUntil([] { return false; }, 300);
}

class QuickCapturePanelWeb : public ServiceTabFixture {
 protected:
  void SetUp() override {
    ServiceTabFixture::SetUp();
    signIn();
    model = services->makeBrowserModel();
    tab = model->activeTab();
    mainWindow = show(tab).window();
    ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
    model->account().rememberProceeding(1207, "刘某诉华盛科技买卖合同纠纷");
    panel.setModel(model);
    panel.refreshDesktopCalendarIfShown = [this] { ++calendarRefreshes; };
    panel.syncCalendarIfEnabled = [this] { ++syncRuns; };
  }
  void TearDown() override {
    panel.reset();
    panel.setModel(nullptr);
    panel.refreshDesktopCalendarIfShown = {};
    panel.syncCalendarIfEnabled = {};
    ServiceTabFixture::TearDown();
  }

  QuickCapturePanel panel;
  std::shared_ptr<BrowserTab> tab;
  GtkWindow* mainWindow = nullptr;
  int calendarRefreshes = 0, syncRuns = 0;
};

}  // namespace

TEST_F(QuickCapturePanelWeb, HotKeyOpensThePanelAboveAndReturnSavesTheFourFields) {
  GlobalHotKeyManager keys(std::make_unique<X11HotKeys>(), services->defaults(), AppMode::normal);
  keys.onQuickCapture = [this] { panel.toggle(); };
  keys.registerAll();
  ASSERT_TRUE(keys.isRegistered(GlobalHotKeyManager::kQuickCaptureId));

  xdotool("key alt+shift+n");
  ASSERT_TRUE(waitUntil([&] { return panel.isVisible(); }, 5000));
  ASSERT_TRUE(waitUntil(
      [&] {
        Gtk::Widget* f = panel.panel()->get_focus();
        return f && f->is_ancestor(panel.view()->entry());
      },
      5000))
      << "the text field takes the keys";
  Gtk::Window& window = *panel.panel();
  EXPECT_EQ(window.get_title(), "快捷记待办 · Alt+Shift+N");
  auto placement = placementFor(window);
  ASSERT_TRUE(placement);
  EXPECT_TRUE(placement->keptAbove());
  EXPECT_TRUE(placement->onAllWorkspaces());
  EXPECT_GT(stackIndex(window.gobj()), stackIndex(mainWindow)) << "above the main window";
  Rect f = placement->frame(), screen = placement->screenVisibleFrames().at(0);
  EXPECT_NEAR(f.x + f.width / 2, screen.x + screen.width / 2, 2);
  EXPECT_NEAR(f.y + f.height / 2, screen.y + screen.height / 2, 2);
  EXPECT_EQ(f.width, 540);
  EXPECT_EQ(f.height, 270);

  QuickCaptureView& view = *panel.view();
  EXPECT_FALSE(view.saveButton().get_sensitive()) << "nothing typed yet";
  EXPECT_EQ(view.selectedProcID(), 1207) << "the most recent proceeding is preselected";

  // Xvfb has no window manager to hand the new window the keyboard.
  xdotool("windowfocus --sync " + std::to_string(xidOf(window.gobj())));
  mapCharacters(U"下周五前核对证据");
  xdotool("type --delay 40 '下周五前核对证据'");
  ASSERT_TRUE(waitUntil([&] { return view.content() == "下周五前核对证据"; }, 10000)) << view.content();
  auto expected = QC::detectDate("下周五前核对证据", std::chrono::system_clock::now());
  ASSERT_TRUE(expected);
  EXPECT_EQ(view.detectedHint(), QC::dateHint(*expected));
  EXPECT_TRUE(view.saveButton().get_sensitive());

  service.clearRequests();
  xdotool("key Return");
  auto posted = service.waitForRequest("/api/quick_add_todo", 10000);
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->method, "POST");
  EXPECT_EQ(posted->queryValue("ajax"), "1");
  EXPECT_EQ(posted->formValue("content"), "下周五前核对证据");
  EXPECT_EQ(posted->formValue("date"), QC::dayText(*expected));
  EXPECT_EQ(posted->formValue("todo_type"), "routine_deadline");
  EXPECT_EQ(posted->formValue("proc_id"), "1207");

  ASSERT_TRUE(waitUntil([&] { return view.feedback().success; }, 10000));
  EXPECT_EQ(view.footerText().get_text(), "已保存到墨衡台");
  EXPECT_TRUE(view.footerText().has_css_class("law-success"));
  EXPECT_TRUE(panel.isVisible()) << "the success text shows before the panel goes";
  EXPECT_TRUE(service.waitForRequest("/api/desktop/badges", 5000)) << "badges refreshed";
  EXPECT_EQ(calendarRefreshes, 1);
  EXPECT_EQ(syncRuns, 1);
  ASSERT_TRUE(waitUntil([&] { return !panel.isVisible(); }, 3000));

  // The key again: a fresh, empty form; and once more: hidden.
  xdotool("key alt+shift+n");
  ASSERT_TRUE(waitUntil([&] { return panel.isVisible(); }, 5000));
  EXPECT_EQ(panel.view()->content(), "");
  EXPECT_EQ(panel.view()->detectedHint(), "");
  xdotool("key alt+shift+n");
  EXPECT_TRUE(waitUntil([&] { return !panel.isVisible(); }, 5000));
}

TEST_F(QuickCapturePanelWeb, AFailedSaveKeepsThePanelAndSaysWhatHappened) {
  // A gateway's error page: the panel says what happened, the page goes to the log only.
  const std::string body = "<html><head><title>500 Internal Server Error</title></head><body><center><h1>500 "
                           "Internal Server Error</h1></center><hr><center>nginx</center></body></html>";
  service.setRoute("/api/quick_add_todo", [&](const RecordedRequest&) { return Reply::html(body, 500); });

  const auto initial = std::chrono::system_clock::now() + std::chrono::hours(24 * 9);
  panel.show("后天开庭前准备代理词", initial);
  ASSERT_TRUE(waitUntil([&] { return panel.isVisible(); }, 5000));
  QuickCaptureView& view = *panel.view();
  EXPECT_EQ(QC::dayText(view.dueDate()), QC::dayText(initial)) << "the date handed in wins over 后天";
  view.setTodoType(QC::TodoTypeOption::hearing);
  view.selectProceeding(0);

  view.submit();
  EXPECT_FALSE(view.saveButton().get_sensitive());
  EXPECT_EQ(view.saveButton().get_label(), "保存中…");
  view.submit();  // a second save while one runs does nothing
  ASSERT_TRUE(waitUntil([&] { return !view.submitting(); }, 10000));
  auto posted = service.requestsTo("/api/quick_add_todo");
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].formValue("todo_type"), "hearing");
  EXPECT_EQ(posted[0].formValue("proc_id"), std::nullopt) << "the default entry sends no proc_id";
  EXPECT_EQ(posted[0].formValue("date"), QC::dayText(initial));

  EXPECT_EQ(std::string(view.footerText().get_text()), "保存失败：服务器出错（HTTP 500）");
  EXPECT_TRUE(view.footerText().has_css_class("law-failure"));
  EXPECT_TRUE(logged("[Quorvel][POST] /api/quick_add_todo?ajax=1 → HTTP 500 ok=0 body=<html><head><title>500"));
  EXPECT_TRUE(view.saveButton().get_sensitive());
  runMainLoopUntil([] { return false; }, 900);
  EXPECT_TRUE(panel.isVisible()) << "the panel stays for a retry";
  EXPECT_EQ(view.content(), "后天开庭前准备代理词");
  EXPECT_EQ(view.todoType(), QC::TodoTypeOption::hearing);

  // No HTTP reply at all (the connection breaks off): said in words, no status.
  service.setRoute("/api/quick_add_todo", [](const RecordedRequest&) {
    Reply r = Reply::json(R"({"succ)");
    r.declaredLength = 4096;
    return r;
  });
  view.submit();
  ASSERT_TRUE(waitUntil([&] { return !view.submitting(); }, 10000));
  EXPECT_EQ(std::string(view.footerText().get_text()), "保存失败：服务器中断了连接");
  EXPECT_TRUE(panel.isVisible());

  // Escape closes it.
  xdotool("key Escape");
  EXPECT_TRUE(waitUntil([&] { return !panel.isVisible(); }, 5000));
}
