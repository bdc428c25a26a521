// Screen-region recognition end to end below the window: the capture through stand-in
// tools on PATH (no portal answers on the test's private bus) or through a stand-in
// portal, the recogniser off the main thread, the temporary file's life, and the
// quiet endings (cancel, unreadable file, diagnostic mode) against the one loud one
// (nothing installed).
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <regex>

#include "CaptureToolStub.h"
#include "ScanSamples.h"
#include "TestHelpers.h"
#include "base/GLibPtr.h"
#include "base/ErrorDomains.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "fakes/FakeDialogs.h"
#include "base/WorkerPool.h"
#include "features/recognition/ScreenCaptureOCR.h"
#include "platform/ocr/TesseractPool.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

// What a recogniser returns for a court summons, with its usual quirks: ASCII
// brackets, stray spaces, a blank line.
constexpr const char* kSummonsText =
    "北京市朝阳区人民法院\n传 票\n\n案号: (2024) 京0105民初23817号\n被传唤人：张三\n"
    "开庭时间 : 2024年3月5日 14:30 第七法庭\n材料寄送运单 SF3052918847601 ，截止 2024-02-28\n";

class ScreenCaptureOCRTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLogSink([this](const std::string& line) {
      std::lock_guard lock(logMutex);
      logs.push_back(line);
    });
    char pattern[] = "/tmp/quorvel-capture-image-XXXXXX";
    imageDir = g_mkdtemp(pattern);
    image = imageDir / "region.png";
    writeBlankPng(image);
  }
  void TearDown() override {
    setLogSink({});
    std::error_code ec;
    fs::remove_all(imageDir, ec);
  }

  ScreenCaptureOCR::Config config(AppMode mode = AppMode::normal) {
    ScreenCaptureOCR::Config c;
    c.mode = mode;
    c.recognize = [this](const std::string& path) {
      struct stat st {};
      std::lock_guard lock(seenMutex);
      seenPaths.push_back(path);
      seenOffMain = !isMainThread();
      seenPrivate = ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0777) == 0600;
      return std::string(kSummonsText);
    };
    c.present = [this](const LegalOCRSignals& s) { presented.push_back(s); };
    return c;
  }

  // Starts one capture and runs the loop until it has ended.
  void runOnce(ScreenCaptureOCR& service) {
    const size_t before = presented.size();
    service.captureAndAnalyze();
    EXPECT_EQ(presented.size(), before) << "the call must return before any result";
    ASSERT_TRUE(waitUntil([&] { return service.runningCaptures() == 0; }, 15000));
  }

  int screenOcrLines() {
    std::lock_guard lock(logMutex);
    return countContaining(logs, "[SCREEN-OCR]");
  }

  CaptureToolStub tools;
  FakeDialogs dialogs;
  TesseractPools pools;
  WorkerPool workers{2};
  fs::path imageDir, image;
  std::vector<LegalOCRSignals> presented;
  std::mutex seenMutex, logMutex;
  std::vector<std::string> seenPaths;
  std::atomic<bool> seenOffMain{false}, seenPrivate{false};
  std::vector<std::string> logs;
};

TEST_F(ScreenCaptureOCRTest, StubbedToolFeedsTheRecogniserAndThePresenter) {
  tools.installCopying("maim", image);
  ScreenCaptureOCR service(dialogs, workers, config());
  runOnce(service);

  ASSERT_EQ(presented.size(), 1u);
  EXPECT_EQ(presented[0].caseNumbers, std::vector<std::string>{"(2024)京0105民初23817号"});

  ASSERT_EQ(seenPaths.size(), 1u);
  const std::string& path = seenPaths[0];
  EXPECT_TRUE(std::regex_match(
      path, std::regex(std::string(g_get_tmp_dir()) + "/quorvel-ocr-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\.png")))
      << path;
  EXPECT_TRUE(seenOffMain);
  EXPECT_TRUE(seenPrivate) << "the capture file is the user's alone";
  EXPECT_FALSE(fs::exists(path)) << "the capture file is removed afterwards";
  EXPECT_EQ(tools.argsOf("maim"), (std::vector<std::string>{"-s", path}));
}

TEST_F(ScreenCaptureOCRTest, EachToolIsStartedWithItsSelectionArguments) {
  // gnome-screenshot comes first when several are installed.
  tools.installCopying("gnome-screenshot", image);
  tools.installCopying("maim", image);
  ScreenCaptureOCR service(dialogs, workers, config());
  runOnce(service);
  ASSERT_EQ(presented.size(), 1u);
  ASSERT_EQ(seenPaths.size(), 1u);
  EXPECT_EQ(tools.argsOf("gnome-screenshot"), (std::vector<std::string>{"-a", "-f", seenPaths[0]}));
  EXPECT_FALSE(tools.argsOf("maim"));

  // grim captures the geometry slurp printed for the user's selection.
  CaptureToolStub wayland;
  wayland.install("slurp", "echo '10,20 300x200'");
  wayland.installCopying("grim", image);
  runOnce(service);
  ASSERT_EQ(presented.size(), 2u);
  EXPECT_EQ(wayland.argsOf("grim"), (std::vector<std::string>{"-g", "10,20 300x200", seenPaths[1]}));
}

TEST_F(ScreenCaptureOCRTest, CancelledOrUnreadableSelectionsEndQuietly) {
  ScreenCaptureOCR service(dialogs, workers, config());
  tools.install("maim", "exit 1");
  runOnce(service);
  auto maimArgs = tools.argsOf("maim");
  ASSERT_TRUE(maimArgs);
  EXPECT_FALSE(fs::exists(maimArgs->back())) << "the empty capture file is removed";

  {
    CaptureToolStub wayland;
    wayland.install("slurp", "exit 1");
    wayland.installCopying("grim", image);
    runOnce(service);
    EXPECT_TRUE(wayland.argsOf("slurp"));
    EXPECT_FALSE(wayland.argsOf("grim")) << "no capture after a cancelled selection";
  }

  // A file that is no image: dropped before recognition, and deleted.
  tools.install("maim", "echo 'not an image' > \"$out\"");
  runOnce(service);
  maimArgs = tools.argsOf("maim");
  EXPECT_FALSE(fs::exists(maimArgs->back()));

  EXPECT_TRUE(presented.empty());
  EXPECT_TRUE(seenPaths.empty());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(screenOcrLines(), 0);
}

TEST_F(ScreenCaptureOCRTest, NoToolSaysWhatToInstall) {
  // grim alone cannot select a region.
  tools.installCopying("grim", image);
  ScreenCaptureOCR service(dialogs, workers, config());
  runOnce(service);
  EXPECT_TRUE(presented.empty());
  EXPECT_FALSE(tools.argsOf("grim"));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "无法框选屏幕");
  for (const char* name : {"xdg-desktop-portal", "gnome-screenshot", "maim", "grim", "slurp"})
    EXPECT_NE(dialogs.shown[0].text.find(name), std::string::npos) << name;
}

TEST_F(ScreenCaptureOCRTest, ToolThatCannotStartIsOnlyLogged) {
  tools.install("maim", "");
  // An interpreter that does not exist: the tool is on PATH but cannot be started.
  std::ofstream(tools.dir() / "maim") << "#!/nonexistent/shell\n";
  ScreenCaptureOCR service(dialogs, workers, config());
  runOnce(service);
  EXPECT_TRUE(presented.empty());
  EXPECT_TRUE(dialogs.shown.empty());
  std::lock_guard lock(logMutex);
  EXPECT_EQ(countContaining(logs, "[Quorvel][SCREEN-OCR] maim 启动失败："), 1);
}

// The capture's own result says which way it ended: captured, cancelled, not
// possible here, or a tool that failed with its reason.
TEST_F(ScreenCaptureOCRTest, TheCaptureSaysHowItEnded) {
  auto file = CaptureFile::create();
  ASSERT_TRUE(file);
  ScreenCaptureOptions noPortal;
  noPortal.usePortal = false;
  auto capture = [&] {
    auto done = runToEnd(captureScreenRegion(file->path(), noPortal));
    EXPECT_TRUE(done->value);
    return done->value.value_or(ScreenCaptureResult{});
  };

  auto none = capture();
  ASSERT_TRUE(none.error);
  EXPECT_EQ(none.error->domain, errors::kScreenCapture);
  EXPECT_TRUE(none.failedWith(errors::kNoCaptureTool));

  tools.install("maim", "exit 1");
  auto cancelled = capture();
  EXPECT_TRUE(cancelled.failedWith(errors::kCaptureCancelled));
  EXPECT_EQ(cancelled.tool, "maim");

  std::ofstream(tools.dir() / "maim") << "#!/nonexistent/shell\n";
  auto broken = capture();
  EXPECT_TRUE(broken.failedWith(errors::kCaptureFailed));
  EXPECT_EQ(broken.tool, "maim");
  ASSERT_TRUE(broken.error);
  EXPECT_FALSE(broken.error->message.empty());

  tools.installCopying("maim", image);
  auto captured = capture();
  EXPECT_TRUE(captured.ok());
  EXPECT_EQ(captured.tool, "maim");
  EXPECT_TRUE(file->hasContent());
}

TEST_F(ScreenCaptureOCRTest, DiagnosticModeCapturesNothing) {
  tools.installCopying("maim", image);
  ScreenCaptureOCR service(dialogs, workers, config(AppMode::diagnostic));
  service.captureAndAnalyze();
  EXPECT_EQ(service.runningCaptures(), 0);
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_FALSE(tools.argsOf("maim"));
  EXPECT_TRUE(presented.empty());
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ScreenCaptureOCRTest, RecogniserFailureStillShowsTheResult) {
  tools.installCopying("maim", image);
  auto c = config();
  c.recognize = [](const std::string&) -> std::string { throw std::runtime_error("引擎未初始化"); };
  ScreenCaptureOCR service(dialogs, workers, c);
  runOnce(service);
  ASSERT_EQ(presented.size(), 1u);
  EXPECT_EQ(presented[0], LegalOCRSignals{});
  std::lock_guard lock(logMutex);
  EXPECT_EQ(countContaining(logs, "[Quorvel][SCREEN-OCR] 识别失败：引擎未初始化"), 1);
}

TEST_F(ScreenCaptureOCRTest, TheDeviceRecogniserReadsTraditionalChinese) {
  // A line of a traditional-Chinese judgment, drawn in Noto Sans CJK TC (fonts-noto-cjk).
  const std::string line = "臺灣高等法院民事判決書 當事人應於開庭時攜帶證據";
  std::ofstream(image, std::ios::binary) << textPagePng({line}, 1100, 120, 28, "Noto Sans CJK TC");
  tools.installCopying("maim", image);
  ScreenCaptureOCR::Config c;
  c.recognize = ScreenCaptureOCR::deviceRecognizer(pools);  // the recogniser the application runs
  c.present = [this](const LegalOCRSignals& s) { presented.push_back(s); };
  ScreenCaptureOCR service(dialogs, workers, c);
  runOnce(service);
  ASSERT_EQ(presented.size(), 1u);
  EXPECT_EQ(withoutSpaces(presented[0].rawText), withoutSpaces(line));
  EXPECT_EQ(withoutSpaces(service.recognizeText(image.string())), withoutSpaces(line));
}

// ---- Through a stand-in desktop portal ------------------------------------------------

constexpr const char* kPortalXml =
    "<node><interface name='org.freedesktop.portal.Screenshot'>"
    "<method name='Screenshot'><arg type='s' direction='in'/><arg type='a{sv}' direction='in'/>"
    "<arg type='o' direction='out'/></method></interface></node>";

// Owns the portal's name on a connection of its own and answers Screenshot like the
// real one: the request handle first, the Response signal a moment later.
struct FakePortal {
  GObjectPtr<GDBusConnection> bus;
  guint registration = 0, owner = 0;
  bool owned = false;
  guint32 responseCode = 0;
  std::string shotPath;  // what the portal "saved"
  bool sawInteractive = false;

  bool start() {
    GErrorPtr error;
    GCharPtr address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
    if (!address) return false;
    bus = GObjectPtr<GDBusConnection>::adopt(g_dbus_connection_new_for_address_sync(
        address.get(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, error.out()));
    if (!bus) return false;
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kPortalXml, nullptr);
    static const GDBusInterfaceVTable vtable = {&FakePortal::onCall, nullptr, nullptr, {}};
    registration = g_dbus_connection_register_object(bus, "/org/freedesktop/portal/desktop", info->interfaces[0],
                                                     &vtable, this, nullptr, nullptr);
    g_dbus_node_info_unref(info);
    owner = g_bus_own_name_on_connection(
        bus, "org.freedesktop.portal.Desktop", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer self) { static_cast<FakePortal*>(self)->owned = true; }, nullptr,
        this, nullptr);
    return registration && runMainLoopUntil([&] { return owned; }, 5000);
  }
  ~FakePortal() {
    if (owner) g_bus_unown_name(owner);
    if (registration) g_dbus_connection_unregister_object(bus, registration);
  }

  static void onCall(GDBusConnection* bus, const gchar* sender, const gchar*, const gchar*, const gchar*,
                     GVariant* params, GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<FakePortal*>(data);
    GVariant* options = g_variant_get_child_value(params, 1);
    const gchar* token = "t";
    g_variant_lookup(options, "handle_token", "&s", &token);
    gboolean interactive = false;
    g_variant_lookup(options, "interactive", "b", &interactive);
    self->sawInteractive = interactive;
    std::string unique = sender + 1;
    for (auto& c : unique)
      if (c == '.') c = '_';
    std::string handle = "/org/freedesktop/portal/desktop/request/" + unique + "/" + token;
    g_variant_unref(options);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", handle.c_str()));

    GVariantBuilder results;
    g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
    if (self->responseCode == 0) {
      GCharPtr uri(g_filename_to_uri(self->shotPath.c_str(), nullptr, nullptr));
      g_variant_builder_add(&results, "{sv}", "uri", g_variant_new_string(uri.get()));
    }
    g_dbus_connection_emit_signal(bus, sender, handle.c_str(), "org.freedesktop.portal.Request", "Response",
                                  g_variant_new("(ua{sv})", self->responseCode, &results), nullptr);
  }
};

TEST_F(ScreenCaptureOCRTest, PortalAnswerComesBeforeAnyTool) {
  FakePortal portal;
  ASSERT_TRUE(portal.start());
  portal.shotPath = (imageDir / "Screenshot from portal.png").string();
  fs::copy_file(image, portal.shotPath);
  tools.installCopying("maim", image);
  ScreenCaptureOCR service(dialogs, workers, config());
  runOnce(service);

  ASSERT_EQ(presented.size(), 1u);
  EXPECT_EQ(presented[0].trackingNumbers, std::vector<std::string>{"SF3052918847601"});
  EXPECT_TRUE(portal.sawInteractive);
  EXPECT_FALSE(tools.argsOf("maim"));
  EXPECT_FALSE(fs::exists(portal.shotPath)) << "the portal's file became the temporary capture";
  ASSERT_EQ(seenPaths.size(), 1u);
  EXPECT_FALSE(fs::exists(seenPaths[0]));

  // The user cancels in the portal's dialog: nothing more happens.
  portal.responseCode = 1;
  runOnce(service);
  EXPECT_EQ(presented.size(), 1u);
  EXPECT_FALSE(tools.argsOf("maim"));
  EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
